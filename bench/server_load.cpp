// Load of the reference server: N simulated teachers (1, 10, 50) against
// the same server's constant help page as the baseline in the same run.
// Prints requests per second, latency percentiles and the ratio to the
// baseline, and the targets beside them; figures, not a pass/fail test.
//
// 1. The existing cycle on the demo (330 answers of 语文): a batch, three
//    images, a save; once the work has run out, a re-score of the last
//    batch, so the load stays the same.
// 2. Work that never runs out: the larger demo (over 20,000 answers), every
//    answer of every batch fetched, scored and saved.
// 3. A batch's latency for one teacher as the exam grows: 1,000, 10,000 and
//    100,000 written answers; every batch hands out twenty answers.
//
//   bench_server_load [seconds per phase, default 3] [phases to run, default 123]
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
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Latencies by kind of request ("batch", "image", "save", "page").
struct Figures {
    long requests = 0;
    long failures = 0;
    long answers_saved = 0;
    long empty_batches = 0;
    std::map<std::string, std::vector<double>> ms;

    void add(const Figures& o)
    {
        requests += o.requests;
        failures += o.failures;
        answers_saved += o.answers_saved;
        empty_batches += o.empty_batches;
        for (const auto& [k, v] : o.ms) ms[k].insert(ms[k].end(), v.begin(), v.end());
    }
    std::vector<double> all() const
    {
        std::vector<double> v;
        for (const auto& [k, x] : ms) v.insert(v.end(), x.begin(), x.end());
        return v;
    }
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// One teacher's connection: `get(kind, target)` is one timed request.
struct Session {
    httplib::Client& c;
    Figures& f;
    std::string get(const std::string& kind, const std::string& target)
    {
        const auto start = Clock::now();
        auto r = c.Get(target.c_str());
        f.ms[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ++f.requests;
        if (!r || r->status != 200) {
            ++f.failures;
            return {};
        }
        return r->body;
    }
};

// The bench teachers' connections, logged in once before anything is
// timed (a login takes a deliberately slow password check).
struct Teachers {
    std::vector<std::unique_ptr<httplib::Client>> clients;
    Teachers(int port, int count)
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < count; ++t) {
            clients.push_back(std::make_unique<httplib::Client>("127.0.0.1", port));
            clients.back()->set_url_encode(false);
            clients.back()->set_keep_alive(true);
        }
        for (int t = 0; t < count; ++t)
            threads.emplace_back([this, t] {
                if (!bench_login(*clients[size_t(t)], t)) std::fprintf(stderr, "bench%d could not log in\n", t);
            });
        for (auto& th : threads) th.join();
    }
};

// Runs the first `teachers` of `all` for `seconds`, each on its own thread.
template <class Work>
Figures run(Teachers& all, int teachers, double seconds, Work work)
{
    Figures sum;
    std::mutex mu;
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < teachers; ++t)
        threads.emplace_back([&, t] {
            Figures mine;
            Session s{*all.clients[size_t(t)], mine};
            while (!stop) work(t, s);
            std::lock_guard lock(mu);
            sum.add(mine);
        });
    std::this_thread::sleep_until(Clock::now() + std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& th : threads) th.join();
    return sum;
}

double print(const char* what, int teachers, double seconds, const Figures& f, double baseline_rps)
{
    const double rps = double(f.requests) / seconds;
    const auto all = f.all();
    std::printf("%8d  %-9s %12.0f %9.2f %9.2f %7ld", teachers, what, rps, percentile(all, .50), percentile(all, .99),
                f.failures);
    if (baseline_rps > 0) std::printf("   %5.3f of constant", rps / baseline_rps);
    std::printf("\n");
    std::fflush(stdout);
    return baseline_rps > 0 ? rps / baseline_rps : 0;
}

void print_kinds(const Figures& f, double seconds)
{
    for (const char* kind : {"batch", "image", "save"}) {
        const auto it = f.ms.find(kind);
        if (it == f.ms.end()) continue;
        std::printf("%19s %-6s %8zu  p50 %7.2f ms  p99 %7.2f ms\n", "", kind, it->second.size(),
                    percentile(it->second, .5), percentile(it->second, .99));
    }
    if (f.answers_saved || f.empty_batches)
        std::printf("%19s answers saved %.0f/s, empty batches %ld\n", "", double(f.answers_saved) / seconds,
                    f.empty_batches);
    std::fflush(stdout);
}

struct Record {
    std::string work, kh, th, cls;
};

// The answer records of a batch reply.
std::vector<Record> records_of(const std::string& reply)
{
    std::vector<Record> out;
    const QStringList pieces = QString::fromLatin1(reply.c_str()).section("work_end;", 0, 0).split(';');
    for (int i = 1; i < pieces.size() - 1; ++i) {
        const QStringList f = pieces[i].split(',');
        if (f.size() >= 10)
            out.push_back({f[0].toStdString(), f[5].toStdString(), f[3].toStdString(), f[9].toStdString()});
    }
    return out;
}

std::string batch_target(int t)
{
    return "/cj/net_user_work.asp?ks_id=1&km_id=1&js_id=" + std::to_string(100 + t) + "&th_bj="
           + std::to_string(13 + t % 5);
}

std::string image_target(const Record& r)
{
    return "/cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + r.cls + "%5C" + r.kh + "_" + r.th + ".txt";
}

std::string save_target(int t, const std::string& fs, bool automatic)
{
    return std::string("/cj/net_save_fs.asp?") + (automatic ? "auto_save=1&" : "") + "ks_id=1&km_id=1&js_id="
           + std::to_string(100 + t) + "&js_name=bench" + std::to_string(t) + "&fs_str=0,;" + fs;
}

velmora::ServerOptions options(const QTemporaryDir& db_dir, const QTemporaryDir& images, int more_students)
{
    velmora::ServerOptions o = bench_server_options(db_dir);
    o.images_dir = QDir(images.path()).filePath("images").toStdString();
    o.demo_students = more_students;
    return o;
}

long long written_answers(velmora::Server& s)
{
    return s.query_int("SELECT COUNT(*) FROM answers a JOIN questions qu ON qu.id = a.question_id "
                       "WHERE qu.objective = 0");
}

void draw_images(int port)
{
    std::printf("drawing the demo answer images...\n");
    std::fflush(stdout);
    std::vector<std::thread> warm;
    for (int w = 0; w < 2; ++w)
        warm.emplace_back([port, w] {
            httplib::Client c("127.0.0.1", port);
            c.set_url_encode(false);
            // The subject leader may see every answer's image.
            c.set_default_headers({{"Cookie", bench_leader_login(port)}});
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

void header()
{
    std::printf("%8s  %-9s %12s %9s %9s %7s\n", "teachers", "page", "requests/s", "p50 ms", "p99 ms", "failed");
}

void constant_page(int, Session& s) { s.get("page", "/cj/tavix_help.html"); }

// The marking `work` of 1, 10 and 50 teachers, each after the constant page
// with as many in the same run; the figures at 50 and their ratio.
template <class Work>
std::pair<Figures, double> against_constant(Teachers& all, double seconds, Work work)
{
    header();
    std::pair<Figures, double> at50;
    for (int teachers : {1, 10, 50}) {
        const Figures base = run(all, teachers, seconds, constant_page);
        print("constant", teachers, seconds, base, 0);
        Figures marking = run(all, teachers, seconds, work);
        const double ratio = print("marking", teachers, seconds, marking, double(base.requests) / seconds);
        print_kinds(marking, seconds);
        if (teachers == 50) at50 = {std::move(marking), ratio};
    }
    return at50;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    const std::string phases = argc > 2 ? argv[2] : "123";
    QTemporaryDir images;  // drawn once, shared by every server of the run

    // ---- 1. the existing cycle -------------------------------------------
    if (phases.find('1') != std::string::npos) {
        QTemporaryDir dir;
        velmora::Server server(options(dir, images, 0));
        const int port = server.start();
        add_bench_teachers(server, 50);
        draw_images(port);
        Teachers teachers50(port, 50);
        std::printf("\n1. the existing cycle, %lld written answers\n", written_answers(server));
        std::vector<std::vector<std::string>> last(50);  // each teacher's last batch
        const auto [at50, ratio50] = against_constant(teachers50, seconds, [&](int t, Session& s) {
            const auto records = records_of(s.get("batch", batch_target(t)));
            std::vector<std::string> work;
            for (size_t i = 0; i < records.size(); ++i) {
                work.push_back(records[i].work);
                if (i < 3) s.get("image", image_target(records[i]));
            }
            if (work.empty()) work = last[size_t(t)];
            std::string fs;
            for (const std::string& w : work) fs += w + ",1;";
            s.get("save", save_target(t, fs, true));
            last[size_t(t)] = work;
        });
        std::printf("target, 50 teachers: marking / constant %.3f (>= 0.45), p99 %.1f ms (<= 30)\n", ratio50,
                    percentile(at50.all(), .99));
        server.stop();
    }

    // ---- 2. work that never runs out -------------------------------------
    if (phases.find('2') != std::string::npos) {
        QTemporaryDir dir;
        // Over 20,000 answers, and more for longer phases: each question's
        // answers must outlast a fast server's teachers.
        velmora::Server server(options(dir, images, int(4000 * std::max(1.0, seconds / 1.5))));
        const int port = server.start();
        add_bench_teachers(server, 50);
        Teachers teachers50(port, 50);
        std::printf("\n2. work that never runs out, %lld written answers\n", written_answers(server));
        auto [at50, ratio50] = against_constant(teachers50, seconds, [&](int t, Session& s) {
            const auto records = records_of(s.get("batch", batch_target(t)));
            if (records.empty()) {
                ++s.f.empty_batches;
                return;
            }
            std::string fs;
            for (const Record& r : records) {
                s.get("image", image_target(r));
                fs += r.work + "," + std::to_string(std::stoll(r.work) % 4) + ";";
            }
            const std::string reply = s.get("save", save_target(t, fs, false));
            const size_t from = reply.find("saved_ids="), to = reply.find(";refused_ids");
            if (from != std::string::npos && to != std::string::npos && to > from + 10)
                s.f.answers_saved += 1 + long(std::count(reply.begin() + long(from), reply.begin() + long(to), ','));
        });
        std::printf("target, 50 teachers: marking / constant %.3f (>= 0.08), save p99 %.1f ms (<= 100)\n", ratio50,
                    percentile(at50.ms["save"], .99));
        std::printf("%lld answers left unscored\n",
                    static_cast<long long>(written_answers(server)
                                           - server.query_int("SELECT COUNT(*) FROM scores")));
        server.stop();
    }

    // ---- 3. a batch as the exam grows ------------------------------------
    if (phases.find('3') == std::string::npos) return 0;
    std::printf("\n3. one teacher's batch as the exam grows\n%9s %9s %9s %9s %9s\n", "answers", "batches", "p50 ms",
                "p99 ms", "target");
    for (int answers : {1000, 10000, 100000}) {
        QTemporaryDir dir;
        // The demo has 660 written answers; every new student brings ten.
        velmora::Server server(options(dir, images, (answers - 660 + 9) / 10));
        const int port = server.start();
        add_bench_teachers(server, 1);
        Teachers one(port, 1);
        // The teacher asks again and again (as a reopened screen does): every
        // batch hands out twenty answers anew, at every size.
        auto cycle = [&](int t, Session& s) { s.get("batch", batch_target(t)); };
        // Not timed: the seeding's pages are still going to disk at first.
        run(one, 1, 1.0, cycle);
        Figures f = run(one, 1, seconds, cycle);
        std::printf("%9lld %9zu %9.2f %9.2f %9s\n", written_answers(server), f.ms["batch"].size(),
                    percentile(f.ms["batch"], .5), percentile(f.ms["batch"], .99), "<= 1 ms");
        std::fflush(stdout);
        server.stop();
    }
    return 0;
}
