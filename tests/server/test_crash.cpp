// A server killed with SIGKILL in the middle of saving loses no score whose
// save had been answered.
#include "demo_data.h"
#include "server_fixture.h"

#include <httplib.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

using namespace velmora;

class ServerCrashTest : public QObject {
    Q_OBJECT

private slots:
    void killedServerKeepsAnsweredSaves()
    {
        QTemporaryDir dir;
        const QString db = dir.path() + "/marks.db";
        QProcess proc;
        proc.setProgram(VELMORA_SERVER_BIN);
        proc.setArguments({"--db", db, "--port", "0", "--demo"});
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start();
        QVERIFY(proc.waitForStarted());
        QByteArray out;
        while (!out.contains('\n') && proc.waitForReadyRead(10000)) out += proc.readAllStandardOutput();
        const auto m = QRegularExpression("127\\.0\\.0\\.1:(\\d+)/").match(QString::fromUtf8(out));
        QVERIFY2(m.hasMatch(), out.constData());
        const int port = m.captured(1).toInt();

        std::mutex mu;
        std::condition_variable cv;
        std::vector<std::int64_t> answered;
        auto teacher = [&](int id, const std::string& th) {
            httplib::Client c("127.0.0.1", port);
            c.set_url_encode(false);
            c.set_default_headers({{"Cookie", log_in(port, id)}});
            c.set_connection_timeout(2);
            c.set_read_timeout(2);
            for (;;) {
                auto batch = c.Get(("/cj/net_user_work.asp?ks_id=1&km_id=1&js_id=" + std::to_string(id)
                                    + "&th_bj=" + th).c_str());
                if (!batch) return;  // the server is gone
                const QStringList records = QString::fromLatin1(batch->body.c_str()).split(';');
                if (records.size() <= 2) return;
                for (int i = 1; i < records.size() - 1; ++i) {
                    const std::string work = records[i].section(',', 0, 0).toStdString();
                    auto r = c.Get(("/cj/net_save_fs.asp?auto_save=1&ks_id=1&km_id=1&js_id=" + std::to_string(id)
                                    + "&js_name=x&fs_str=0,;" + work + ",1;").c_str());
                    if (!r) return;
                    if (r->body == "saved_ids=" + work) {
                        std::lock_guard lock(mu);
                        answered.push_back(std::stoll(work));
                        cv.notify_all();
                    }
                }
            }
        };
        std::thread a(teacher, demo::kZhangMing, "13"), b(teacher, demo::kLiHua, "15"),
            c(teacher, demo::kZhaoQiang, "16");
        bool enough = false;
        {
            std::unique_lock lock(mu);
            enough = cv.wait_for(lock, std::chrono::seconds(30), [&] { return answered.size() >= 40; });
        }
        ::kill(pid_t(proc.processId()), SIGKILL);  // saves are still coming in
        const bool ended = proc.waitForFinished(10000);
        a.join();
        b.join();
        c.join();
        QVERIFY(enough);
        QVERIFY(ended);

        ServerOptions o;
        o.db_path = db.toStdString();
        o.port = 0;
        Server again(o);
        again.start();
        for (std::int64_t work : answered) QCOMPARE(again.score_count(work), 1);
        QCOMPARE(again.query_int("SELECT COUNT(*) FROM scores WHERE score <> 1"), 0);
    }
};

QTEST_GUILESS_MAIN(ServerCrashTest)
#include "test_crash.moc"
