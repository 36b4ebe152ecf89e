#pragma once
// SQLite access: one connection per worker, statements cached per
// connection, values only ever bound (never spliced into SQL text).

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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

class Db {
public:
    // `writers`: held by every write transaction of the process (see Tx).
    explicit Db(const std::string& path, std::mutex* writers = nullptr);
    ~Db();
    Db(const Db&) = delete;

    void exec(const std::string& sql);  // our own fixed SQL (schema, pragmas)
    Stmt prepare(const std::string& sql);
    std::int64_t last_id() const;
    int changes() const;
    sqlite3* raw() { return db_; }
    std::mutex* writers() { return writers_; }

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
    std::mutex* writers_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

// A transaction; rolls back unless committed. Writers take the write lock at
// the start (BEGIN IMMEDIATE), so two pages that change data never interleave.
// Within the process they queue on a mutex first: SQLite's own busy wait
// sleeps and retries, which makes the slowest saves much slower under load.
class Tx {
public:
    enum Kind { Read, Write };
    Tx(Db& db, Kind kind);
    ~Tx();
    void commit();

private:
    Db& db_;
    std::unique_lock<std::mutex> writer_;
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
    void create_schema();
    bool empty();  // no school at all

private:
    void give_back(std::unique_ptr<Db> db);

    std::string path_;
    std::mutex writers_;
    int max_;
    int open_ = 0;
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::unique_ptr<Db>> free_;
};

}  // namespace velmora
