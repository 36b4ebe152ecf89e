// A report page's time on the reference server while 50 teachers mark, as
// the exam grows: 1,000, 10,000 and 100,000 written answers (students added
// to the demo, 60% of their answers marked). One reader asks for the
// ranking (every student a row) and the progress page, as a subject leader
// would; prints p50 and p99 of each. Figures, not a pass/fail test.
//
//   bench_report_load [seconds per size, default 3]
#include "server_bench.h"
#include "velmora_server.h"

#include <httplib.h>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// `students` more students in the demo's three classes, each with the five
// written answers of 语文, 60% of the answers marked.
void grow(velmora::Server& server, int students)
{
    server.exec_sql("WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < "
                    + std::to_string(students)
                    + ") INSERT INTO students(class_id, kh, name) SELECT 1 + n % 3, '9' || printf('%07d', n), "
                      "'学生' || n FROM seq");
    server.exec_sql("INSERT INTO results(subject_id, student_id, objective_answers) SELECT 1, id, "
                    "'T1-A;T2-C;T3-B;T4-D;T5-A;' FROM students WHERE kh LIKE '9%'");
    server.exec_sql("INSERT INTO answers(result_id, question_id, image) SELECT r.id, q.id, "
                    "'1/1/1/' || st.kh || '_' || q.number || '.jpg' FROM results r "
                    "JOIN students st ON st.id = r.student_id JOIN questions q ON q.subject_id = 1 AND q.objective = 0 "
                    "WHERE r.subject_id = 1 AND st.kh LIKE '9%'");
    server.exec_sql("INSERT INTO scores(answer_id, teacher_id, score, marked_at) SELECT id, 1, 2, 0 FROM answers "
                    "WHERE id % 5 < 3 AND id NOT IN (SELECT answer_id FROM scores)");
    add_bench_teachers(server, 50);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    std::printf("%9s %9s  %-10s %9s %9s %8s\n", "answers", "students", "page", "p50 ms", "p99 ms", "asked");
    for (int students : {134, 1934, 19934}) {
        QTemporaryDir dir;
        velmora::Server server(bench_server_options(dir));
        const int port = server.start();
        grow(server, students);
        const auto answers = server.query_int("SELECT COUNT(*) FROM answers a JOIN results r ON r.id = a.result_id "
                                              "WHERE r.subject_id = 1");
        const auto all = server.query_int("SELECT COUNT(*) FROM results WHERE subject_id = 1");

        // 50 teachers: a batch and a save of it, over and over.
        std::atomic<bool> stop{false};
        std::vector<std::thread> markers;
        for (int t = 0; t < 50; ++t)
            markers.emplace_back([&, t] {
                httplib::Client c("127.0.0.1", port);
                c.set_url_encode(false);
                c.set_keep_alive(true);
                c.set_default_headers({{"Cookie", bench_cookie(port, "bench" + std::to_string(t))}});
                const std::string id = std::to_string(100 + t), th = std::to_string(13 + t % 5);
                while (!stop) {
                    auto r = c.Get(("/cj/net_user_work.asp?ks_id=1&km_id=1&js_id=" + id + "&th_bj=" + th).c_str());
                    if (!r) continue;
                    const QStringList pieces = QString::fromLatin1(r->body.c_str()).section("work_end;", 0, 0).split(';');
                    std::string fs = "0,;";
                    for (int i = 1; i < pieces.size() - 1; ++i) {
                        const QStringList f = pieces[i].split(',');
                        if (f.size() >= 10) fs += f[0].toStdString() + ",1;";
                    }
                    c.Get(("/cj/net_save_fs.asp?auto_save=1&ks_id=1&km_id=1&js_id=" + id + "&js_name=b&fs_str=" + fs)
                              .c_str());
                }
            });

        httplib::Client reader("127.0.0.1", port);
        reader.set_url_encode(false);
        reader.set_keep_alive(true);
        reader.set_default_headers({{"Cookie", bench_leader_login(port)}});
        for (const char* page : {"cj_mc.asp", "cj_working.asp"}) {
            std::vector<double> ms;
            const auto until = Clock::now() + std::chrono::duration<double>(seconds);
            while (Clock::now() < until) {
                const auto start = Clock::now();
                auto r = reader.Get((std::string("/cj/") + page + "?ks_id=1&km_id=1&xx_id=1&u_id=5").c_str());
                if (r && r->status == 200)
                    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
            std::printf("%9lld %9lld  %-10s %9.1f %9.1f %8zu\n", static_cast<long long>(answers),
                        static_cast<long long>(all), page, percentile(ms, .5), percentile(ms, .99), ms.size());
            std::fflush(stdout);
        }
        stop = true;
        for (auto& th : markers) th.join();
        server.stop();
    }
    return 0;
}
