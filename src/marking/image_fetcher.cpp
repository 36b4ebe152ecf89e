#include "marking/image_fetcher.h"

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/buffer_rules.h"
#include "marking/marking_host.h"
#include "marking/requests.h"
#include "net/base64_decode.h"
#include "net/page_channel.h"
#include "ui/image_page_view.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <utility>

namespace marking {

ImageFetcher::ImageFetcher(MarkingContext& ctx, MarkingHost& host, QObject* parent)
    : QObject(parent), ctx_(ctx), host_(host), timer1_(new QTimer(this))
{
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    connect(timer1_, &QTimer::timeout, this, &ImageFetcher::Timer1_Timer);
}

bool ImageFetcher::make_cache_dirs()
{
    const app::Session& s = app::session();
    ctx_.cache = ImageCache(ctx_.services.paths.programDir(), s.ks_id, s.KM_id);
    if (!ctx_.cache.valid()) {
        report_unsafe(s.ks_id);
        return false;
    }
    if (!ctx_.cache.make_cache_dirs()) {
        ctx_.services.dialogs.message(QStringLiteral("无法创建本地缓存文件夹：") + ctx_.cache.folder());
        return false;
    }
    listing_.setFiles({});
    return true;
}

// An image the listing has is taken as cached (opening it checks the file
// again); one it lacks is asked of the disk, as it may have come since.
bool ImageFetcher::cached(const QString& path) const
{
    return listing_.usable(path) || img_file_ok(path);
}

void ImageFetcher::forgetListed(const QString& path)
{
    listing_.forget(path);
    if (listingOut_.valid())
        replacedSince_ << path;
}

void ImageFetcher::report_unsafe(const QString& name)
{
    // Once per name: the prefetch tick meets the same row every half second.
    if (refusedNames_.contains(name))
        return;
    refusedNames_.insert(name);
    ctx_.services.dialogs.message(unsafe_name_message(name));
}

QString ImageFetcher::row_image_path(const AnswerListModel& list, int row)
{
    const QString name = image_name(list.text(row, Col::Candidate), list.text(row, Col::Question));
    const QString path = ctx_.cache.path_of(name);
    if (path.isEmpty())
        report_unsafe(name);
    return path;
}

QList<PrefetchRow> ImageFetcher::prefetchRows() const
{
    const AnswerListModel& buffer = ctx_.buffer;
    QList<PrefetchRow> rows;
    rows.reserve(buffer.rows());
    for (int r = 1; r <= buffer.rows(); ++r) {
        PrefetchRow row;
        const QString downed = buffer.text(r, Col::Downed);
        row.needsImage = downed != u'1' && (downed == u'0' || app::to_double(downed) == 0);
        if (row.needsImage) {
            row.name = image_name(buffer.text(r, Col::Candidate), buffer.text(r, Col::Question));
            row.path = ctx_.cache.path_of(row.name);
        }
        row.scored = !buffer.text(r, Col::Score).isEmpty();
        rows << row;
    }
    return rows;
}

void ImageFetcher::Timer1_Timer()
{
    MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    if (buffer.rows() == 0)
        return;
    if (listingOut_.valid()) {
        // Ready long since when the timer brings the tick.
        listing_.setFiles(listingOut_.get());
        for (const QString& path : std::exchange(replacedSince_, {}))
            listing_.forget(path);
    }
    const PrefetchStep step = prefetch_.next(prefetchRows(), ctx_.web3->busy(),
                                             [this](const QString& path) { return cached(path); });
    if (ctx_.cache.valid()) {
        for (const QString& name : step.unsafeNames)
            report_unsafe(name);
    }
    buffer.setTexts(step.nowCached, Col::Downed, QStringLiteral("1"));
    if (const int r = step.download) {
        timer1_->stop();
        st.down_cj_id = app::to_int(buffer.text(r, Col::CjId));
        st.down_th = buffer.text(r, Col::Question);
        st.down_work_id = buffer.text(r, Col::WorkId);
        host_.setActivity(QStringLiteral("正在从服务器缓存试题图片....."));
        ctx_.web3->navigate(down_st_url(app::session(), buffer.text(r, Col::XxId),
                                        server_ref(buffer.text(r, Col::BjId), buffer.text(r, Col::Candidate),
                                                   buffer.text(r, Col::Question))));
    }
    host_.showDoneCount(step.scored);

    // Once the help page may go, the first answer (group) opens by itself.
    if (!(app::session().D_HELP && st.help_on_top)) {
        const int check = st.th_bj.contains(u',') ? 2 : 1;
        if (check <= buffer.rows() && app::to_double(buffer.text(check, Col::Downed)) == 1 && st.cur_row == 0) {
            st.cur_row = 1;
            host_.open_cur_row();
            // A report names the selected row; after a refill none is, so
            // the answer opened here would be reported by no button.
            if (group_at(buffer, 1, st.th_bj).complete)
                host_.select_buffer_row(1);
        }
    }
}

void ImageFetcher::batchFilled()
{
    prefetch_.clear();
    // Its first tick asks about every row: the folder is listed meanwhile.
    if (ctx_.cache.valid()) {
        replacedSince_.clear();
        // The old listing goes to the worker and is freed there.
        listingOut_ = std::async(std::launch::async, [folder = ctx_.cache.folder(), old = listing_.take()]() mutable {
            const CacheListing::Files known = std::move(old);
            return CacheListing::list(folder, known);
        });
    }
}

void ImageFetcher::waitFor(const QStringList& names)
{
    for (const QString& name : names)
        prefetch_.retry(ctx_.cache.path_of(name));
    timer1_->start();
}

void ImageFetcher::save_down_st(const QString& reply)
{
    const MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    const ImageReply img = parse_image_reply(reply);
    // The row the download was sent for: two rows of one record and
    // question (a server's mistake) must not share one image.
    int row = 0;
    for (int r = 1; r <= buffer.rows() && row == 0; ++r) {
        if (app::to_int(buffer.text(r, Col::CjId)) == st.down_cj_id && buffer.text(r, Col::Question) == st.down_th
            && buffer.text(r, Col::WorkId) == st.down_work_id)
            row = r;
    }
    if (row > 0) {
        const QString path = row_image_path(buffer, row);
        if (!path.isEmpty()) {
            forgetListed(path);
            if (QFileInfo::exists(path))
                QFile::remove(path);
            if (img.notFound) {
                prefetch_.failed(path);
                ctx_.services.dialogs.message(not_found_message(img.data));
            } else if (net::base64_decode(img.data, path)) {
                prefetch_.retry(path);
                buffer.setText(row, Col::Downed, QStringLiteral("1"));
            } else {
                prefetch_.failed(path);
                ctx_.services.dialogs.message(QStringLiteral("生成本地文件：") + path + QStringLiteral(" 出错！"));
            }
        }
    }
    timer1_->start();
}

void ImageFetcher::fetchWorked(int row)
{
    const AnswerListModel& worked = ctx_.worked;
    if (row < 1 || row > worked.rows())
        return;
    const QString path = row_image_path(worked, row);
    if (path.isEmpty())
        return;
    ctx_.state.shown_files = path;
    if (img_file_ok(path)) {
        ctx_.view->showImages({path});
        return;
    }
    timer1_->stop();
    workedTarget_ = path;
    host_.setActivity(QStringLiteral("正在从服务器下载试题图片....."));
    ctx_.web3->navigate(down_sted_url(app::session(), worked.text(row, Col::XxId),
                                      server_ref(worked.text(row, Col::BjId), worked.text(row, Col::Candidate),
                                                 worked.text(row, Col::Question))));
}

void ImageFetcher::save_down_sted(const QString& reply)
{
    // The file of the worked answer that was asked for, not whatever is on
    // screen now: a buffer answer opened while the download was out would
    // otherwise get this image written under its own name.
    const QString target = std::exchange(workedTarget_, QString());
    const ImageReply img = parse_image_reply(reply);
    // The target is a cache path built from a checked name (worked-list
    // click); anything else is not ours to write.
    const bool ours = !target.isEmpty() && ctx_.cache.valid()
                   && QFileInfo(target).absolutePath() == QFileInfo(ctx_.cache.folder()).absoluteFilePath()
                   && app::is_safe_file_name(QFileInfo(target).fileName());
    if (ours)
        forgetListed(target);
    if (img.notFound) {
        ctx_.services.dialogs.message(not_found_message(img.data));
    } else if (ours && net::base64_decode(img.data, target)) {
        if (ctx_.state.shown_files == target)
            ctx_.view->showImages({target});
    } else {
        ctx_.services.dialogs.message(QStringLiteral("生成本地文件：") + target + QStringLiteral(" 出错！"));
    }
    timer1_->start();
}

void ImageFetcher::downloadReplaced()
{
    // A download the automatic save replaced never completes; without
    // this the prefetch would stay off for good.
    timer1_->start();
}

void ImageFetcher::down_load_st(const QString& refs)
{
    if (!refs.endsWith(QLatin1String(".txt")))
        return;
    const QStringList list = refs.contains(u',') ? refs.split(u',') : QStringList{refs};
    QStringList paths;
    for (const QString& ref : list) {
        const QString name = image_name_of_ref(ref);
        const QString path = ctx_.cache.path_of(name);
        if (path.isEmpty()) {
            report_unsafe(name);
            return;
        }
        paths << path;
    }
    if (paths.size() == 1) {
        if (img_file_ok(paths.first())) {
            show_images(paths.first());
        } else {
            forgetListed(paths.first());
            set_downed(paths.first(), QStringLiteral("0"));
        }
    } else {
        for (const QString& p : paths) {
            if (!img_file_ok(p)) {
                forgetListed(p);
                set_downed(p, QStringLiteral("0"));
            }
        }
        show_images(paths.join(u','));
    }
    host_.showZoom();
}

void ImageFetcher::show_images(const QString& paths)
{
    ctx_.state.shown_files = paths;
    const QStringList list = paths.split(u',');
    if (QFileInfo::exists(list.first()))
        ctx_.view->showImages(list);
    host_.show_status(false, QString());
}

void ImageFetcher::decodeNext(const AnswerGroup& shown)
{
    const AnswerListModel& buffer = ctx_.buffer;
    const AnswerGroup next = group_at(buffer, shown.first + int(shown.refs.size()), ctx_.state.th_bj);
    QStringList paths;
    for (int i = 0; next.complete && i < next.refs.size(); ++i) {
        const QString path = ctx_.cache.path_of(image_name_of_ref(next.refs.at(i)));
        if (path.isEmpty() || app::to_double(buffer.text(next.first + i, Col::Downed)) != 1)
            break;
        paths << path;
    }
    ctx_.view->decodeAhead(next.complete && paths.size() == next.refs.size() ? paths : QStringList());
}

void ImageFetcher::set_downed(const QString& path, const QString& value)
{
    if (!path.contains(u'/'))
        return;
    const QString name = QFileInfo(path).fileName();
    AnswerListModel& buffer = ctx_.buffer;
    for (int r = 1; r <= buffer.rows(); ++r) {
        if (image_name(buffer.text(r, Col::Candidate), buffer.text(r, Col::Question)) == name)
            buffer.setText(r, Col::Downed, value);
    }
}

void ImageFetcher::redownload(int row)
{
    AnswerListModel& buffer = ctx_.buffer;
    if (row >= 1 && row <= buffer.rows()) {
        const QString path = row_image_path(buffer, row);
        forgetListed(path);
        if (!path.isEmpty() && QFileInfo::exists(path))
            QFile::remove(path);
        prefetch_.retry(path);
    }
    buffer.setText(row, Col::Downed, QStringLiteral("0"));
}

}  // namespace marking
