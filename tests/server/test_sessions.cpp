// Who may ask: pages of a teacher's work need that teacher's session, login
// guessing is paced, and slow or greedy connections cannot starve the
// others. Also the checks of what a teacher sends (scores, ids, names).
#include "demo_data.h"
#include "pages.h"
#include "server_fixture.h"
#include "sessions.h"

#include <httplib.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <vector>

using namespace velmora;

namespace {

const std::string kBatch = "cj/net_user_work.asp?ks_id=1&km_id=1&js_id=1&th_bj=13";

// Everything a refused request could have changed.
QString footprint(TestServer& t)
{
    return QString::number(t.server().query_int("SELECT COUNT(*) FROM handouts")) + "/"
           + QString::number(t.server().query_int("SELECT COUNT(*) FROM scores")) + "/"
           + QString::number(t.server().query_int("SELECT COUNT(*) FROM score_log")) + "/"
           + QString::number(t.server().query_int("SELECT COUNT(*) FROM corrections")) + "/"
           + QString::number(t.server().query_int("SELECT COUNT(*) FROM feedback"));
}

std::string login_target(int school, const QString& name, const std::string& password)
{
    return "cj/net_login.asp?xx_id=" + std::to_string(school) + "&js_name=" + enc(name) + "&password=" + password;
}

// A raw connection to the server that sends part of a request and waits.
int open_socket(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool closed_by_server(int fd)
{
    char c;
    const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

struct Sockets {
    std::vector<int> fds;
    ~Sockets()
    {
        for (int fd : fds) ::close(fd);
    }
};

}  // namespace

class ServerSessionsTest : public QObject {
    Q_OBJECT

private slots:
    void everyPageButTheOpenOnesNeedsASession()
    {
        TestServer t;
        // A page added to the routes without a thought is closed.
        for (const auto& [name, page] : pages()) {
            const Fetched f = t.get_as("cj/" + name + "?ks_id=1&km_id=1&js_id=1&user_id=1&u_id=1&xx_id=1", "");
            QVERIFY2((f.status == 401) == page_needs_session(name), name.c_str());
        }
        for (const char* open : {"net_get_school.asp", "net_get_js.asp", "tavix_help.html", "net_login.asp"})
            QVERIFY2(!page_needs_session(open), open);
        // The refusal is an error page the client explains: log in again.
        const Fetched f = t.get_as(kBatch, "");
        QVERIFY(f.text.contains("运行时错误") && f.text.contains("请重新登录"));
    }

    void anotherTeachersWorkIsRefusedAndUnchanged_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("owner");     // whose work the target is
        QTest::addColumn<int>("intruder");  // 0: no session at all
        QTest::addColumn<int>("status");
        const struct {
            const char* name;
            std::string target;
            int owner;
        } pages[] = {
            {"batch", kBatch, demo::kZhangMing},
            {"worked list", "cj/net_user_worked.asp?ks_id=1&km_id=1&js_id=1", demo::kZhangMing},
            {"image", "cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=1%5C26010101_13.txt", demo::kZhangMing},
            {"save", "cj/net_save_fs.asp?ks_id=1&km_id=1&js_id=1&js_name=x&fs_str=0,;1,3;", demo::kZhangMing},
            {"correction", "cj/net_save_fs.asp?modi_fs=1&ks_id=1&km_id=1&js_id=5&js_name=x&fs_str=0,0;1,2;",
             demo::kChenJing},
            {"report", "cj/cj_score.asp?ks_id=1&km_id=1&xx_id=1&u_id=1", demo::kZhangMing},
        };
        for (const auto& p : pages) {
            QTest::addRow("%s, no session", p.name) << QString::fromStdString(p.target) << p.owner << 0 << 401;
            // 王芳 marks 数学 only: 张明's image is not hers to see.
            const int other = p.owner == demo::kZhangMing ? demo::kWangFang : demo::kZhangMing;
            QTest::addRow("%s, another teacher's session", p.name)
                << QString::fromStdString(p.target) << p.owner << other << 403;
        }
        QTest::addRow("report of another school, own session") << "cj/cj_score.asp?ks_id=1&km_id=1&xx_id=2&u_id=1"
                                                               << demo::kZhangMing << demo::kZhangMing << 403;
        QTest::addRow("a teacher who does not exist") << "cj/net_get_work.asp?ks_id=1&km_id=1&js_id=999" << 999 << 0
                                                      << 401;
    }
    void anotherTeachersWorkIsRefusedAndUnchanged()
    {
        QFETCH(QString, target);
        QFETCH(int, owner);
        QFETCH(int, intruder);
        QFETCH(int, status);
        TestServer t;
        // Answer 1 (26010101, question 13) is handed to 张明 first.
        QVERIFY(t.text(kBatch).contains(";1,1,"));
        const QString before = footprint(t);
        const Fetched f = t.get_as(target.toStdString(), intruder ? t.login(intruder) : std::string());
        QCOMPARE(f.status, status);
        QVERIFY2(f.text.contains("运行时错误") && f.text.contains("请重新登录"), qPrintable(f.text));
        QCOMPARE(footprint(t), before);
        // The owner's own session gets the page.
        if (owner != 999 && !target.contains("xx_id=2")) {
            const Fetched mine = t.get_as(target.toStdString(), t.login(owner));
            QCOMPARE(mine.status, 200);
            QVERIFY2(!mine.text.contains("运行时错误"), qPrintable(mine.text));
        }
    }

    void sessionCookieEndsAfterADayUnused()
    {
        TestServer t;
        const Fetched login = t.get_as(login_target(1, "张明", "demo123"), "");
        QVERIFY(login.text.startsWith("School_Name398685,1,"));
        QVERIFY(login.set_cookie.find("HttpOnly") != std::string::npos);
        const std::string cookie = login.set_cookie.substr(0, login.set_cookie.find(';'));
        const std::string token = cookie.substr(cookie.find('=') + 1);
        QVERIFY(token.size() >= 22);  // at least 128 bits, base64
        // Kept only hashed: the store does not hold the token.
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM sessions WHERE token_hash = '" + token + "'"), 0);
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM sessions"), 1);

        // Used within a working day, it goes on; unused for one, it ends.
        t.server().advance_clock(kSessionIdleSeconds - 60);
        QCOMPARE(t.get_as(kBatch, cookie).status, 200);
        t.server().advance_clock(kSessionIdleSeconds - 60);
        QCOMPARE(t.get_as(kBatch, cookie).status, 200);
        t.server().advance_clock(kSessionIdleSeconds + 1);
        QCOMPARE(t.get_as(kBatch, cookie).status, 401);
        QCOMPARE(t.get_as(kBatch, "velmora_session=forged").status, 401);
    }

    void guessingIsPacedAndTheRightPasswordWorksAfterTheDelay()
    {
        TestServer t;
        const std::string right = login_target(1, "张明", "demo123");
        const std::string wrong = login_target(1, "张明", "guess");
        const std::string nobody = login_target(1, "无名", "guess");
        for (int i = 0; i < LoginGuard::kTeacherTries; ++i) {
            // A wrong name and a wrong password are told alike.
            QCOMPARE(t.text(nobody), t.text(wrong));
        }
        const QString refused = t.text(right);
        QVERIFY2(refused.startsWith("login_failed") && refused.contains("分钟后再试"), qPrintable(refused));
        QCOMPARE(t.text(nobody), refused);  // the unknown name is paced the same
        t.server().advance_clock(LoginGuard::kFirstDelay + 1);
        QVERIFY(t.text(right).startsWith("School_Name398685"));

        // Five more wrong, then after the delay one more wrong: the next delay is longer.
        for (int i = 0; i < LoginGuard::kTeacherTries; ++i) t.text(wrong);
        t.server().advance_clock(LoginGuard::kFirstDelay + 1);
        QVERIFY(t.text(wrong).contains("用户名称或登录密码错误"));
        t.server().advance_clock(LoginGuard::kFirstDelay + 1);
        QVERIFY(t.text(right).contains("分钟后再试"));
        t.server().advance_clock(LoginGuard::kFirstDelay * 2);
        QVERIFY(t.text(right).startsWith("School_Name398685"));
    }

    void guessingAcrossTeachersFromOneAddressIsPaced()
    {
        TestServer t;
        const QString names[] = {"张明", "李华", "王芳", "赵强", "陈静"};
        for (int i = 0; i < LoginGuard::kAddressTries; ++i)  // never five for one teacher
            QVERIFY(t.text(login_target(1, names[i % 5], "guess")).contains("用户名称或登录密码错误"));
        QVERIFY(t.text(login_target(2, "孙丽", "demo123")).contains("分钟后再试"));
        t.server().advance_clock(LoginGuard::kFirstDelay + 1);
        QVERIFY(t.text(login_target(2, "孙丽", "demo123")).startsWith("School_Name398685"));
    }

    void rangesAreNotServed()
    {
        TestServer t;
        std::string ranges = "bytes=0-";  // 2,000 overlapping ranges in 8 KB
        for (int i = 0; i < 2000; ++i) ranges += ",0-";
        httplib::Client c("127.0.0.1", t.server().port());
        for (const std::string& range : {ranges, std::string("bytes=0-0"), std::string("bytes=x")}) {
            const auto r = c.Get("/cj/tavix_help.html", {{"Range", range}});
            QVERIFY(r);
            const auto plain = c.Get("/cj/tavix_help.html");
            QVERIFY2(r->status == 200 || r->status == 416, range.c_str());
            if (r->status == 200) QCOMPARE(r->body.size(), plain->body.size());
        }
    }

    void aTeacherIsAnsweredWhileSlowClientsHoldConnections()
    {
        TestServer t;
        const std::string cookie = t.login(demo::kZhangMing);
        // 70 connections that each sent part of a header and wait.
        Sockets drips;
        for (int i = 0; i < 70; ++i) {
            const int fd = open_socket(t.server().port());
            QVERIFY(fd >= 0);
            const char part[] = "GET /cj/net_get_school.asp?q= HTTP/1.1\r\nHost: 127.0.0.1\r\n";
            QVERIFY(::send(fd, part, sizeof part - 1, MSG_NOSIGNAL) > 0);
            drips.fds.push_back(fd);
        }
        httplib::Client c("127.0.0.1", t.server().port());
        c.set_url_encode(false);
        c.set_default_headers({{"Cookie", cookie}});
        QElapsedTimer clock;
        clock.start();
        const auto r = c.Get(("/" + kBatch).c_str());
        const qint64 ms = clock.elapsed();
        QVERIFY(r);
        QCOMPARE(r->status, 200);
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    }

    void slowGreedyAndEndlessRequestsAreCutOff()
    {
        TestServer t(false);
        t.options().request_seconds = 1;
        t.options().connections_per_address = 4;
        t.restart();
        const int port = t.server().port();
        Sockets s;
        // A header that does not arrive in time is dropped.
        s.fds.push_back(open_socket(port));
        QVERIFY(::send(s.fds[0], "GET /cj/", 8, MSG_NOSIGNAL) == 8);
        QTRY_VERIFY_WITH_TIMEOUT(closed_by_server(s.fds[0]), 5000);

        // A fifth connection of one address closes the oldest waiting one.
        for (int i = 0; i < 5; ++i) s.fds.push_back(open_socket(port));
        QTRY_VERIFY_WITH_TIMEOUT(closed_by_server(s.fds[1]), 500);
        QVERIFY(!closed_by_server(s.fds[5]));

        // Endless header lines are cut off early: the server answers 431
        // after reading a little of them and closes the connection.
        const int fd = open_socket(port);
        s.fds.push_back(fd);
        std::string flood = "GET /cj/tavix_help.html HTTP/1.1\r\n";
        while (flood.size() < 64 * 1024) flood += "X: y\r\n";
        size_t sent = 0;
        QDeadlineTimer deadline(10000);
        while (sent < 1'000'000 && !deadline.hasExpired()) {
            const ssize_t n = ::send(fd, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) sent += size_t(n);
            else break;  // full buffers (the server stopped reading) or a reset
        }
        std::string reply;
        char buf[512];
        auto read_some = [&] {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) reply.append(buf, size_t(n));
            return reply.find("\r\n\r\n") != std::string::npos;
        };
        QTRY_VERIFY_WITH_TIMEOUT(read_some(), 5000);
        QVERIFY2(reply.rfind("HTTP/1.1 431", 0) == 0, reply.c_str());
    }

    void storeFilesAreTheOwnersOnly()
    {
        TestServer t(false);  // a database the server creates
        QVERIFY(t.text("cj/net_get_school.asp?q=").startsWith("School_Name"));
        for (const QString& name : {QString("marks.db"), QString("marks.db-wal"), QString("images")}) {
            struct stat st{};
            QVERIFY2(::stat(QString(t.dir() + "/" + name).toLocal8Bit().constData(), &st) == 0, qPrintable(name));
            QVERIFY2((st.st_mode & 077) == 0, qPrintable(name + " " + QString::number(st.st_mode & 0777, 8)));
        }
    }

    void scoresCompareAsTheDecimalKeyed_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("stored");
        QTest::newRow("full mark") << "4" << true;
        QTest::newRow("full mark with places") << "4.000" << true;
        QTest::newRow("a hair above") << "4.0000000005" << false;
        QTest::newRow("a hair below") << "3.9999999999" << true;
        QTest::newRow("leading zero") << "04" << true;
        QTest::newRow("half") << ".5" << true;
        QTest::newRow("above") << "4.5" << false;
    }
    void scoresCompareAsTheDecimalKeyed()
    {
        QFETCH(QString, score);
        QFETCH(bool, stored);
        TestServer t;
        QVERIFY(t.text(kBatch).contains(";1,1,"));  // question 13, full mark 4
        const QString reply = t.text("cj/net_save_fs.asp?ks_id=1&km_id=1&js_id=1&js_name=x&fs_str=0,;1,"
                                     + score.toStdString() + ";");
        QCOMPARE(t.server().score_count(1), stored ? 1 : 0);
        QVERIFY2(reply.contains(stored ? "saved_ids=1;" : "refused_ids=1;"), qPrintable(reply));
    }

    void badIdsAndNamesAreRefusedNotDropped()
    {
        TestServer t;
        QVERIFY(t.text(kBatch).contains(";1,1,"));
        const QString save = t.text("cj/net_save_fs.asp?ks_id=1&km_id=1&js_id=1&js_name=x"
                                    "&fs_str=0,;-5,1;99999999999999999999,1;1,2;");
        QCOMPARE(save, QString("save_ok;saved_ids=1;refused_ids=-5,99999999999999999999;"));

        // Feedback: control characters in a file name, a list too long; the
        // name recorded is the teacher's own, not what was sent.
        const std::string tail = "&ks_id=1&km_id=1&cj_id=1&js_id=1&js_name=" + std::string(300, 'a');
        for (const std::string& img : {std::string("a%09b.gif"), std::string("a%00b.gif"), std::string("x.gif,") + std::string(200, 'y')}) {
            QVERIFY(t.text("cj/net_post_err.asp?xx_id=-1&img_str=" + img + tail).startsWith("操作失败"));
            QVERIFY(t.text("cj/net_post_err.asp?xx_id=1&bj_id=1&img_str=" + img + tail).startsWith("操作失败"));
        }
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM feedback"), 0);
        QCOMPARE(t.text("cj/net_post_err.asp?xx_id=-1&img_str=26010101_13.gif" + tail), QString("MF_Error"));
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM feedback WHERE length(teacher_name) < 10"), 1);

        // Subjects of an exam the teacher's school does not sit.
        const Fetched other = t.get("cj/net_ks_km1.asp?ks_id=1&xx_id=2&js_id=6");
        QCOMPARE(other.status, 400);
        QVERIFY(!other.text.contains("Studen_Number"));
    }
};

QTEST_GUILESS_MAIN(ServerSessionsTest)
#include "test_sessions.moc"
