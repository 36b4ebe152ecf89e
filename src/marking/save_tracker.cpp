#include "marking/save_tracker.h"

#include "marking/answer_list_model.h"

#include <utility>

namespace marking {

QList<SaveRow> save_rows(const AnswerListModel& list)
{
    QList<SaveRow> rows;
    rows.reserve(list.rows());
    for (int r = 1; r <= list.rows(); ++r)
        rows << SaveRow{list.text(r, Col::FullMark), list.text(r, Col::Score), list.text(r, Col::WorkId),
                        list.text(r, Col::Flag)};
    return rows;
}

SaveTracker::Sent sent_scores(const AnswerListModel& list, const QStringList& workIds)
{
    SaveTracker::Sent sent;
    for (int r = 1; r <= list.rows(); ++r) {
        const QString id = list.text(r, Col::WorkId);
        if (workIds.contains(id) && !sent.contains(id))
            sent.insert(id, list.text(r, Col::Score));
    }
    return sent;
}

ManualSave SaveTracker::startManualSave()
{
    ManualSave m = build_manual_save(save_rows(buffer_));
    if (m.badRow == 0) {
        manualSent_ = sent_scores(buffer_, m.workIds);
        manualReplied_ = false;
    }
    return m;
}

QList<JournalEntry> SaveTracker::manualSaveReplied(const QString& reply)
{
    manualReplied_ = true;
    if (const std::optional<QStringList> ids = saved_ids_in(reply)) {
        manualReplied_ = false;
        return settle(std::exchange(manualSent_, {}), *ids);
    }
    if (reply.contains(QLatin1String("refused"))) {
        manualReplied_ = false;
        return settle(std::exchange(manualSent_, {}), {});
    }
    return {};
}

QList<JournalEntry> SaveTracker::batchArrived()
{
    if (!manualReplied_)
        return {};
    manualReplied_ = false;
    const Sent sent = std::exchange(manualSent_, {});
    return settle(sent, sent.keys());
}

std::optional<SaveTracker::Outgoing> SaveTracker::nextAutoSave() const
{
    AutoSave a;
    if (buffer_.rows() > 0)
        a = build_auto_save(save_rows(buffer_));
    Outgoing out{a.elements, sent_scores(buffer_, a.workIds)};
    // Scores of an earlier batch that the server never confirmed (a batch
    // that replaced the list before its save came back) go along.
    if (journal_) {
        QSet<QString> inList;
        for (int r = 1; r <= buffer_.rows(); ++r)
            inList << buffer_.text(r, Col::WorkId);
        for (const JournalEntry& e : journal_->pending()) {
            if (!inList.contains(e.workId) && !out.sent.contains(e.workId)) {
                out.elements += fs_element(e.workId, e.score);
                out.sent.insert(e.workId, e.score);
            }
        }
    }
    if (!out.elements.contains(u';'))
        return std::nullopt;
    return out;
}

QList<JournalEntry> SaveTracker::autoSaveReplied(const QString& reply)
{
    // Only a reply that lists what was stored settles the journal.
    return replied(mark_saved(reply), autoSent_, false, saved_ids_in(reply).has_value());
}

QString SaveTracker::startJournalSend()
{
    if (!journal_ || journal_->pending().isEmpty())
        return {};
    journalSent_.clear();
    for (const JournalEntry& e : journal_->pending())
        journalSent_.insert(e.workId, e.score);
    return journal_->pendingElements();
}

QList<JournalEntry> SaveTracker::journalReplied(const QString& reply)
{
    return replied(saved_ids_in(reply), journalSent_, true, true);
}

// A reply naming `ids` (nullopt: one that says nothing) to the save that
// sent `sent`: rows whose score is still the one sent are marked saved (a
// score changed while the save was out is not the one saved).
QList<JournalEntry> SaveTracker::replied(const std::optional<QStringList>& ids, Sent& sent, bool onlyWhenSent,
                                         bool settles)
{
    if (!ids)
        return {};
    const Sent taken = std::exchange(sent, {});
    markSaved(*ids, taken, onlyWhenSent);
    return settles ? settle(taken, *ids) : QList<JournalEntry>{};
}

// Flag 1 on the rows of these work ids whose score is the one sent. A work
// id the save did not carry counts as sent unless `onlyWhenSent`.
void SaveTracker::markSaved(const QStringList& ids, const Sent& sent, bool onlyWhenSent)
{
    for (const QString& id : ids) {
        for (int r = 1; r <= buffer_.rows(); ++r) {
            if (buffer_.text(r, Col::WorkId) != id)
                continue;
            const bool known = sent.contains(id);
            if ((known || onlyWhenSent) && sent.value(id) != buffer_.text(r, Col::Score))
                continue;
            buffer_.setText(r, Col::Flag, QStringLiteral("1"));
        }
    }
}

QList<JournalEntry> SaveTracker::settle(const Sent& sent, const QStringList& saved)
{
    if (!journal_)
        return {};
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
    QList<JournalEntry> refused;
    for (const QString& id : ScoreJournal::unconfirmed(sentIds, saved)) {
        const QString key = id + u',' + sent.value(id);
        if (toldRefusals_.contains(key))
            continue;
        toldRefusals_.insert(key);
        const QList<JournalEntry> e = journal_->entriesFor({id});
        if (!e.isEmpty() && e.first().score == sent.value(id)) {
            refused << e.first();
            confirmed << id;  // answered: told to the teacher, not sent again from the journal
        } else if (e.isEmpty()) {
            refused << JournalEntry{id, QString(), QString(), sent.value(id), 0};
        }
    }
    journal_->confirm(confirmed);
    return refused;
}

}  // namespace marking
