// Saving keyed scores: the manual save, the automatic save, the server's
// confirmation, the progress bar, and the journal that keeps every keyed
// score on disk until the server has it (closing and crashes included).
#include "marking/marking_form.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/saving.h"
#include "marking/score_journal.h"
#include "net/page_channel.h"
#include "net/page_errors.h"

#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

namespace marking {

namespace {

// How long closing waits for the server to take the unsaved scores.
constexpr int kCloseFlushMs = 3000;

QList<SaveRow> save_rows(const AnswerListModel& list)
{
    QList<SaveRow> rows;
    rows.reserve(list.rows());
    for (int r = 1; r <= list.rows(); ++r)
        rows << SaveRow{list.text(r, QStringLiteral("满分")), list.text(r, QStringLiteral("得分")),
                        list.text(r, QStringLiteral("work_id")), list.text(r, QStringLiteral("flag"))};
    return rows;
}

// Work id → score of the rows a save sends.
QHash<QString, QString> sent_scores(const AnswerListModel& list, const QStringList& workIds)
{
    QHash<QString, QString> sent;
    for (int r = 1; r <= list.rows(); ++r) {
        const QString id = list.text(r, QStringLiteral("work_id"));
        if (workIds.contains(id) && !sent.contains(id))
            sent.insert(id, list.text(r, QStringLiteral("得分")));
    }
    return sent;
}

}  // namespace

void MarkingForm::Command1_Click()
{
    save_scores();
}

void MarkingForm::save_scores()
{
    const app::Session& s = app::session();
    if (buffer_.rows() == 0)
        return;
    if (s.KS_INPUT == 2) {
        services_.dialogs.message(closed_exam_message());
        return;
    }
    const ManualSave m = build_manual_save(save_rows(buffer_));
    if (m.badRow > 0) {
        services_.dialogs.message(m.message);
        return;
    }
    // The row keeps its score, so a save that fails loses nothing.
    clear_score_box();
    label3_->show();
    show_status(true, saving_status_text());
    label3_->setText(saving_status_text());
    manualSent_ = sent_scores(buffer_, m.workIds);
    manualSaveDone_ = false;
    web1_->navigate(manual_save_url(s, m.fs_str));
}

void MarkingForm::auto_save()
{
    const app::Session& s = app::session();
    if (s.KS_INPUT == 2)
        return;
    AutoSave a;
    if (buffer_.rows() > 0)
        a = build_auto_save(save_rows(buffer_));
    QHash<QString, QString> sent = sent_scores(buffer_, a.workIds);
    // Scores of an earlier batch that the server never confirmed (a batch
    // that replaced the list before its save came back) go along.
    if (journal_) {
        QStringList inList;
        for (int r = 1; r <= buffer_.rows(); ++r)
            inList << buffer_.text(r, QStringLiteral("work_id"));
        for (const JournalEntry& e : journal_->pending()) {
            if (!inList.contains(e.workId) && !sent.contains(e.workId)) {
                a.elements += fs_element(e.workId, e.score);
                sent.insert(e.workId, e.score);
            }
        }
    }
    if (!a.elements.contains(u';'))
        return;
    // A worked answer's image the teacher asked for is out on the same
    // channel; the scores are journalled and go with the next poll.
    if (web3_->pendingUrl().contains(QStringLiteral("net_down_sted.asp")))
        return;
    label3_->setText(auto_saving_status_text());
    autoSent_ = sent;
    web3_->navigate(auto_save_url(s, a.elements));
}

void MarkingForm::mark_saved(const QString& reply)
{
    const std::optional<QStringList> ids = marking::mark_saved(reply);
    if (!ids)
        return;
    const QHash<QString, QString> sent = std::exchange(autoSent_, {});
    for (const QString& id : *ids) {
        for (int r = 1; r <= buffer_.rows(); ++r) {
            if (buffer_.text(r, QStringLiteral("work_id")) != id)
                continue;
            // A score changed while the save was out is not the one saved.
            if (sent.contains(id) && sent.value(id) != buffer_.text(r, QStringLiteral("得分")))
                continue;
            buffer_.setText(r, QStringLiteral("flag"), QStringLiteral("1"));
        }
    }
    // Only a reply that lists what was stored settles the journal.
    if (saved_ids_in(reply))
        saved_reply(sent, *ids);
}

void MarkingForm::manual_save_done(const QString& reply)
{
    manualSaveDone_ = true;
    // A reply that names what was stored settles the save now; otherwise
    // the next batch does.
    if (const std::optional<QStringList> ids = saved_ids_in(reply)) {
        saved_reply(std::exchange(manualSent_, {}), *ids);
        manualSaveDone_ = false;
    } else if (reply.contains(QLatin1String("refused"))) {
        saved_reply(std::exchange(manualSent_, {}), {});
        manualSaveDone_ = false;
    }
}

void MarkingForm::batch_arrived()
{
    if (!manualSaveDone_)
        return;
    manualSaveDone_ = false;
    const QHash<QString, QString> sent = std::exchange(manualSent_, {});
    saved_reply(sent, sent.keys());
}

void MarkingForm::saved_reply(const QHash<QString, QString>& sent, const QStringList& saved)
{
    if (!journal_)
        return;
    // Confirm a work id only when the journal still holds the score that
    // was sent; a newer one waits for its own save.
    QStringList confirmed;
    for (const QString& id : saved) {
        const QList<JournalEntry> e = journal_->entriesFor({id});
        if (sent.contains(id) && (e.isEmpty() || e.first().score == sent.value(id)))
            confirmed << id;
    }
    // In the order the teacher keyed them.
    QStringList order;
    for (const JournalEntry& e : journal_->pending())
        order << e.workId;
    for (const QString& id : sent.keys()) {
        if (!order.contains(id))
            order << id;
    }
    QStringList sentIds;
    for (const QString& id : order) {
        if (sent.contains(id))
            sentIds << id;
    }
    const QStringList refusedIds = ScoreJournal::unconfirmed(sentIds, saved);
    QList<JournalEntry> refused;
    for (const QString& id : refusedIds) {
        const QString key = id + u',' + sent.value(id);
        if (reportedRefusals_.contains(key))
            continue;
        reportedRefusals_.insert(key);
        const QList<JournalEntry> e = journal_->entriesFor({id});
        if (!e.isEmpty() && e.first().score == sent.value(id)) {
            refused << e.first();
            confirmed << id;  // answered: told to the teacher, not sent again from the journal
        } else if (e.isEmpty()) {
            refused << JournalEntry{id, QString(), QString(), sent.value(id), 0};
        }
    }
    journal_->confirm(confirmed);
    if (!refused.isEmpty())
        services_.dialogs.message(refused_scores_message(refused));
}

void MarkingForm::send_journal()
{
    const app::Session& s = app::session();
    if (!journal_ || journal_->pending().isEmpty() || s.KS_INPUT == 2)
        return;
    journalSent_.clear();
    for (const JournalEntry& e : journal_->pending())
        journalSent_.insert(e.workId, e.score);
    journalChannel_->navigate(auto_save_url(s, journal_->pendingElements()));
}

void MarkingForm::on_journal_page(const net::PageResult& r)
{
    if (r.replaced || r.url.isEmpty() || !net::page_error_message(r.url, r.text).isEmpty())
        return;  // the journal keeps the scores for the next send
    const std::optional<QStringList> ids = saved_ids_in(r.text);
    if (!ids)
        return;
    const QHash<QString, QString> sent = std::exchange(journalSent_, {});
    for (const QString& id : *ids) {
        for (int r2 = 1; r2 <= buffer_.rows(); ++r2) {
            if (buffer_.text(r2, QStringLiteral("work_id")) == id
                && sent.value(id) == buffer_.text(r2, QStringLiteral("得分")))
                buffer_.setText(r2, QStringLiteral("flag"), QStringLiteral("1"));
        }
    }
    saved_reply(sent, *ids);
}

void MarkingForm::flush_before_close()
{
    timer1_->stop();
    timer2_->stop();
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

void MarkingForm::show_progress()
{
    const MarkingState& st = state();
    if (const std::optional<ProgressValue> v = marking::show_progress(st.done_count, st.work_count)) {
        label5_->setText(v->label5);
        progress1_->setValue(v->bar);
    }
    progress1_->show();
    label5_->show();
}

}  // namespace marking
