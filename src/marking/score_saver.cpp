#include "marking/score_saver.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/marking_host.h"
#include "marking/requests.h"
#include "marking/score_journal.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "protocol/pages.h"

#include <QEventLoop>
#include <QTimer>

namespace marking {

namespace {
// How long closing waits for the server to take the unsaved scores.
constexpr int kCloseFlushMs = 3000;
}  // namespace

ScoreSaver::ScoreSaver(MarkingContext& ctx, MarkingHost& host, QObject* parent)
    : QObject(parent),
      ctx_(ctx),
      host_(host),
      tracker_(ctx.buffer),
      journalChannel_(new net::PageChannel(ctx.services.network, this))
{
    journalChannel_->setObjectName(QStringLiteral("JournalChannel"));
    connect(journalChannel_, &net::PageChannel::completed, this, &ScoreSaver::on_journal_page);
}

ScoreSaver::~ScoreSaver() = default;

void ScoreSaver::openJournal()
{
    if (!ctx_.cache.valid())
        return;
    journal_ = std::make_shared<ScoreJournal>(ctx_.cache.folder(), app::session().User_ID);
    tracker_.setJournal(journal_.get());
    send_journal();
}

void ScoreSaver::storeScore(int row, const QString& score, bool markUnsaved)
{
    AnswerListModel& buffer = ctx_.buffer;
    if (row < 1 || row > buffer.rows())
        return;
    buffer.setText(row, Col::Score, score);
    if (markUnsaved)
        buffer.setText(row, Col::Flag, QStringLiteral("0"));
    journal_row(row);
}

void ScoreSaver::journal_row(int row)
{
    if (!journal_)
        return;
    const AnswerListModel& buffer = ctx_.buffer;
    const QString score = buffer.text(row, Col::Score);
    // A saved row (flag 1) whose score did not change has nothing to keep.
    if (app::to_double(buffer.text(row, Col::Flag)) != 0 && app::is_numeric(score))
        return;
    const bool kept = journal_->record(
        {buffer.text(row, Col::WorkId), buffer.text(row, Col::CjId), buffer.text(row, Col::Question), score, 0});
    if (!kept && !journalWarned_) {
        // The scores still go out with the saves; only the crash protection is gone.
        journalWarned_ = true;
        ctx_.services.dialogs.message(QStringLiteral("无法写入本地得分记录：") + journal_->lastError()
                                      + QStringLiteral("\r\r请及时保存已输入的得分。"));
    }
}

void ScoreSaver::tell(const QList<JournalEntry>& refused)
{
    if (!refused.isEmpty())
        ctx_.services.dialogs.message(refused_scores_message(refused));
}

void ScoreSaver::save_scores()
{
    const app::Session& s = app::session();
    if (ctx_.buffer.rows() == 0)
        return;
    if (s.KS_INPUT == 2) {
        ctx_.services.dialogs.message(closed_exam_message());
        return;
    }
    const ManualSave m = tracker_.startManualSave();
    if (m.badRow > 0) {
        ctx_.services.dialogs.message(m.message);
        return;
    }
    // The row keeps its score, so a save that fails loses nothing.
    host_.clear_score_box();
    host_.show_status(true, saving_status_text());
    host_.setActivity(saving_status_text());
    ctx_.web1->navigate(manual_save_url(s, m.fs_str));
}

void ScoreSaver::auto_save()
{
    const app::Session& s = app::session();
    if (s.KS_INPUT == 2)
        return;
    const std::optional<SaveTracker::Outgoing> out = tracker_.nextAutoSave();
    if (!out)
        return;
    // A worked answer's image the teacher asked for is out on the same
    // channel; the scores are journalled and go with the next poll.
    if (protocol::page_of(ctx_.web3->pendingUrl()) == protocol::Page::DownSted)
        return;
    host_.setActivity(auto_saving_status_text());
    tracker_.autoSaveSent(out->sent);
    ctx_.web3->navigate(auto_save_url(s, out->elements));
}

void ScoreSaver::manualSaveReplied(const QString& reply)
{
    tell(tracker_.manualSaveReplied(reply));
}

void ScoreSaver::batchArrived()
{
    tell(tracker_.batchArrived());
}

void ScoreSaver::mark_saved(const QString& reply)
{
    tell(tracker_.autoSaveReplied(reply));
}

void ScoreSaver::autoSaveReplaced()
{
    // An automatic save that never answered leaves its rows unsaved, and
    // the next one sends them again.
    tracker_.autoSaveReplaced();
}

void ScoreSaver::send_journal()
{
    if (app::session().KS_INPUT == 2)
        return;
    const QString elements = tracker_.startJournalSend();
    if (!elements.isEmpty())
        journalChannel_->navigate(auto_save_url(app::session(), elements));
}

void ScoreSaver::on_journal_page(const net::PageResult& r)
{
    if (r.replaced || r.url.isEmpty() || !net::page_error_message(r.url, r.text).isEmpty())
        return;  // the journal keeps the scores for the next send
    tell(tracker_.journalReplied(r.text));
}

void ScoreSaver::flush_before_close()
{
    if (!journal_ || journal_->pending().isEmpty() || app::session().KS_INPUT == 2)
        return;
    // Send what the server does not have yet and give it a moment to
    // answer; what it does not confirm stays in the journal for next time.
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(journalChannel_, &net::PageChannel::completed, &loop, &QEventLoop::quit);
    send_journal();
    deadline.start(kCloseFlushMs);
    loop.exec();
}

}  // namespace marking
