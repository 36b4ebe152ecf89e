// The subject leader's pages: who may look up and correct, what a
// correction accepts, the history it leaves, and what a lookup answers for
// numbers and references that name nothing.
#include "demo_data.h"
#include "server_fixture.h"

#include <QTest>

using namespace velmora;

namespace {

std::string th_target(int teacher, int subject)
{
    return "cj/net_get_th.asp?ks_id=1&km_id=" + std::to_string(subject) + "&js_id=" + std::to_string(teacher);
}

std::string st_target(int teacher, const std::string& kh, const std::string& th, int subject = demo::kChinese)
{
    return "cj/net_get_st.asp?xx_id=1&ks_id=1&km_id=" + std::to_string(subject) + "&xs_kh=" + kh + "&th=" + th
           + "&js_id=" + std::to_string(teacher);
}

std::string modi_target(int teacher, const std::string& fs_str, int subject = demo::kChinese)
{
    return "cj/net_save_fs.asp?modi_fs=1&ks_id=1&km_id=" + std::to_string(subject) + "&js_id="
           + std::to_string(teacher) + "&js_name=x&fs_str=" + fs_str;
}

}  // namespace

class ServerCorrectionTest : public QObject {
    Q_OBJECT

private slots:
    void onlyALeaderOfTheSubjectGetsIn_data()
    {
        QTest::addColumn<int>("teacher");
        QTest::addColumn<int>("subject");
        QTest::addColumn<bool>("leader");
        QTest::newRow("陈静, 语文") << demo::kChenJing << demo::kChinese << true;
        QTest::newRow("陈静, 数学") << demo::kChenJing << demo::kMath << true;
        QTest::newRow("张明 marks 语文, leads nothing") << demo::kZhangMing << demo::kChinese << false;
        QTest::newRow("another school's teacher") << demo::kSunLi << demo::kChinese << false;
    }
    void onlyALeaderOfTheSubjectGetsIn()
    {
        QFETCH(int, teacher);
        QFETCH(int, subject);
        QFETCH(bool, leader);
        TestServer t;
        const QString list = t.text(th_target(teacher, subject));
        QCOMPARE(list == "no_qx", !leader);
        const QString found = t.text(st_target(teacher, "26010101", subject == demo::kChinese ? "13" : "9", subject));
        QCOMPARE(found.contains('='), leader);
        const int answer = subject == demo::kChinese ? 1 : 331;
        const QString saved = t.text(modi_target(teacher, "0,0;" + std::to_string(answer) + ",1;", subject));
        QCOMPARE(t.server().score_count(answer), leader ? 1 : 0);
        QVERIFY2(leader ? saved.startsWith("第") : saved.startsWith("修改失败"), qPrintable(saved));
    }

    void mathListsItsSubjectiveQuestionsThenTheObjective()
    {
        TestServer t;
        QCOMPARE(t.text(th_target(demo::kChenJing, demo::kMath)), QString("6,9,10,11,12,13,00"));
        // Without objective questions there is no "00".
        t.server().exec_sql("UPDATE questions SET objective = 0, number = '2' || number WHERE subject_id = 2 "
                            "AND objective = 1");
        QVERIFY(!t.text(th_target(demo::kChenJing, demo::kMath)).contains(",00"));
    }

    void correctionAcceptsOnlyAScoreFromZeroToTheFullMark_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("stored");
        // Answer 1 is question 13 (full mark 4).
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("the full mark") << "4" << true;
        QTest::newRow("a half") << "2.5" << true;
        QTest::newRow("above the full mark") << "4.5" << false;
        QTest::newRow("negative") << "-1" << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("exponent") << "1e0" << false;
        QTest::newRow("hex") << "0x1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("infinity") << "inf" << false;
    }
    void correctionAcceptsOnlyAScoreFromZeroToTheFullMark()
    {
        QFETCH(QString, score);
        QFETCH(bool, stored);
        TestServer t;
        const QString reply = t.text(modi_target(demo::kChenJing, "0,0;1," + score.toStdString() + ";"));
        QCOMPARE(t.server().score_count(1), stored ? 1 : 0);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM corrections"), stored ? 1 : 0);
        if (stored)
            QCOMPARE(reply, "第13题得分已由 未评分 改为 " + score + "。");
        else
            QVERIFY2(reply.startsWith("修改失败：第13题的得分应为 0 到 4 之间的数"), qPrintable(reply));
    }

    void correctionRefusesWhatIsNotASubjectiveAnswerOfTheSubject_data()
    {
        QTest::addColumn<QString>("fs_str");
        QTest::newRow("another subject's answer") << "0,0;331,1;";
        QTest::newRow("no such answer") << "0,0;999999,1;";
        QTest::newRow("not an id") << "0,0;x,1;";
        QTest::newRow("three fields") << "0,0;1,1,2;";
        QTest::newRow("nothing to change") << "0,0;";
    }
    void correctionRefusesWhatIsNotASubjectiveAnswerOfTheSubject()
    {
        QFETCH(QString, fs_str);
        TestServer t;
        const QString reply = t.text(modi_target(demo::kChenJing, fs_str.toStdString()));
        QVERIFY2(reply.startsWith("修改失败"), qPrintable(reply));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 0);
    }

    void everyChangeIsKeptWithWhoWhenAndTheOldScore()
    {
        TestServer t;
        t.server().exec_sql("INSERT INTO scores(answer_id, teacher_id, score, marked_at) VALUES(1, 1, 3, 0)");
        QCOMPARE(t.text(modi_target(demo::kChenJing, "0,0;1,3.5;")), QString("第13题得分已由 3 改为 3.5。"));
        QCOMPARE(t.text(modi_target(demo::kChenJing, "0,0;1,2;")), QString("第13题得分已由 3.5 改为 2。"));
        // The same score again changes nothing and leaves no history.
        QCOMPARE(t.text(modi_target(demo::kChenJing, "0,0;1,2;")), QString("第13题得分仍为 2，没有改变。"));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM corrections WHERE answer_id = 1"), 2);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM corrections WHERE answer_id = 1 AND teacher_id = 5 "
                                      "AND at > 0"), 2);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM corrections WHERE old_score = 3 AND new_score = 3.5"), 1);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM corrections WHERE old_score = 3.5 AND new_score = 2"), 1);
        QCOMPARE(*t.server().score_of(1), 2.0);
        // The marker stays the marker; the lookup names the leader too.
        QCOMPARE(t.server().query_int("SELECT teacher_id FROM scores WHERE answer_id = 1"), 1);
        QCOMPARE(t.text(st_target(demo::kChenJing, "26010101", "13")).section('=', 2),
                 QString("第13题，得分2；阅卷人：张明；修改人：陈静；学生：王欣怡；"));
    }

    void aLookupThatFindsNothingIsAMessage_data()
    {
        QTest::addColumn<QString>("kh");
        QTest::addColumn<QString>("th");
        QTest::newRow("unknown exam number") << "99999999" << "13";
        QTest::newRow("empty exam number") << "" << "13";
        QTest::newRow("a quote in the exam number") << "26010101'--" << "13";
        QTest::newRow("an objective question") << "26010101" << "3";
        QTest::newRow("no such question") << "26010101" << "99";
        QTest::newRow("another subject's question") << "26010101" << "9";
    }
    void aLookupThatFindsNothingIsAMessage()
    {
        QFETCH(QString, kh);
        QFETCH(QString, th);
        TestServer t;
        const Fetched f = t.get(st_target(demo::kChenJing, enc(kh), enc(th)));
        QCOMPARE(f.status, 200);
        QVERIFY2(!f.text.isEmpty() && !f.text.contains('='), qPrintable(f.text));
    }

    void theLookupNamesTheImageThePageServes()
    {
        TestServer t;
        const QString found = t.text(st_target(demo::kChenJing, "26010203", "15"));
        const QString ref = found.section('=', 1, 1);
        QCOMPARE(ref, QString("2\\26010203_15.txt"));
        const QString image = t.text("cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + ref.toStdString());
        QVERIFY(image.endsWith(",,,,,") && !image.contains("not find!"));
    }

    void anImageReferenceOutsideTheStoreIsNotFound_data()
    {
        QTest::addColumn<QString>("ref");
        QTest::newRow("parent folder") << "1\\..\\..\\marks.db";
        QTest::newRow("parent in the name") << "1\\..26010101_13.txt";
        QTest::newRow("absolute") << "/etc/passwd";
        QTest::newRow("slash inside") << "1\\a/26010101_13.txt";
    }
    void anImageReferenceOutsideTheStoreIsNotFound()
    {
        QFETCH(QString, ref);
        TestServer t;
        const QString image = t.text("cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + enc(ref));
        QVERIFY2(image.contains("not find!"), qPrintable(image.left(80)));
    }

    void theDemoCanComeWithScoresToCorrect()
    {
        TestServer t;
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 0);
        t.options().demo_scores = true;
        t.restart();
        const std::int64_t scored = t.server().query_int("SELECT COUNT(*) FROM scores");
        QVERIFY(scored > 50);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores sc JOIN answers a ON a.id = sc.answer_id "
                                      "JOIN questions qu ON qu.id = a.question_id WHERE sc.score > qu.full_mark "
                                      "OR sc.score < 0"), 0);
        // Question 16 of 高一(1) is scored by 赵强; question 13 is still open.
        const QString line = t.text(st_target(demo::kChenJing, "26010101", "16")).section('=', 2);
        QVERIFY2(line.contains("阅卷人：赵强") && !line.contains("得分；"), qPrintable(line));
        QVERIFY(t.text(st_target(demo::kChenJing, "26010101", "13")).contains("尚未评分"));
        // Once only.
        t.restart();
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), scored);
    }
};

QTEST_GUILESS_MAIN(ServerCorrectionTest)
#include "test_correction.moc"
