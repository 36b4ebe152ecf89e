// Batches, leases, work_end and saving: what keeps several teachers from
// marking the same answer and every score stored exactly once.
#include "demo_data.h"
#include "server_fixture.h"

#include <httplib.h>

#include <QDateTime>
#include <QStringList>
#include <QTest>

#include <latch>
#include <mutex>
#include <set>
#include <thread>

using namespace velmora;

namespace {

struct Batch {
    QStringList progress;        // the ten fields of the progress record
    QList<QStringList> records;  // the answer records, ten fields each
    bool end = false;
    QString finished;            // the selection after "work_end;"
};

Batch parse_batch(const QString& reply)
{
    Batch b;
    QString body = reply;
    const int end = reply.indexOf("work_end;");
    if (end >= 0) {
        b.end = true;
        b.finished = reply.mid(end + 9);
        body = reply.left(end);
    }
    const QStringList pieces = body.split(';');
    b.progress = pieces.value(0).split(',');
    for (int i = 1; i < pieces.size() - 1; ++i) b.records << pieces[i].split(',');
    return b;
}

std::string batch_target(int teacher, int subject, const std::string& th_bj)
{
    return "cj/net_user_work.asp?ks_id=1&km_id=" + std::to_string(subject) + "&js_id=" + std::to_string(teacher)
           + "&th_bj=" + th_bj;
}

std::string save_target(int teacher, int subject, const std::string& fs_str, bool automatic = true)
{
    return std::string("cj/net_save_fs.asp?") + (automatic ? "auto_save=1&" : "") + "ks_id=1&km_id="
           + std::to_string(subject) + "&js_id=" + std::to_string(teacher) + "&js_name=" + enc("张明")
           + "&fs_str=0,;" + fs_str;
}

QSet<QString> ids_of(const Batch& b)
{
    QSet<QString> ids;
    for (const QStringList& r : b.records) ids << r[0];
    return ids;
}

}  // namespace

class ServerMarkingTest : public QObject {
    Q_OBJECT

private slots:
    void batchRecordsHaveTheirFields()
    {
        TestServer t;
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        // 20 handed out; workload 33 of the shared 14 + 66 of 15; 66 students,
        // 5 subjective questions, 330 answers, all uploaded; 2 questions;
        // 132 uploaded for this work; none done; names shown.
        QCOMPARE(b.progress, QString("20,99,66,5,330,330,2,132,0,0").split(','));
        QCOMPARE(b.records.size(), 20);
        QVERIFY(!b.end);
        QCOMPARE(b.records[0], QString("3,1,王欣怡,15,7.5,26010101,0.001,0,1,1").split(','));
        for (const QStringList& r : b.records) QCOMPARE(r.size(), 10);
    }

    void severalQuestionsComeGroupedPerStudentInSelectionOrder()
    {
        TestServer t;
        const Batch b = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "14%2C13")));
        QCOMPARE(b.records.size(), 20);
        for (int i = 0; i < b.records.size(); i += 2) {
            QCOMPARE(b.records[i][3], QString("14"));
            QCOMPARE(b.records[i + 1][3], QString("13"));
            QCOMPARE(b.records[i][1], b.records[i + 1][1]);  // same cj_id
            QCOMPARE(b.records[i][5], b.records[i + 1][5]);  // same candidate
        }
        QVERIFY(b.records[0][1] != b.records[2][1]);
    }

    void byClassHandsOutEveryQuestionOfTheClass()
    {
        TestServer t(true, 200);
        const Batch b = parse_batch(t.text(batch_target(demo::kWangFang, demo::kMath, "2")));
        QCOMPARE(b.records.size(), 22 * 5);  // 22 students, 5 subjective questions
        for (const QStringList& r : b.records) QCOMPARE(r[9], QString("2"));
        QVERIFY(b.end);
        QCOMPARE(b.finished, QString("2"));
    }

    void sharedQuestionIsLeasedToOneTeacherAtATime()
    {
        TestServer t;
        const Batch a = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "14")));
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        QCOMPARE(a.records.size(), 20);
        QCOMPARE(b.records.size(), 20);
        QVERIFY(!ids_of(a).intersects(ids_of(b)));
        // Asking again returns one's own reserved answers, not new ones.
        QCOMPARE(ids_of(parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "14")))), ids_of(a));

        // Once the lease runs out, the answers are free for the other teacher;
        // the first one can then no longer save them.
        t.server().advance_clock(t.options().lease_seconds + 1);
        const Batch c = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        QVERIFY(ids_of(c).intersects(ids_of(a)));
        const QString taken = *(ids_of(c) & ids_of(a)).begin();
        QCOMPARE(t.text(save_target(demo::kZhangMing, demo::kChinese, taken.toStdString() + ",3;")),
                 QString("saved_ids="));
        QCOMPARE(t.server().score_count(taken.toLongLong()), 0);
    }

    void leasesLastWhileTheTeacherIsAtWork()
    {
        TestServer t;
        const Batch a = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "14")));
        const int lease = t.options().lease_seconds;
        // The status poll and a save each restart the reservations.
        t.server().advance_clock(lease - 5);
        t.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=1&th_bj=14&n=10&lb=TH");
        t.server().advance_clock(lease - 5);
        t.text(save_target(demo::kZhangMing, demo::kChinese, a.records[0][0].toStdString() + ",1;"));
        t.server().advance_clock(lease - 5);
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        QVERIFY(!ids_of(a).intersects(ids_of(b)));
        // Gone quiet for longer than a lease: the answers are free again, and
        // Li, once her own batch is saved, gets them next.
        t.server().advance_clock(10);
        std::string fs;
        for (const QStringList& r : b.records) fs += r[0].toStdString() + ",1;";
        t.text(save_target(demo::kLiHua, demo::kChinese, fs, false));
        const Batch c = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        QVERIFY(ids_of(a).intersects(ids_of(c)));
    }

    void askingAgainGivesBackOnesOwnAnswersBeforeOnesThatFellFree_data()
    {
        QTest::addColumn<QString>("th_bj");
        QTest::newRow("one question") << "14";
        QTest::newRow("a group of two") << "14%2C13";
    }
    void askingAgainGivesBackOnesOwnAnswersBeforeOnesThatFellFree()
    {
        QFETCH(QString, th_bj);
        TestServer t;
        const int lease = t.options().lease_seconds;
        const Batch li = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        const Batch zhang = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, th_bj.toStdString())));
        QVERIFY(!ids_of(li).intersects(ids_of(zhang)));
        // Li goes quiet and loses the first answers of 14, which sort before
        // Zhang's; Zhang keeps polling and asks again (a reopened screen).
        t.server().advance_clock(lease - 5);
        t.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=1&th_bj=" + th_bj.toStdString() + "&n=10&lb=TH");
        t.server().advance_clock(10);
        const Batch again = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, th_bj.toStdString())));
        QCOMPARE(ids_of(again), ids_of(zhang));
    }

    void switchingQuestionsFreesTheAnswersEvenWhileTheTeacherWorksOn()
    {
        TestServer t;
        const Batch a = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "14")));
        const Batch other = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "13")));
        // Still at work on 13: the poll and a save restart what is held now, not
        // the 14s given up with the switch.
        t.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=1&th_bj=13&n=1&lb=TH");
        t.text(save_target(demo::kZhangMing, demo::kChinese, other.records[0][0].toStdString() + ",1;"));
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        QCOMPARE(ids_of(b), ids_of(a));
    }

    void expiredLeaseStillSavesWhenNobodyTookIt()
    {
        TestServer t;
        const Batch a = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "13")));
        t.server().advance_clock(t.options().lease_seconds * 3);
        const std::string id = a.records[0][0].toStdString();
        QCOMPARE(t.text(save_target(demo::kZhangMing, demo::kChinese, id + ",2;")),
                 QString::fromStdString("saved_ids=" + id));
    }

    void scoredAnswersComeBackOnlyThroughTheWorkedList()
    {
        TestServer t;
        const Batch a = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        const QString first = a.records[0][0], second = a.records[1][0];
        QCOMPARE(t.text(save_target(demo::kLiHua, demo::kChinese,
                                    first.toStdString() + ",7.5;" + second.toStdString() + ",0;", false)),
                 QString("save_ok;saved_ids=%1,%2;refused_ids=;").arg(first, second));
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        QVERIFY(!ids_of(b).contains(first) && !ids_of(b).contains(second));
        QCOMPARE(b.progress[8], QString("2"));  // completed by this teacher

        const QStringList worked = t.text("cj/net_user_worked.asp?ks_id=1&km_id=1&js_id=2").split(';');
        QCOMPARE(worked.size(), 3);
        QCOMPARE(worked.last(), QString());
        QSet<QString> scores;
        for (int i = 0; i < 2; ++i) {
            const QStringList f = worked[i].split(',');
            QCOMPARE(f.size(), 11);
            QCOMPARE(f[3], QString("15"));
            QCOMPARE(f[4], QString("7.5"));
            QCOMPARE(f[7], QString("1"));
            QVERIFY(QDateTime::fromString(f[8], "yyyy-MM-dd HH:mm:ss").isValid());
            scores << f[0] + "=" + f[6];
        }
        QCOMPARE(scores, (QSet<QString>{first + "=7.5", second + "=0"}));
    }

    void workEndsWhenTheSelectionIsUsedUp()
    {
        TestServer t(true, 30);
        // Question 13 has 66 answers: 30, 30, then the last 6 with work_end.
        for (int round = 0; round < 3; ++round) {
            const Batch b = parse_batch(t.text(batch_target(demo::kZhangMing, demo::kChinese, "13")));
            QCOMPARE(b.records.size(), round < 2 ? 30 : 6);
            QCOMPARE(b.end, round == 2);
            std::string fs;
            for (const QStringList& r : b.records) fs += r[0].toStdString() + ",1;";
            t.text(save_target(demo::kZhangMing, demo::kChinese, fs, false));
        }
        const QString done = t.text(batch_target(demo::kZhangMing, demo::kChinese, "13"));
        QVERIFY2(done.endsWith(";work_end;13"), qPrintable(done));
        const Batch b = parse_batch(done);
        QCOMPARE(b.records.size(), 0);
        QCOMPARE(b.progress.size(), 10);
        QCOMPARE(b.progress[8], QString("66"));
    }

    void groupsEndWhenAStudentsAnswersCannotAllBeHanded()
    {
        TestServer t(true, 200);
        // Li Hua takes every answer of 14; Zhang Ming's "13,14" has no whole group left.
        parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "14")));
        const QString reply = t.text(batch_target(demo::kZhangMing, demo::kChinese, "13%2C14"));
        QVERIFY2(reply.endsWith(";work_end;13,14"), qPrintable(reply));
        QCOMPARE(parse_batch(reply).records.size(), 0);
    }

    void saveStoresOnlyValidElements_data()
    {
        QTest::addColumn<QString>("element");  // %1 is a work id handed to teacher 2 for question 15 (full 7.5)
        QTest::addColumn<bool>("stored");
        QTest::newRow("full mark") << "%1,7.5;" << true;
        QTest::newRow("zero") << "%1,0;" << true;
        QTest::newRow("decimal") << "%1,3.25;" << true;
        QTest::newRow("three places") << "%1,3.125;" << true;
        QTest::newRow("above the full mark") << "%1,8;" << false;
        QTest::newRow("negative") << "%1,-1;" << false;
        QTest::newRow("not a number") << "%1,abc;" << false;
        QTest::newRow("empty score") << "%1,;" << false;
        QTest::newRow("infinity") << "%1,inf;" << false;
        QTest::newRow("hex") << "%1,0x3;" << false;
        QTest::newRow("three fields") << "%1,3,4;" << false;
        QTest::newRow("not handed to this teacher") << "%2,3;" << false;
        QTest::newRow("no such work item") << "999999,3;" << false;
    }
    void saveStoresOnlyValidElements()
    {
        QFETCH(QString, element);
        QFETCH(bool, stored);
        TestServer t;
        const Batch mine = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        const Batch other = parse_batch(t.text(batch_target(demo::kZhaoQiang, demo::kChinese, "16")));
        const QString id = mine.records[0][0];
        const QString e = QString(element).replace("%1", id).replace("%2", other.records[0][0]);
        const QString reply = t.text(save_target(demo::kLiHua, demo::kChinese, e.toStdString()));
        QCOMPARE(reply, stored ? "saved_ids=" + id : QString("saved_ids="));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), stored ? 1 : 0);
        // The worked list gives back the score as it was keyed.
        if (stored)
            QCOMPARE(t.text("cj/net_user_worked.asp?ks_id=1&km_id=1&js_id=2").section(',', 6, 6),
                     e.section(',', 1).chopped(1));
    }

    void saveOfAnotherSubjectOrAClosedExamStoresNothing()
    {
        TestServer t;
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        const std::string id = b.records[0][0].toStdString();
        QCOMPARE(t.text(save_target(demo::kLiHua, demo::kMath, id + ",1;")), QString("saved_ids="));
        t.server().exec_sql("UPDATE exams SET state = 2");
        QCOMPARE(t.text(save_target(demo::kLiHua, demo::kChinese, id + ",1;")), QString("saved_ids="));
        // The manual save's refusal is an error page: the client shows it
        // instead of taking it for saved and fetching the next batch.
        const QString refused = t.text(save_target(demo::kLiHua, demo::kChinese, id + ",1;", false));
        QVERIFY2(!refused.contains(QString::fromStdString(id)) && refused.contains("运行时错误"), qPrintable(refused));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 0);
    }

    void savingTwiceStoresOnce()
    {
        TestServer t;
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        const std::string id = b.records[0][0].toStdString();
        QCOMPARE(t.text(save_target(demo::kLiHua, demo::kChinese, id + ",5;" + id + ",5;")),
                 QString::fromStdString("saved_ids=" + id));
        QCOMPARE(t.text(save_target(demo::kLiHua, demo::kChinese, id + ",5;", false)),
                 QString::fromStdString("save_ok;saved_ids=" + id + ";refused_ids=;"));
        QCOMPARE(t.server().score_count(std::stoll(id)), 1);
        // Re-scoring from the worked list changes the one score.
        t.text(save_target(demo::kLiHua, demo::kChinese, id + ",6.5;"));
        QCOMPARE(t.server().score_count(std::stoll(id)), 1);
        QCOMPARE(t.server().score_of(std::stoll(id)), std::optional<double>(6.5));
        // The other teacher of the subject cannot overwrite it.
        QCOMPARE(t.text(save_target(demo::kZhangMing, demo::kChinese, id + ",1;")), QString("saved_ids="));
        QCOMPARE(t.server().score_of(std::stoll(id)), std::optional<double>(6.5));
    }

    void correctionIsForTheSubjectLeader()
    {
        TestServer t;
        const std::string fs = "cj/net_save_fs.asp?modi_fs=1&ks_id=1&km_id=1&js_id=%1&js_name=x&fs_str=0,0;5,4;";
        auto target = [&](int teacher) { return QString::fromStdString(fs).arg(teacher).toStdString(); };
        QVERIFY(t.text(target(demo::kZhangMing)).startsWith("修改失败"));
        QCOMPARE(t.server().score_count(5), 0);
        QCOMPARE(t.text(target(demo::kChenJing)), QString("第17题得分已由 未评分 改为 4。"));
        QCOMPARE(t.server().score_of(5), std::optional<double>(4));
    }

    void hiddenNamesAreNotSent()
    {
        TestServer t;
        t.server().exec_sql("UPDATE exams SET hide_name = 1");
        const Batch b = parse_batch(t.text(batch_target(demo::kLiHua, demo::kChinese, "15")));
        QCOMPARE(b.progress[9], QString("1"));
        QCOMPARE(b.records[0][2], QString("*"));
    }

    void noSetBeforeTheExamsCreatorAssignsWork()
    {
        TestServer t;
        t.server().exec_sql("DELETE FROM assignments WHERE subject_id = 2");
        QCOMPARE(t.text("cj/net_get_work.asp?ks_id=1&km_id=2&js_id=3"), QString("no_set"));
        QCOMPARE(t.text(batch_target(demo::kWangFang, demo::kMath, "1")), QString("no_set"));
    }

    void twoTeachersMarkingOneQuestionNeverShareAnAnswer()
    {
        TestServer t(true, 7);
        std::mutex mu;
        std::map<int, std::vector<QString>> handed;
        std::map<int, std::set<QString>> saved;
        std::latch both_have_work(2);  // each holds a batch before anyone saves
        const std::map<int, std::string> cookies{{demo::kZhangMing, t.login(demo::kZhangMing)},
                                                 {demo::kLiHua, t.login(demo::kLiHua)}};
        auto teacher = [&](int id) {
            httplib::Client c("127.0.0.1", t.server().port());
            c.set_url_encode(false);
            c.set_default_headers({{"Cookie", cookies.at(id)}});
            for (int round = 0; round < 100; ++round) {
                auto r = c.Get(("/" + batch_target(id, demo::kChinese, "14")).c_str());
                if (round == 0) both_have_work.arrive_and_wait();
                if (!r) return;
                const Batch b = parse_batch(QString::fromLatin1(r->body.c_str()));
                std::string fs;
                for (const QStringList& rec : b.records) fs += rec[0].toStdString() + ",2;";
                // Every element twice, automatic and manual: stored once all the same.
                auto s1 = c.Get(("/" + save_target(id, demo::kChinese, fs)).c_str());
                auto s2 = c.Get(("/" + save_target(id, demo::kChinese, fs, false)).c_str());
                std::lock_guard lock(mu);
                for (const QStringList& rec : b.records) handed[id].push_back(rec[0]);
                if (s1)
                    for (const QString& x : QString::fromStdString(s1->body).mid(10).split(',', Qt::SkipEmptyParts))
                        saved[id].insert(x);
                if (b.end && b.records.isEmpty()) return;
            }
        };
        std::thread a(teacher, demo::kZhangMing), b(teacher, demo::kLiHua);
        a.join();
        b.join();

        const QSet<QString> ha(handed[demo::kZhangMing].begin(), handed[demo::kZhangMing].end());
        const QSet<QString> hb(handed[demo::kLiHua].begin(), handed[demo::kLiHua].end());
        QVERIFY(!ha.intersects(hb));
        QCOMPARE(int(ha.size() + hb.size()), 66);
        QVERIFY2(!ha.isEmpty() && !hb.isEmpty(), qPrintable(QString("%1 %2").arg(ha.size()).arg(hb.size())));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 66);
        QCOMPARE(t.server().query_int("SELECT COUNT(DISTINCT answer_id) FROM scores"), 66);
        for (int id : {demo::kZhangMing, demo::kLiHua})
            for (const QString& x : saved[id]) {
                QCOMPARE(t.server().score_count(x.toLongLong()), 1);
                QCOMPARE(t.server().query_int("SELECT teacher_id FROM scores WHERE answer_id = " + x.toStdString()),
                         std::int64_t(id));
            }
    }
};

QTEST_GUILESS_MAIN(ServerMarkingTest)
#include "test_marking.moc"
