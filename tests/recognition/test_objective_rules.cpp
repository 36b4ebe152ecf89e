// The objective sheet's rules: the region reply split into items, the
// answer tables addressed by key, the item scores and the total, a drag of
// the items, the cell under a click, the item file's name, and the answers
// recognised on a sheet.
#include "correction/objective_rules.h"
#include "recognition/shibie.h"

#include <QImage>
#include <QTest>

using namespace correction;

Q_DECLARE_METATYPE(correction::AnswerTable)

namespace {

const QString kRegion4 = QStringLiteral("DAXT,300,500,700,540,4,4,0,1|2|3|4,A|B|C|D,2|2|2|2");

}  // namespace

class ObjectiveRulesTest : public QObject {
    Q_OBJECT

private slots:
    void answerTable_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<AnswerTable>("table");
        const AnswerTable before {{"T9", "Z"}};
        QTest::addColumn<AnswerTable>("previous");
        QTest::newRow("in order") << "T1-A;T2-BD;" << AnswerTable {{"T1", "A"}, {"T2", "BD"}} << before;
        QTest::newRow("out of order, kept as it came")
            << "T3-C;T1-A;T2-;" << AnswerTable {{"T3", "C"}, {"T1", "A"}, {"T2", ""}} << before;
        QTest::newRow("no ';' keeps the previous table") << "T1-A" << before << before;
        QTest::newRow("empty keeps it too") << "" << before << before;
        QTest::newRow("a key without '-' has no answer")
            << "T1;T2-B;" << AnswerTable {{"T1", ""}, {"T2", "B"}} << before;
        QTest::newRow("empty entries dropped") << ";T1-A;;" << AnswerTable {{"T1", "A"}} << before;
        QTest::newRow("only ';'") << ";" << AnswerTable {} << before;
    }
    void answerTable()
    {
        QFETCH(QString, list);
        QFETCH(AnswerTable, table);
        QFETCH(AnswerTable, previous);
        QCOMPARE(answer_table(list, previous), table);
    }

    // Rows are found by key, whatever their position: a list that does not
    // run 1, 2, 3 is read, toggled and written back without moving a row.
    void rowsAreAddressedByKey()
    {
        AnswerTable t = answer_table("T12-A;T3-B;T7-;");
        QCOMPARE(answer_of(t, "T3"), QStringLiteral("B"));
        QCOMPARE(answer_of(t, "T12"), QStringLiteral("A"));
        QCOMPARE(answer_of(t, "T1"), QString());
        toggle_letter(t, "T7", u'C');
        toggle_letter(t, "T3", u'D');
        QCOMPARE(answer_list(t), QStringLiteral("T12-A;T3-BD;T7-C;"));
        toggle_letter(t, "T4", u'A');  // no row yet: one is added at the end
        QCOMPARE(answer_list(t), QStringLiteral("T12-A;T3-BD;T7-C;T4-A;"));
    }

    void toggle_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("letters");  // clicked one after the other
        QTest::addColumn<QString>("result");
        QTest::newRow("marked: removed") << "BD"
                                         << "B"
                                         << "D";
        QTest::newRow("twice: back at the end") << "BD"
                                                << "BB"
                                                << "DB";
        QTest::newRow("unmarked: appended") << "A"
                                            << "C"
                                            << "AC";
        QTest::newRow("every occurrence removed") << "ABA"
                                                  << "A"
                                                  << "B";
        QTest::newRow("case matters") << "a"
                                      << "A"
                                      << "aA";
    }
    void toggle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, letters);
        QFETCH(QString, result);
        AnswerTable t {{"T1", "X"}, {"T2", answer}};
        for (QChar c : letters)
            toggle_letter(t, "T2", c);
        QCOMPARE(t, (AnswerTable {{"T1", "X"}, {"T2", result}}));
    }

    void answerString_data()
    {
        QTest::addColumn<AnswerTable>("table");
        QTest::addColumn<int>("fs_id");
        QTest::addColumn<QString>("text");
        QTest::newRow("two rows") << AnswerTable {{"T1", "A"}, {"T2", "BD"}} << 5312 << "T1='A',T2='BD';5312";
        QTest::newRow("an empty answer") << AnswerTable {{"T1", ""}} << 7 << "T1='';7";
        QTest::newRow("no rows") << AnswerTable {} << 5312 << ";5312";
    }
    void answerString()
    {
        QFETCH(AnswerTable, table);
        QFETCH(int, fs_id);
        QFETCH(QString, text);
        QCOMPARE(answer_string(table, fs_id), text);
    }

    void ckkAverage_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("ckk");
        QTest::newRow("plain, last field unused") << "CKK,250,248,252,999" << 250;
        QTest::newRow("average 250.5 is 250") << "CKK,250,251,x" << 250;
        QTest::newRow("average 251.5 is 252") << "CKK,251,252,x" << 252;
        // 0.4 rounds to 0 before 1 is added: 1 / 2 = 0.5, even 0. Summed
        // first it would be 1.4 / 2 = 0.7, 1.
        QTest::newRow("rounded after each addition") << "CKK,0.4,1,x" << 0;
        QTest::newRow("a value that is no number adds 0") << "CKK,250,abc,x" << 125;
        QTest::newRow("no values") << "CKK,x" << 0;
        // Found by fuzzing: infinities of both signs add up to no number.
        QTest::newRow("values that cancel to no number") << "CKK,1e999,-1e999,x" << 0;
        QTest::newRow("a value beyond any brightness") << "CKK,1e999,x" << 32767;
        QTest::newRow("nothing but the word") << "CKK" << 0;
    }
    void ckkAverage()
    {
        QFETCH(QString, entry);
        QFETCH(int, ckk);
        QCOMPARE(int(ckk_avg(entry)), ckk);
    }

    void splitBox_data()
    {
        QTest::addColumn<QString>("region");
        QTest::addColumn<int>("minX");
        QTest::addColumn<int>("minY");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("four rows") << kRegion4 << 250 << 460
                                   << QStringList {"DAXT,50,40,450,50,1,4,0,1,A|B|C|D,2",
                                          "DAXT,50,50,450,60,1,4,0,2,A|B|C|D,2", "DAXT,50,60,450,70,1,4,0,3,A|B|C|D,2",
                                          "DAXT,50,70,450,80,1,4,0,4,A|B|C|D,2"};
        QTest::newRow("columns, with partial scores")
            << "DXDX,100,100,180,140,4,4,1,5|6|7|8,A|B|C|D,3|3|3|4,1|1|1|2" << 50 << 60
            << QStringList {"DXDX,50,40,70,80,1,4,1,5,A|B|C|D,3,1", "DXDX,70,40,90,80,1,4,1,6,A|B|C|D,3,1",
                   "DXDX,90,40,110,80,1,4,1,7,A|B|C|D,3,1", "DXDX,110,40,130,80,1,4,1,8,A|B|C|D,4,2"};
        QTest::newRow("step 12.5 is 12") << "DAXT,10,10,60,20,4,4,1,1|2|3|4,A|B|C|D,1|1|1|1" << 0 << 0
                                         << QStringList {"DAXT,10,10,22,20,1,4,1,1,A|B|C|D,1",
                                                "DAXT,22,10,34,20,1,4,1,2,A|B|C|D,1",
                                                "DAXT,34,10,46,20,1,4,1,3,A|B|C|D,1",
                                                "DAXT,46,10,58,20,1,4,1,4,A|B|C|D,1"};
        QTest::newRow("step 7.5 is 8") << "DUXT,0,0,15,10,2,2,1,1|2,A|B,2|2,1|1" << 0 << 0
                                       << QStringList {
                                              "DUXT,0,0,8,10,1,2,1,1,A|B,2,1", "DUXT,8,0,16,10,1,2,1,2,A|B,2,1"};
        QTest::newRow("one question: the region itself, moved")
            << "DUXT,300,500,340,540,1,4,0,9,A|B|C|D,3,1" << 250 << 460
            << QStringList {"DUXT,50,40,90,80,1,4,0,9,A|B|C|D,3,1"};
        QTest::newRow("missing scores are empty")
            << "DAXT,0,0,20,20,2,2,0,1|2,A|B,2" << 0 << 0
            << QStringList {"DAXT,0,0,20,10,1,2,0,1,A|B,2", "DAXT,0,10,20,20,1,2,0,2,A|B,"};
        QTest::newRow("too few fields") << "DAXT,300,500,700,540,4,4,0,1|2|3|4" << 0 << 0 << QStringList {};
        QTest::newRow("no questions") << "DAXT,300,500,700,540,0,4,0,1,A|B|C|D,2" << 0 << 0 << QStringList {};
        QTest::newRow("corner no number")
            << "DAXT,x,500,700,540,4,4,0,1|2|3|4,A|B|C|D,2|2|2|2" << 0 << 0 << QStringList {};
        // A count the region does not back with numbers would make that many
        // items (a reply saying 200000000 asked for gigabytes).
        QTest::newRow("more questions than numbers") << "DAXT,0,0,30,30,3,2,0,1|2,A|B,2|2" << 0 << 0 << QStringList {};
        // Found by fuzzing: an infinite corner was made a whole number.
        QTest::newRow("a corner beyond any sheet") << "DAXT,120,290,360,391e308,1,4,0,1,A|B|C|D,2" << 0 << 0
                                                   << QStringList {};
        QTest::newRow("a far corner, many questions") << "DAXT,0,0,3e16,30,2,2,1,1|2,A|B,2|2" << 0 << 0
                                                      << QStringList {};
    }
    void splitBox()
    {
        QFETCH(QString, region);
        QFETCH(int, minX);
        QFETCH(int, minY);
        QFETCH(QStringList, items);
        QCOMPARE(split_box(region, minX, minY), items);
    }

    void readBox_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("hasRegions");
        QTest::addColumn<bool>("hasCKK");
        QTest::addColumn<int>("ckk");
        QTest::addColumn<int>("minX");
        QTest::addColumn<int>("minY");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("regions at x 300 and 420, y 500")
            << "CKK,250,248,252,0;" + kRegion4 + ";DXDX,420,500,460,520,1,4,0,5,A|B|C|D,3,1;tail" << true << true << 250
            << 250 << 460
            << QStringList {"DAXT,50,40,450,50,1,4,0,1,A|B|C|D,2", "DAXT,50,50,450,60,1,4,0,2,A|B|C|D,2",
                   "DAXT,50,60,450,70,1,4,0,3,A|B|C|D,2", "DAXT,50,70,450,80,1,4,0,4,A|B|C|D,2",
                   "DXDX,170,40,210,60,1,4,0,5,A|B|C|D,3,1"};
        QTest::newRow("smallest x 30: minX 1, not -20") << "DAXT,30,20,70,40,1,2,0,1,A|B,2;" << true << false << 0 << 1
                                                        << 1 << QStringList {"DAXT,29,19,69,39,1,2,0,1,A|B,2"};
        QTest::newRow("the corner is the smallest of each, apart")
            << "DAXT,500,100,540,120,1,2,0,1,A|B,2;DAXT,100,500,140,520,1,2,0,2,A|B,2;" << true << false << 0 << 50
            << 60 << QStringList {"DAXT,450,40,490,60,1,2,0,1,A|B,2", "DAXT,50,440,90,460,1,2,0,2,A|B,2"};
        QTest::newRow("no ';': no regions")
            << "选择题的查看和修改尚未开放。" << false << false << 0 << 1 << 1 << QStringList {};
        QTest::newRow("CKK alone") << "CKK,240,x;" << true << true << 240 << 2950 << 2960 << QStringList {};
        QTest::newRow("an entry of another kind is ignored")
            << "XYZ,10,10;" + kRegion4 + ";" << true << false << 0 << 250 << 460
            << QStringList {"DAXT,50,40,450,50,1,4,0,1,A|B|C|D,2", "DAXT,50,50,450,60,1,4,0,2,A|B|C|D,2",
                   "DAXT,50,60,450,70,1,4,0,3,A|B|C|D,2", "DAXT,50,70,450,80,1,4,0,4,A|B|C|D,2"};
        QTest::newRow("the entry after the last ';' is ignored")
            << "DAXT,30,20,70,40,1,2,0,1,A|B,2;DAXT,5,5,9,9,1,2,0,2,A|B,2" << true << false << 0 << 1 << 1
            << QStringList {"DAXT,29,19,69,39,1,2,0,1,A|B,2"};
        QTest::newRow("a corner at the lowest whole number: minX 1, no wrap")
            << "DAXT,-2147483648,0,10,10,1,2,0,1,A|B,2;" << true << false << 0 << 1 << 1
            << QStringList {"DAXT,-2147483649,-1,9,9,1,2,0,1,A|B,2"};
    }
    void readBox()
    {
        QFETCH(QString, reply);
        QFETCH(bool, hasRegions);
        QFETCH(bool, hasCKK);
        QFETCH(int, ckk);
        QFETCH(int, minX);
        QFETCH(int, minY);
        QFETCH(QStringList, items);
        const BoxReply box = read_box(reply);
        QCOMPARE(box.hasRegions, hasRegions);
        QCOMPARE(box.hasCKK, hasCKK);
        QCOMPARE(int(box.CKK), ckk);
        QCOMPARE(box.minX, minX);
        QCOMPARE(box.minY, minY);
        QCOMPARE(items_of(box.item_str), items);
        QCOMPARE(box.item_str, items.isEmpty() ? QString() : items.join(u';') + u';');
    }

    void parseItem()
    {
        const auto multi = parse_item("DXDX,50,40,70,80,1,4,1,5,A|B|C|D,3,1.5");
        QVERIFY(multi);
        QCOMPARE(multi->kind, QStringLiteral("DXDX"));
        QCOMPARE(multi->box.left(), 50);
        QCOMPARE(multi->box.top(), 40);
        QCOMPARE(multi->box.right(), 70);
        QCOMPARE(multi->box.bottom(), 80);
        QCOMPARE(multi->layout, 1);
        QCOMPARE(multi->key(), QStringLiteral("T5"));
        QCOMPARE(multi->letters, (QStringList {"A", "B", "C", "D"}));
        QCOMPARE(multi->full, 3.0);
        QCOMPARE(multi->partial, 1.5);
        QCOMPARE(parse_item("DAXT,0,0,10,10,1,2,0,1,A|B,2,1")->partial, 0.0);
        QVERIFY(!parse_item("DAXT,0,0,10,10,1,2,0,1"));
        QVERIFY(!parse_item("DAXT,0,y,10,10,1,2,0,1,A|B,2"));
    }

    void itemScore_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("standard");
        QTest::addColumn<double>("partial");
        QTest::addColumn<double>("score");
        QTest::newRow("BD of BD: full") << "BD"
                                        << "BD" << 1.0 << 3.0;
        QTest::newRow("DB of BD: full") << "DB"
                                        << "BD" << 1.0 << 3.0;
        QTest::newRow("B of BD: partial") << "B"
                                          << "BD" << 1.0 << 1.0;
        QTest::newRow("BC of BD: 0") << "BC"
                                     << "BD" << 1.0 << 0.0;
        QTest::newRow("C of BD: 0") << "C"
                                    << "BD" << 1.0 << 0.0;
        QTest::newRow("BDA of BD: 0") << "BDA"
                                      << "BD" << 1.0 << 0.0;
        QTest::newRow("empty: 0") << ""
                                  << "BD" << 1.0 << 0.0;
        QTest::newRow("no key: 0") << "B"
                                   << "" << 1.0 << 0.0;
        QTest::newRow("one answer, right") << "A"
                                           << "A" << 0.0 << 3.0;
        QTest::newRow("one answer, wrong") << "B"
                                           << "A" << 0.0 << 0.0;
        QTest::newRow("letters are case-sensitive") << "b"
                                                    << "B" << 0.0 << 0.0;
    }
    void itemScore()
    {
        QFETCH(QString, answer);
        QFETCH(QString, standard);
        QFETCH(double, partial);
        QFETCH(double, score);
        QCOMPARE(kgt_item_fs(answer, standard, 3.0, partial), score);
    }

    // Three items scored by key from tables that list the questions in
    // another order, one of them missing from the student's answers.
    void total()
    {
        const QString items = "DAXT,1,1,41,11,1,4,0,1,A|B|C|D,2;"
                              "DXDX,1,11,41,21,1,4,0,2,A|B|C|D,3,1.5;"
                              "DAXT,1,21,41,31,1,4,0,3,A|B|C|D,2;"
                              "DAXT,1,31";
        const AnswerTable standard = answer_table("T3-C;T2-BD;T1-A;");
        QCOMPARE(total_text(sum_kgt_fs(items, answer_table("T2-B;T1-A;"), standard)), QStringLiteral("3.5"));
        QCOMPARE(total_text(sum_kgt_fs(items, answer_table("T1-A;T2-DB;T3-C;"), standard)), QStringLiteral("7"));
        QCOMPARE(total_text(sum_kgt_fs(items, AnswerTable {}, standard)), QStringLiteral("0"));
        QCOMPARE(total_text(sum_kgt_fs(QString(), answer_table("T1-A;"), standard)), QStringLiteral("0"));
    }

    void totalText_data()
    {
        QTest::addColumn<float>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 12.0f << "12";
        QTest::newRow("half") << 7.5f << "7.5";
        QTest::newRow("zero") << 0.0f << "0";
        QTest::newRow("single sum of tenths") << (0.1f + 0.2f) << "0.3";
        QTest::newRow("large") << 150.5f << "150.5";
    }
    void totalText()
    {
        QFETCH(float, total);
        QFETCH(QString, text);
        QCOMPARE(total_text(total), text);
    }

    void shift_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<QString>("result");  // empty: nothing moves
        const QString moved = "DAXT,15,7,55,17,1,4,0,1,A|B|C|D,2;DXDX,15,17,95,27,1,4,0,2,A|B|C|D,3,1;";
        QTest::newRow("inside") << 5 << -3 << moved;
        QTest::newRow("to the left edge")
            << -9 << 0 << "DAXT,1,10,41,20,1,4,0,1,A|B|C|D,2;DXDX,1,20,81,30,1,4,0,2,A|B|C|D,3,1;";
        QTest::newRow("to the right edge")
            << 20 << 0 << "DAXT,30,10,70,20,1,4,0,1,A|B|C|D,2;DXDX,30,20,110,30,1,4,0,2,A|B|C|D,3,1;";
        QTest::newRow("past the left edge") << -10 << 0 << "";
        QTest::newRow("past the top") << 0 << -10 << "";
        QTest::newRow("past the right edge, second item only") << 21 << 0 << "";
        QTest::newRow("past the bottom") << 0 << 31 << "";
    }
    void shift()
    {
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(QString, result);
        const QString items = "DAXT,10,10,50,20,1,4,0,1,A|B|C|D,2;DXDX,10,20,90,30,1,4,0,2,A|B|C|D,3,1;";
        const auto shifted = shift_items(items, dx, dy, 110, 60);
        QCOMPARE(shifted.has_value(), !result.isEmpty());
        if (shifted)
            QCOMPARE(*shifted, result);
    }

    void cellUnderTheClick_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("key");  // empty: no cell
        QTest::addColumn<QString>("letter");
        // Row items: cells 10 wide from x 10; a stacked item: cells 10 high from y 40.
        QTest::newRow("first cell") << QPoint(15, 15) << "T1"
                                    << "A";
        QTest::newRow("third cell") << QPoint(35, 15) << "T1"
                                    << "C";
        QTest::newRow("on a border between cells") << QPoint(30, 15) << ""
                                                   << "";
        QTest::newRow("on the top border") << QPoint(15, 10) << ""
                                           << "";
        QTest::newRow("just inside the far corner") << QPoint(49, 19) << "T1"
                                                    << "D";
        QTest::newRow("second item, by its key") << QPoint(15, 25) << "T7"
                                                 << "A";
        QTest::newRow("stacked: third cell down") << QPoint(65, 65) << "T12"
                                                  << "C";
        QTest::newRow("outside every item") << QPoint(100, 100) << ""
                                            << "";
    }
    void cellUnderTheClick()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, key);
        QFETCH(QString, letter);
        const QString items = "DAXT,10,10,50,20,1,4,0,1,A|B|C|D,2;"
                              "DXDX,10,20,50,30,1,4,0,7,A|B|C|D,3,1;"
                              "DAXT,60,40,70,80,1,4,1,12,A|B|C|D,2;";
        const auto hit = cell_at(items, point);
        QCOMPARE(hit.has_value(), !key.isEmpty());
        if (hit) {
            QCOMPARE(hit->key, key);
            QCOMPARE(QString(hit->letter), letter);
        }
    }

    void itemFile_data()
    {
        QTest::addColumn<QString>("examNumber");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << "26010101"
                               << "/data/ks_data/1/2/26010101.txt";
        QTest::newRow("blanks trimmed") << "  26010101 "
                                        << "/data/ks_data/1/2/26010101.txt";
        QTest::newRow("Chinese") << "张三"
                                 << "/data/ks_data/1/2/张三.txt";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks only") << "   "
                                     << "";
        QTest::newRow("dot dot") << ".."
                                 << "";
        QTest::newRow("dot") << "."
                             << "";
        QTest::newRow("dot dot inside") << "a..b"
                                        << "";
        QTest::newRow("climbing") << "../../url"
                                  << "";
        QTest::newRow("slash") << "a/b"
                               << "";
        QTest::newRow("backslash") << "a\\b"
                                   << "";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "";
        QTest::newRow("drive") << "C:x"
                               << "";
        QTest::newRow("tab") << "26\t01"
                             << "";
        QTest::newRow("newline") << "26\n01"
                                 << "";
        QTest::newRow("delete") << "26\x7f"
                                   "01"
                                << "";
        QTest::newRow("C1 control") << QString("26") + QChar(0x85) + "01"
                                    << "";
    }
    void itemFile()
    {
        QFETCH(QString, examNumber);
        QFETCH(QString, path);
        QCOMPARE(item_file_path("/data/ks_data/1/2", examNumber), path);
    }

    // The region reply's items read on a sheet drawn for them: the list the
    // screen refills the student's answers from.
    void recogniseEveryItem()
    {
        // Blank 20x24 cells read 256 * 17 * 21 / (16 * 20) = 285.
        const BoxReply box = read_box("CKK,290,290,0;DXDX,300,500,380,548,2,4,0,1|2,A|B|C|D,3|3,1|1;"
                                      "DAXT,420,500,500,524,2,4,0,3|4,A|B|C|D,2|2;");
        QCOMPARE(box.minX, 250);
        QCOMPARE(box.minY, 460);
        QImage sheet(300, 120, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        const auto fill = [&](QPoint p) {
            const auto hit = cell_at(box.item_str, p);
            QVERIFY(hit);
            for (const QString& item : items_of(box.item_str)) {
                if (QStringLiteral("T") + item.section(u',', 8, 8) != hit->key)
                    continue;
                const QRect c = recognition::option_cells(item).at(hit->letter.unicode() - u'A');
                for (int y = c.top(); y <= c.bottom(); ++y)
                    for (int x = c.left(); x <= c.right(); ++x)
                        sheet.setPixel(x, y, qRgb(40, 40, 40));
            }
        };
        fill({55, 45});   // T1 A
        fill({125, 45});  // T1 D
        fill({215, 45});  // T3 C
        recognition::ShiBie sb;
        sb.load_bits(sheet);
        const QString list = recognise_list(sb, box.item_str, box.CKK);
        QCOMPARE(list, QStringLiteral("T1-AD;T2-;T3-C;T4-;"));
        QCOMPARE(answer_list(answer_table(list)), list);
        QCOMPARE(recognise_list(sb, QString(), box.CKK), QString());
    }
};

QTEST_GUILESS_MAIN(ObjectiveRulesTest)
#include "test_objective_rules.moc"
