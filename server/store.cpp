#include "store.h"

#include <sqlite3.h>

#include <algorithm>
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
CREATE INDEX IF NOT EXISTS assignments_by_question ON assignments(question_id);
CREATE TABLE IF NOT EXISTS handouts(
  answer_id INTEGER PRIMARY KEY REFERENCES answers(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  handed_at INTEGER NOT NULL,
  expires_at INTEGER NOT NULL);
DROP INDEX IF EXISTS handouts_by_teacher;
-- A teacher's live reservations: lease updates start from these.
CREATE INDEX IF NOT EXISTS handouts_live ON handouts(teacher_id, expires_at);
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
-- The blocks of option boxes on a subject's answer sheet, in full-sheet
-- pixels; kind, options and marks come from the questions they name.
CREATE TABLE IF NOT EXISTS sheet_regions(
  id INTEGER PRIMARY KEY,
  subject_id INTEGER NOT NULL REFERENCES subjects(id),
  x1 INTEGER NOT NULL, y1 INTEGER NOT NULL, x2 INTEGER NOT NULL, y2 INTEGER NOT NULL,
  layout INTEGER NOT NULL DEFAULT 0,      -- 0: a question per row; 1: a question per column
  numbers TEXT NOT NULL,                  -- question numbers in layout order, "1|2|3"
  sort INTEGER NOT NULL DEFAULT 0);
-- A subject leader's changes of a student's objective answers, never
-- overwritten; the first one's old answers are the ones scanned.
CREATE TABLE IF NOT EXISTS objective_corrections(
  id INTEGER PRIMARY KEY,
  result_id INTEGER NOT NULL REFERENCES results(id),
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  old_answers TEXT NOT NULL,
  new_answers TEXT NOT NULL,
  old_score REAL NOT NULL,
  new_score REAL NOT NULL,
  at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS objective_corrections_by_result ON objective_corrections(result_id);
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
-- Written answers whose scan is there and that nobody has scored, in the
-- order batches hand them out: a batch reads the first few of a question
-- or a class, whatever the size of the exam. Kept by the triggers below.
CREATE TABLE IF NOT EXISTS open_answers(
  answer_id INTEGER PRIMARY KEY,
  result_id INTEGER NOT NULL,
  question_id INTEGER NOT NULL,
  subject_id INTEGER NOT NULL,            -- the result's
  class_id INTEGER NOT NULL,
  kh TEXT NOT NULL,
  question_sort INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS open_by_question ON open_answers(question_id, class_id, kh);
CREATE INDEX IF NOT EXISTS open_by_class ON open_answers(subject_id, class_id, kh, question_sort, question_id);
CREATE INDEX IF NOT EXISTS open_by_result ON open_answers(result_id, question_id);
-- The counts of the progress record and the status line, kept up to date by
-- the triggers below instead of counted on every request. `scored` counts
-- answers that are uploaded and scored.
CREATE TABLE IF NOT EXISTS question_tally(
  question_id INTEGER PRIMARY KEY,
  answers INTEGER NOT NULL DEFAULT 0,
  uploaded INTEGER NOT NULL DEFAULT 0,
  scored INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS class_tally(    -- written answers of a subject's class
  subject_id INTEGER NOT NULL,
  class_id INTEGER NOT NULL,
  answers INTEGER NOT NULL DEFAULT 0,
  uploaded INTEGER NOT NULL DEFAULT 0,
  scored INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(subject_id, class_id));
CREATE TABLE IF NOT EXISTS subject_tally(
  subject_id INTEGER PRIMARY KEY,
  results INTEGER NOT NULL DEFAULT 0,
  uploaded INTEGER NOT NULL DEFAULT 0);  -- written answers
CREATE TABLE IF NOT EXISTS teacher_tally(   -- scores of a teacher in a subject
  teacher_id INTEGER NOT NULL,
  subject_id INTEGER NOT NULL,
  scored INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(teacher_id, subject_id));
-- Logins: the cookie is kept only as its SHA-256, so a copy of the file
-- opens no session.
CREATE TABLE IF NOT EXISTS sessions(
  token_hash TEXT PRIMARY KEY,
  teacher_id INTEGER NOT NULL REFERENCES teachers(id),
  created_at INTEGER NOT NULL,
  last_used INTEGER NOT NULL);
)SQL";

// What one answer row R (NEW or OLD) adds to the tallies and open answers
// (sign "1") or takes away ("-1"). Whoever writes the tables (pages, demo
// seeding, a test's SQL), the tallies follow.
std::string answer_effect(const std::string& r, const std::string& sign)
{
    const std::string up = "(" + r + ".uploaded <> 0)";
    const std::string scored = "(" + up + " AND EXISTS(SELECT 1 FROM scores WHERE answer_id = " + r + ".id))";
    std::string sql =
        "INSERT INTO question_tally(question_id, answers, uploaded, scored) VALUES(" + r + ".question_id, " + sign
        + ", " + sign + " * " + up + ", " + sign + " * " + scored
        + ") ON CONFLICT(question_id) DO UPDATE SET answers = answers + excluded.answers, "
          "uploaded = uploaded + excluded.uploaded, scored = scored + excluded.scored;\n"
          "INSERT INTO class_tally(subject_id, class_id, answers, uploaded, scored) SELECT r.subject_id, st.class_id, "
        + sign + ", " + sign + " * " + up + ", " + sign + " * " + scored
        + " FROM results r JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = " + r
        + ".question_id WHERE r.id = " + r
        + ".result_id AND qu.objective = 0 ON CONFLICT(subject_id, class_id) DO UPDATE SET "
          "answers = answers + excluded.answers, uploaded = uploaded + excluded.uploaded, "
          "scored = scored + excluded.scored;\n"
          "INSERT INTO subject_tally(subject_id, uploaded) SELECT subject_id, " + sign + " FROM questions WHERE id = "
        + r + ".question_id AND objective = 0 AND " + up
        + " ON CONFLICT(subject_id) DO UPDATE SET uploaded = uploaded + excluded.uploaded;\n";
    if (sign == "1")
        sql += "INSERT OR IGNORE INTO open_answers(answer_id, result_id, question_id, subject_id, class_id, kh, "
               "question_sort) SELECT " + r + ".id, " + r + ".result_id, " + r
               + ".question_id, r.subject_id, st.class_id, st.kh, qu.sort FROM results r "
                 "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = " + r + ".question_id "
                 "WHERE r.id = " + r + ".result_id AND qu.objective = 0 AND " + up
               + " AND NOT EXISTS(SELECT 1 FROM scores WHERE answer_id = " + r + ".id);\n";
    else
        sql += "DELETE FROM open_answers WHERE answer_id = " + r + ".id;\n";
    return sql;
}

// What one score row R adds ("1") or takes away ("-1").
std::string score_effect(const std::string& r, const std::string& sign)
{
    std::string sql =
        "INSERT INTO teacher_tally(teacher_id, subject_id, scored) SELECT " + r + ".teacher_id, qu.subject_id, " + sign
        + " FROM answers a JOIN questions qu ON qu.id = a.question_id WHERE a.id = " + r
        + ".answer_id ON CONFLICT(teacher_id, subject_id) DO UPDATE SET scored = scored + excluded.scored;\n"
          "UPDATE question_tally SET scored = scored + " + sign
        + " WHERE question_id = (SELECT question_id FROM answers WHERE id = " + r + ".answer_id AND uploaded <> 0);\n"
          "UPDATE class_tally SET scored = scored + " + sign
        + " WHERE (subject_id, class_id) = (SELECT r.subject_id, st.class_id FROM answers a "
          "JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id "
          "JOIN questions qu ON qu.id = a.question_id WHERE a.id = " + r
        + ".answer_id AND a.uploaded <> 0 AND qu.objective = 0);\n";
    if (sign == "1")
        sql += "DELETE FROM open_answers WHERE answer_id = " + r + ".answer_id;\n";
    else
        sql += "INSERT OR IGNORE INTO open_answers(answer_id, result_id, question_id, subject_id, class_id, kh, "
               "question_sort) SELECT a.id, a.result_id, a.question_id, r.subject_id, st.class_id, st.kh, qu.sort "
               "FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id "
               "JOIN questions qu ON qu.id = a.question_id WHERE a.id = " + r
               + ".answer_id AND a.uploaded <> 0 AND qu.objective = 0 "
                 "AND NOT EXISTS(SELECT 1 FROM scores WHERE answer_id = a.id);\n";
    return sql;
}

std::string result_effect(const std::string& r, const std::string& sign)
{
    return "INSERT INTO subject_tally(subject_id, results) VALUES(" + r + ".subject_id, " + sign
           + ") ON CONFLICT(subject_id) DO UPDATE SET results = results + excluded.results;\n";
}

std::string trigger(const std::string& name, const std::string& when, const std::string& body)
{
    return "CREATE TRIGGER IF NOT EXISTS " + name + " " + when + " BEGIN\n" + body + "END;\n";
}

std::string tally_triggers()
{
    return trigger("answer_added", "AFTER INSERT ON answers", answer_effect("NEW", "1"))
           + trigger("answer_removed", "AFTER DELETE ON answers", answer_effect("OLD", "-1"))
           + trigger("answer_changed", "AFTER UPDATE OF uploaded, question_id, result_id ON answers",
                     answer_effect("OLD", "-1") + answer_effect("NEW", "1"))
           + trigger("score_added", "AFTER INSERT ON scores", score_effect("NEW", "1"))
           + trigger("score_removed", "AFTER DELETE ON scores", score_effect("OLD", "-1"))
           + trigger("score_moved", "AFTER UPDATE OF answer_id, teacher_id ON scores",
                     score_effect("OLD", "-1") + score_effect("NEW", "1"))
           + trigger("result_added", "AFTER INSERT ON results", result_effect("NEW", "1"))
           + trigger("result_removed", "AFTER DELETE ON results", result_effect("OLD", "-1"))
           + trigger("result_moved", "AFTER UPDATE OF subject_id ON results",
                     result_effect("OLD", "-1") + result_effect("NEW", "1"));
}

// Counted afresh at every start: a store written before the tallies
// existed, or changed by hand, starts right.
const char* kRecount = R"SQL(
DELETE FROM open_answers;
INSERT INTO open_answers(answer_id, result_id, question_id, subject_id, class_id, kh, question_sort)
  SELECT a.id, a.result_id, a.question_id, r.subject_id, st.class_id, st.kh, qu.sort
  FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id
  JOIN questions qu ON qu.id = a.question_id
  WHERE a.uploaded <> 0 AND qu.objective = 0 AND NOT EXISTS(SELECT 1 FROM scores WHERE answer_id = a.id);
DELETE FROM question_tally;
INSERT INTO question_tally(question_id, answers, uploaded, scored)
  SELECT a.question_id, COUNT(*), TOTAL(a.uploaded <> 0), TOTAL(a.uploaded <> 0 AND sc.answer_id IS NOT NULL)
  FROM answers a LEFT JOIN scores sc ON sc.answer_id = a.id GROUP BY a.question_id;
DELETE FROM class_tally;
INSERT INTO class_tally(subject_id, class_id, answers, uploaded, scored)
  SELECT r.subject_id, st.class_id, COUNT(*), TOTAL(a.uploaded <> 0), TOTAL(a.uploaded <> 0 AND sc.answer_id IS NOT NULL)
  FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id
  JOIN questions qu ON qu.id = a.question_id LEFT JOIN scores sc ON sc.answer_id = a.id
  WHERE qu.objective = 0 GROUP BY r.subject_id, st.class_id;
DELETE FROM subject_tally;
INSERT INTO subject_tally(subject_id, results, uploaded)
  SELECT sub.id, (SELECT COUNT(*) FROM results WHERE subject_id = sub.id),
         (SELECT COUNT(*) FROM answers a JOIN questions qu ON qu.id = a.question_id
          WHERE qu.subject_id = sub.id AND qu.objective = 0 AND a.uploaded <> 0)
  FROM subjects sub;
DELETE FROM teacher_tally;
INSERT INTO teacher_tally(teacher_id, subject_id, scored)
  SELECT sc.teacher_id, qu.subject_id, COUNT(*) FROM scores sc JOIN answers a ON a.id = sc.answer_id
  JOIN questions qu ON qu.id = a.question_id GROUP BY sc.teacher_id, qu.subject_id;
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

Db::Db(const std::string& path, WriteGate* gate) : gate_(gate)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw StoreError("cannot open " + path + ": " + msg);
    }
    sqlite3_busy_timeout(db_, 10000);
    // WAL: readers never wait for the writer. NORMAL: a commit does not sync
    // by itself; Tx::commit waits for the group sync instead, so an answered
    // save is still on disk before the reply leaves. Without a gate (tools,
    // tests reading a store) every commit syncs.
    exec("PRAGMA journal_mode=WAL");
    exec(gate_ ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
    // Pages read through a mapping, not a system call each (costly on a
    // virtual machine), and a larger cache per connection.
    exec("PRAGMA mmap_size=1073741824");
    exec("PRAGMA cache_size=-16000");
    if (gate_)
        sqlite3_wal_hook(
            db_,
            [](void* gate, sqlite3*, const char*, int frames) {
                static_cast<WriteGate*>(gate)->durability.log_grew(frames);
                return SQLITE_OK;
            },
            gate_);
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
    if (kind == Write && db_.gate()) writer_ = std::unique_lock(db_.gate()->writers);
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

void Tx::commit() { finish(true); }
void Tx::commit_unsynced() { finish(false); }

void Tx::finish(bool synced)
{
    if (!writer_.owns_lock()) {
        db_.exec("COMMIT");
        open_ = false;
        return;
    }
    Durability& d = db_.gate()->durability;
    d.committing();
    std::uint64_t n = 0;
    try {
        db_.exec("COMMIT");
    } catch (...) {
        d.committed(false);
        throw;
    }
    n = d.committed(true);
    open_ = false;
    writer_.unlock();  // the next writer goes on while this one waits for the sync
    if (synced) {
        Turns::Aside aside;  // waiting for the disk computes nothing
        d.wait(n);
    }
}

// ---- FairMutex ----------------------------------------------------------

void FairMutex::lock()
{
    std::unique_lock lock(mu_);
    if (!held_) {
        held_ = true;
        return;
    }
    Waiter me;
    queue_.push_back(&me);
    me.cv.wait(lock, [&] { return me.ready; });
}

void FairMutex::unlock()
{
    std::lock_guard lock(mu_);
    if (queue_.empty()) {
        held_ = false;
        return;
    }
    // Handed straight to the first in line: nobody can slip in between.
    Waiter* next = queue_.front();
    queue_.pop_front();
    next->ready = true;
    next->cv.notify_one();
}

// ---- Durability ---------------------------------------------------------

namespace {

// A new connection knows nothing of the log until its first read: until
// then a checkpoint through it copies nothing and its log has no file.
sqlite3_file* open_log(sqlite3* db)
{
    sqlite3_file* log = nullptr;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log);
    if (!log || !log->pMethods) {
        if (sqlite3_exec(db, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
            return nullptr;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log);
    }
    return log && log->pMethods ? log : nullptr;
}

}  // namespace

Durability::Durability(std::string path, FairMutex& writers) : path_(std::move(path)), writers_(writers) {}

Durability::~Durability()
{
    {
        std::lock_guard lock(mu_);
        stopping_ = true;
    }
    checkpoint_cv_.notify_all();
    if (checkpointer_.joinable()) checkpointer_.join();
    if (db_) sqlite3_close(db_);
}

void Durability::log_grew(int frames)
{
    if (frames < kCopyFrames) return;
    std::lock_guard lock(mu_);
    if (checkpoint_due_ || stopping_) return;
    checkpoint_due_ = true;
    if (!checkpointer_.joinable()) checkpointer_ = std::thread([this] { checkpoints(); });
    checkpoint_cv_.notify_one();
}

void Durability::checkpoints()
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK
        || !open_log(db)) {
        sqlite3_close(db);
        db = nullptr;
    }
    // RESTART waits this long for readers still in the log, with the
    // writers stopped: a long report must not hold up every save.
    if (db) sqlite3_busy_timeout(db, 100);
    std::unique_lock lock(mu_);
    for (;;) {
        checkpoint_cv_.wait(lock, [&] { return checkpoint_due_ || stopping_; });
        if (stopping_) break;
        checkpoint_due_ = false;
        lock.unlock();
        if (db) copy_log(db);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close(db);
}

void Durability::copy_log(sqlite3* db)
{
    // PASSIVE: copies what no reader still needs, never waits for writers
    // or readers; what is left goes with the next one.
    int log = 0, copied = 0;
    if (sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &copied) != SQLITE_OK)
        return;
    if (log < kRestartFrames) {
        restart_at_ = kRestartFrames;
        return;
    }
    if (log < restart_at_) return;
    // The log has not started over for long (writers that never pause
    // always begin before a copy has caught up): with their lock held no frame
    // is added, RESTART copies the rest and waits for the readers of the
    // log, and the next writer starts it from the beginning.
    std::lock_guard hold(writers_);
    // A reader that stayed longer than the wait (a large report) is not
    // waited for again before the log has grown by another copy's length.
    restart_at_ = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_RESTART, nullptr, nullptr) == SQLITE_OK
                      ? kRestartFrames
                      : log + kCopyFrames;
}

void Durability::committing()
{
    std::lock_guard lock(mu_);
    in_commit_ = true;
}

std::uint64_t Durability::committed(bool done)
{
    std::lock_guard lock(mu_);
    in_commit_ = false;
    if (done) ++committed_;
    return committed_;
}

std::uint64_t Durability::visible()
{
    std::lock_guard lock(mu_);
    return committed_ + (in_commit_ ? 1 : 0);
}

void Durability::wait(std::uint64_t n)
{
    std::unique_lock lock(mu_);
    while (synced_ < n) {
        if (syncing_) {
            cv_.wait(lock);
            continue;
        }
        // Everything committed so far goes to disk with this one sync; a
        // commit under way is not counted, it waits for the next.
        syncing_ = true;
        const std::uint64_t covers = committed_;
        lock.unlock();
        bool ok = true;
        try {
            sync_log();
        } catch (...) {
            ok = false;
        }
        lock.lock();
        syncing_ = false;
        if (ok) synced_ = std::max(synced_, covers);
        cv_.notify_all();
        if (!ok) throw StoreError("cannot sync the database log to disk");
    }
}

// A sync of the log file through SQLite's own file object: one fsync
// covers the frames every connection has written.
void Durability::sync_log()
{
    if (!db_) {
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            fail(nullptr, "open for syncing");
        }
    }
    sqlite3_file* log = open_log(db_);
    if (!log) fail(db_, "no log to sync");
    if (log->pMethods->xSync(log, SQLITE_SYNC_NORMAL) != SQLITE_OK) fail(db_, "sync");
}

// ---- Store ------------------------------------------------------------

Store::Store(std::string path, int max_connections) : path_(std::move(path)), gate_(path_), max_(max_connections)
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
        return Handle(*this, std::make_unique<Db>(path_, &gate_));
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
    db->exec(tally_triggers());
    db->exec(kRecount);
    tx.commit();
}

bool Store::empty()
{
    auto db = acquire();
    return db->count("SELECT COUNT(*) FROM schools") == 0;
}

}  // namespace velmora
