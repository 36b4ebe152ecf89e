// The objective half of the correction screen against the stub server: the
// sheet with its outlines, marks and ticks, the refusals, recognition, the
// hand correction and the dragging of the regions, and the objective save.
#include "correction/correction_form.h"
#include "correction/objective_sheet.h"
#include "correction/sheet_view.h"
#include "protocol_examples.h"
#include "screen_test.h"
#include "test_images.h"
#include "ui/image_page_view.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <algorithm>

using correction::CorrectionForm;
using correction::SheetCanvas;

namespace {

// The regions of the sheet as the server keeps them, on the whole page:
// questions 1 and 2 as rows of A to D, question 3 with several answers,
// questions 4 and 5 as columns of options stacked down. The picture is the
// page cropped 50 left of and 40 above the first region (at 100, 100).
const QString kRegions = QStringLiteral(
    "DAXT,100,100,340,180,2,4,0,1|2,A|B|C|D,2|2;"
    "DXDX,100,200,340,240,1,4,0,3,A|B|C|D,4,2;"
    "DAXT,400,100,480,260,2,4,1,4|5,A|B|C|D,2|2;"
    "CKK,260,260,0;");

// The cells on the picture: rows of 60×40 for questions 1 to 3, columns of
// 40×40 for questions 4 and 5.
QRect cell(int question, int option)
{
    switch (question) {
    case 1: return {50 + 60 * option, 40, 60, 40};
    case 2: return {50 + 60 * option, 80, 60, 40};
    case 3: return {50 + 60 * option, 140, 60, 40};
    case 4: return {350, 40 + 40 * option, 40, 40};
    default: return {390, 40 + 40 * option, 40, 40};
    }
}

// A cropped sheet of 500×260 with the given (question, option) cells
// filled in; every question answered as the key says by default.
QByteArray sheet_bytes(const QList<QPair<int, int>>& marks = {{1, 1}, {2, 2}, {3, 1}, {3, 3}, {4, 0}, {5, 3}})
{
    QImage img(500, 260, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    for (const auto& [q, o] : marks)
        p.fillRect(cell(q, o).adjusted(4, 4, -4, -4), QColor(40, 40, 40));
    p.end();
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// The student as the server has them (total 6: 1 right, 2 wrong, 3 partly,
// 4 right, 5 blank) and the key.
const QString kLookup = QStringLiteral(
    "5312,1=1\\26010203_00.txt=选择题，得分6；阅卷人：识别；"
    "=T1-B;T2-A;T3-B;T4-A;T5-;=T1-B;T2-C;T3-BD;T4-A;T5-D;");

struct Fixture : testsupport::ScreenTest {
    std::unique_ptr<CorrectionForm> form;

    Fixture()
    {
        ui::ImagePageView::setWebContentEnabled(false);
        chooseExam(QStringLiteral("陈静"));
        stub.setReply("net_get_th.asp", QStringLiteral("x,3,00"));
        stub.setReply("net_get_st.asp", kLookup);
        stub.setReply("net_down_st.asp", testsupport::image_reply(sheet_bytes()));
        stub.setReply("net_ks_box.asp", kRegions);
        stub.setReply("net_save_kgt_fs.asp", QStringLiteral("modify_kgt_ok"));
    }

    // Opens the screen on the objective questions.
    void open()
    {
        form = std::make_unique<CorrectionForm>(t.services);
        form->show();
        QTRY_VERIFY(form->findChild<QRadioButton*>("WorkBJ_1"));
        QTRY_VERIFY(!form->webBrowser1().busy());
        QTest::mouseClick(control<QWidget>(*form, "ST_TH_1"), Qt::LeftButton);
        QCOMPARE(form->state().cur_th, QStringLiteral("00"));
    }

    // Looks the student up and waits for the page that ends the lookup.
    void lookUp(const QString& examNumber = QStringLiteral("26010203"), const QString& lastPage = "net_ks_box.asp")
    {
        edit("Text1")->setText(examNumber);
        const qsizetype before = stub.requestsFor(lastPage).size();
        press("Command1");
        QTRY_COMPARE(stub.requestsFor(lastPage).size(), before + 1);
        QTRY_VERIFY(!form->webBrowser1().busy());
    }

    QLineEdit* edit(const char* name) const { return control<QLineEdit>(*form, name); }
    void press(const char* name) const { control<QAbstractButton>(*form, name)->click(); }
    void tick(const char* name, bool on = true) const { control<QCheckBox>(*form, name)->setChecked(on); }
    SheetCanvas& canvas() const { return *control<SheetCanvas>(*form, "Picture2"); }
    QString items() const { return form->sheet().item_str(); }
    QString total() const { return edit("Text2")->text(); }
    QString cacheFolder() const { return t.paths.programDir() + QStringLiteral("/ks_data/7/2"); }

    // The mouse on the sheet, in the picture's pixels.
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) const
    {
        QMouseEvent e(type, at, canvas().mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas(), &e);
    }
    void click(QPoint at) const { drag(at, {}); }
    // Press at `from`, move through `moves` with the left button held, release at the last.
    void drag(QPoint from, const QList<QPoint>& moves) const
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (const QPoint& p : moves)
            mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, moves.isEmpty() ? from : moves.last(), Qt::LeftButton, Qt::NoButton);
    }
};

QList<QRect> cells_of(const QList<QPair<int, int>>& list)
{
    QList<QRect> out;
    for (const auto& [q, o] : list)
        out << cell(q, o);
    return out;
}

// In reading order: a letter put back by hand goes to the end of its answer.
QList<QRect> sorted(QList<QRect> rects)
{
    std::sort(rects.begin(), rects.end(),
              [](const QRect& a, const QRect& b) { return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x()); });
    return rects;
}

}  // namespace

class CorrectionSheetTest : public QObject {
    Q_OBJECT

private slots:
    void theSheetShowsItsItemsAndTheLoadedAnswers()
    {
        Fixture f;
        f.open();
        f.lookUp();
        QCOMPARE(f.stub.lastRequestFor("net_ks_box.asp"),
                 QByteArray("/cj/net_ks_box.asp?ks_id=7&km_id=2&xx_id=1&user_id=5"));
        QVERIFY(f.canvas().isVisible());
        QCOMPARE(f.canvas().size(), QSize(500, 260));
        QVERIFY(!f.control<QWidget>(*f.form, "WebBrowser2")->isVisible());
        for (const char* name : {"Command3", "Check1", "Check2"})
            QVERIFY2(f.control<QWidget>(*f.form, name)->isVisible(), name);
        QCOMPARE(f.form->sheet().CKK(), qint16(260));
        QCOMPARE(f.items(), QStringLiteral("DAXT,50,40,290,80,1,4,0,1,A|B|C|D,2;DAXT,50,80,290,120,1,4,0,2,A|B|C|D,2;"
                                           "DXDX,50,140,290,180,1,4,0,3,A|B|C|D,4,2;"
                                           "DAXT,350,40,390,200,1,4,1,4,A|B|C|D,2;"
                                           "DAXT,390,40,430,200,1,4,1,5,A|B|C|D,2;"));
        QList<QRect> outlines;
        for (int q = 1; q <= 5; ++q)
            for (int o = 0; o < 4; ++o)
                outlines << cell(q, o);
        QCOMPARE(f.canvas().outlines(), outlines);
        // The answers of the lookup, not yet read from the sheet; a tick
        // where one is right: (x2 - 20, y2 - 20) on a row, x2 - 18 on a column.
        QCOMPARE(f.canvas().markers(), cells_of({{1, 1}, {2, 0}, {3, 1}, {4, 0}}));
        QCOMPARE(f.canvas().ticks(), (QList<QPoint>{{270, 60}, {372, 180}}));
        QCOMPARE(f.total(), QStringLiteral("6"));
        QVERIFY(f.messages().isEmpty());

        // A written question afterwards puts the page display back.
        QTest::mouseClick(f.control<QWidget>(*f.form, "ST_TH_0"), Qt::LeftButton);
        QTRY_VERIFY(!f.form->webBrowser1().busy() && f.stub.lastRequestFor("net_get_st.asp").contains("&th=3&"));
        QTRY_VERIFY(f.control<QWidget>(*f.form, "WebBrowser2")->isVisible());
        QVERIFY(!f.canvas().isVisible());
        for (const char* name : {"Command3", "Check1", "Check2"})
            QVERIFY2(!f.control<QWidget>(*f.form, name)->isVisible(), name);
        QVERIFY(f.items().isEmpty());
    }

    void recognitionReadsTheSheetIntoTheTotal()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.press("Command3");
        QCOMPARE(f.total(), QStringLiteral("12"));
        QCOMPARE(correction::answer_list(f.form->sheet().kgt_ans()), QStringLiteral("T1-B;T2-C;T3-BD;T4-A;T5-D;"));
        QCOMPARE(f.canvas().markers(), cells_of({{1, 1}, {2, 2}, {3, 1}, {3, 3}, {4, 0}, {5, 3}}));
        QCOMPARE(f.canvas().ticks().size(), 5);
    }

    void noRegionsIsToldAndNothingIsDrawn()
    {
        Fixture f;
        f.stub.setReply("net_ks_box.asp", QStringLiteral("no regions"));
        f.open();
        f.lookUp();
        QTRY_COMPARE(f.messages(), QStringList{QStringLiteral("此科目的识别、裁剪区块没有设置！\r\r此步骤不能进行!")});
        QVERIFY(f.items().isEmpty());
        QVERIFY(f.canvas().outlines().isEmpty() && f.canvas().markers().isEmpty());
        // Recognition and the total do nothing; the score of the lookup stays.
        f.press("Command3");
        QCOMPARE(f.total(), QStringLiteral("6"));
        // And the save sends the answers as they were looked up.
        f.press("Command2");
        QTRY_COMPARE(f.stub.requestsFor("net_save_kgt_fs.asp").size(), 1);
        QVERIFY(f.stub.lastRequestFor("net_save_kgt_fs.asp").contains("T1='B',T2='A',T3='B',T4='A',T5='';5312"));
    }

    void aPictureThatCannotBeReadAsksForNoRegions()
    {
        Fixture f;
        f.stub.setReply("net_down_st.asp", testsupport::image_reply("no picture at all"));
        f.open();
        f.lookUp("26010203", "net_down_st.asp");
        const QString path = f.cacheFolder() + QStringLiteral("/26010203_00.gif");
        QTRY_COMPARE(f.messages(), QStringList{QStringLiteral("读取文件：") + path + QStringLiteral("出错！")});
        QVERIFY(f.stub.requestsFor("net_ks_box.asp").isEmpty());
        QVERIFY(!f.canvas().isVisible());
    }

    void aClickTogglesTheOptionAndTheTotal_data()
    {
        QTest::addColumn<int>("question");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("once");
        QTest::addColumn<QString>("answer");
        QTest::newRow("a blank answer gets D") << 5 << 3 << "8" << "D";
        QTest::newRow("a right answer loses B") << 1 << 1 << "4" << "";
        QTest::newRow("a partial answer gets D") << 3 << 3 << "8" << "BD";
        QTest::newRow("a column question loses A") << 4 << 0 << "4" << "";
    }
    void aClickTogglesTheOptionAndTheTotal()
    {
        QFETCH(int, question);
        QFETCH(int, option);
        QFETCH(QString, once);
        QFETCH(QString, answer);
        Fixture f;
        f.open();
        f.lookUp();
        const QList<QRect> before = f.canvas().markers();
        f.tick("Check2");
        const QString key = QStringLiteral("T%1").arg(question);
        f.click(cell(question, option).center());
        QCOMPARE(f.total(), once);
        QCOMPARE(correction::answer_of(f.form->sheet().kgt_ans(), key), answer);
        QCOMPARE(f.canvas().markers().contains(cell(question, option)), !before.contains(cell(question, option)));
        f.click(cell(question, option).center());
        QCOMPARE(f.total(), QStringLiteral("6"));
        QCOMPARE(sorted(f.canvas().markers()), sorted(before));
        // On an outline is in no cell: nothing changes.
        f.click(cell(question, option).topLeft());
        QCOMPARE(f.total(), QStringLiteral("6"));
        QVERIFY(f.messages().isEmpty());
    }

    void withBothTickedTheSheetIsReadBeforeTheToggle()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.tick("Check1");
        f.tick("Check2");
        // Read from the sheet (12), then the clicked D of question 5 comes off.
        f.click(cell(5, 3).center());
        QCOMPARE(f.total(), QStringLiteral("10"));
        QCOMPARE(correction::answer_of(f.form->sheet().kgt_ans(), "T5"), QString());
    }

    void aDragPastTheEdgeMovesNothing()
    {
        Fixture f;
        f.open();
        f.lookUp();
        const QString items = f.items();
        const QList<QRect> outlines = f.canvas().outlines();
        f.tick("Check1");
        f.mouse(QEvent::MouseButtonPress, {100, 60}, Qt::LeftButton, Qt::LeftButton);
        f.mouse(QEvent::MouseMove, {110, 70}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(f.canvas().cursor().shape(), Qt::SizeAllCursor);
        QCOMPARE(f.canvas().outlines().first(), cell(1, 0).translated(10, 10));
        // Question 5 would end past the right edge (430 + 80 > 500).
        f.mouse(QEvent::MouseMove, {180, 60}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(f.items(), items);
        QCOMPARE(f.canvas().outlines(), outlines);
        // The marks stay where they are while dragging.
        QCOMPARE(f.canvas().markers(), cells_of({{1, 1}, {2, 0}, {3, 1}, {4, 0}}));
        f.mouse(QEvent::MouseButtonRelease, {180, 60}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(f.items(), items);
        QCOMPARE(f.canvas().cursor().shape(), Qt::ArrowCursor);
        // The release read the sheet.
        QCOMPARE(f.total(), QStringLiteral("12"));
    }

    void aDragIsKeptForTheStudent()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.tick("Check1");
        // A move of one pixel is no drag; three are.
        f.drag({100, 60}, {{101, 61}, {103, 62}});
        const QString moved = f.items();
        QVERIFY(moved.startsWith(QStringLiteral("DAXT,53,42,293,82,1,4,0,1,")));
        QCOMPARE(f.canvas().outlines().first(), cell(1, 0).translated(3, 2));
        QCOMPARE(f.total(), QStringLiteral("12"));
        QFile file(f.cacheFolder() + QStringLiteral("/26010203.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), moved.toLatin1() + "\r\n");
        file.close();

        // The next lookup of the student comes with the items as they were left.
        f.tick("Check1", false);
        f.lookUp();
        QCOMPARE(f.items(), moved);
        QCOMPARE(f.canvas().outlines().first(), cell(1, 0).translated(3, 2));
        // Another student gets the server's regions.
        f.lookUp(QStringLiteral("26010204"));
        QVERIFY(f.items().startsWith(QStringLiteral("DAXT,50,40,290,80,")));
    }

    void anUnsafeExamNumberWritesNoItemFile_data()
    {
        QTest::addColumn<QString>("examNumber");
        QTest::newRow("parent") << "../26010203";
        QTest::newRow("dots") << "..";
        QTest::newRow("separator") << "a/b";
    }
    void anUnsafeExamNumberWritesNoItemFile()
    {
        QFETCH(QString, examNumber);
        Fixture f;
        f.open();
        f.lookUp(examNumber);
        f.tick("Check1");
        f.drag({100, 60}, {{110, 70}});
        QVERIFY(f.items().startsWith(QStringLiteral("DAXT,60,50,")));
        QDirIterator it(f.t.paths.programDir(), {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY2(!it.hasNext(), qPrintable(it.hasNext() ? it.next() : QString()));
    }

    void theSaveSendsTheAnswers_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("messages");
        const QString saved = "此考生的选择题已重新识别，本学科得分更新成功！";
        QTest::newRow("saved") << testsupport::protocol_example("objective save").reply << QStringList{saved};
        QTest::newRow("unchanged") << testsupport::protocol_example("objective save unchanged").reply
                                   << QStringList{saved};
        QTest::newRow("refused") << "修改失败：你不是本学科的学科组长。" << QStringList{"修改失败：你不是本学科的学科组长。"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void theSaveSendsTheAnswers()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, messages);
        Fixture f;
        f.stub.setReply("net_save_kgt_fs.asp", reply);
        f.open();
        f.lookUp();
        f.press("Command3");
        f.press("Command2");
        QTRY_COMPARE(f.stub.requestsFor("net_save_kgt_fs.asp").size(), 1);
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        QCOMPARE(QUrl::fromPercentEncoding(f.stub.lastRequestFor("net_save_kgt_fs.asp")),
                 QStringLiteral("/cj/net_save_kgt_fs.asp?ks_id=7&km_id=2&js_id=5"
                                "&kgt_str=T1='B',T2='C',T3='BD',T4='A',T5='D';5312"));
        QCOMPARE(f.messages(), messages);
    }

    void savingWithNoAnswersIsRefused()
    {
        Fixture f;
        f.open();
        f.lookUp();
        // The next student comes without answers: the first one's are not
        // sent under this one's record.
        f.stub.setReply("net_get_st.asp", QStringLiteral("5313,1=1\\26010204_00.txt=选择题，得分0；"));
        f.lookUp(QStringLiteral("26010204"));
        QVERIFY(f.form->sheet().kgt_ans().isEmpty());
        QCOMPARE(f.canvas().markers(), QList<QRect>{});
        f.press("Command2");
        QCOMPARE(f.messages().size(), 1);
        QVERIFY2(f.messages().last().contains(QStringLiteral("不能保存")), qPrintable(f.messages().last()));
        QVERIFY(f.stub.requestsFor("net_save_kgt_fs.asp").isEmpty());
    }

    void aFailedLookupTakesTheSheetAway()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.stub.setReply("net_get_st.asp", QStringLiteral("查询失败：本校本科目没有考号为 9 的学生。"));
        f.lookUp(QStringLiteral("99"), "net_get_st.asp");
        QTRY_COMPARE(f.messages().size(), 1);
        QVERIFY(!f.canvas().isVisible());
        QVERIFY(f.items().isEmpty());
        QVERIFY(!f.control<QWidget>(*f.form, "Check1")->isVisible());
    }
};

QTEST_MAIN(CorrectionSheetTest)
#include "test_correction_sheet.moc"
