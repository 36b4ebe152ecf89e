#pragma once
// The reference marking server, usable in-process: tests and the client's
// end-to-end tests start it on a free port with a temporary database.
//
//   velmora::ServerOptions o;
//   o.db_path = dir + "/marks.db";
//   o.port = 0;          // any free port
//   o.demo = true;       // seed the demo school into an empty database
//   velmora::Server s(o);
//   int port = s.start(); // throws std::runtime_error when it cannot start
//   ...
//   s.stop();             // also done by the destructor

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace velmora {

struct ServerOptions {
    std::string db_path;             // SQLite file; created when missing
    std::string bind = "127.0.0.1";
    int port = 9090;                 // 0 = any free port (start() reports it)
    bool demo = false;               // seed the demo data into an empty database
    bool demo_scores = false;        // with demo: a share of the answers comes scored (see seed_demo_scores)
    int demo_marked_percent = 0;     // with demo: this share of written answers comes marked
    int demo_students = 0;           // with demo: this many more students (the larger demo, demo_grow.h)
    std::string images_dir;          // answer image store; empty = "images" beside the database
    std::string downloads_dir;       // holds kssetup.exe / tavix.exe; empty = downloads answer 404
    int batch_size = 20;             // answers handed out per batch
    int lease_seconds = 600;         // how long a handed-out answer stays reserved
    int threads = 64;                // worker threads; a connection holds one only while it is answered
    int computing = 0;               // pages computing at once, the others wait their turn; 0 = twice the cores
    int request_seconds = 10;        // a request must arrive within this time of its first byte
    int idle_seconds = 5;            // a keep-alive connection may sit idle this long
    int connections_per_address = 64;  // more from one address close its oldest waiting ones
    std::string client_version = "8.5";  // announced in the school lookup reply
    bool log_requests = false;       // one line per request on stderr (never query values)
};

class Server {
public:
    explicit Server(ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Opens the store (seeding it when asked), binds and starts serving on a
    // background thread. Returns the bound port.
    int start();
    void stop();
    bool running() const;

    int port() const;
    std::string base_url() const;  // "http://127.0.0.1:PORT/"

    // --- for tests (after start(); the store stays readable after stop()) ---
    // Moves the server's clock forward: leases, sessions and the delays of
    // password guessing all read it (expiry without waiting).
    void advance_clock(int seconds);
    // Number of score rows stored for a work item (an answer); 0 or 1.
    int score_count(std::int64_t work_id) const;
    std::optional<double> score_of(std::int64_t work_id) const;
    // First column of the first row of a read-only statement (0 when no row).
    std::int64_t query_int(const std::string& sql) const;
    // Runs statements that change data (test set-up: close an exam, ...).
    void exec_sql(const std::string& sql);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace velmora
