// The correction screen against the stub server: the question list and its
// refusals, selecting and looking up, the lookup and image replies, the
// save and its checks, the page display with several images and the zoom.
#include "test_images.h"
#include "correction/correction_form.h"
#include "correction/page_display.h"
#include "correction/replies.h"
#include "net/url_encode.h"
#include "screen_test.h"
#include "ui/image_page_view.h"
#include "ui/status_box.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

using correction::CorrectionForm;
using testsupport::StubReply;

namespace {

// A small GIF of w×h as the image page sends it: base64 and ",,,,,".
QString image_reply(int w = 40, int h = 30)
{
    return testsupport::image_reply(testsupport::image_bytes(w, h, Qt::white));
}

const QString kLookup = QStringLiteral("5312,40000=2021\\15.txt=第3题，得分6；阅卷人：张明；");

struct Fixture : testsupport::ScreenTest {
    std::unique_ptr<CorrectionForm> form;

    Fixture(const QString& questions = QStringLiteral("x,3,4,00"))
    {
        ui::ImagePageView::setWebContentEnabled(false);
        chooseExam(QStringLiteral("陈静"));
        stub.setReply("net_get_th.asp", questions);
        stub.setReply("net_get_st.asp", kLookup);
        stub.setReply("net_down_st.asp", image_reply());
        stub.setReply("net_save_fs.asp", QStringLiteral("第3题得分已由 6 改为 7.5。"));
    }

    // Opens the screen and waits until the question list has been shown.
    void open()
    {
        form = std::make_unique<CorrectionForm>(t.services);
        form->show();
        QTRY_VERIFY(!form->webBrowser1().busy() && stub.requestsFor("net_get_th.asp").size() == 1);
        QTRY_VERIFY(!form->webBrowser1().busy());
    }

    QLineEdit* edit(const char* name) const { return control<QLineEdit>(*form, name); }
    QLabel* label(const char* name) const { return control<QLabel>(*form, name); }
    void press(const char* name) const { control<QAbstractButton>(*form, name)->click(); }
    void typeExamNumber(const QString& text) const { edit("Text1")->setText(text); }

    // Looks the typed student up and waits for the image to be shown.
    void lookUp(const QString& examNumber = QStringLiteral("26010203"))
    {
        typeExamNumber(examNumber);
        const qsizetype images = stub.requestsFor("net_down_st.asp").size();
        press("Command1");
        QTRY_COMPARE(stub.requestsFor("net_down_st.asp").size(), images + 1);
        QTRY_VERIFY(!form->webBrowser1().busy());
    }
    QString cacheFolder() const { return t.paths.programDir() + QStringLiteral("/ks_data/7/2"); }
};

}  // namespace

class CorrectionScreenTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithItsCaptionAndAsksForTheQuestions()
    {
        Fixture f;
        f.open();
        QCOMPARE(f.form->objectName(), QStringLiteral("Form6"));
        QCOMPARE(f.form->windowTitle(),
                 QStringLiteral("Velmora——《批阅主观试题》考试名称：期末考试； 科目：数学； 当前用户：陈静"));
        QCOMPARE(f.stub.lastRequestFor("net_get_th.asp"), QByteArray("/cj/net_get_th.asp?ks_id=7&km_id=2&js_id=5"));
        for (const char* name : {"Frame1", "Label1", "WorkBJ_0", "ST_TH_0", "Label4", "Text1", "Command1", "Label5",
                                 "Text2", "Label7", "Command2", "Command3", "Check1", "Check2", "Frame6", "Slider1",
                                 "Label2", "Label3", "Frame5", "Frame4", "Label6", "WebBrowser2", "Picture2"})
            QVERIFY2(f.form->findChild<QObject*>(name), name);
        QVERIFY(f.form->findChild<QObject*>("WebBrowser1"));
        QCOMPARE(f.control<QAbstractButton>(*f.form, "Command1")->text(), QStringLiteral("确定"));
        QCOMPARE(f.control<QAbstractButton>(*f.form, "Command2")->text(), QStringLiteral("保存得分"));
        QCOMPARE(f.form->state().img_scale, 100);
        QVERIFY(!f.control<QWidget>(*f.form, "Picture2")->isVisible());
    }

    void questionListMakesAButtonAQuestion()
    {
        Fixture f;
        f.open();
        QCOMPARE(f.label("ST_TH_0")->text(), QStringLiteral("第3题"));
        QCOMPARE(f.label("ST_TH_1")->text(), QStringLiteral("第4题"));
        QCOMPARE(f.label("ST_TH_2")->text(), QStringLiteral("选择题"));
        QVERIFY(!f.form->findChild<QRadioButton*>("WorkBJ_3"));
        QVERIFY(f.control<QRadioButton>(*f.form, "WorkBJ_0")->isChecked());
        QCOMPARE(f.form->state().cur_th, QStringLiteral("3"));
        QVERIFY(f.form->state().has_qx);
        QVERIFY(!f.form->statusBox().isShown());
        // Nothing typed yet: selecting does not look anybody up.
        QVERIFY(f.stub.requestsFor("net_get_st.asp").isEmpty());
    }

    void refusedLists_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lookupEnabled");
        QTest::newRow("no rights") << "no_qx" << "你没有修改 期末考试 数学 成绩的权限！" << true;
        QTest::newRow("no_qx over no_st") << "no_st no_qx" << "你没有修改 期末考试 数学 成绩的权限！" << true;
        QTest::newRow("no questions") << "no_st" << "期末考试，数学 没有试题！" << false;
    }
    void refusedLists()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        QFETCH(bool, lookupEnabled);
        Fixture f(reply);
        f.open();
        QVERIFY(!f.control<QWidget>(*f.form, "WorkBJ_0")->isVisible());
        QCOMPARE(f.label("ST_TH_0")->text(), text);
        QVERIFY(f.form->statusBox().isShown());
        QCOMPARE(f.form->statusBox().text(), text);
        QVERIFY(!f.form->state().has_qx);
        QCOMPARE(f.control<QWidget>(*f.form, "Command1")->isEnabled(), lookupEnabled);
        // No rights: a lookup is refused, nothing is sent.
        f.typeExamNumber("26010203");
        f.press("Command1");
        if (lookupEnabled)
            QCOMPARE(f.messages(), QStringList{"    你无权修改试题得分！等待考试创建者赋权......          "});
        QVERIFY(f.stub.requestsFor("net_get_st.asp").isEmpty());
    }

    void lookupShowsTheImageAndTheScore()
    {
        Fixture f;
        f.open();
        f.lookUp(" 26010203 ");
        QCOMPARE(f.stub.lastRequestFor("net_get_st.asp"),
                 QByteArray("/cj/net_get_st.asp?xx_id=1&ks_id=7&km_id=2&xs_kh=26010203&th=3&js_id=5"));
        // The school of the reply (past 16 bits) and its reference as it
        // came (the backslash goes on the wire as %5C, as a browser sends it).
        QCOMPARE(f.stub.lastRequestFor("net_down_st.asp"),
                 QByteArray("/cj/net_down_st.asp?xx_id=40000&ks_id=7&km_id=2&img_txt=2021%5C15.txt"));
        const QString path = f.cacheFolder() + QStringLiteral("/15.gif");
        QVERIFY(QFile::exists(path));
        QCOMPARE(f.label("Label3")->text(), path);
        QCOMPARE(f.form->display().view().imagePaths(), QStringList{path});
        QCOMPARE(f.form->state().fs_id, 5312);
        QCOMPARE(f.edit("Text2")->text(), QStringLiteral("6"));
        QCOMPARE(f.label("Label7")->text(), QStringLiteral("第3题，得分6；阅卷人：张明；"));
        QVERIFY(f.control<QWidget>(*f.form, "Frame6")->isVisible());
        QVERIFY(!f.form->statusBox().isShown());
        QVERIFY(f.messages().isEmpty());
    }

    void theExamNumberIsEncoded()
    {
        Fixture f;
        f.open();
        f.lookUp("12&th=00#");
        QCOMPARE(f.stub.lastRequestFor("net_get_st.asp"),
                 QByteArray("/cj/net_get_st.asp?xx_id=1&ks_id=7&km_id=2&xs_kh=12%26th%3D00%23&th=3&js_id=5"));
    }

    void selectingAnotherQuestionLooksUpAgain_data()
    {
        QTest::addColumn<QString>("examNumber");
        QTest::addColumn<int>("lookups");
        QTest::newRow("two characters") << "12" << 1;
        QTest::newRow("one character") << "7" << 0;
        QTest::newRow("one character in blanks") << "  7 " << 0;
    }
    void selectingAnotherQuestionLooksUpAgain()
    {
        QFETCH(QString, examNumber);
        QFETCH(int, lookups);
        Fixture f;
        f.open();
        f.typeExamNumber(examNumber);
        QTest::mouseClick(f.label("ST_TH_1"), Qt::LeftButton);
        QCOMPARE(f.form->state().cur_th, QStringLiteral("4"));
        QVERIFY(f.control<QRadioButton>(*f.form, "WorkBJ_1")->isChecked());
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        QCOMPARE(f.stub.requestsFor("net_get_st.asp").size(), lookups);
        if (lookups)
            QVERIFY(f.stub.lastRequestFor("net_get_st.asp").contains("&th=4&"));
        // "确定" looks even a one-character number up.
        f.press("Command1");
        QTRY_COMPARE(f.stub.requestsFor("net_get_st.asp").size(), lookups + 1);
    }

    void lookupRefusals()
    {
        Fixture f;
        f.open();
        f.typeExamNumber("   ");
        f.press("Command1");
        QCOMPARE(f.messages(), QStringList{"   请输入“学生考号”！                      "});
        QVERIFY(f.stub.requestsFor("net_get_st.asp").isEmpty());
    }

    void aLookupWithoutEqualsIsAMessage()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.stub.setReply("net_get_st.asp", "查询失败：本校本科目没有考号为 9 的学生。");
        f.typeExamNumber("99");
        f.press("Command1");
        QTRY_COMPARE(f.messages(), QStringList{"查询失败：本校本科目没有考号为 9 的学生。"});
        QCOMPARE(f.form->state().fs_id, 0);
        QVERIFY(!f.form->display().view().showsImages());
        // And saving does nothing now.
        f.edit("Text2")->setText("5");
        f.press("Command2");
        QCOMPARE(f.messages().size(), 1);
        QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
    }

    void oddLookupRepliesLeaveNothingSaved_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::newRow("only =") << "=";
        QTest::newRow("ids not numbers") << "x,y=1\\2.txt=第3题，得分6；";
        QTest::newRow("fewer fields") << "1,1=";
        QTest::newRow("empty pieces") << "==========";
        QTest::newRow("huge") << "1,1=1\\2.txt=" + QString(200000, u'得');
    }
    void oddLookupRepliesLeaveNothingSaved()
    {
        QFETCH(QString, reply);
        Fixture f;
        f.stub.setReply("net_get_st.asp", reply);
        f.open();
        f.lookUp();
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        // Whatever came, a save sends only for a record id the reply named.
        f.edit("Text2")->setText("1");
        const QStringList before = f.messages();
        f.press("Command2");
        if (f.form->state().fs_id == 0) {
            QCOMPARE(f.messages(), before);
            QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
        } else {
            QTRY_COMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
        }
    }

    void scoreLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("text2");
        QTest::newRow("a score") << "第3题，得分6；" << "6";
        QTest::newRow("unscored empties the box") << "第3题，得分；尚未评分；" << "";
        QTest::newRow("no ，得分 leaves the box") << "第3题 没有得分" << "keep";
    }
    void scoreLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, text2);
        Fixture f;
        f.stub.setReply("net_get_st.asp", "1,1=1\\2601_3.txt=" + line);
        f.open();
        f.edit("Text2")->setText("keep");
        f.lookUp();
        QCOMPARE(f.edit("Text2")->text(), text2);
        QCOMPARE(f.label("Label7")->text(), line);
    }

    void saveSendsTheScoreAndShowsTheReply()
    {
        Fixture f;
        f.open();
        f.lookUp();
        f.edit("Text2")->setText("7.5");
        f.press("Command2");
        QTRY_COMPARE(f.messages(), QStringList{"第3题得分已由 6 改为 7.5。"});
        QCOMPARE(f.stub.lastRequestFor("net_save_fs.asp"),
                 QByteArray("/cj/net_save_fs.asp?modi_fs=1&ks_id=7&km_id=2&js_id=5&js_name=")
                     + net::url_encode("陈静").toLatin1() + "&fs_str=0,0;5312,7.5;");
    }

    void saveChecks_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("message");
        const QString scoreMsg = "    请输入本试题正确得分！             ";
        QTest::newRow("zero") << "0" << "0" << "";
        QTest::newRow("minus one") << "-1" << "" << scoreMsg;
        QTest::newRow("abc") << "abc" << "" << scoreMsg;
        QTest::newRow("exponent") << "1e3" << "1000" << "";
        QTest::newRow("blank before") << " 5" << "5" << "";
        QTest::newRow("hex") << "0x10" << "" << scoreMsg;
        QTest::newRow("NaN") << "NaN" << "" << scoreMsg;
        QTest::newRow("full-width") << "５" << "" << scoreMsg;
    }
    void saveChecks()
    {
        QFETCH(QString, score);
        QFETCH(QString, sent);
        QFETCH(QString, message);
        Fixture f;
        f.stub.setReply("net_save_fs.asp", "ok");
        f.open();
        f.lookUp();
        f.edit("Text2")->setText(score);
        f.press("Command2");
        if (sent.isEmpty()) {
            QCOMPARE(f.messages(), QStringList{message});
            QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
        } else {
            QTRY_COMPARE(f.messages(), QStringList{"ok"});
            QVERIFY(f.stub.lastRequestFor("net_save_fs.asp").endsWith("&fs_str=0,0;5312," + sent.toLatin1() + ";"));
        }
    }

    void saveBeforeAnyLookupDoesNothing()
    {
        Fixture f;
        f.open();
        f.typeExamNumber("26010203");
        f.edit("Text2")->setText("5");
        f.press("Command2");
        QVERIFY(f.messages().isEmpty());
        QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
    }

    void aSaveWhileALookupIsUnderWayIsNotSent()
    {
        Fixture f;
        f.open();
        f.lookUp();
        StubReply held;
        held.hold = true;
        f.stub.setRawReply("net_get_st.asp", held);
        f.typeExamNumber("26010999");
        f.press("Command1");
        QVERIFY(f.stub.waitForRequest("net_get_st.asp") || f.stub.requestsFor("net_get_st.asp").size() == 2);
        f.edit("Text2")->setText("2");
        f.press("Command2");
        QCOMPARE(f.messages(), QStringList{"正在查询学生的答卷，请在显示出来以后再保存得分。"});
        QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
        QVERIFY(f.form->webBrowser1().busy());  // the lookup goes on
    }

    void aSecondDifferentScoreWhileSavingIsNotSent()
    {
        Fixture f;
        f.open();
        f.lookUp();
        StubReply held;
        held.hold = true;
        f.stub.setRawReply("net_save_fs.asp", held);
        f.edit("Text2")->setText("7");
        f.press("Command2");
        QVERIFY(f.stub.waitForRequest("net_save_fs.asp") || f.stub.requestsFor("net_save_fs.asp").size() == 1);
        f.edit("Text2")->setText("3");
        f.press("Command2");
        QCOMPARE(f.messages(), QStringList{"上一次保存（得分 7）还没有回音，请稍候再保存。"});
        QCOMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
    }

    void aSaveOvertakenByALookupIsToldAsUnconfirmed()
    {
        Fixture f;
        f.open();
        f.lookUp();
        StubReply held;
        held.hold = true;
        f.stub.setRawReply("net_save_fs.asp", held);
        f.edit("Text2")->setText("7");
        f.press("Command2");
        QVERIFY(f.stub.waitForRequest("net_save_fs.asp") || f.stub.requestsFor("net_save_fs.asp").size() == 1);
        QTest::mouseClick(f.label("ST_TH_1"), Qt::LeftButton);  // looks the student up again
        QTRY_COMPARE(f.messages(), QStringList{correction::save_unconfirmed_message()});
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        QCOMPARE(f.stub.requestsFor("net_get_st.asp").size(), 2);
    }

    void imageFailures_data()
    {
        QTest::addColumn<QString>("imageReply");
        QTest::addColumn<QString>("message");
        QTest::newRow("no separator") << "garbage" << "从服务器读取图片文件出错！";
        QTest::newRow("not-found report is no image")
            << "img_txt_file:2021\\15.txt not find!,,,,," << "生成本地文件：%1 出错！";
    }
    void imageFailures()
    {
        QFETCH(QString, imageReply);
        QFETCH(QString, message);
        Fixture f;
        f.stub.setReply("net_down_st.asp", imageReply);
        f.open();
        f.lookUp();
        const QString path = f.cacheFolder() + QStringLiteral("/15.gif");
        QTRY_COMPARE(f.messages(), QStringList{message.contains("%1") ? message.arg(path) : message});
        QVERIFY(!QFile::exists(path));
        QVERIFY(!f.form->display().view().showsImages());
        // The score line is kept when the decode failed.
        if (message.contains("%1")) {
            QCOMPARE(f.edit("Text2")->text(), QStringLiteral("6"));
            QCOMPARE(f.label("Label7")->text(), QStringLiteral("第3题，得分6；阅卷人：张明；"));
        }
    }

    void unsafeImageNamesWriteNothing_data()
    {
        QTest::addColumn<QString>("ref");
        QTest::newRow("parent") << "1\\..";
        QTest::newRow("slash") << "1\\../../x.txt";
        QTest::newRow("empty") << "1\\";
        QTest::newRow("no folder part") << "x.txt";
    }
    void unsafeImageNamesWriteNothing()
    {
        QFETCH(QString, ref);
        Fixture f;
        f.stub.setReply("net_get_st.asp", "9,1=" + ref + "=第3题，得分1；");
        f.open();
        f.lookUp();
        QTRY_COMPARE(f.messages().size(), 1);
        QVERIFY2(f.messages().first().contains("不能用作本地文件名"), qPrintable(f.messages().first()));
        QVERIFY(!f.form->display().view().showsImages());
        QDir root(f.t.paths.programDir());
        QCOMPARE(root.entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
        QCOMPARE(f.edit("Text2")->text(), QStringLiteral("1"));
    }

    void aLaterImageReplacesTheEarlierFile()
    {
        Fixture f;
        f.open();
        QDir().mkpath(f.cacheFolder());
        QFile old(f.cacheFolder() + "/15.gif");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();
        f.lookUp();
        QVERIFY(QFileInfo(f.cacheFolder() + "/15.gif").size() < 100000);
        QVERIFY(!QImage(f.cacheFolder() + "/15.gif").isNull());
    }

    void twoPathsShowOneUnderTheOther()
    {
        Fixture f;
        f.open();
        const QString a = f.t.paths.programDir() + "/a.gif", b = f.t.paths.programDir() + "/b.gif";
        QImage(10, 10, QImage::Format_RGB32).save(a, "PNG");
        QImage(10, 10, QImage::Format_RGB32).save(b, "PNG");
        QVERIFY(f.form->display().show_zg_image(a + "," + b));
        QCOMPARE(f.form->display().view().imagePaths(), (QStringList{a, b}));
        QCOMPARE(f.form->display().view().text(), "<IMG src=" + a + "><br><hr><IMG src=" + b + "><br><hr>");
        // A first file that is not there leaves the display as it was.
        QVERIFY(!f.form->display().show_zg_image(f.t.paths.programDir() + "/none.gif," + a));
        QCOMPARE(f.form->display().view().imagePaths(), (QStringList{a, b}));
    }

    void zoomThenBack()
    {
        Fixture f;
        f.open();
        const QString big = f.t.paths.programDir() + "/big.gif";
        QImage(800, 1000, QImage::Format_RGB32).save(big, "PNG");
        QVERIFY(f.form->display().show_zg_image(big));
        auto* slider = f.control<QSlider>(*f.form, "Slider1");
        slider->setValue(150);
        QCOMPARE(f.control<QGroupBox>(*f.form, "Frame6")->title(), QStringLiteral("图片显示比例：150%"));
        QCOMPARE(f.form->display().view().shownSize(0), QSize(1200, 1500));
        QCOMPARE(f.form->display().img_scale(), 150);
        slider->setValue(100);
        QCOMPARE(f.form->display().view().shownSize(0), QSize(800, 1000));
        QCOMPARE(f.control<QGroupBox>(*f.form, "Frame6")->title(), QStringLiteral("图片显示比例：100%"));
    }

    void objectiveQuestionsHideTheZoom()
    {
        Fixture f;
        f.open();
        QTest::mouseClick(f.label("ST_TH_2"), Qt::LeftButton);
        QCOMPARE(f.form->state().cur_th, QStringLiteral("00"));
        f.lookUp();
        QVERIFY(f.stub.lastRequestFor("net_get_st.asp").contains("&th=00&"));
        QVERIFY(!f.control<QWidget>(*f.form, "Frame6")->isVisible());
        QVERIFY(f.control<QWidget>(*f.form, "Picture2")->isVisible());
        QVERIFY(!f.control<QWidget>(*f.form, "WebBrowser2")->isVisible());
    }

    void layoutOnResize()
    {
        Fixture f;
        f.open();
        f.form->setWindowState(Qt::WindowNoState);
        f.form->resize(1000, 700);
        QTRY_COMPARE(f.form->width(), 1000);
        auto* frame1 = f.control<QWidget>(*f.form, "Frame1");
        auto* view = f.control<QWidget>(*f.form, "WebBrowser2");
        auto* frame6 = f.control<QWidget>(*f.form, "Frame6");
        QCOMPARE(frame1->width(), 990);
        QCOMPARE(frame1->geometry().bottom() + 1, 700 - 2);
        QCOMPARE(view->width(), 990);
        QCOMPARE(view->geometry().bottom() + 1, frame1->y() - 5);
        QCOMPARE(frame6->x(), 1000 - frame6->width() - 2);
    }

    void closingShowsTheExamList()
    {
        Fixture f;
        f.open();
        f.form->close();
        QCOMPARE(f.t.flow.calls, QStringList{"exams"});
    }
};

QTEST_MAIN(CorrectionScreenTest)
#include "test_correction_screen.moc"
