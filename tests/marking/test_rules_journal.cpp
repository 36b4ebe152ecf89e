// The score journal keeps every keyed score until the server confirms it,
// across a fresh object, a torn last line and a killed process.
#include "marking/score_journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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
