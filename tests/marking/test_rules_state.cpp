// The marking screen's state machines: which image the prefetch fetches
// next, and what a save's reply confirms.
#include "marking/answer_list_model.h"
#include "marking/prefetch.h"
#include "marking/save_tracker.h"
#include "marking/score_journal.h"

#include <QTemporaryDir>
#include <QTest>

using namespace marking;

namespace {

// A row written "n" (has its image), "m" (missing), "x" (unsafe name), with
// "+" when it holds a score: "n+ m x".
QList<PrefetchRow> rows_of(const QString& cells)
{
    QList<PrefetchRow> rows;
    int i = 0;
    for (const QString& cell : cells.split(u' ', Qt::SkipEmptyParts)) {
        ++i;
        PrefetchRow r;
        r.needsImage = cell.startsWith(u'm') || cell.startsWith(u'x') || cell.startsWith(u'c');
        r.name = QStringLiteral("r%1.gif").arg(i);
        r.path = cell.startsWith(u'x') ? QString() : QStringLiteral("/cache/r%1.gif").arg(i);
        r.scored = cell.endsWith(u'+');
        rows << r;
    }
    return rows;
}

// Buffer rows "work id,score,flag".
void fill(AnswerListModel& list, const QStringList& rows)
{
    list.reset();
    for (const QString& line : rows) {
        const QStringList f = line.split(u',');
        const int r = list.rows() + 1;
        list.appendRow({});
        list.setText(r, Col::RowNo, QString::number(r));
        list.setText(r, Col::FullMark, QStringLiteral("10"));
        list.setText(r, Col::WorkId, f.at(0));
        list.setText(r, Col::CjId, f.at(0));
        list.setText(r, Col::Question, QStringLiteral("3"));
        list.setText(r, Col::Score, f.at(1));
        list.setText(r, Col::Flag, f.at(2));
    }
}

void keyed(ScoreJournal& journal, const QString& workId, const QString& score)
{
    QVERIFY(journal.record({workId, workId, QStringLiteral("3"), score, 0}));
}

QStringList pending_ids(const ScoreJournal& journal)
{
    QStringList ids;
    for (const JournalEntry& e : journal.pending())
        ids << e.workId + u'=' + e.score;
    return ids;
}

}  // namespace

class StateMachinesTest : public QObject {
    Q_OBJECT
private slots:
    // "c" is a missing row whose file turns out to be cached; "f" paths failed before.
    void prefetch_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("failed");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<int>("download");
        QTest::addColumn<bool>("waits");
        QTest::addColumn<QList<int>>("nowCached");
        QTest::addColumn<QStringList>("unsafe");
        QTest::addColumn<int>("scored");

        QTest::newRow("first missing row") << "n+ n+ m m+" << QStringList() << false << 3 << false << QList<int>() << QStringList() << 2;
        QTest::newRow("found in the cache") << "c m" << QStringList() << false << 2 << false << QList<int>{1} << QStringList() << 0;
        QTest::newRow("busy channel waits") << "n+ m" << QStringList() << true << 0 << true << QList<int>() << QStringList() << 1;
        QTest::newRow("a failed image holds nothing up")
            << "m+ m" << QStringList{"/cache/r1.gif"} << false << 2 << false << QList<int>() << QStringList() << 1;
        QTest::newRow("an unsafe name is passed over")
            << "x m" << QStringList() << false << 2 << false << QList<int>() << QStringList{"r1.gif"} << 0;
        QTest::newRow("everything cached") << "n+ n n+" << QStringList() << false << 0 << false << QList<int>() << QStringList() << 2;
        QTest::newRow("empty list") << "" << QStringList() << false << 0 << false << QList<int>() << QStringList() << 0;
    }

    void prefetch()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, failed);
        QFETCH(bool, busy);
        PrefetchChoice choice;
        for (const QString& p : failed)
            choice.failed(p);
        const QList<PrefetchRow> list = rows_of(rows);
        QSet<QString> cachedPaths;
        const QStringList cells = rows.split(u' ', Qt::SkipEmptyParts);
        for (int i = 0; i < cells.size(); ++i) {
            if (cells.at(i).startsWith(u'c'))
                cachedPaths << list.at(i).path;
        }
        const PrefetchStep s = choice.next(list, busy, [&](const QString& p) { return cachedPaths.contains(p); });
        QTEST(s.download, "download");
        QTEST(s.waits, "waits");
        QTEST(s.nowCached, "nowCached");
        QTEST(s.unsafeNames, "unsafe");
        QTEST(s.scored, "scored");
    }

    void prefetchAsksAgainAfterRetryOrRefill()
    {
        PrefetchChoice choice;
        const QList<PrefetchRow> list = rows_of("m");
        auto none = [](const QString&) { return false; };
        choice.failed("/cache/r1.gif");
        QCOMPARE(choice.next(list, false, none).download, 0);
        choice.retry("/cache/r1.gif");
        QCOMPARE(choice.next(list, false, none).download, 1);
        choice.failed("/cache/r1.gif");
        choice.clear();
        QCOMPARE(choice.next(list, false, none).download, 1);
    }

    // The automatic save confirms a score only while it is the one sent: a
    // score keyed again while the save was out waits for its own save.
    void autoSaveConfirmsWhatWasSent()
    {
        QTemporaryDir dir;
        AnswerListModel buffer(ListKind::Buffer);
        ScoreJournal journal(dir.path(), 5);
        SaveTracker tracker(buffer);
        tracker.setJournal(&journal);
        fill(buffer, {"41,7,0", "42,8,0", "43,,0"});
        keyed(journal, "41", "7");
        keyed(journal, "42", "8");

        const std::optional<SaveTracker::Outgoing> out = tracker.nextAutoSave();
        QVERIFY(out);
        QCOMPARE(out->elements, QString("41,7;42,8;"));
        tracker.autoSaveSent(out->sent);
        buffer.setText(2, Col::Score, "9");  // keyed again while the save is out
        keyed(journal, "42", "9");

        QVERIFY(tracker.autoSaveReplied("saved_ids=41,42").isEmpty());
        QCOMPARE(buffer.text(1, Col::Flag), QString("1"));
        QCOMPARE(buffer.text(2, Col::Flag), QString("0"));
        QCOMPARE(pending_ids(journal), QStringList{"42=9"});
    }

    // A batch that replaced the list before its save came back: the journal's
    // score goes with the next automatic save.
    void autoSaveCarriesEarlierBatches()
    {
        QTemporaryDir dir;
        AnswerListModel buffer(ListKind::Buffer);
        ScoreJournal journal(dir.path(), 5);
        SaveTracker tracker(buffer);
        tracker.setJournal(&journal);
        keyed(journal, "30", "4");
        fill(buffer, {"41,,0"});
        const std::optional<SaveTracker::Outgoing> out = tracker.nextAutoSave();
        QVERIFY(out);
        QCOMPARE(out->elements, QString("30,4;"));
        fill(buffer, {"41,,0"});
        QVERIFY(!SaveTracker(buffer).nextAutoSave());  // nothing keyed, no journal: nothing to send
    }

    // The manual save's reply names nothing: the next batch confirms it. A
    // refusal is told once, and not sent again.
    void manualSaveAndRefusals()
    {
        QTemporaryDir dir;
        AnswerListModel buffer(ListKind::Buffer);
        ScoreJournal journal(dir.path(), 5);
        SaveTracker tracker(buffer);
        tracker.setJournal(&journal);
        fill(buffer, {"41,7,0", "42,11,0"});
        QCOMPARE(tracker.startManualSave().badRow, 2);  // over the full mark: nothing goes
        buffer.setText(2, Col::Score, "6");
        keyed(journal, "41", "7");
        keyed(journal, "42", "6");
        const ManualSave m = tracker.startManualSave();
        QCOMPARE(m.fs_str, QString("0,;41,7;42,6;"));

        QVERIFY(tracker.batchArrived().isEmpty());  // no reply yet: nothing settled
        QCOMPARE(journal.pending().size(), 2);
        QVERIFY(tracker.manualSaveReplied("save_ok").isEmpty());
        QVERIFY(tracker.batchArrived().isEmpty());
        QVERIFY(journal.pending().isEmpty());

        keyed(journal, "43", "5");
        fill(buffer, {"43,5,0"});
        tracker.startManualSave();
        const QList<JournalEntry> refused = tracker.manualSaveReplied("save_ok;saved_ids=;");
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().workId, QString("43"));
        QVERIFY(journal.pending().isEmpty());  // told, not sent again
        tracker.startManualSave();
        QVERIFY(tracker.manualSaveReplied("save_ok;saved_ids=;").isEmpty());  // told once
    }

    void journalSend()
    {
        QTemporaryDir dir;
        AnswerListModel buffer(ListKind::Buffer);
        ScoreJournal journal(dir.path(), 5);
        SaveTracker tracker(buffer);
        QVERIFY(tracker.startJournalSend().isEmpty());  // no journal
        tracker.setJournal(&journal);
        QVERIFY(tracker.startJournalSend().isEmpty());  // nothing pending
        keyed(journal, "41", "7");
        fill(buffer, {"41,7,0"});
        QCOMPARE(tracker.startJournalSend(), QString("41,7;"));
        QVERIFY(tracker.journalReplied("busy").isEmpty());
        QCOMPARE(journal.pending().size(), 1);
        QVERIFY(tracker.journalReplied("saved_ids=41").isEmpty());
        QCOMPARE(buffer.text(1, Col::Flag), QString("1"));
        QVERIFY(journal.pending().isEmpty());
    }
};

QTEST_GUILESS_MAIN(StateMachinesTest)
#include "test_rules_state.moc"
