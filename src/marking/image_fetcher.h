#pragma once
#include "marking/image_cache.h"
#include "marking/prefetch.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <future>

class QTimer;

namespace marking {

struct AnswerGroup;
class AnswerListModel;
class MarkingHost;
struct MarkingContext;

// The answer images: the cache folder, the prefetch (Timer1 fetches the
// buffer rows' images one at a time on WebBrowser3), the download replies,
// showing cached answers, and fetching a worked answer's image or an
// answer's image again.
class ImageFetcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageFetcher)
public:
    ImageFetcher(MarkingContext& ctx, MarkingHost& host, QObject* parent = nullptr);

    // The session's cache folder, made where missing; false (and the
    // teacher told) when it can't be.
    bool make_cache_dirs();
    // The cached file of a list row, or empty text (and the teacher told)
    // when its name is unsafe.
    QString row_image_path(const AnswerListModel& list, int row);

    // A new batch: every missing image is asked for again.
    void batchFilled();
    // The teacher waits for these images: ask again, now.
    void waitFor(const QStringList& names);
    // Shows the answer (group) of these server references from the cache,
    // or marks a missing one for the prefetch.
    void down_load_st(const QString& refs);
    void show_images(const QString& paths);
    // The answer (group) after `shown` is decoded ahead when its images are
    // cached: Enter shows it without waiting for the decoding.
    void decodeNext(const AnswerGroup& shown);
    void set_downed(const QString& path, const QString& value);
    // The image of a worked row: shown from the cache or downloaded.
    void fetchWorked(int row);
    // Throws away a buffer row's cached image so the prefetch fetches it again.
    void redownload(int row);

    void save_down_st(const QString& reply);
    void save_down_sted(const QString& reply);
    // A download was replaced on WebBrowser3 before it completed.
    void downloadReplaced();

    QTimer& timer1() const { return *timer1_; }

public slots:
    void Timer1_Timer();

private:
    void report_unsafe(const QString& name);
    QList<PrefetchRow> prefetchRows() const;
    bool cached(const QString& path) const;
    // The listing no longer speaks for this file: this program replaces or
    // removes it, or found it unusable.
    void forgetListed(const QString& path);

    MarkingContext& ctx_;
    MarkingHost& host_;
    QTimer* timer1_;
    PrefetchChoice prefetch_;
    QSet<QString> refusedNames_;
    QString workedTarget_;  // cache path of the worked answer whose download is out
    CacheListing listing_;
    std::future<CacheListing::Files> listingOut_;  // made for the batch on a worker thread
    QStringList replacedSince_;                     // paths this program wrote since it began
};

}  // namespace marking
