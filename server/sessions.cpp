#include "sessions.h"

#include "page_util.h"
#include "protocol/pages.h"
#include "store.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <map>

namespace velmora {

namespace {

std::string digest(const std::string& token)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(token), QCryptographicHash::Sha256).toHex().toStdString();
}

// A session is written back at most once a minute: every request reads it,
// and a write per request would queue them all on the store's write lock.
constexpr std::int64_t kTouchSeconds = 60;

}  // namespace

// ---- sessions ------------------------------------------------------------

std::string Sessions::open(std::int64_t teacher, std::int64_t now)
{
    quint32 words[8];  // 256 bits from the system's generator
    QRandomGenerator::system()->fillRange(words);
    const std::string token = QByteArray(reinterpret_cast<const char*>(words), sizeof words)
                                  .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)
                                  .toStdString();
    auto db = store_.acquire();
    Tx tx(*db, Tx::Write);
    db->run("DELETE FROM sessions WHERE last_used < ?", now - kSessionIdleSeconds);
    db->run("INSERT INTO sessions(token_hash, teacher_id, created_at, last_used) VALUES(?, ?, ?, ?)", digest(token),
            teacher, now, now);
    tx.commit();
    return token;
}

std::optional<SessionUser> Sessions::find(const std::string& token, std::int64_t now)
{
    if (token.empty() || token.size() > 100) return std::nullopt;
    const std::string key = digest(token);
    auto db = store_.acquire();
    SessionUser user;
    std::int64_t last = 0;
    {
        Stmt s = db->prepare(
            "SELECT s.teacher_id, t.school_id, s.last_used FROM sessions s JOIN teachers t ON t.id = s.teacher_id "
            "WHERE s.token_hash = ?");
        s.args(key);
        if (!s.step()) return std::nullopt;
        user = SessionUser{s.i64(0), s.i64(1)};
        last = s.i64(2);
    }
    if (now - last > kSessionIdleSeconds) {
        Tx tx(*db, Tx::Write);
        db->run("DELETE FROM sessions WHERE token_hash = ?", key);
        tx.commit();
        return std::nullopt;
    }
    if (now - last >= kTouchSeconds) {
        Tx tx(*db, Tx::Write);
        db->run("UPDATE sessions SET last_used = ? WHERE token_hash = ?", now, key);
        tx.commit();
    }
    return user;
}

std::string session_token(const std::string& cookie_header)
{
    const std::string name = std::string(kSessionCookie) + "=";
    size_t pos = 0;
    while (pos < cookie_header.size()) {
        size_t end = cookie_header.find(';', pos);
        if (end == std::string::npos) end = cookie_header.size();
        const std::string part = trim(std::string_view(cookie_header).substr(pos, end - pos));
        if (part.compare(0, name.size(), name) == 0) return part.substr(name.size());
        pos = end + 1;
    }
    return {};
}

std::string session_cookie(const std::string& token)
{
    // No Max-Age: the server ends an unused session, the client forgets the
    // cookie when it closes.
    return std::string(kSessionCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict";
}

// ---- password guessing -----------------------------------------------------

std::int64_t LoginGuard::wait_of(Entry& e, int tries, std::int64_t now)
{
    // A quiet day forgets the past delays.
    if (e.running == 0 && e.until <= now && now - e.last > 24 * 3600) e = Entry{};
    if (e.until > now) return e.until - now;
    // Tries that are still running count: parallel requests do not buy
    // more guesses than tries in a row.
    if (e.wrong + e.running >= tries) return 1;
    return 0;
}

void LoginGuard::wrong(Entry& e, int tries, std::int64_t now)
{
    e.last = now;
    if (++e.wrong < tries) return;
    const int shift = std::min(e.lockouts, 16);
    e.until = now + std::min(kLongestDelay, kFirstDelay << shift);
    ++e.lockouts;
    e.wrong = tries - 1;  // after the delay: one more try, then a longer delay
}

void LoginGuard::prune(Map& m, std::int64_t now)
{
    // Random names must not grow the table without end.
    if (m.size() < 20000) return;
    std::erase_if(m, [now](const auto& kv) {
        const Entry& e = kv.second;
        return e.running == 0 && e.until <= now && now - e.last > 600;
    });
}

std::int64_t LoginGuard::admit(const std::string& teacher_key, const std::string& address, std::int64_t now)
{
    std::lock_guard lock(mu_);
    prune(teachers_, now);
    prune(addresses_, now);
    Entry& t = teachers_[teacher_key];
    Entry& a = addresses_[address];
    const std::int64_t wait = std::max(wait_of(t, kTeacherTries, now), wait_of(a, kAddressTries, now));
    if (wait > 0) return wait;
    ++t.running;
    ++a.running;
    return 0;
}

void LoginGuard::done(const std::string& teacher_key, const std::string& address, bool right, std::int64_t now)
{
    std::lock_guard lock(mu_);
    Entry& t = teachers_[teacher_key];
    Entry& a = addresses_[address];
    t.running = std::max(0, t.running - 1);
    a.running = std::max(0, a.running - 1);
    if (right) {
        // The teacher's count starts again; the address keeps its own, or
        // one valid account would clear the way for guessing at others.
        if (t.running == 0) teachers_.erase(teacher_key);
        return;
    }
    wrong(t, kTeacherTries, now);
    wrong(a, kAddressTries, now);
}

// ---- which pages need a session ---------------------------------------------

namespace {

enum class Extra {
    None,
    Answer,      // net_down_st / net_down_sted: an answer the teacher may see
    SheetPiece,  // cj_dtk: a piece of a sheet within the teacher's scope
};

struct Guard {
    const char* teacher;  // the query field naming the teacher, or nullptr
    bool school;          // xx_id, when positive, must be the teacher's school
    Extra extra = Extra::None;
};

const std::map<std::string, Guard>& guards()
{
    using P = protocol::Page;
    static const std::map<std::string, Guard> table = [] {
        const std::pair<P, Guard> rows[] = {
            {P::KsList, {"user_id", false}},     {P::KsKm1, {"js_id", true}},
            {P::GetWork, {"js_id", false}},      {P::UserWork, {"js_id", false}},
            {P::UserWorked, {"js_id", false}},   {P::GetZtmsg, {"js_id", false}},
            {P::SaveFs, {"js_id", false}},       {P::GetTh, {"js_id", false}},
            {P::GetSt, {"js_id", true}},         {P::PostErr, {"js_id", true}},
            {P::PostOk, {"js_id", true}},        {P::KsBox, {"user_id", false}},
            {P::SaveKgtFs, {"js_id", false}},
            // xx_id of an image is the answer's school, not the teacher's.
            {P::DownSt, {nullptr, false, Extra::Answer}},
            {P::DownSted, {nullptr, false, Extra::Answer}},
            {P::CjWorking, {"u_id", true}},      {P::CjAnswer, {"u_id", true}},
            {P::CjScore, {"u_id", true}},        {P::CjShitifs, {"u_id", true}},
            {P::CjYxdtk, {"u_id", true}},        {P::CjXsdtk, {"u_id", true}},
            {P::CjStnd, {"u_id", true}},         {P::CjMc, {"u_id", true}},
            {P::CjFsd, {"u_id", true}},          {P::CjSjfx, {"u_id", true}},
            {P::CjStqfd, {"u_id", true}},        {P::CjFx, {"u_id", true}},
            {P::CjDtk, {nullptr, false, Extra::SheetPiece}},
        };
        std::map<std::string, Guard> t;
        for (const auto& [page, guard] : rows) t.emplace(protocol::page_name(page).toStdString(), guard);
        return t;
    }();
    return table;
}

bool open_page(const std::string& page)
{
    using P = protocol::Page;
    for (P p : {P::GetSchool, P::GetJs, P::Login, P::Help})
        if (page == protocol::page_name(p).toStdString()) return true;
    return false;
}

Reply expired()
{
    return Reply{401, std::string("登录已过期（") + marker::runtime_error + "）：" + marker::log_in_again + "。"};
}

Reply not_yours()
{
    return Reply{403, std::string("登录已失效（") + marker::runtime_error + "）：这一页属于另一位教师或另一所学校，"
                          + marker::log_in_again + "。"};
}

// Right of a teacher to an answer: it is in their work (their question or
// class), they lead its subject, or it was handed to or scored by them.
// nullopt when there is no such answer (the page then says so itself).
std::optional<bool> may_see(Db& db, std::int64_t exam, std::int64_t subject, const std::string& kh,
                            const std::string& th, std::int64_t teacher)
{
    Stmt s = db.prepare(
        "SELECT MAX(EXISTS(SELECT 1 FROM assignments x WHERE x.subject_id = sub.id AND x.teacher_id = ?5 "
        "                  AND (x.question_id = qu.id OR x.class_id = st.class_id)) "
        "  OR EXISTS(SELECT 1 FROM subject_leaders l WHERE l.subject_id = sub.id AND l.teacher_id = ?5) "
        "  OR EXISTS(SELECT 1 FROM handouts h WHERE h.answer_id = a.id AND h.teacher_id = ?5) "
        "  OR EXISTS(SELECT 1 FROM scores sc WHERE sc.answer_id = a.id AND sc.teacher_id = ?5)) "
        "FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id "
        "JOIN questions qu ON qu.id = a.question_id JOIN subjects sub ON sub.id = qu.subject_id "
        "WHERE sub.exam_id = ?1 AND sub.id = ?2 AND r.subject_id = sub.id AND st.kh = ?3 AND qu.number = ?4");
    s.args(exam, subject, kh, th, teacher);
    if (!s.step() || s.is_null(0)) return std::nullopt;
    return s.i64(0) != 0;
}

// "<candidate>_<question>.txt" at the end of an image reference.
bool answer_file(const std::string& ref, std::string& kh, std::string& th)
{
    std::string file = ref.substr(ref.find_last_of('\\') == std::string::npos ? 0 : ref.find_last_of('\\') + 1);
    if (file.size() < 6 || file.compare(file.size() - 4, 4, ".txt") != 0) return false;
    file.resize(file.size() - 4);
    const size_t us = file.find('_');
    if (us == std::string::npos || us == 0 || us + 1 == file.size()) return false;
    kh = file.substr(0, us);
    th = file.substr(us + 1);
    return true;
}

std::optional<Reply> check_extra(Db& db, Extra extra, const Query& q, const SessionUser& user)
{
    std::optional<std::int64_t> exam, subject;
    std::string kh, th;
    if (extra == Extra::Answer) {
        exam = q.integer("ks_id");
        subject = q.integer("km_id");
        if (!exam || !subject || !answer_file(q.raw_text("img_txt"), kh, th)) return std::nullopt;
        const auto right = may_see(db, *exam, *subject, kh, th, user.teacher);
        if (right && !*right) return not_yours();
        return std::nullopt;
    }
    // A sheet piece: "D:\web\cj\ks_img\<exam>_<subject>\<candidate>_<question>.txt,...".
    const std::string record = q.raw_text("dtk");
    const std::vector<std::string> parts = split(record.substr(0, record.find(',')) + "\\", '\\');
    if (parts.size() < 6 || !answer_file(parts[5], kh, th)) return std::nullopt;
    const size_t us = parts[4].find('_');
    if (us == std::string::npos) return std::nullopt;
    exam = parse_integer(parts[4].substr(0, us));
    subject = parse_integer(parts[4].substr(us + 1));
    if (!exam || !subject) return std::nullopt;
    // The report pages' scope: a leader sees every school, others their own.
    const bool leads = db.count("SELECT COUNT(*) FROM subject_leaders WHERE subject_id = ? AND teacher_id = ?",
                                *subject, user.teacher) > 0;
    if (leads) return std::nullopt;
    const auto school = db.one_int(
        "SELECT c.school_id FROM students st JOIN classes c ON c.id = st.class_id WHERE st.kh = ?", kh);
    if (school && *school != user.school) return not_yours();
    return std::nullopt;
}

}  // namespace

bool page_needs_session(const std::string& page) { return !open_page(page); }

std::optional<Reply> check_session(Store& store, Sessions& sessions, const std::string& page, const Query& q,
                                   const std::string& cookie_header, std::int64_t now)
{
    if (open_page(page)) return std::nullopt;
    const auto user = sessions.find(session_token(cookie_header), now);
    if (!user) return expired();
    const auto it = guards().find(page);
    if (it == guards().end()) return std::nullopt;
    const Guard& g = it->second;
    // A missing or malformed field is the page's own 400; a teacher or
    // school other than the session's is refused before the page runs.
    if (g.teacher) {
        const auto named = q.integer(g.teacher);
        if (named && *named != user->teacher) return not_yours();
    }
    if (g.school) {
        const auto named = q.integer("xx_id");
        if (named && *named > 0 && *named != user->school) return not_yours();
    }
    if (g.extra != Extra::None) {
        auto db = store.acquire();
        return check_extra(*db, g.extra, q, *user);
    }
    return std::nullopt;
}

}  // namespace velmora
