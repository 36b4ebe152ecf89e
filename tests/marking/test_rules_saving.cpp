// The score string of both saves, the closed-exam message, the saved_ids
// reply and the progress bar.
#include "app/session.h"
#include "marking/requests.h"
#include "marking/saving.h"

#include <QTest>

using namespace marking;

class SavingTest : public QObject {
    Q_OBJECT
private slots:
    void manualSave()
    {
        const QList<SaveRow> rows{
            {"10", "7.5", "41", "0"},
            {"8", "8", "42", "0"},
            {"8", "", "43", "0"},      // not scored
            {"8", "6", "44", "1"},     // saved already
            {"8", "abc", "45", "0"},   // not a number
        };
        const ManualSave m = build_manual_save(rows);
        QCOMPARE(m.badRow, 0);
        QCOMPARE(m.fs_str, QStringLiteral("0,;41,7.5;42,8;"));
        QCOMPARE(m.workIds, (QStringList{"41", "42"}));

        // Nothing scored: "0,;" alone still goes out (and the next batch follows).
        QCOMPARE(build_manual_save({{"8", "", "43", "0"}}).fs_str, QStringLiteral("0,;"));
        QVERIFY(build_auto_save({{"8", "", "43", "0"}}).elements.isEmpty());
    }

    void overFullStopsOnlyTheManualSave()
    {
        const QList<SaveRow> rows{{"10", "7", "41", "0"}, {"8", "8.5", "42", "0"}, {"8", "9", "43", "0"}};
        const ManualSave m = build_manual_save(rows);
        QCOMPARE(m.badRow, 2);
        QCOMPARE(m.message, QStringLiteral("第 2 行试题得分输入错误！请更正....."));
        QVERIFY(m.fs_str.isEmpty() && m.workIds.isEmpty());

        const AutoSave a = build_auto_save(rows);
        QCOMPARE(a.elements, QStringLiteral("41,7;42,8.5;43,9;"));
        QCOMPARE(a.workIds, (QStringList{"41", "42", "43"}));
        // Single precision: 7.7 is within a full mark of 7.7.
        QCOMPARE(build_manual_save({{"7.7", "7.7", "1", "0"}}).badRow, 0);
    }

    void addressesAndTexts()
    {
        app::Session s;
        s.Server_URL = "http://127.0.0.1:9090/";
        s.ks_id = "K7";
        s.KM_id = 3;
        s.User_ID = 40001;
        s.JS_Name = "张 老师";
        QCOMPARE(manual_save_url(s, "0,;41,7.5;"),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_save_fs.asp?ks_id=K7&km_id=3&js_id=40001"
                                "&js_name=%D5%C5+%C0%CF%CA%A6&fs_str=0,;41,7.5;"));
        QCOMPARE(auto_save_url(s, "41,7.5;"),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_save_fs.asp?auto_save=1&ks_id=K7&km_id=3&js_id=40001"
                                "&js_name=%D5%C5+%C0%CF%CA%A6&fs_str=0,;41,7.5;"));
        QCOMPARE(closed_exam_message(),
                 QStringLiteral("    本考试阅卷已经完成，对学生试题得分的修改不能保存！\r\r"
                                "    若需修改试题得分，请通知此次考试创建人开通阅卷功能。    "));
    }

    void markSaved_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("used");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("two ids") << "saved_ids=41,42" << true << QStringList{"41", "42"};
        QTest::newRow("none") << "saved_ids=" << true << QStringList{};
        QTest::newRow("other reply") << "error: not saved" << false << QStringList{};
        QTest::newRow("empty reply") << "" << false << QStringList{};
        QTest::newRow("trailing comma and line end") << "saved_ids=41,\r\n" << true << QStringList{"41"};
        QTest::newRow("exact text, no number reading") << "saved_ids=041" << true << QStringList{"041"};
    }
    void markSaved()
    {
        QFETCH(QString, reply);
        QFETCH(bool, used);
        const std::optional<QStringList> ids = mark_saved(reply);
        QCOMPARE(ids.has_value(), used);
        if (used)
            QTEST(*ids, "ids");
    }

    // The manual save's reply of the reference server names what it stored.
    void savedIdsIn_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("manual reply") << "save_ok;saved_ids=41,42;refused_ids=43;" << true << QStringList{"41", "42"};
        QTest::newRow("automatic reply") << "saved_ids=41" << true << QStringList{"41"};
        QTest::newRow("none stored") << "save_ok;saved_ids=;refused_ids=41;" << true << QStringList{};
        QTest::newRow("no list") << "ok" << false << QStringList{};
    }
    void savedIdsIn()
    {
        QFETCH(QString, reply);
        QFETCH(bool, listed);
        const std::optional<QStringList> ids = saved_ids_in(reply);
        QCOMPARE(ids.has_value(), listed);
        if (listed)
            QTEST(*ids, "ids");
    }

    void progress_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("work");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("bar");
        QTest::newRow("3 of 8") << 3 << 8 << "37.50%" << 37;
        QTest::newRow("none done: bar at its minimum") << 0 << 8 << "0.00%" << 1;
        QTest::newRow("all done") << 8 << 8 << "100.00%" << 100;
        QTest::newRow("more than the work") << 12 << 8 << "150.00%" << 100;
        // Shares that single precision can't hold exactly: bar and label agree.
        QTest::newRow("29 of 100") << 29 << 100 << "29.00%" << 29;
        QTest::newRow("57 of 100") << 57 << 100 << "57.00%" << 57;
        QTest::newRow("1 of 3") << 1 << 3 << "33.33%" << 33;
    }
    void progress()
    {
        QFETCH(int, done);
        QFETCH(int, work);
        const std::optional<ProgressValue> v = show_progress(done, work);
        QVERIFY(v);
        QTEST(v->label5, "label");
        QTEST(v->bar, "bar");
    }

    void progressWithoutWork()
    {
        QVERIFY(!show_progress(3, 0));
    }
};

QTEST_GUILESS_MAIN(SavingTest)
#include "test_rules_saving.moc"
