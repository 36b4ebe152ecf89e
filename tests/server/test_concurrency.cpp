// What the server's speed rests on and must not break: many teachers at
// once never share an answer, the counts it keeps match a recount of the
// tables, and pages that change nothing answer while a writer holds the
// database.
#include "demo_data.h"
#include "server_fixture.h"
#include "store.h"
#include "turns.h"

#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <latch>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace velmora;

namespace {

std::string batch_target(int teacher, const std::string& th)
{
    return "/cj/net_user_work.asp?ks_id=1&km_id=1&js_id=" + std::to_string(teacher) + "&th_bj=" + th;
}

std::string save_target(int teacher, const std::string& fs, bool automatic)
{
    return std::string("/cj/net_save_fs.asp?") + (automatic ? "auto_save=1&" : "")
           + "ks_id=1&km_id=1&js_id=" + std::to_string(teacher) + "&js_name=x&fs_str=0,;" + fs;
}

QStringList work_ids(const std::string& batch_reply)
{
    QStringList ids;
    const QStringList pieces = QString::fromLatin1(batch_reply.c_str()).section("work_end;", 0, 0).split(';');
    for (int i = 1; i < pieces.size() - 1; ++i) ids << pieces[i].section(',', 0, 0);
    return ids;
}

// The kept counts and open answers, each against a count of the tables
// themselves: rows that differ, 0 when in step.
const char* kOutOfStep[] = {
    "SELECT COUNT(*) FROM (SELECT answer_id FROM open_answers EXCEPT SELECT a.id FROM answers a "
    "JOIN questions qu ON qu.id = a.question_id WHERE a.uploaded = 1 AND qu.objective = 0 "
    "AND a.id NOT IN (SELECT answer_id FROM scores))",
    "SELECT COUNT(*) FROM (SELECT a.id FROM answers a JOIN questions qu ON qu.id = a.question_id "
    "WHERE a.uploaded = 1 AND qu.objective = 0 AND a.id NOT IN (SELECT answer_id FROM scores) "
    "EXCEPT SELECT answer_id FROM open_answers)",
    "SELECT COUNT(*) FROM (SELECT question_id, answers, uploaded, scored FROM question_tally EXCEPT "
    "SELECT a.question_id, COUNT(*), SUM(a.uploaded), SUM(a.uploaded AND sc.answer_id IS NOT NULL) "
    "FROM answers a LEFT JOIN scores sc ON sc.answer_id = a.id GROUP BY a.question_id)",
    "SELECT COUNT(*) FROM (SELECT subject_id, class_id, answers, uploaded, scored FROM class_tally EXCEPT "
    "SELECT r.subject_id, st.class_id, COUNT(*), SUM(a.uploaded), SUM(a.uploaded AND sc.answer_id IS NOT NULL) "
    "FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id "
    "JOIN questions qu ON qu.id = a.question_id LEFT JOIN scores sc ON sc.answer_id = a.id "
    "WHERE qu.objective = 0 GROUP BY r.subject_id, st.class_id)",
    "SELECT COUNT(*) FROM (SELECT subject_id, results, uploaded FROM subject_tally EXCEPT "
    "SELECT sub.id, (SELECT COUNT(*) FROM results WHERE subject_id = sub.id), (SELECT COUNT(*) FROM answers a "
    "JOIN questions qu ON qu.id = a.question_id WHERE qu.subject_id = sub.id AND qu.objective = 0 "
    "AND a.uploaded = 1) FROM subjects sub)",
    "SELECT COUNT(*) FROM (SELECT teacher_id, subject_id, scored FROM teacher_tally WHERE scored <> 0 EXCEPT "
    "SELECT sc.teacher_id, qu.subject_id, COUNT(*) FROM scores sc JOIN answers a ON a.id = sc.answer_id "
    "JOIN questions qu ON qu.id = a.question_id GROUP BY sc.teacher_id, qu.subject_id)",
};

void verify_in_step(Server& s, const char* when)
{
    for (const char* sql : kOutOfStep) QVERIFY2(s.query_int(sql) == 0, qPrintable(QString("%1: %2").arg(when, sql)));
}

}  // namespace

class ServerConcurrencyTest : public QObject {
    Q_OBJECT

private slots:
    void manyTeachersAtOnceNeverGetTheSameAnswer()
    {
        // Six teachers on question 14 with batches of three: many rounds,
        // each teacher asking again before and after saving.
        TestServer t(true, 3);
        const std::vector<int> teachers{demo::kZhangMing, demo::kLiHua, 100, 101, 102, 103};
        for (int id : {100, 101, 102, 103}) {
            t.server().exec_sql("INSERT INTO teachers(id, school_id, name, password) SELECT " + std::to_string(id)
                                + ", 1, 't" + std::to_string(id) + "', password FROM teachers WHERE id = 1");
            t.server().exec_sql("INSERT INTO assignments(subject_id, teacher_id, question_id) SELECT 1, "
                                + std::to_string(id) + ", id FROM questions WHERE subject_id = 1 AND number = '14'");
        }
        std::mutex mu;
        std::map<QString, std::set<int>> handed;  // answer -> teachers it went to
        std::latch start(int(teachers.size()));
        auto teacher = [&](int id) {
            httplib::Client c("127.0.0.1", t.server().port());
            c.set_url_encode(false);
            c.set_default_headers({{"Cookie", log_in(t.server().port(), id)}});
            start.arrive_and_wait();
            for (int round = 0; round < 200; ++round) {
                auto first = c.Get(batch_target(id, "14").c_str());
                auto again = c.Get(batch_target(id, "14").c_str());  // a reopened screen: the same answers
                if (!first || !again) return;
                const QStringList ids = work_ids(first->body);
                {
                    std::lock_guard lock(mu);
                    for (const QString& w : ids) handed[w].insert(id);
                    for (const QString& w : work_ids(again->body)) handed[w].insert(id);
                }
                if (ids.isEmpty()) return;
                std::string fs;
                for (const QString& w : ids) fs += w.toStdString() + ",2;";
                c.Get(save_target(id, fs, true).c_str());
            }
        };
        std::vector<std::thread> threads;
        for (int id : teachers) threads.emplace_back(teacher, id);
        for (auto& th : threads) th.join();

        QCOMPARE(int(handed.size()), 66);
        for (const auto& [answer, to] : handed) {
            QVERIFY2(to.size() == 1, qPrintable("answer " + answer + " went to several teachers"));
            QCOMPARE(t.server().query_int("SELECT teacher_id FROM scores WHERE answer_id = " + answer.toStdString()),
                     std::int64_t(*to.begin()));
        }
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 66);
        verify_in_step(t.server(), "after the rounds");
    }

    void keptCountsMatchARecount()
    {
        TestServer t(true, 200);
        verify_in_step(t.server(), "fresh");
        // Saves of both kinds of work, a re-score, a correction of an
        // answer nobody scored, a withdrawn scan, a score taken back.
        const QStringList chinese = work_ids(t.get(batch_target(demo::kLiHua, "15").substr(1)).body);
        QVERIFY(chinese.size() > 3);
        t.get(save_target(demo::kLiHua, chinese[0].toStdString() + ",7;" + chinese[1].toStdString() + ",1;", false)
                  .substr(1));
        t.get(save_target(demo::kLiHua, chinese[0].toStdString() + ",3;", true).substr(1));
        const QStringList math = work_ids(
            t.get("cj/net_user_work.asp?ks_id=1&km_id=2&js_id=" + std::to_string(demo::kWangFang) + "&th_bj=1").body);
        QVERIFY(!math.isEmpty());
        t.get("cj/net_save_fs.asp?auto_save=1&ks_id=1&km_id=2&js_id=" + std::to_string(demo::kWangFang)
              + "&js_name=x&fs_str=0,;" + math[0].toStdString() + ",1;");
        t.get("cj/net_save_fs.asp?modi_fs=1&ks_id=1&km_id=1&js_id=" + std::to_string(demo::kChenJing)
              + "&js_name=x&fs_str=0,0;" + chinese[2].toStdString() + ",2;");
        verify_in_step(t.server(), "after saves and a correction");
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM scores"), 4);

        t.server().exec_sql("UPDATE answers SET uploaded = 0 WHERE id IN (" + chinese[3].toStdString() + ", "
                            + chinese[0].toStdString() + ")");
        t.server().exec_sql("DELETE FROM scores WHERE answer_id = " + chinese[1].toStdString());
        verify_in_step(t.server(), "after a withdrawn scan and a score taken back");
        // What the teacher is shown follows: the status line counts from them.
        QVERIFY(t.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=2&th_bj=15&n=1&lb=TH")
                    .contains("已批阅1份，待批阅63份"));
        t.restart();
        verify_in_step(t.server(), "after a restart");
    }

    void pagesThatChangeNothingAnswerWhileAWriterHoldsTheDatabase()
    {
        TestServer t(true, 1);
        // Zhang scores his one answer of 13; question 15 is marked out.
        const QStringList mine = work_ids(t.get(batch_target(demo::kZhangMing, "13").substr(1)).body);
        QCOMPARE(mine.size(), 1);
        const std::string saved = save_target(demo::kZhangMing, mine[0].toStdString() + ",2;", true).substr(1);
        QCOMPARE(t.text(saved), "saved_ids=" + mine[0]);
        t.server().exec_sql("INSERT INTO scores(answer_id, teacher_id, score, marked_at) "
                            "SELECT id, 2, 1, 0 FROM answers WHERE question_id = 15");

        // Logged in first: a login writes its session.
        const std::string li = t.login(demo::kLiHua), leader = t.login(demo::kChenJing);
        Db other(t.options().db_path);  // another process's writer, as far as the server can tell
        other.exec("BEGIN IMMEDIATE");
        // Each answers from a read; one that waited for the database would
        // time out (the client gives up long before SQLite's busy wait).
        QCOMPARE(t.text(saved), "saved_ids=" + mine[0]);
        QVERIFY(t.get_as(batch_target(demo::kLiHua, "15").substr(1), li).text.endsWith(";work_end;15"));
        QVERIFY(t.get_as("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=5&th_bj=&n=1&lb=TH", leader)
                    .text.contains("满分"));
        QCOMPARE(t.text("cj/net_user_worked.asp?ks_id=1&km_id=1&js_id=1").section(',', 0, 0), mine[0]);
        other.exec("ROLLBACK");
        // And a page that writes goes on once the writer is done.
        QCOMPARE(work_ids(t.get(batch_target(demo::kZhangMing, "13").substr(1)).body).size(), 1);
    }

    // The database log is copied into the database as it grows and then
    // written from its start again, also under a writer that never pauses
    // (whose every transaction begins before a copy can have caught up); a
    // log that only grows makes reads slower and never gives its disk back.
    void theLogStartsOverUnderAWriterThatNeverPauses()
    {
        QTemporaryDir dir;
        const std::string path = QDir(dir.path()).filePath("log.db").toStdString();
        Store store(path, 2);
        {
            auto db = store.acquire();
            db->exec("PRAGMA journal_mode=WAL");
            db->exec("CREATE TABLE pages(id INTEGER PRIMARY KEY, body BLOB)");
        }
        // The log's header counts the times it was started over (bytes 12
        // to 15, most significant first).
        auto starts = [log = QString::fromStdString(path + "-wal")] {
            QFile f(log);
            if (!f.open(QIODevice::ReadOnly)) return -1;
            const QByteArray h = f.read(16);
            return h.size() < 16 ? -1 : int(qFromBigEndian<quint32>(h.constData() + 12));
        };
        // The same twenty pages, commit after commit: some 35 pages each,
        // 100,000 in all at most (without starting over, a log of 400 MB).
        struct Writer {
            std::atomic<bool> stop{false}, done{false};
            std::atomic<int> commits{0};
            std::thread thread;
            ~Writer()
            {
                stop = true;
                if (thread.joinable()) thread.join();
            }
        } w;
        // A long reader (a large report) keeps the log from starting over
        // while it reads; the writer goes on meanwhile, and once it is done
        // the log starts over again.
        Db reader(path);
        reader.exec("BEGIN");
        QCOMPARE(reader.count("SELECT COUNT(*) FROM pages"), 0);
        w.thread = std::thread([&] {
            for (; !w.stop && w.commits < 3000; ++w.commits) {
                auto db = store.acquire();
                Tx tx(*db, Tx::Write);
                db->run("INSERT OR REPLACE INTO pages(id, body) VALUES(1, zeroblob(80000))");
                tx.commit_unsynced();
            }
            w.done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(w.commits >= 400, 60000);
        const int first = starts();
        reader.exec("COMMIT");
        QTRY_VERIFY_WITH_TIMEOUT(starts() >= first + 2 || w.done, 60000);
        QVERIFY2(starts() >= first + 2, "the log was not started over twice in 3,000 commits");
        QVERIFY(QFileInfo(QString::fromStdString(path)).size() > 80000);  // copied into the database
    }

    // Only so many pages compute at once; the others wait and all get on.
    // The last turn is kept for a save: long pages never hold them all.
    void turnsLetOnlySoManyComputeAtOnce()
    {
        Turns turns(3, 1);
        std::mutex mu;
        std::condition_variable cv;
        int running = 0, most = 0, done = 0;
        bool go = false;
        std::vector<std::thread> pages;
        for (int i = 0; i < 8; ++i)
            pages.emplace_back([&] {
                Turns::Turn turn(turns);
                std::unique_lock lock(mu);
                most = std::max(most, ++running);
                cv.wait(lock, [&] { return go; });
                --running;
                ++done;
            });
        QTRY_COMPARE(turns.waiting(), 6);
        std::atomic<bool> saved{false};
        std::thread save([&] {
            Turns::Turn turn(turns, Turns::Turn::Urgent);
            saved = true;
        });
        QTRY_VERIFY(saved);
        save.join();
        {
            std::lock_guard lock(mu);
            QCOMPARE(running, 2);
            go = true;
        }
        cv.notify_all();
        for (auto& t : pages) t.join();
        QCOMPARE(most, 2);
        QCOMPARE(done, 8);
    }

    // Who waits gets the turn in this order: a page that gave its turn up
    // while it waited, then a save, then the others as they came; a nested
    // turn and a thread without one ask for nothing.
    void turnsGoBackFirstThenSavesThenInOrder()
    {
        Turns turns(1, 0);
        std::mutex mu;
        std::condition_variable cv;
        std::vector<std::string> order;
        bool aside = false, back = false;
        auto record = [&](const std::string& who) {
            std::lock_guard lock(mu);
            order.push_back(who);
        };
        std::thread returning([&] {
            Turns::Turn turn(turns);
            Turns::Turn nested(turns);  // would wait for itself if it asked
            {
                Turns::Aside a;
                std::unique_lock lock(mu);
                aside = true;
                cv.notify_all();
                cv.wait(lock, [&] { return back; });
            }
            record("returning");
        });
        {
            std::unique_lock lock(mu);
            cv.wait(lock, [&] { return aside; });
        }
        std::vector<std::thread> others;
        {
            Turns::Turn mine(turns);  // the turn the returning page gave up
            {
                Turns::Aside none;
                Turns::Aside twice;  // nothing left to give
            }
            others.emplace_back([&] {
                Turns::Turn turn(turns);
                record("first");
            });
            QTRY_COMPARE(turns.waiting(), 1);
            others.emplace_back([&] {
                Turns::Turn turn(turns);
                record("second");
            });
            QTRY_COMPARE(turns.waiting(), 2);
            others.emplace_back([&] {
                Turns::Turn turn(turns, Turns::Turn::Urgent);
                record("save");
            });
            QTRY_COMPARE(turns.waiting(), 3);
            {
                std::lock_guard lock(mu);
                back = true;
            }
            cv.notify_all();
            QTRY_COMPARE(turns.waiting(), 4);
        }
        returning.join();
        for (auto& t : others) t.join();
        QCOMPARE(order, (std::vector<std::string>{"returning", "save", "first", "second"}));
    }
};

QTEST_GUILESS_MAIN(ServerConcurrencyTest)
#include "test_concurrency.moc"
