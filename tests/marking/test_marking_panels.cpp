// The marking screen's clock and status poll, progress panels, feedback
// reports, zoom, mobile-marking code and resize, against the stub server.
#include "marking_fixture.h"

#include "marking/feedback.h"
#include "net/page_channel.h"
#include "ui/status_box.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

using markingtest::answer;
using markingtest::batch;
using markingtest::Fixture;
using markingtest::png_bytes;

namespace {

void openMarking(Fixture& f, int n = 2, int w = 40, int h = 30)
{
    QStringList answers;
    for (int i = 0; i < n; ++i) {
        const QString kh = QString::number(1001 + i);
        f.writeCached(kh + "_3.gif", png_bytes(w, h));
        answers << answer(41 + i, 9 + i, "3", kh);
    }
    f.stub.setReply("net_get_work.asp", "no_work");
    f.open();
    QTRY_VERIFY(!f.form->webBrowser1().busy());
    f.form->state().th_bj = "3";
    f.form->state().task_type = "TH";
    f.form->fill_buffer_list(batch(answers));
    f.form->fetcher().timer1().stop();
    f.form->fetcher().Timer1_Timer();
    f.form->ListView1_ItemClick(1);
}

// Ticks until the status request goes out.
void poll(Fixture& f)
{
    for (int i = 0; i < 31; ++i)
        f.form->statusBar().Timer2_Timer();
}

QString zt(Fixture& f) { return f.find<QLabel>("zt_msg")->text(); }

}  // namespace

class MarkingPanelsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    void clockAndAcceptedStatusReply()
    {
        Fixture f;
        openMarking(f);
        app::session().Start_Time = f.t.clock.now().addSecs(-3725);
        QVERIFY(f.form->statusBar().timer2().isActive());
        f.stub.setReply("net_get_ztmsg.asp", "本题满分10分");
        f.stub.setReply("net_save_fs.asp", "saved_ids=41");
        QTest::keyClicks(f.find<QLineEdit>("Text1"), "5");
        for (int i = 0; i < 30; ++i)
            f.form->statusBar().Timer2_Timer();
        QCOMPARE(zt(f), QString("阅卷时长:1时2分5秒；"));
        QVERIFY(f.stub.requestsFor("net_get_ztmsg.asp").isEmpty());
        f.form->statusBar().Timer2_Timer();
        QVERIFY(!f.form->statusBar().timer2().isActive());
        QTRY_COMPARE(f.stub.requestsFor("net_get_ztmsg.asp").size(), 1);
        QCOMPARE(f.stub.lastRequestFor("net_get_ztmsg.asp"),
                 QByteArray("/cj/net_get_ztmsg.asp?ks_id=7&km_id=2&js_id=5&th_bj=3&n=62&lb=TH"));
        // Accepted: the message after the clock, the automatic save, the clock on.
        QTRY_COMPARE(zt(f), QString("阅卷时长:1时2分5秒；本题满分10分"));
        QVERIFY(f.form->statusBar().timer2().isActive());
        QTRY_COMPARE(f.form->bufferList().text(1, marking::Col::Flag), QString("1"));
        QCOMPARE(testsupport::StubServer::queryValue(f.stub.lastRequestFor("net_save_fs.asp"), "fs_str"),
                 QByteArray("0,;41,5;"));
        // The message stays while the clock runs on.
        f.t.clock.advanceSeconds(10);
        f.form->statusBar().Timer2_Timer();
        QCOMPARE(zt(f), QString("阅卷时长:1时2分15秒；本题满分10分"));
    }

    // Every outcome of the status request re-arms the clock; an error page
    // is explained once, never in a pile of boxes.
    void statusPollAlwaysRearms_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("messages");
        QTest::newRow("no marker") << 200 << "ok" << 0;
        QTest::newRow("error page") << 404 << "x" << 1;
    }
    void statusPollAlwaysRearms()
    {
        QFETCH(int, status);
        QFETCH(QString, reply);
        QFETCH(int, messages);
        Fixture f;
        openMarking(f);
        f.stub.setReply("net_get_ztmsg.asp", reply, status);
        poll(f);
        QVERIFY(!f.form->statusBar().timer2().isActive());
        QTRY_VERIFY(f.form->statusBar().timer2().isActive());
        QCOMPARE(f.t.dialogs.messages.size(), messages);
        QCOMPARE(zt(f).section("秒；", 1), QString());
        // And the next poll goes out 31 ticks later.
        poll(f);
        QTRY_COMPARE(f.stub.requestsFor("net_get_ztmsg.asp").size(), 2);
        QTRY_VERIFY(f.form->statusBar().timer2().isActive());
    }

    void statusPollReplacedRearms()
    {
        Fixture f;
        openMarking(f);
        f.stub.setRawReply("net_get_ztmsg.asp", {"", 200, "text/html; charset=GBK", true});
        poll(f);
        QVERIFY(!f.form->statusBar().timer2().isActive());
        f.form->request_worked();  // replaces the status request
        QTRY_VERIFY(f.form->statusBar().timer2().isActive());
    }

    // The poll waits while a batch or save is out instead of replacing it.
    void statusPollWaitsForABusyChannel()
    {
        Fixture f;
        openMarking(f);
        f.stub.setRawReply("net_user_work.asp", {"", 200, "text/html; charset=GBK", true});
        f.form->request_batch();
        poll(f);
        QVERIFY(f.form->statusBar().timer2().isActive());
        QVERIFY(f.form->webBrowser1().pendingUrl().contains("net_user_work.asp"));
        QCOMPARE(f.form->statusBar().ztmsg_ticks(), 30);
    }

    void progressPanelsAndBar()
    {
        Fixture f;
        openMarking(f);
        f.form->progress().list_zt("0,8,45,12,540,300,2,16,3,0", app::session().JS_Name, app::session().KM_Name);
        QCOMPARE(f.find<QLabel>("Label7")->text(), QString("可阅试题:2小题；工作量:8道"));
        QCOMPARE(f.find<QLabel>("Label8")->text(), QString("已传试题:16道；完成量:3道"));
        QCOMPARE(f.find<QLabel>("Label9")->text(), QString("参考学生:45人；主观试题:12小题"));
        QCOMPARE(f.find<QLabel>("Label10")->text(), QString("试题总量:540道；已传题量:300道"));
        QCOMPARE(f.find<QGroupBox>("Frame7")->title(), QString("王老师 阅卷情况"));
        QCOMPARE(f.find<QGroupBox>("Frame8")->title(), QString("数学 试题量"));
        QCOMPARE(f.form->state().done_count, 3);
        QCOMPARE(f.form->state().hide_name, 0);
        f.form->state().work_count = 8;
        f.form->show_progress();
        QCOMPARE(f.find<QLabel>("Label5")->text(), QString("37.50%"));
        QCOMPARE(f.find<QProgressBar>("ProgressBar1")->value(), 37);
        QVERIFY(!f.find<QWidget>("ProgressBar1")->isHidden());
        f.form->state().done_count = 0;
        f.form->show_progress();
        QCOMPARE(f.find<QLabel>("Label5")->text(), QString("0.00%"));
        QCOMPARE(f.find<QProgressBar>("ProgressBar1")->value(), 1);
        f.find<QPushButton>("Command6")->click();
        f.find<QPushButton>("Command5")->click();
        QVERIFY(f.find<QWidget>("Frame7")->isHidden());
        QVERIFY(f.find<QWidget>("Frame8")->isHidden());
    }

    void feedbackRequests_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QByteArray>("query");
        QTest::newRow("faulty image") << "Option3" << "net_post_err.asp"
                                      << QByteArray("xx_id=1&ks_id=7&km_id=2&bj_id=12&cj_id=9&js_id=5&img_str=1001_3.gif&js_name=%CD%F5%C0%CF%CA%A6");
        QTest::newRow("wrong full mark") << "Option4" << "net_post_err.asp"
                                         << QByteArray("xx_id=-1&ks_id=7&km_id=2&cj_id=9&js_id=5&img_str=1001_3.gif&js_name=%CD%F5%C0%CF%CA%A6");
        QTest::newRow("excellent") << "Command3" << "net_post_ok.asp"
                                   << QByteArray("xx_id=-2&ks_id=7&km_id=2&bj_id=12&cj_id=9&js_id=5&img_str=1001_3.gif&js_name=%CD%F5%C0%CF%CA%A6");
    }
    void feedbackRequests()
    {
        QFETCH(QString, control);
        QFETCH(QString, page);
        QFETCH(QByteArray, query);
        Fixture f;
        openMarking(f);
        f.stub.setRawReply(page, {"", 200, "text/html; charset=GBK", true});
        f.find<QPushButton>("Command2")->click();
        QVERIFY(f.find<QWidget>("Frame10")->isVisibleTo(f.form.get()));
        if (auto* b = f.form->findChild<QAbstractButton*>(control))
            b->click();
        QCOMPARE(f.form->statusBox().text(), QString(" 正在向服务器反馈信息，请等待... (report...)"));
        QTRY_COMPARE(f.stub.requestsFor(page).size(), 1);
        QCOMPARE(f.stub.lastRequestFor(page), "/cj/" + page.toLatin1() + "?" + query);
        if (control != "Command3") {
            QVERIFY(f.find<QWidget>("Frame10")->isHidden());
            QVERIFY(!f.find<QRadioButton>(control)->isChecked());
        }
    }

    void feedbackReplies()
    {
        Fixture f;
        openMarking(f);
        // A confirmed image fault deletes the cached image and blanks the view.
        f.form->feedback().feedback_reply("report_1001_3.gif");
        QVERIFY(!QFile::exists(f.cached("1001_3.gif")));
        QVERIFY(!f.form->imageView().showsImages());
        QCOMPARE(f.form->imageView().currentUrl(), QString("about:blank"));
        f.form->feedback().feedback_reply("MF_Error");
        f.form->feedback().feedback_reply("数据库忙");
        QCOMPARE(f.t.dialogs.messages,
                 QStringList({"  操作成功！\r\r  请跳过此题，批阅下一试题......                ",
                              "  操作成功！\r\r  “满分错误”的信息已经记载，等待管理员处理......      ",
                              "  操作失败！                   \r\r数据库忙"}));
        QVERIFY(!f.form->statusBox().isShown());
        // The recommendation's reply: "Post OK" hides the box, anything else leaves it.
        f.t.dialogs.messages.clear();
        f.stub.setReply("net_post_ok.asp", "Post OK");
        f.form->feedback().Command3_Click();
        QTRY_COMPARE(f.t.dialogs.messages, QStringList{"系统已经记载了您推荐的优秀答案！"});
        QVERIFY(!f.form->statusBox().isShown());
        f.stub.setReply("net_post_ok.asp", "no");
        f.form->feedback().Command3_Click();
        QTRY_COMPARE(f.t.dialogs.messages.size(), 2);
        QCOMPARE(f.t.dialogs.messages.last(), QString("操作失败！"));
        QVERIFY(f.form->statusBox().isShown());
    }

    void faultRefusedForAGroup()
    {
        Fixture f;
        openMarking(f);
        f.form->state().cur_gif = "1001_3.gif,1001_5.gif";
        f.form->feedback().Option3_Click();
        QCOMPARE(f.t.dialogs.messages, QStringList{marking::fault_refused_message()});
        f.stub.setRawReply("net_post_err.asp", {"", 200, "text/html; charset=GBK", true});
        f.form->feedback().Option4_Click();
        QTRY_COMPARE(f.stub.requestsFor("net_post_err.asp").size(), 1);
        QCOMPARE(testsupport::StubServer::queryValue(f.stub.lastRequestFor("net_post_err.asp"), "img_str"),
                 QByteArray("1001_3.gif,1001_5.gif"));
    }

    // Zoom 150 on a 400×300 answer: 600×450, also for the next answer; the
    // QR code under it is drawn locally and scales too.
    void zoomAndMobileCode()
    {
        Fixture f;
        openMarking(f, 2, 400, 300);
        auto& view = f.form->imageView();
        QCOMPARE(view.shownSize(0), QSize(400, 300));
        QVERIFY(view.text().contains("<hr><center><img src=/?app=qr.get&data=" + app::session().Server_URL
                                     + "cj/mobi_main.asp?ewm=7|2|5|3 alt='手机扫一扫，使用移动端阅卷...'><br>手机阅卷，请扫二维码"));
        auto* qr = view.findChild<QLabel*>("footerPicture");
        QVERIFY(qr && !qr->pixmap().isNull());
        const QSize qr100 = qr->pixmap().size();
        f.find<QSlider>("Slider1")->setValue(150);
        QCOMPARE(f.form->state().zoom_pct, 150);
        QCOMPARE(f.find<QGroupBox>("Frame6")->title(), QString("显示比例：150%"));
        QCOMPARE(view.shownSize(0), QSize(600, 450));
        qr = view.findChild<QLabel*>("footerPicture");
        QCOMPARE(qr->pixmap().size(), QSize(qr100.width() * 3 / 2, qr100.height() * 3 / 2));
        f.form->scorePanel().Number_Click(13);
        QVERIFY(view.text().contains("1002_3.gif"));
        QCOMPARE(view.shownSize(0), QSize(600, 450));
        // The help page shows no code block.
        f.find<QPushButton>("Command7")->click();
        QCOMPARE(view.currentUrl(), app::session().Server_URL + "cj/tavix_help.html");
        QCOMPARE(view.text(), QString());
    }

    // A program folder whose path holds "html" still gets the code block
    // under its images, and the fault panel still closes for a new answer.
    void codeBlockInAnHtmlFolder()
    {
        Fixture f;
        f.t.paths = app::AppPaths(f.t.dir.path() + "/public_html");
        openMarking(f);
        QVERIFY(f.form->imageView().text().startsWith("<IMG src=" + f.cached("1001_3.gif") + ">"));
        QVERIFY(f.form->imageView().text().contains("cj/mobi_main.asp?ewm=7|2|5|3 alt="));
        f.find<QPushButton>("Command2")->click();
        QVERIFY(f.find<QWidget>("Frame10")->isVisibleTo(f.form.get()));
        f.form->ListView1_ItemClick(2);
        QVERIFY(f.form->imageView().text().contains("1002_3.gif"));
        QVERIFY(f.find<QWidget>("Frame10")->isHidden());
    }

    // The mobile-marking address follows the selection and a caption click;
    // nothing is loaded from it.
    void mobileAddress()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "th,3,4,");
        f.stub.setReply("net_user_work.asp", batch({}));
        f.open();
        f.form->setWindowState(Qt::WindowNoState);
        f.form->show();
        const QString base = app::session().Server_URL + "cj/mobi_ewm.asp?ks_id=7&km_id=2&user_id=5&th_bj=";
        QTRY_COMPARE(f.form->mobileAddress(), base + "3");
        f.find<QCheckBox>("Work_1")->click();
        QCOMPARE(f.form->mobileAddress(), base + "3%2C4");
        f.form->state().th_bj = "9";
        QTest::mouseClick(f.find<QLabel>("ST_TH_1"), Qt::LeftButton);
        QCOMPARE(f.form->mobileAddress(), base + "9");
        QVERIFY(f.stub.requestsFor("mobi_ewm.asp").isEmpty());
    }

    void narrowWindowKeepsAnImageView()
    {
        Fixture f;
        openMarking(f);
        f.form->setWindowState(Qt::WindowNoState);
        f.form->show();
        f.form->resize(400, 300);
        QTRY_VERIFY(f.form->imageView().width() >= 100);
        QVERIFY(f.form->imageView().height() >= 100);
    }
};

QTEST_MAIN(MarkingPanelsTest)
#include "test_marking_panels.moc"
