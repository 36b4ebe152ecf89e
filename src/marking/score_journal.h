#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The local journal of keyed scores: no score a teacher keys in is lost to a
// closed screen, a crash or a stalled automatic save. Each score is written
// to the file as it is stored in the buffer list, and cleared when the
// server confirms it. What is left is sent again on the next opening of the
// same exam and subject.
//
// The file has every line before record() returns, so a crashed process
// loses nothing; syncing it to disk (milliseconds) is left to a thread of
// the journal's own, which coalesces the keystrokes that come meanwhile.
// The user-interface thread never waits for the disk.
namespace marking {

class JournalFile;

// Makes what was written to an open file durable (fdatasync); true when it
// did. Tests pass their own to watch or hold the syncing thread.
using DiskSync = std::function<bool(int handle)>;
bool sync_to_disk(int handle);

struct JournalEntry {
    QString workId;    // column 7; the key
    QString cjId;      // column 9
    QString question;  // column 2
    QString score;     // column 4 as stored
    int userId = 0;    // the teacher who keyed it
};

// A journal file's content read as the constructor reads it: the scores of
// `userId` still unconfirmed, and whether the file must be rewritten (it
// held confirmed, foreign or damaged lines, or ends in a torn one).
struct JournalContent {
    QList<JournalEntry> pending;
    bool rewrite = false;
};
JournalContent read_journal(const QByteArray& content, int userId);

class ScoreJournal final {
public:
    // folder: the session's cache folder (ks_data/<ks_id>/<KM_id>); each
    // teacher has a file of their own there. Reads what an earlier run left
    // and rewrites it without confirmed or torn lines.
    ScoreJournal(const QString& folder, int userId, DiskSync sync = sync_to_disk);
    // Waits for the outstanding sync and rewrite (usually long done).
    ~ScoreJournal();
    ScoreJournal(const ScoreJournal&) = delete;
    ScoreJournal& operator=(const ScoreJournal&) = delete;

    static QString fileName(int userId);  // "scores_<User_ID>.journal"
    QString filePath() const { return path_; }

    // The row's score as now stored; in the file when this returns true, on
    // disk moments later. False also when an earlier sync to disk failed.
    // An empty or non-numeric score withdraws the work id (nothing to send).
    bool record(const JournalEntry& entry);
    // The server has these work ids (saved_ids, or the manual save completed
    // and the next batch arrived).
    bool confirm(const QStringList& workIds);

    // Still unconfirmed, oldest first, the latest score per work id.
    QList<JournalEntry> pending() const { return pending_; }
    bool isPending(const QString& workId) const;
    // The pending scores as score-string elements ("41,7.5;42,8;").
    QString pendingElements() const;

    // The ids of `sent` that a saved_ids reply did not confirm: the server
    // refused them, and the teacher must hear of it.
    static QStringList unconfirmed(const QStringList& sent, const QStringList& saved);

    // The pending entries of these work ids, in journal order.
    QList<JournalEntry> entriesFor(const QStringList& workIds) const;

    QString lastError() const { return error_; }

private:
    void load();
    bool rewrite();
    bool append(const QByteArray& line);
    void removeFromPending(const QString& workId);

    QString folder_;
    QString path_;
    int userId_;
    QList<JournalEntry> pending_;
    std::unique_ptr<JournalFile> file_;
    QString error_;
};

// What the teacher is told about scores the server did not take.
QString refused_scores_message(const QList<JournalEntry>& refused);

}  // namespace marking
