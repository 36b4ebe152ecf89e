#pragma once
#include "marking/save_tracker.h"

#include <QObject>
#include <memory>

namespace net { class PageChannel; struct PageResult; }

namespace marking {

class MarkingHost;
class ScoreJournal;
struct MarkingContext;

// The path of a keyed score from the buffer row to the server: every score
// stored on a row is journalled on disk at once; the manual save
// (WebBrowser1), the automatic save (WebBrowser3) and the journal's own send
// (its own channel, at opening and closing) carry it to the server; the
// SaveTracker says what each reply confirms, and what the server refused is
// told to the teacher.
class ScoreSaver final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScoreSaver)
public:
    ScoreSaver(MarkingContext& ctx, MarkingHost& host, QObject* parent = nullptr);
    ~ScoreSaver() override;

    // The journal of this teacher in this exam and subject: what an earlier
    // run keyed and the server never confirmed goes out now.
    void openJournal();
    ScoreJournal* journal() const { return journal_.get(); }
    net::PageChannel& journalChannel() const { return *journalChannel_; }

    // A row's score as keyed, journalled.
    void storeScore(int row, const QString& score, bool markUnsaved);
    void journal_row(int row);

    void save_scores();
    void auto_save();
    // Replies: the manual save's (WebBrowser1), the next batch's, the
    // automatic save's (WebBrowser3), its replacement.
    void manualSaveReplied(const QString& reply);
    void batchArrived();
    void mark_saved(const QString& reply);
    void autoSaveReplaced();

    // Closing: send what the server does not have yet and wait a moment.
    void flush_before_close();

private:
    void send_journal();
    void on_journal_page(const net::PageResult& result);
    void tell(const QList<JournalEntry>& refused);

    MarkingContext& ctx_;
    MarkingHost& host_;
    SaveTracker tracker_;
    std::shared_ptr<ScoreJournal> journal_;
    net::PageChannel* journalChannel_;
    bool journalWarned_ = false;  // the teacher was told the journal can't be written
};

}  // namespace marking
