#pragma once
#include "marking/saving.h"
#include "marking/score_journal.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace marking {

class AnswerListModel;

// Which keyed scores are out with which save, and what a reply settles.
//
// Three saves carry scores: the manual save (on WebBrowser1; its reply says
// little, so the next batch confirms it), the automatic save (on
// WebBrowser3; its "saved_ids=" reply names what was stored) and the
// journal's own send at opening and closing. Each remembers the score it
// sent per work id, because the teacher may key a new score while a save is
// out: a reply then confirms the old score only, and the new one waits for
// its own save. A confirmed score leaves the journal; a refused one is told
// to the teacher once and not sent again.
//
// Every method that settles a save returns the refusals to tell (empty when
// there are none); the screen shows refused_scores_message() of them.
class SaveTracker final {
public:
    using Sent = QHash<QString, QString>;  // work id → score sent

    explicit SaveTracker(AnswerListModel& buffer) : buffer_(buffer) {}
    SaveTracker(const SaveTracker&) = delete;
    SaveTracker& operator=(const SaveTracker&) = delete;

    // The journal the confirmations settle; none: only rows are marked.
    void setJournal(ScoreJournal* journal) { journal_ = journal; }

    // --- the manual save
    // The checks and the score string; when it may go, the rows it sends
    // are remembered as the manual save's.
    ManualSave startManualSave();
    // Its reply: a "saved_ids=" list or a refusal settles it now, any other
    // reply waits for the next batch.
    QList<JournalEntry> manualSaveReplied(const QString& reply);
    // A batch arrived: a manual save replied to before it is now stored.
    QList<JournalEntry> batchArrived();

    // --- the automatic save
    struct Outgoing {
        QString elements;  // score-string elements, without "0,;"
        Sent sent;
    };
    // Every unsaved numeric row, and the journal's scores of earlier batches
    // that the server never confirmed; nullopt when there is nothing to send.
    std::optional<Outgoing> nextAutoSave() const;
    void autoSaveSent(const Sent& sent) { autoSent_ = sent; }
    // A reply starting "save": rows whose score is still the one sent are
    // marked saved; a "saved_ids=" list also settles the journal.
    QList<JournalEntry> autoSaveReplied(const QString& reply);
    // It was replaced before it answered: its rows go with the next one.
    void autoSaveReplaced() { autoSent_.clear(); }

    // --- the journal's own send
    // The journal's pending elements, remembered as sent; empty when there
    // is nothing pending.
    QString startJournalSend();
    QList<JournalEntry> journalReplied(const QString& reply);

private:
    QList<JournalEntry> replied(const std::optional<QStringList>& ids, Sent& sent, bool onlyWhenSent,
                                bool settles);
    QList<JournalEntry> settle(const Sent& sent, const QStringList& saved);
    void markSaved(const QStringList& ids, const Sent& sent, bool onlyWhenSent);

    AnswerListModel& buffer_;
    ScoreJournal* journal_ = nullptr;
    Sent autoSent_;
    Sent manualSent_;
    Sent journalSent_;
    bool manualReplied_ = false;  // replied without naming what was stored
    QSet<QString> toldRefusals_;  // "work id,score" already told
};

// What a buffer row contributes to a save, for every row.
QList<SaveRow> save_rows(const AnswerListModel& list);
// Work id → score of the rows with these work ids (first row per id).
SaveTracker::Sent sent_scores(const AnswerListModel& list, const QStringList& workIds);

}  // namespace marking
