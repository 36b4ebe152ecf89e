// The objective sheet's pages: the blocks of option boxes and the reference
// brightness, the "00" lookup and its sheet, and the save of corrected
// answers (what it accepts, what it refuses, the history it keeps).
#include "bubble_sheets.h"
#include "demo_data.h"
#include "kgt_answers.h"
#include "server_fixture.h"

#include <QImage>
#include <QTest>

using namespace velmora;

namespace {

// 王欣怡 (26010101) in 数学: result 67, scanned answers worth 37.
constexpr int kResult = 67;
const QString kScanned = "T1-A;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BD;";

std::string box_target(int teacher, int subject = demo::kMath)
{
    return "cj/net_ks_box.asp?ks_id=1&km_id=" + std::to_string(subject) + "&xx_id=1&user_id=" + std::to_string(teacher);
}

std::string st_target(const std::string& kh = "26010101")
{
    return "cj/net_get_st.asp?xx_id=1&ks_id=1&km_id=2&xs_kh=" + kh + "&th=00&js_id=5";
}

std::string save_target(int teacher, const QString& kgt_str)
{
    return "cj/net_save_kgt_fs.asp?ks_id=1&km_id=2&js_id=" + std::to_string(teacher) + "&kgt_str=" + kgt_str.toStdString();
}

QImage sheet_of(TestServer& t, const std::string& ref)
{
    const QString reply = t.text("cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=2&img_txt=" + ref);
    if (!reply.endsWith(",,,,,")) return {};
    return QImage::fromData(QByteArray::fromBase64(reply.chopped(5).toLatin1()), "JPG");
}

// The score between "，得分" and the next "；".
QString score_in(const QString& line)
{
    const qsizetype a = line.indexOf("，得分");
    return a < 0 ? QString() : line.mid(a + 3, line.indexOf("；", a) - a - 3);
}

}  // namespace

class ServerObjectivePagesTest : public QObject {
    Q_OBJECT

private slots:
    // Every objective question sits in exactly one block, with its kind,
    // options and marks; both layouts and both kinds occur; the CKK entry
    // closes the reply.
    void theBlocksCoverEveryObjectiveQuestion_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<int>("questions");
        QTest::newRow("语文") << demo::kChinese << 12;
        QTest::newRow("数学") << demo::kMath << 8;
    }
    void theBlocksCoverEveryObjectiveQuestion()
    {
        QFETCH(int, subject);
        QFETCH(int, questions);
        TestServer t;
        const QStringList entries = t.text(box_target(demo::kChenJing, subject)).split(';');
        QVERIFY(entries.size() >= 3);
        QCOMPARE(entries.last(), QString());  // ends with ";"
        QStringList numbers;
        QSet<QString> layouts, kinds;
        for (const QString& entry : entries.mid(0, entries.size() - 2)) {
            const QStringList f = entry.split(',');
            const bool several = f[0] != "DAXT";
            QCOMPARE(f.size(), several ? 12 : 11);
            const int q = f[5].toInt(), n = f[6].toInt();
            QCOMPARE(f[8].split('|').size(), q);
            QCOMPARE(f[9], QString("A|B|C|D"));
            QCOMPARE(n, 4);
            QCOMPARE(f[10].split('|').size(), q);
            // Cells of 40 by 26 along and across the layout.
            const int w = f[3].toInt() - f[1].toInt(), h = f[4].toInt() - f[2].toInt();
            QCOMPARE(f[7] == "0" ? QSize(w / n, h / q) : QSize(w / q, h / n), QSize(40, 26));
            numbers << f[8].split('|');
            layouts << f[7];
            kinds << f[0];
        }
        QCOMPARE(numbers.size(), questions);
        QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), questions);
        QCOMPARE(layouts, (QSet<QString>{"0", "1"}));
        if (subject == demo::kMath) QCOMPARE(kinds, (QSet<QString>{"DAXT", "DXDX"}));

        const QStringList ckk = entries[entries.size() - 2].split(',');
        QCOMPARE(ckk.first(), QString("CKK"));
        QCOMPARE(ckk.last().toInt(), ckk.size() - 2);  // the count, not read
        for (const QString& v : ckk.mid(1, ckk.size() - 2)) QVERIFY2(v.toInt() > 200 && v.toInt() < 270, qPrintable(v));
    }

    // The crop and the blocks agree: on the served sheet, the darkest cell
    // of each one-answer question of a plainly marked student is the letter
    // recorded, and an unmarked cell reads about the reference brightness.
    void theBlocksLandOnTheBoxesOfTheServedSheet()
    {
        TestServer t;
        const QStringList entries = t.text(box_target(demo::kChenJing)).split(';');
        const QStringList ckk = entries[entries.size() - 2].split(',');
        const int reference = ckk[1].toInt();
        const QString kh = "26010103";  // a sheet with neither faint nor rubbed-out marks
        const QStringList lookup = t.text(st_target(kh.toStdString())).split('=');
        QCOMPARE(lookup.size(), 5);
        const QImage sheet = sheet_of(t, lookup[1].toStdString());
        QVERIFY(!sheet.isNull());
        const QPoint corner(70, 230);  // 50 left of x 120, 40 above y 270
        QCOMPARE(sheet.size(), QSize(1240 - corner.x(), 394 + 40 - corner.y()));  // to 40 below the lowest block

        const kgt::Answers recorded = kgt::read_answer_list(lookup[3].toStdString());
        int unmarked = 0, checked = 0;
        for (const QString& entry : entries.mid(0, entries.size() - 2)) {
            const QStringList f = entry.split(',');
            if (f[0] != "DAXT") continue;
            const QStringList numbers = f[8].split('|');
            for (int k = 0; k < numbers.size(); ++k) {
                const std::string answer = recorded.at(numbers[k].toStdString());
                int darkest = 9999;
                char letter = 0;
                for (int i = 0; i < 4; ++i) {
                    // The cell of question k, option i, in the picture.
                    const int x1 = f[1].toInt() - corner.x(), y1 = f[2].toInt() - corner.y();
                    const QRect cell = f[7] == "0" ? QRect(x1 + i * 40, y1 + k * 26, 40, 26) : QRect(x1 + k * 40, y1 + i * 26, 40, 26);
                    const int v = cell_grey(sheet, cell, 2);
                    if (v < darkest) darkest = v, letter = char('A' + i);
                    if (answer.find(char('A' + i)) == std::string::npos) {
                        QVERIFY2(std::abs(v - reference) <= 8, qPrintable(numbers[k] + QChar('A' + i) + " " + QString::number(v)));
                        ++unmarked;
                    }
                }
                if (answer.size() == 1) {
                    QCOMPARE(QString(QChar(letter)), QString::fromStdString(answer));
                    QVERIFY(reference - darkest > 30);
                    ++checked;
                }
            }
        }
        QVERIFY(checked >= 5);
        QVERIFY(unmarked >= 18);
    }

    void onlyALeaderReadsTheBlocks()
    {
        TestServer t;
        const Fetched f = t.get(box_target(demo::kZhangMing));
        QCOMPARE(f.status, 200);
        // No ";": the client takes nothing for a block; the error phrase
        // makes it show the text.
        QVERIFY2(!f.text.contains(';') && f.text.contains("运行时错误"), qPrintable(f.text));
        t.server().exec_sql("DELETE FROM sheet_regions WHERE subject_id = 2");
        const QString none = t.text(box_target(demo::kChenJing));
        QVERIFY2(!none.contains(';') && !none.contains("运行时错误"), qPrintable(none));
    }

    void theLookupOfTheObjectiveQuestionsHasFiveFields()
    {
        TestServer t;
        const QStringList f = t.text(st_target()).split('=');
        QCOMPARE(f.size(), 5);
        QCOMPARE(f[0], QString("67,1"));
        QCOMPARE(f[1], QString("1\\26010101_00.txt"));
        QCOMPARE(score_in(f[2]), QString("37"));
        QCOMPARE(f[3], kScanned);
        QCOMPARE(f[4], QString("T1-B;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BD;"));
        // A blank answer stays a row of its own.
        t.server().exec_sql("UPDATE results SET objective_answers = 'T1-B;T3-;' WHERE id = 67");
        QCOMPARE(t.text(st_target()).split('=').value(3), QString("T1-B;T2-;T3-;T4-;T5-;T6-;T7-;T8-;"));
    }

    // A save changes the answers it names, scores them again by the item
    // rules, and keeps the history; the next lookup shows it all.
    void aSaveStoresTheAnswersAndScoresThemAgain_data()
    {
        QTest::addColumn<QString>("kgt_str");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("score");
        // Scanned: T1 wrong (0), T2-T6 right (25), T7 AC and T8 BD right (12).
        QTest::newRow("T1 put right") << "T1='B'" << "T1-B;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BD;" << "42";
        QTest::newRow("letters in any order") << "T7='CA'" << kScanned << "37";
        QTest::newRow("a partly right answer") << "T7='A'" << "T1-A;T2-D;T3-A;T4-C;T5-A;T6-B;T7-A;T8-BD;" << "33";
        QTest::newRow("one too many") << "T8='BCD'" << "T1-A;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BCD;" << "31";
        QTest::newRow("a wrong letter") << "T8='BC'" << "T1-A;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BC;" << "31";
        QTest::newRow("blanks") << "T2='',T7=''" << "T1-A;T2-;T3-A;T4-C;T5-A;T6-B;T7-;T8-BD;" << "26";
        QTest::newRow("every question") << "T1='B',T2='D',T3='A',T4='C',T5='A',T6='B',T7='AC',T8='DB'"
                                         << "T1-B;T2-D;T3-A;T4-C;T5-A;T6-B;T7-AC;T8-BD;" << "42";
    }
    void aSaveStoresTheAnswersAndScoresThemAgain()
    {
        QFETCH(QString, kgt_str);
        QFETCH(QString, answers);
        QFETCH(QString, score);
        TestServer t;
        const QString reply = t.text(save_target(demo::kChenJing, kgt_str + ";67"));
        QVERIFY2(reply.startsWith("modify_kgt_ok") && reply.contains(score), qPrintable(reply));
        const QStringList f = t.text(st_target()).split('=');
        QCOMPARE(f.value(3), answers);
        QCOMPARE(score_in(f.value(2)), score);
        const bool changed = answers != kScanned;
        QCOMPARE(f.value(2).contains("修改人：陈静"), changed);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM objective_corrections WHERE result_id = 67 AND teacher_id = 5 "
                                      "AND old_answers = '" + kScanned.toStdString() + "' AND new_answers = '"
                                      + answers.toStdString() + "' AND new_score = " + score.toStdString()),
                 changed ? 1 : 0);
    }

    void eachSaveAddsToTheHistory()
    {
        TestServer t;
        QVERIFY(t.text(save_target(demo::kChenJing, "T1='B';67")).startsWith("modify_kgt_ok"));
        QVERIFY(t.text(save_target(demo::kChenJing, "T1='C';67")).startsWith("modify_kgt_ok"));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM objective_corrections WHERE result_id = 67"), 2);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM objective_corrections WHERE result_id = 67 "
                                      "AND old_answers LIKE 'T1-B;%' AND new_answers LIKE 'T1-C;%' AND old_score = 42 "
                                      "AND new_score = 37"),
                 1);
    }

    // The sheet is the scan: a correction does not redraw it.
    void theSheetShowsTheAnswersAsScanned()
    {
        TestServer plain;
        TestServer corrected;
        QVERIFY(corrected.text(save_target(demo::kChenJing, "T1='B',T7='C';67")).startsWith("modify_kgt_ok"));
        const QString ref = "cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=2&img_txt=1%5C26010101_00.txt";
        const QString before = plain.text(ref.toStdString());
        QVERIFY(before.startsWith("/9j/") && before.endsWith(",,,,,"));
        QCOMPARE(corrected.text(ref.toStdString()), before);
    }

    void aDemoResultWithoutASheetOfRecordGetsOneDrawn()
    {
        TestServer t;
        t.server().exec_sql("UPDATE results SET sheet_image = '' WHERE id = 67");
        QVERIFY(!sheet_of(t, "1%5C26010101_00.txt").isNull());
    }

    void aSheetReferenceThatNamesNoSheetIsNotFound_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("another class") << "km_id=2&img_txt=2%5C26010101_00.txt";
        QTest::newRow("no such student") << "km_id=2&img_txt=1%5C99999999_00.txt";
        QTest::newRow("no such subject") << "km_id=9&img_txt=1%5C26010101_00.txt";
        QTest::newRow("a parent folder") << "km_id=2&img_txt=1%5C..%5C26010101_00.txt";
        QTest::newRow("no class") << "km_id=2&img_txt=%5C26010101_00.txt";
    }
    void aSheetReferenceThatNamesNoSheetIsNotFound()
    {
        QFETCH(QString, query);
        TestServer t;
        const QString reply = t.text("cj/net_down_st.asp?xx_id=1&ks_id=1&" + query.toStdString());
        QVERIFY2(reply.startsWith("img_txt_file:") && reply.endsWith(" not find!,,,,,"), qPrintable(reply));
    }

    void aRefusedSaveStoresNothing_data()
    {
        QTest::addColumn<int>("teacher");
        QTest::addColumn<QString>("kgt_str");
        QTest::addColumn<QString>("why");
        const int leader = demo::kChenJing;
        QTest::newRow("not a leader") << demo::kZhangMing << "T1='B';67" << "学科组长";
        QTest::newRow("a foreign key") << leader << "T99='B';67" << "没有第“99”题";
        QTest::newRow("a subjective question") << leader << "T9='B';67" << "没有第“9”题";
        QTest::newRow("a letter outside the options") << leader << "T1='E';67" << "不是选项";
        QTest::newRow("a small letter") << leader << "T1='b';67" << "不是选项";
        QTest::newRow("a letter twice") << leader << "T7='AA';67" << "重复";
        QTest::newRow("a question twice") << leader << "T1='B',T1='C';67" << "两次";
        QTest::newRow("no quotes") << leader << "T1=B;67" << "不是一道题的答案";
        QTest::newRow("a blank around") << leader << "T1='B'%20;67" << "不是一道题的答案";
        QTest::newRow("a trailing comma") << leader << "T1='B',;67" << "不是一道题的答案";
        QTest::newRow("no record") << leader << "T1='B'" << "答案串应为";
        QTest::newRow("two records") << leader << "T1='B';67;68" << "答案串应为";
        QTest::newRow("record 0") << leader << "T1='B';0" << "记录号";
        QTest::newRow("a negative record") << leader << "T1='B';-67" << "记录号";
        QTest::newRow("another subject's record") << leader << "T1='B';1" << "没有编号为 1 的成绩记录";
        QTest::newRow("no answers") << leader << ";67" << "没有任何试题";
        QTest::newRow("nothing") << leader << "" << "没有收到";
    }
    void aRefusedSaveStoresNothing()
    {
        QFETCH(int, teacher);
        QFETCH(QString, kgt_str);
        QFETCH(QString, why);
        TestServer t;
        const Fetched f = t.get(save_target(teacher, kgt_str));
        QCOMPARE(f.status, 200);
        QVERIFY2(!f.text.contains("modify_kgt_ok") && f.text.contains("运行时错误") && f.text.contains(why),
                 qPrintable(f.text));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM objective_corrections"), 0);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM results WHERE id = 67 AND objective_answers = '"
                                      + kScanned.toStdString() + "'"),
                 1);
    }

    void theItemRules_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("score");
        // Full 6, partial 2.
        QTest::newRow("the key") << "BD" << "BD" << 6.0;
        QTest::newRow("the key, letters turned") << "DB" << "BD" << 6.0;
        QTest::newRow("part of the key") << "B" << "BD" << 2.0;
        QTest::newRow("a wrong letter") << "BC" << "BD" << 0.0;
        QTest::newRow("one too many") << "BDA" << "BD" << 0.0;
        QTest::newRow("blank") << "" << "BD" << 0.0;
        QTest::newRow("no key") << "B" << "" << 0.0;
        QTest::newRow("a wrong one of one") << "C" << "A" << 0.0;
    }
    void theItemRules()
    {
        QFETCH(QString, answer);
        QFETCH(QString, key);
        QFETCH(double, score);
        QCOMPARE(kgt::kgt_item_fs(answer.toStdString(), key.toStdString(), 6, 2), score);
    }
};

QTEST_GUILESS_MAIN(ServerObjectivePagesTest)
#include "test_objective_pages.moc"
