#include "store.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

namespace velmora {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw StoreError(what + ": " + (db ? sqlite3_errmsg(db) : "no database"));
}

// Ids of answers and results double as the client's work_id and cj_id.
// Report, correction and objective pages read the same tables later:
// objective questions carry their key and kind, results their objective
// answers, and every score change is kept in score_log.
const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS schools(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  initials TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS teachers(
  id INTEGER PRIMARY KEY,
  school_id INTEGER NOT NULL REFERENCES schools(id),
  name TEXT NOT NULL,
  initials TEXT NOT NULL DEFAULT '',
  password TEXT NOT NULL,
  UNIQUE(school_id, name));
CREATE TABLE IF NOT EXISTS exams(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  state INTEGER NOT NULL DEFAULT 1,      -- 1 marking open, 2 marking closed
  hide_name INTEGER NOT NULL DEFAULT 0,  -- 1: markers do not see student names
  created_at INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS subjects(
  id INTEGER PRIMARY KEY,
  exam_id INTEGER NOT NULL REFERENCES exams(id),
  name TEXT NOT NULL,
  sort INTEGER NOT NULL DEFAULT 0);
-- The links: the schools that sit an exam, the leaders of a subject.
CREATE TABLE IF NOT EXISTS exam_schools(
  exam_id INTEGER NOT NULL REFERENCES exams(id),
  school_id INTEGER NOT NULL REFERENCES schools(id),
  PRIMARY KEY(exam_id, school_id));
CREATE TABLE IF NOT EXISTS subject_leaders(
  subject_id INTEGER NOT NULL REFERENCES subjects(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  PRIMARY KEY(subject_id, teacher_id));
CREATE TABLE IF NOT EXISTS questions(
  id INTEGER PRIMARY KEY,
  subject_id INTEGER NOT NULL REFERENCES subjects(id),
  number TEXT NOT NULL,
  full_mark REAL NOT NULL,
  objective INTEGER NOT NULL DEFAULT 0,
  kind TEXT NOT NULL DEFAULT '',          -- objective: DAXT single, DXDX/DUXT multiple choice
  options TEXT NOT NULL DEFAULT '',       -- objective: option letters, e.g. ABCD
  answer_key TEXT NOT NULL DEFAULT '',    -- objective: the right letters
  partial_mark REAL NOT NULL DEFAULT 0,   -- objective multiple choice: some right letters
  sort INTEGER NOT NULL DEFAULT 0,
  UNIQUE(subject_id, number));
CREATE TABLE IF NOT EXISTS classes(
  id INTEGER PRIMARY KEY,
  school_id INTEGER NOT NULL REFERENCES schools(id),
  name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS students(
  id INTEGER PRIMARY KEY,
  class_id INTEGER NOT NULL REFERENCES classes(id),
  kh TEXT NOT NULL UNIQUE,                -- candidate number
  name TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS results(
  id INTEGER PRIMARY KEY,                 -- the client's cj_id
  subject_id INTEGER NOT NULL REFERENCES subjects(id),
  student_id INTEGER NOT NULL REFERENCES students(id),
  objective_answers TEXT NOT NULL DEFAULT '',  -- "T1-A;T2-BD;"
  sheet_image TEXT NOT NULL DEFAULT '',
  UNIQUE(subject_id, student_id));
CREATE TABLE IF NOT EXISTS answers(
  id INTEGER PRIMARY KEY,                 -- the client's work_id
  result_id INTEGER NOT NULL REFERENCES results(id),
  question_id INTEGER NOT NULL REFERENCES questions(id),
  image TEXT NOT NULL,                    -- path inside the image store
  uploaded INTEGER NOT NULL DEFAULT 1,    -- 0: the scan is not there yet
  UNIQUE(result_id, question_id));
CREATE INDEX IF NOT EXISTS answers_by_question ON answers(question_id);
CREATE TABLE IF NOT EXISTS assignments(
  id INTEGER PRIMARY KEY,
  subject_id INTEGER NOT NULL REFERENCES subjects(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  question_id INTEGER REFERENCES questions(id),
  class_id INTEGER REFERENCES classes(id),
  CHECK ((question_id IS NULL) <> (class_id IS NULL)));
CREATE INDEX IF NOT EXISTS assignments_by_teacher ON assignments(teacher_id, subject_id);
CREATE TABLE IF NOT EXISTS handouts(
  answer_id INTEGER PRIMARY KEY REFERENCES answers(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  handed_at INTEGER NOT NULL,
  expires_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS handouts_by_teacher ON handouts(teacher_id);
CREATE TABLE IF NOT EXISTS scores(
  answer_id INTEGER PRIMARY KEY REFERENCES answers(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  score REAL NOT NULL,
  marked_at INTEGER NOT NULL,
  source TEXT NOT NULL DEFAULT 'mark');   -- mark | modi (subject leader's correction)
CREATE INDEX IF NOT EXISTS scores_by_teacher ON scores(teacher_id);
CREATE TABLE IF NOT EXISTS score_log(
  id INTEGER PRIMARY KEY,
  answer_id INTEGER NOT NULL,
  teacher_id INTEGER NOT NULL,
  score REAL NOT NULL,
  at INTEGER NOT NULL,
  source TEXT NOT NULL);
-- A subject leader's changes of a score, never overwritten: who, when, the
-- score before (NULL: the answer had none) and after.
CREATE TABLE IF NOT EXISTS corrections(
  id INTEGER PRIMARY KEY,
  answer_id INTEGER NOT NULL REFERENCES answers(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  old_score REAL,
  new_score REAL NOT NULL,
  at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS corrections_by_answer ON corrections(answer_id);
CREATE TABLE IF NOT EXISTS feedback(
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,                     -- image | full_mark | excellent
  exam_id INTEGER NOT NULL,
  subject_id INTEGER NOT NULL,
  class_id INTEGER,
  result_id INTEGER NOT NULL,
  teacher_id INTEGER NOT NULL,
  teacher_name TEXT NOT NULL DEFAULT '',
  img_str TEXT NOT NULL,
  at INTEGER NOT NULL,
  handled INTEGER NOT NULL DEFAULT 0);
-- Logins: the cookie is kept only as its SHA-256, so a copy of the file
-- opens no session.
CREATE TABLE IF NOT EXISTS sessions(
  token_hash TEXT PRIMARY KEY,
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  created_at INTEGER NOT NULL,
  last_used INTEGER NOT NULL);
)SQL";

}  // namespace

// ---- Stmt -------------------------------------------------------------

Stmt::Stmt(sqlite3* db, sqlite3_stmt* s) : db_(db), s_(s) {}

Stmt::~Stmt()
{
    if (s_) {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
}

Stmt& Stmt::bind(std::int64_t v)
{
    if (sqlite3_bind_int64(s_, next_++, v) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

Stmt& Stmt::bind(double v)
{
    if (sqlite3_bind_double(s_, next_++, v) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

Stmt& Stmt::bind(std::string_view v)
{
    if (sqlite3_bind_text(s_, next_++, v.data(), int(v.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        fail(db_, "bind");
    return *this;
}

Stmt& Stmt::bind(Null)
{
    if (sqlite3_bind_null(s_, next_++) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

bool Stmt::step()
{
    const int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
}

void Stmt::run()
{
    while (step()) {
    }
}

std::int64_t Stmt::i64(int col) const { return sqlite3_column_int64(s_, col); }
double Stmt::real(int col) const { return sqlite3_column_double(s_, col); }
bool Stmt::is_null(int col) const { return sqlite3_column_type(s_, col) == SQLITE_NULL; }

std::string Stmt::text(int col) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    return p ? std::string(p, size_t(sqlite3_column_bytes(s_, col))) : std::string();
}

// ---- Db ---------------------------------------------------------------

Db::Db(const std::string& path, std::mutex* writers) : writers_(writers)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError("cannot open " + path + ": " + msg);
    }
    sqlite3_busy_timeout(db_, 10000);
    // WAL: readers never wait for the writer. FULL: an answered save is on
    // disk before the reply leaves, even if the machine loses power.
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=FULL");
    exec("PRAGMA foreign_keys=ON");
}

Db::~Db()
{
    for (auto& [sql, s] : cache_) sqlite3_finalize(s);
    sqlite3_close(db_);
}

void Db::exec(const std::string& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string msg = err ? err : "error";
        sqlite3_free(err);
        throw StoreError(msg);
    }
}

Stmt Db::prepare(const std::string& sql)
{
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr)
            != SQLITE_OK)
            fail(db_, "prepare");
        it = cache_.emplace(sql, s).first;
    }
    return Stmt(db_, it->second);
}

std::int64_t Db::last_id() const { return sqlite3_last_insert_rowid(db_); }
int Db::changes() const { return sqlite3_changes(db_); }

// ---- Tx ---------------------------------------------------------------

Tx::Tx(Db& db, Kind kind) : db_(db)
{
    if (kind == Write && db_.writers()) writer_ = std::unique_lock(*db_.writers());
    db_.exec(kind == Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Tx::~Tx()
{
    if (open_) {
        try {
            db_.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

void Tx::commit()
{
    db_.exec("COMMIT");
    open_ = false;
    if (writer_.owns_lock()) writer_.unlock();
}

// ---- Store ------------------------------------------------------------

Store::Store(std::string path, int max_connections) : path_(std::move(path)), max_(max_connections)
{
    // A new database is its owner's only; SQLite creates the WAL and the
    // shared-memory file with the mode of the database file.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}
Store::~Store() = default;

Store::Handle Store::acquire()
{
    std::unique_lock lock(mu_);
    cv_.wait(lock, [&] { return !free_.empty() || open_ < max_; });
    if (!free_.empty()) {
        auto db = std::move(free_.back());
        free_.pop_back();
        return Handle(*this, std::move(db));
    }
    ++open_;
    lock.unlock();
    try {
        return Handle(*this, std::make_unique<Db>(path_, &writers_));
    } catch (...) {
        std::lock_guard again(mu_);
        --open_;
        cv_.notify_one();
        throw;
    }
}

void Store::give_back(std::unique_ptr<Db> db)
{
    if (!db) return;
    std::lock_guard lock(mu_);
    free_.push_back(std::move(db));
    cv_.notify_one();
}

void Store::create_schema()
{
    auto db = acquire();
    Tx tx(*db, Tx::Write);
    db->exec(kSchema);
    tx.commit();
}

bool Store::empty()
{
    auto db = acquire();
    return db->count("SELECT COUNT(*) FROM schools") == 0;
}

}  // namespace velmora
