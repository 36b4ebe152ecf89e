#pragma once
// SQLite access: one connection per worker, statements cached per
// connection, values only ever bound (never spliced into SQL text).

#include "turns.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora {

struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Null {};

class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* s);
    ~Stmt();
    Stmt(Stmt&& o) noexcept : db_(o.db_), s_(o.s_), next_(o.next_) { o.s_ = nullptr; }
    Stmt(const Stmt&) = delete;

    Stmt& bind(std::int64_t v);
    Stmt& bind(int v) { return bind(std::int64_t(v)); }
    Stmt& bind(double v);
    Stmt& bind(std::string_view v);
    Stmt& bind(const std::string& v) { return bind(std::string_view(v)); }
    Stmt& bind(const char* v) { return bind(std::string_view(v)); }
    Stmt& bind(Null);
    Stmt& bind(const std::optional<std::int64_t>& v) { return v ? bind(*v) : bind(Null{}); }
    template <class... A>
    Stmt& args(A&&... a)
    {
        (bind(std::forward<A>(a)), ...);
        return *this;
    }

    bool step();  // true while a row is there
    void run();   // steps to the end
    std::int64_t i64(int col) const;
    double real(int col) const;
    std::string text(int col) const;
    bool is_null(int col) const;

private:
    sqlite3* db_;
    sqlite3_stmt* s_;
    int next_ = 1;
};

// The writers' lock, served first come, first served. A plain mutex lets a
// thread that has just released it take it again ahead of those waiting:
// under load some saves waited seconds.
class FairMutex {
public:
    void lock();
    void unlock();

private:
    struct Waiter {
        std::condition_variable cv;
        bool ready = false;
    };
    std::mutex mu_;
    bool held_ = false;
    std::deque<Waiter*> queue_;
};

// Group commit. A write transaction commits without a sync of its own
// (synchronous=NORMAL) and then waits, before its page answers, until a
// sync of the log covers its commit. The first to wait syncs for every
// commit so far; those who commit meanwhile wait for the next sync, so
// under load several teachers' saves share one.
class Durability {
public:
    // The log is copied into the database once it holds `kCopyFrames`
    // pages, without stopping anyone. Writers that never pause can keep it
    // from being written from its start again; at `kRestartFrames` the
    // copying waits for its turn among the writers, finishes and lets the
    // next writer start the log anew, so the log stays bounded.
    static constexpr int kCopyFrames = 1000;
    static constexpr int kRestartFrames = 4000;

    Durability(std::string path, FairMutex& writers);
    ~Durability();

    void committing();                  // just before COMMIT, under the writers' lock
    std::uint64_t committed(bool done); // just after; the commit's number
    // The number of the last commit a reader starting now may see (one
    // still under way included).
    std::uint64_t visible();
    // Returns once commit `n` and all before it are on disk.
    void wait(std::uint64_t n);
    // After a commit: the log holds `frames` pages. A long log is copied
    // into the database by a thread of its own, not by the committing
    // writer under the writers' lock (SQLite's automatic checkpoint).
    void log_grew(int frames);

private:
    void sync_log();
    void checkpoints();
    void copy_log(sqlite3* db);

    std::string path_;
    FairMutex& writers_;
    sqlite3* db_ = nullptr;  // used by the syncing thread only
    std::mutex mu_;
    std::condition_variable cv_;
    std::uint64_t committed_ = 0, synced_ = 0;
    bool in_commit_ = false, syncing_ = false;
    bool checkpoint_due_ = false, stopping_ = false;
    int restart_at_ = kRestartFrames;  // log length for the next RESTART (copying thread only)
    std::condition_variable checkpoint_cv_;
    std::thread checkpointer_;
};

struct WriteGate {
    explicit WriteGate(std::string path) : durability(std::move(path), writers) {}
    FairMutex writers;
    Durability durability;
};

class Db {
public:
    // `gate`: its lock is held by every write transaction of the process,
    // and its commits are made durable through it (see Tx).
    explicit Db(const std::string& path, WriteGate* gate = nullptr);
    ~Db();
    Db(const Db&) = delete;

    void exec(const std::string& sql);  // our own fixed SQL (schema, pragmas)
    Stmt prepare(const std::string& sql);
    std::int64_t last_id() const;
    int changes() const;
    sqlite3* raw() { return db_; }
    WriteGate* gate() { return gate_; }

    // Shorthands: first column of the first row.
    template <class... A>
    std::optional<std::int64_t> one_int(const std::string& sql, A&&... a)
    {
        Stmt s = prepare(sql);
        s.args(std::forward<A>(a)...);
        if (!s.step() || s.is_null(0)) return std::nullopt;
        return s.i64(0);
    }
    template <class... A>
    std::int64_t count(const std::string& sql, A&&... a)
    {
        return one_int(sql, std::forward<A>(a)...).value_or(0);
    }
    template <class... A>
    void run(const std::string& sql, A&&... a)
    {
        Stmt s = prepare(sql);
        s.args(std::forward<A>(a)...);
        s.run();
    }

private:
    sqlite3* db_ = nullptr;
    WriteGate* gate_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

// A transaction; rolls back unless committed. Writers take the write lock at
// the start (BEGIN IMMEDIATE), so two pages that change data never interleave.
// Within the process they queue on the fair writers' lock first: SQLite's
// own busy wait sleeps and retries, which makes the slowest saves much
// slower under load. A writer's commit() returns once the commit is on disk.
// A page that only reads takes a Read transaction: no lock at all (WAL).
class Tx {
public:
    enum Kind { Read, Write };
    Tx(Db& db, Kind kind);
    ~Tx();
    void commit();
    // Commits without waiting for the sync: for what may be lost with the
    // machine (a lease), never for a score. It reaches the disk with the
    // next sync, which any later commit() waits for.
    void commit_unsynced();

private:
    void finish(bool synced);

    Db& db_;
    std::unique_lock<FairMutex> writer_;
    bool open_ = true;
};

class Store {
public:
    explicit Store(std::string path, int max_connections);
    ~Store();

    class Handle {
    public:
        Handle(Store& s, std::unique_ptr<Db> db) : store_(s), db_(std::move(db)) {}
        ~Handle() { store_.give_back(std::move(db_)); }
        Handle(const Handle&) = delete;
        Db& operator*() { return *db_; }
        Db* operator->() { return db_.get(); }

    private:
        Store& store_;
        std::unique_ptr<Db> db_;
    };

    Handle acquire();
    // Creates what is missing and counts the tallies afresh from the tables.
    void create_schema();
    bool empty();  // no school at all
    // A page that answers from what it read, without writing, and promises
    // that what it read is stored (a save with nothing new) waits here
    // until that is on disk.
    void wait_durable_reads()
    {
        Turns::Aside aside;
        gate_.durability.wait(gate_.durability.visible());
    }

private:
    void give_back(std::unique_ptr<Db> db);

    std::string path_;
    WriteGate gate_;
    int max_;
    int open_ = 0;
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::unique_ptr<Db>> free_;
};

}  // namespace velmora
