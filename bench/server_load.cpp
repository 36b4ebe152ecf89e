// Load of the reference server: N simulated teachers (1, 10, 50) fetch
// batches, download images and save scores, against the same server's
// constant help page as the baseline in the same run. Prints requests per
// second and latency percentiles of both; figures, not a pass/fail test.
//
//   bench_server_load [seconds per phase, default 3]
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
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    long requests = 0;
    long failures = 0;
    std::vector<double> latencies_ms;
};

double percentile(std::vector<double>& v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Runs `teachers` threads of `work` for `seconds`; each call of `get`
// inside is one timed request.
template <class Work>
Figures run(int port, int teachers, double seconds, const std::vector<std::string>& cookies, Work work)
{
    Figures all;
    std::mutex mu;
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < teachers; ++t)
        threads.emplace_back([&, t] {
            httplib::Client c("127.0.0.1", port);
            c.set_url_encode(false);
            c.set_keep_alive(true);
            c.set_default_headers({{"Cookie", cookies[size_t(t)]}});
            Figures mine;
            auto get = [&](const std::string& target) -> std::string {
                const auto start = Clock::now();
                auto r = c.Get(target.c_str());
                mine.latencies_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                ++mine.requests;
                if (!r || r->status != 200) {
                    ++mine.failures;
                    return {};
                }
                return r->body;
            };
            while (!stop) work(t, get);
            std::lock_guard lock(mu);
            all.requests += mine.requests;
            all.failures += mine.failures;
            all.latencies_ms.insert(all.latencies_ms.end(), mine.latencies_ms.begin(), mine.latencies_ms.end());
        });
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    std::this_thread::sleep_until(until);
    stop = true;
    for (auto& th : threads) th.join();
    return all;
}

void print(const char* what, int teachers, double seconds, Figures& f, double baseline_rps)
{
    const double rps = double(f.requests) / seconds;
    const double p50 = percentile(f.latencies_ms, .50), p99 = percentile(f.latencies_ms, .99);
    std::printf("%8d  %-9s %12.0f %9.2f %9.2f %9ld", teachers, what, rps, p50, p99, f.failures);
    if (baseline_rps > 0) std::printf("   %5.2f of baseline", rps / baseline_rps);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    QTemporaryDir dir;
    velmora::Server server(bench_server_options(dir));
    const int port = server.start();

    // 50 more teachers of the demo school, each marking one question of 语文
    // (13 to 17), so every question is shared by ten of them.
    for (int t = 0; t < 50; ++t) {
        server.exec_sql("INSERT INTO teachers(id, school_id, name, initials, password) VALUES(" + std::to_string(100 + t)
                        + ", 1, 'bench" + std::to_string(t) + "', 'b', '" + bench_password() + "')");
        server.exec_sql("INSERT INTO assignments(subject_id, teacher_id, question_id) SELECT 1, "
                        + std::to_string(100 + t) + ", id FROM questions WHERE subject_id = 1 AND number = '"
                        + std::to_string(13 + t % 5) + "'");
    }
    // Demo images are drawn on first use; draw them before measuring.
    std::printf("drawing the demo answer images...\n");
    std::fflush(stdout);
    // Every page but the lookups needs a login: one session per teacher.
    std::vector<std::string> cookies;
    for (int t = 0; t < 50; ++t) cookies.push_back(bench_login(port, "bench" + std::to_string(t)));
    const std::string leader = bench_leader_login(port);
    {
        std::vector<std::thread> warm;
        for (int w = 0; w < 2; ++w)
            warm.emplace_back([&, w] {
                httplib::Client c("127.0.0.1", port);
                c.set_url_encode(false);
                c.set_default_headers({{"Cookie", leader}});
                for (int cls = 1; cls <= 3; ++cls)
                    for (int seat = 1 + w; seat <= 22; seat += 2)
                        for (int th = 13; th <= 17; ++th) {
                            char ref[64];
                            std::snprintf(ref, sizeof ref, "%d%%5C2601%02d%02d_%d.txt", cls, cls, seat, th);
                            c.Get(("/cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + std::string(ref)).c_str());
                        }
            });
        for (auto& t : warm) t.join();
    }

    std::printf("%8s  %-9s %12s %9s %9s %9s\n", "teachers", "page", "requests/s", "p50 ms", "p99 ms", "failed");
    for (int teachers : {1, 10, 50}) {
        Figures base = run(port, teachers, seconds, cookies, [](int, auto& get) { get("/cj/tavix_help.html"); });
        const double base_rps = double(base.requests) / seconds;
        print("constant", teachers, seconds, base, 0);

        // A teacher's cycle: a batch, the images of three of its answers,
        // one save of the batch; with nothing left, a re-score of the last
        // batch (the worked list's path), so the load stays the same.
        std::vector<std::vector<std::string>> last(static_cast<size_t>(teachers));
        Figures marking = run(port, teachers, seconds, cookies, [&](int t, auto& get) {
            const std::string id = std::to_string(100 + t);
            const std::string th = std::to_string(13 + t % 5);
            const std::string reply =
                get("/cj/net_user_work.asp?ks_id=1&km_id=1&js_id=" + id + "&th_bj=" + th);
            const QStringList pieces = QString::fromLatin1(reply.c_str()).section("work_end;", 0, 0).split(';');
            std::vector<std::string> work;
            for (int i = 1; i < pieces.size() - 1; ++i) {
                const QStringList f = pieces[i].split(',');
                if (f.size() < 10) continue;
                work.push_back(f[0].toStdString());
                if (i <= 3)
                    get("/cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + f[9].toStdString() + "%5C"
                        + f[5].toStdString() + "_" + f[3].toStdString() + ".txt");
            }
            if (work.empty()) work = last[size_t(t)];
            std::string fs = "0,;";
            for (const std::string& w : work) fs += w + ",1;";
            get("/cj/net_save_fs.asp?auto_save=1&ks_id=1&km_id=1&js_id=" + id + "&js_name=b&fs_str=" + fs);
            last[size_t(t)] = work;
        });
        print("marking", teachers, seconds, marking, base_rps);
    }
    server.stop();
    return 0;
}
