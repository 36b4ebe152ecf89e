// The score journal keeps every keyed score until the server confirms it,
// across a fresh object, a torn last line and a killed process; the disk is
// synced on the journal's own thread, and a rewrite in the background loses
// nothing keyed meanwhile.
#include "marking/score_journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

using namespace marking;

namespace {
JournalEntry entry(const QString& work, const QString& score)
{
    return {work, "c" + work, "3", score, 0};
}

QStringList pendingText(const ScoreJournal& j)
{
    QStringList out;
    for (const JournalEntry& e : j.pending())
        out << e.workId + "=" + e.score;
    return out;
}

// The disk as the journal's syncing thread sees it: every sync waits for a
// permit of the gate, so a test decides when the disk answers.
struct HeldDisk {
    QSemaphore gate;
    std::atomic<int> calls{0};
    std::atomic<bool> failNext{false};
    std::mutex m;
    std::vector<std::thread::id> threads;

    DiskSync sync()
    {
        return [this](int handle) {
            {
                std::lock_guard lock(m);
                threads.push_back(std::this_thread::get_id());
            }
            ++calls;
            // Held on the caller's thread this would never be released: give
            // up so the test fails instead of hanging.
            const bool released = gate.tryAcquire(1, 10000);
            return released && !failNext.exchange(false) && sync_to_disk(handle);
        };
    }

    bool neverOn(std::thread::id id)
    {
        std::lock_guard lock(m);
        return std::find(threads.begin(), threads.end(), id) == threads.end();
    }
};

// What a process starting now would find in the journal file.
QStringList pendingInFile(const QString& path)
{
    QTemporaryDir copy;
    QFile::copy(path, copy.filePath(ScoreJournal::fileName(7)));
    return pendingText(ScoreJournal(copy.path(), 7, [](int) { return true; }));
}

int lineCount(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : -1;
}

// Run as a child: record scores, then die by SIGKILL before anything else.
int childRecordThenKill(const QString& folder)
{
    ScoreJournal j(folder, 7);
    j.record(entry("41", "7.5"));
    j.record(entry("42", "8"));
    j.confirm({"41"});
    j.record(entry("43", "6"));
    std::raise(SIGKILL);
    return 1;
}
}  // namespace

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void keepsUntilConfirmed()
    {
        QTemporaryDir dir;
        {
            ScoreJournal j(dir.path() + "/ks_data/K7/3", 7);
            QVERIFY(j.record(entry("41", "7")));
            QVERIFY(j.record(entry("42", "8")));
            QVERIFY(j.record(entry("41", "7.5")));   // re-keyed: the latest counts
            QVERIFY(j.record(entry("44", "5")));
            QVERIFY(j.record(entry("44", "")));      // deleted again: nothing to send
            QCOMPARE(pendingText(j), (QStringList{"42=8", "41=7.5"}));
            QCOMPARE(j.pendingElements(), QStringLiteral("42,8;41,7.5;"));
        }
        ScoreJournal again(dir.path() + "/ks_data/K7/3", 7);
        QCOMPARE(pendingText(again), (QStringList{"42=8", "41=7.5"}));
        QCOMPARE(again.pending().at(0).cjId, QStringLiteral("c42"));
        QCOMPARE(again.pending().at(0).userId, 7);

        QVERIFY(again.confirm({"41", "99"}));
        QCOMPARE(pendingText(ScoreJournal(dir.path() + "/ks_data/K7/3", 7)), (QStringList{"42=8"}));
        QVERIFY(again.confirm({"42"}));
        QVERIFY(!QFile::exists(again.filePath()));  // nothing left, nothing kept
        QVERIFY(ScoreJournal(dir.path() + "/ks_data/K7/3", 7).pending().isEmpty());
        // Another teacher's journal is another file.
        QVERIFY(ScoreJournal(dir.path() + "/ks_data/K7/3", 8).pending().isEmpty());
    }

    void tornLastLineIsIgnored()
    {
        QTemporaryDir dir;
        QString path;
        {
            ScoreJournal j(dir.path(), 7);
            QVERIFY(j.record(entry("41", "7")));
            QVERIFY(j.record(entry("42", "8")));
            path = j.filePath();
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray bytes = f.readAll();
        f.close();
        bytes.chop(5);  // the second line cut short, as by a crash mid-write
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes + "\ngarbage line\n");
        f.close();

        {
            ScoreJournal j(dir.path(), 7);
            QCOMPARE(pendingText(j), (QStringList{"41=7"}));
            QVERIFY(j.record(entry("43", "9")));  // appends cleanly after the damage
        }
        QCOMPARE(pendingText(ScoreJournal(dir.path(), 7)), (QStringList{"41=7", "43=9"}));
    }

    void survivesSigkill()
    {
        QTemporaryDir dir;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--record-then-kill", dir.path()});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(pendingText(ScoreJournal(dir.path(), 7)), (QStringList{"42=8", "43=6"}));
    }

    // Each score is in the file when record() returns; the disk syncs on
    // the journal's thread, once for all that came while it was busy.
    void syncsOffTheCallersThread()
    {
        QTemporaryDir dir;
        HeldDisk disk;
        {
            ScoreJournal j(dir.path(), 7, disk.sync());
            QVERIFY(j.record(entry("41", "7")));
            QTRY_COMPARE(disk.calls.load(), 1);  // held
            QVERIFY(j.record(entry("42", "8")));
            QVERIFY(j.confirm({"41"}));
            QVERIFY(j.record(entry("43", "6")));
            QCOMPARE(pendingInFile(j.filePath()), (QStringList{"42=8", "43=6"}));
            QCOMPARE(disk.calls.load(), 1);
            disk.gate.release();
            QTRY_COMPARE(disk.calls.load(), 2);  // the three that waited, at once
            disk.gate.release(100);
        }
        QCOMPARE(disk.calls.load(), 2);
        QVERIFY(disk.neverOn(std::this_thread::get_id()));
    }

    // A sync that failed is told by the next call, once.
    void failedSyncIsTold()
    {
        QTemporaryDir dir;
        HeldDisk disk;
        disk.failNext = true;
        ScoreJournal j(dir.path(), 7, disk.sync());
        QVERIFY(j.record(entry("41", "7")));
        QTRY_COMPARE(disk.calls.load(), 1);
        QVERIFY(j.record(entry("42", "8")));  // the failing sync is still out
        disk.gate.release();
        QTRY_COMPARE(disk.calls.load(), 2);  // the next one began: the failure is known
        QVERIFY(!j.record(entry("43", "9")));
        QVERIFY(!j.lastError().isEmpty());
        QVERIFY(j.record(entry("44", "6")));
        QCOMPARE(pendingText(j), (QStringList{"41=7", "42=8", "43=9", "44=6"}));
        disk.gate.release(100);
    }

    // The opening rewrites a journal with confirmed lines short, aside and
    // in the background: scores keyed meanwhile are in the file at every
    // moment and follow the rewritten part, the latest last.
    void rewriteKeepsWhatIsKeyedMeanwhile()
    {
        QTemporaryDir dir;
        QString path;
        {
            ScoreJournal j(dir.path(), 7);
            j.record(entry("41", "7"));
            j.record(entry("42", "8"));
            j.record(entry("43", "5"));
            j.confirm({"43"});
            path = j.filePath();
        }
        QCOMPARE(lineCount(path), 4);
        HeldDisk disk;
        {
            ScoreJournal j(dir.path(), 7, disk.sync());
            QTRY_COMPARE(disk.calls.load(), 1);  // the rewrite waits for the disk
            QVERIFY(j.record(entry("41", "9")));
            QVERIFY(j.record(entry("44", "6")));
            QCOMPARE(pendingInFile(path), (QStringList{"42=8", "41=9", "44=6"}));
            disk.gate.release(100);
        }
        QCOMPARE(lineCount(path), 4);  // two rewritten, two keyed meanwhile
        QCOMPARE(pendingInFile(path), (QStringList{"42=8", "41=9", "44=6"}));
        QVERIFY(!QFile::exists(path + ".new"));
    }

    // Everything confirmed while the rewrite waits: the file goes at once,
    // and the stale rewrite does not bring it back.
    void removalOvertakesRewrite()
    {
        QTemporaryDir dir;
        QString path;
        {
            ScoreJournal j(dir.path(), 7);
            j.record(entry("41", "7"));
            j.record(entry("42", "8"));
            j.confirm({"42"});
            path = j.filePath();
        }
        HeldDisk disk;
        {
            ScoreJournal j(dir.path(), 7, disk.sync());
            QTRY_COMPARE(disk.calls.load(), 1);
            QVERIFY(j.confirm({"41"}));
            QVERIFY(!QFile::exists(path));
            disk.gate.release(100);
        }
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + ".new"));
    }

    void unconfirmedIds()
    {
        QCOMPARE(ScoreJournal::unconfirmed({"41", "42", "43"}, {"41", "43"}), QStringList{"42"});
        QCOMPARE(ScoreJournal::unconfirmed({"41"}, {}), QStringList{"41"});
        QVERIFY(ScoreJournal::unconfirmed({"41"}, {"41", "50"}).isEmpty());

        QTemporaryDir dir;
        ScoreJournal j(dir.path(), 7);
        j.record(entry("41", "7"));
        j.record(entry("42", "9"));
        const QList<JournalEntry> refused = j.entriesFor(ScoreJournal::unconfirmed({"41", "42"}, {"41"}));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused_scores_message(refused),
                 QStringLiteral("以下得分服务器没有接受：\r第 3 题（成绩记录 c42）得分 9\r\r请检查这些试题的得分后重新输入。"));
        // Many refusals: ten lines and the count.
        QList<JournalEntry> many;
        for (int i = 0; i < 12; ++i)
            many << entry(QString::number(50 + i), "1");
        const QString text = refused_scores_message(many);
        QCOMPARE(text.count("\r第 "), 10);
        QVERIFY(text.endsWith("\r……共 12 个得分\r\r请检查这些试题的得分后重新输入。"));
    }

    void unwritableFolderIsReported()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ScoreJournal j(dir.path() + "/file/sub", 7);  // a folder that can't exist
        QVERIFY(!j.record(entry("41", "7")));
        QVERIFY(!j.lastError().isEmpty());
        QCOMPARE(pendingText(j), QStringList{"41=7"});  // still known for the close-time flush
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--record-then-kill")
        return childRecordThenKill(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    JournalTest t;
    return QTest::qExec(&t, argc, argv);
}
#include "test_rules_journal.moc"
