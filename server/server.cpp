#include "velmora_server.h"

#include "demo_data.h"
#include "demo_grow.h"
#include "gbk_query.h"
#include "http_front.h"
#include "pages.h"
#include "protocol/pages.h"
#include "sessions.h"
#include "store.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

namespace velmora {

struct Server::Impl {
    explicit Impl(ServerOptions o) : options(std::move(o)) {}

    ServerOptions options;
    std::unique_ptr<Store> store;
    std::unique_ptr<Sessions> sessions;
    LoginGuard logins;
    std::unique_ptr<Context> ctx;
    std::unique_ptr<Turns> turns;
    // The report pages take turns of their own: a few large reports (a
    // second each at 100,000 answers) never keep the marking waiting.
    std::unique_ptr<Turns> report_turns;
    std::atomic<std::int64_t> clock_offset{0};
    std::unique_ptr<FrontServer> front;
    std::thread worker;
    int port = 0;
    bool started = false;
    std::atomic<bool> ended{false};

    void send(httplib::Response& res, const Reply& r) const
    {
        res.status = r.status;
        for (const auto& [name, value] : r.headers) res.set_header(name.c_str(), value);
        if (r.raw) res.set_content(r.body, r.content_type.c_str());
        else res.set_content(utf8_to_gbk(r.body), r.content_type.c_str());
    }

    void route(const httplib::Request& req, httplib::Response& res)
    {
        const std::string name = req.matches.size() > 1 ? std::string(req.matches[1]) : std::string();
        static const std::string login = protocol::page_name(protocol::Page::Login).toStdString();
        static const std::string save = protocol::page_name(protocol::Page::SaveFs).toStdString(),
                                 objective_save = protocol::page_name(protocol::Page::SaveKgtFs).toStdString();
        static const std::set<std::string> reports = [] {
            std::set<std::string> names;
            for (int p = int(protocol::Page::CjAnswer); p <= int(protocol::Page::CjDtk); ++p)
                names.insert(protocol::page_name(protocol::Page(p)).toStdString());
            return names;
        }();
        // Released before the reply is written out: a slow reader of a
        // reply holds a worker thread, never a turn.
        Turns::Turn turn(reports.count(name) ? *report_turns : *turns,
                         name == save || name == objective_save ? Turns::Turn::Urgent : Turns::Turn::Plain);
        const auto& table = pages();
        const auto it = table.find(name);
        const Query query = Query::from_target(req.target);
        Reply reply = Reply::not_found();
        if (name == login) {
            reply = page_login(*ctx, query, req.remote_addr);
        } else if (it != table.end()) {
            // The one place a page's session is checked: before it runs,
            // so a refused request changes nothing.
            if (auto refusal = check_session(*store, *sessions, name, query, req.get_header_value("Cookie"), ctx->now()))
                reply = std::move(*refusal);
            else
                reply = it->second(*ctx, query);
        }
        if (options.log_requests) std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.path.c_str(), reply.status);
        send(res, reply);
    }
};

Server::Server(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Server::~Server() { stop(); }

int Server::start()
{
    Impl& d = *impl_;
    if (d.started) return d.port;
    if (d.options.db_path.empty()) throw std::runtime_error("no database file given");
    namespace fs = std::filesystem;
    std::string images = d.options.images_dir;
    if (images.empty()) images = (fs::absolute(d.options.db_path).parent_path() / "images").string();

    d.store = std::make_unique<Store>(d.options.db_path, std::max(4, d.options.threads + 2));
    d.store->create_schema();
    d.sessions = std::make_unique<Sessions>(*d.store);
    d.ctx = std::make_unique<Context>(Context{*d.store, d.options, images, d.clock_offset, *d.sessions, d.logins});
    // The image store is its owner's only (made here when it is new).
    std::error_code ec;
    if (!fs::exists(images, ec) && fs::create_directories(images, ec))
        fs::permissions(images, fs::perms::owner_all, fs::perm_options::replace, ec);
    const bool fresh = d.options.demo && seed_demo(*d.store, d.ctx->now());
    if (d.options.demo && !fresh) {
        auto db = d.store->acquire();
        if (db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_seeded'") == 0)
            std::fprintf(stderr, "velmora-server: the database already holds data; no demo data added\n");
    }
    // The named scores first: the share marked for the reports leaves them as they are.
    if (d.options.demo && d.options.demo_scores) seed_demo_scores(*d.store, d.ctx->now());
    if (fresh) seed_demo_students(*d.store, d.options.demo_students);
    if (fresh) seed_demo_marking(*d.store, d.options.demo_marked_percent, d.ctx->now());

    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    d.turns = std::make_unique<Turns>(d.options.computing > 0 ? d.options.computing : 2 * cores, 1);
    d.report_turns = std::make_unique<Turns>(cores, 0);
    FrontLimits limits;
    limits.workers = std::max(2, d.options.threads);
    limits.header_seconds = std::max(1, d.options.request_seconds);
    limits.idle_seconds = std::max(1, d.options.idle_seconds);
    limits.per_address = std::max(1, d.options.connections_per_address);
    d.front = std::make_unique<FrontServer>(limits);
    httplib::Server& http = *d.front;
    http.set_tcp_nodelay(true);  // replies go out in two writes: no Nagle delay
    http.set_keep_alive_max_count(size_t(limits.keep_alive_requests));
    http.set_keep_alive_timeout(limits.idle_seconds);
    http.set_read_timeout(10, 0);
    http.set_payload_max_length(64 * 1024);  // every page is a GET
    http.Get(R"(/cj/([A-Za-z0-9_.]+))", [&d](const httplib::Request& req, httplib::Response& res) {
        d.route(req, res);
    });
    http.Get(R"(/cj/down/([A-Za-z0-9_.]+))", [&d](const httplib::Request& req, httplib::Response& res) {
        Turns::Turn turn(*d.turns);
        d.send(res, download(*d.ctx, std::string(req.matches[1])));
    });
    http.set_error_handler([&d](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        if (res.status == 404) d.send(res, Reply::not_found());
        else if (res.status == 414) d.send(res, Reply{414, "请求地址太长（运行时错误 414），服务器不能处理。"});
        else d.send(res, Reply{res.status, "请求无效（运行时错误 " + std::to_string(res.status) + "）。"});
    });
    http.set_exception_handler([&d](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
        std::string what = "unknown";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        std::fprintf(stderr, "velmora-server: %s failed: %s\n", req.path.c_str(), what.c_str());
        d.send(res, Reply{500, "服务器内部错误（运行时错误），请稍后再试。"});
    });

    if (d.options.port == 0) {
        d.port = http.bind_to_any_port(d.options.bind);
        if (d.port <= 0) throw std::runtime_error("cannot bind " + d.options.bind);
    } else {
        if (!http.bind_to_port(d.options.bind, d.options.port))
            throw std::runtime_error("cannot bind " + d.options.bind + ":" + std::to_string(d.options.port));
        d.port = d.options.port;
    }
    d.front->widen_listen_queue();
    d.ended = false;
    d.worker = std::thread([&d] {
        d.front->listen_after_bind();
        d.ended = true;
    });
    // stop() only ends an accept loop that runs: wait until it does.
    while (!d.front->is_running() && !d.ended) std::this_thread::yield();
    d.started = true;
    return d.port;
}

void Server::stop()
{
    Impl& d = *impl_;
    if (!d.started) return;
    d.front->stop();
    if (d.worker.joinable()) d.worker.join();
    d.started = false;
}

bool Server::running() const { return impl_->started; }
int Server::port() const { return impl_->port; }
std::string Server::base_url() const { return "http://127.0.0.1:" + std::to_string(impl_->port) + "/"; }

void Server::advance_clock(int seconds) { impl_->clock_offset += seconds; }

static Store& store_of(const std::unique_ptr<Store>& store)
{
    if (!store) throw std::logic_error("velmora::Server: start() it first");
    return *store;
}

int Server::score_count(std::int64_t work_id) const
{
    auto db = store_of(impl_->store).acquire();
    return int(db->count("SELECT COUNT(*) FROM scores WHERE answer_id = ?", work_id));
}

std::optional<double> Server::score_of(std::int64_t work_id) const
{
    auto db = store_of(impl_->store).acquire();
    Stmt s = db->prepare("SELECT score FROM scores WHERE answer_id = ?");
    s.args(work_id);
    if (!s.step()) return std::nullopt;
    return s.real(0);
}

std::int64_t Server::query_int(const std::string& sql) const
{
    auto db = store_of(impl_->store).acquire();
    Stmt s = db->prepare(sql);
    if (!s.step() || s.is_null(0)) return 0;
    return s.i64(0);
}

void Server::exec_sql(const std::string& sql)
{
    auto db = store_of(impl_->store).acquire();
    db->exec(sql);
}

}  // namespace velmora
