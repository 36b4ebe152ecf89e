// The progress panels, the clock and status poll of Timer2, and the three
// feedback reports with their replies.
#include "app/session.h"
#include "marking/feedback.h"
#include "marking/progress.h"
#include "marking/requests.h"
#include "net/url_encode.h"

#include <QTest>

using namespace marking;

namespace {
app::Session session()
{
    app::Session s;
    s.Server_URL = "http://127.0.0.1:9090/";
    s.ks_id = "K7";
    s.KM_id = 3;
    s.User_ID = 40001;
    s.School_ID = 12;
    s.JS_Name = "张三";
    return s;
}
}  // namespace

class ProgressTest : public QObject {
    Q_OBJECT
private slots:
    void fullRecord()
    {
        const ProgressPanels p = list_zt("0,8,45,12,540,300,2,16,3,0", "张三", "数学");
        QCOMPARE(p.frame7Caption, QStringLiteral("张三 阅卷情况"));
        QCOMPARE(p.frame8Caption, QStringLiteral("数学 试题量"));
        QCOMPARE(p.label7, std::optional<QString>("可阅试题:2小题；工作量:8道"));
        QCOMPARE(p.label8, std::optional<QString>("已传试题:16道；完成量:3道"));
        QCOMPARE(p.label9, std::optional<QString>("参考学生:45人；主观试题:12小题"));
        QCOMPARE(p.label10, std::optional<QString>("试题总量:540道；已传题量:300道"));
        QCOMPARE(p.done_count, std::optional<int>(3));
        QCOMPARE(p.hide_name, std::optional<int>(0));
    }

    void shortRecords_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("labels");  // how many of Label7..Label10 are set
        QTest::addColumn<bool>("done");
        QTest::addColumn<bool>("hide");
        QTest::newRow("empty") << "" << 0 << false << false;
        QTest::newRow("six fields") << "0,8,45,12,540,300" << 0 << false << false;
        QTest::newRow("eight fields") << "0,8,45,12,540,300,2,16" << 1 << false << false;
        QTest::newRow("nine fields") << "0,8,45,12,540,300,2,16,3" << 4 << true << false;
        QTest::newRow("done not a number") << "0,8,45,12,540,300,2,16,x,1" << 4 << false << false;
        QTest::newRow("hide not a number") << "0,8,45,12,540,300,2,16,3,?" << 4 << true << false;
    }
    void shortRecords()
    {
        QFETCH(QString, record);
        const ProgressPanels p = list_zt(record, "a", "b");
        QCOMPARE(p.frame7Caption, QStringLiteral("a 阅卷情况"));  // captions are set before any field is read
        QTEST(int(p.label7.has_value()) + int(p.label8.has_value()) + int(p.label9.has_value())
                  + int(p.label10.has_value()),
              "labels");
        QTEST(p.done_count.has_value(), "done");
        QTEST(p.hide_name.has_value(), "hide");
    }

    void clock()
    {
        const QString start = QStringLiteral("阅卷时长:0时0分0秒；");
        QCOMPARE(clock_text(3725, start), QStringLiteral("阅卷时长:1时2分5秒；"));
        QCOMPARE(clock_text(59, "阅卷时长:0时0分0秒；本题满分10分"), QStringLiteral("阅卷时长:0时0分59秒；本题满分10分"));
        // A server message holding the mark itself is kept whole.
        QCOMPARE(clock_text(1, "阅卷时长:0时0分0秒；等30秒；再试"), QStringLiteral("阅卷时长:0时0分1秒；等30秒；再试"));
        QCOMPARE(status_reply_text("阅卷时长:0时1分2秒；old", "本题满分10分"),
                 QStringLiteral("阅卷时长:0时1分2秒；本题满分10分"));
        QVERIFY(status_reply_accepted("本题满分10分"));
        QVERIFY(!status_reply_accepted("ok"));
    }

    void timer2()
    {
        // Thirty ticks count; the 31st sends the request with the whole minutes.
        int ticks = 0;
        QString text = QStringLiteral("阅卷时长:0时0分0秒；");
        for (int i = 1; i <= 30; ++i) {
            const Timer2Tick t = timer2_tick(3695 + i, text, ticks);
            QVERIFY(!t.request);
            ticks = t.ztmsg_ticks;
            text = t.zt_msg;
        }
        const Timer2Tick t = timer2_tick(3725, text, ticks);
        QVERIFY(t.request);
        QCOMPARE(t.ztmsg_ticks, 0);
        QCOMPARE(t.minutes, 62);
        QVERIFY(t.zt_msg.startsWith(QStringLiteral("阅卷时长:1时2分5秒；")));
        QCOMPARE(timer2_tick(-5, text, 0).zt_msg, QStringLiteral("阅卷时长:0时0分0秒；"));

        app::Session s = session();
        QCOMPARE(status_url(s, "3,4", 62, "TH"),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_get_ztmsg.asp?ks_id=K7&km_id=3&js_id=40001&th_bj=")
                     + net::url_encode("3,4") + QStringLiteral("&n=62&lb=TH"));
    }

    void statusOutcomes_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("boxOpen");
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<bool>("errorBox");
        QTest::newRow("accepted") << int(StatusOutcome::Accepted) << false << true << false;
        QTest::newRow("no marker") << int(StatusOutcome::NoMarker) << false << false << false;
        QTest::newRow("replaced") << int(StatusOutcome::Replaced) << false << false << false;
        QTest::newRow("error page") << int(StatusOutcome::ErrorPage) << false << false << true;
        QTest::newRow("error page, box open") << int(StatusOutcome::ErrorPage) << true << false << false;
    }
    void statusOutcomes()
    {
        QFETCH(int, outcome);
        QFETCH(bool, boxOpen);
        const StatusDecision d = status_decision(StatusOutcome(outcome), boxOpen);
        QVERIFY(d.rearm);  // the clock and the automatic save never stop for good
        QTEST(d.autoSave, "autoSave");
        QCOMPARE(d.updateMessage, d.autoSave);
        QCOMPARE(d.hideStatusBox, d.autoSave);
        QTEST(d.showErrorBox, "errorBox");
    }

    void feedbackRequests()
    {
        const app::Session s = session();
        const ReportedAnswer a{5001, 7, "00012_3.gif"};
        const QString tail = QStringLiteral("&cj_id=5001&js_id=40001&img_str=00012_3.gif&js_name=%D5%C5%C8%FD");
        QCOMPARE(fault_image_url(s, a),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_post_err.asp?xx_id=12&ks_id=K7&km_id=3&bj_id=7") + tail);
        QCOMPARE(wrong_full_mark_url(s, {5001, 7, "00012_3.gif,00012_4.gif"}),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_post_err.asp?xx_id=-1&ks_id=K7&km_id=3&cj_id=5001"
                                "&js_id=40001&img_str=00012_3.gif,00012_4.gif&js_name=%D5%C5%C8%FD"));
        QCOMPARE(excellent_url(s, a),
                 QStringLiteral("http://127.0.0.1:9090/cj/net_post_ok.asp?xx_id=-2&ks_id=K7&km_id=3&bj_id=7") + tail);
        QVERIFY(fault_report_refused("a.gif,b.gif"));
        QVERIFY(!fault_report_refused("a.gif"));
        QCOMPARE(fault_refused_message(), QStringLiteral("   在同时批阅两道及以上试题时，无法反馈异常试题！   "));
    }

    void feedbackReplies_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<bool>("refused");
        using K = FeedbackReply::Kind;
        QTest::newRow("image fault") << "report_00012_3.gif" << int(K::ImageFault) << "00012_3.gif" << false;
        QTest::newRow("name up to the next report_") << "report_a.gif report_b.gif" << int(K::ImageFault) << "a.gif" << false;
        QTest::newRow("report without a name") << "report saved" << int(K::ImageFault) << "" << false;
        QTest::newRow("report and MF_Error") << "MF_Error report_x.gif" << int(K::ImageFault) << "x.gif" << false;
        QTest::newRow("path in the name") << "report_../../url.txt" << int(K::ImageFault) << "" << true;
        QTest::newRow("not an answer image") << "report_scores_5.journal" << int(K::ImageFault) << "" << true;
        QTest::newRow("full mark") << "MF_Error" << int(K::FullMark) << "" << false;
        QTest::newRow("failure") << "数据库忙" << int(K::Failure) << "" << false;
    }
    void feedbackReplies()
    {
        QFETCH(QString, reply);
        QFETCH(int, kind);
        QFETCH(bool, refused);
        const FeedbackReply r = feedback_reply(reply);
        QCOMPARE(int(r.kind), kind);
        QTEST(r.deleteFile, "deleted");
        QCOMPARE(!r.refusedName.isEmpty(), refused);
        QCOMPARE(!r.warning.isEmpty(), refused);
        QCOMPARE(r.blankView, r.kind == FeedbackReply::Kind::ImageFault);
        const QString expected = r.kind == FeedbackReply::Kind::ImageFault
            ? QStringLiteral("  操作成功！\r\r  请跳过此题，批阅下一试题......                ")
            : r.kind == FeedbackReply::Kind::FullMark
            ? QStringLiteral("  操作成功！\r\r  “满分错误”的信息已经记载，等待管理员处理......      ")
            : QStringLiteral("  操作失败！                   \r\r") + reply;
        QCOMPARE(r.message, expected);
    }

    void postOk()
    {
        QCOMPARE(post_ok_reply("Post OK").ok, true);
        QCOMPARE(post_ok_reply("Post OK").message, QStringLiteral("系统已经记载了您推荐的优秀答案！"));
        QCOMPARE(post_ok_reply("busy").ok, false);
        QCOMPARE(post_ok_reply("busy").message, QStringLiteral("操作失败！"));
    }
};

QTEST_GUILESS_MAIN(ProgressTest)
#include "test_rules_progress.moc"
