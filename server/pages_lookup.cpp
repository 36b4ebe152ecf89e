// Pages of the login screen and the exam selection.
#include "pages.h"
#include "passwords.h"
#include "sessions.h"
#include "velmora_server.h"

#include <algorithm>
#include <cctype>

namespace velmora {

namespace {

constexpr int kMaxSchools = 50;  // the client's school table holds 51 rows

std::string lower_ascii(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

}  // namespace

Reply page_get_school(Context& ctx, const Query& q)
{
    const std::string term = q.text("q");
    auto db = ctx.store.acquire();
    Stmt s = db->prepare(
        "SELECT id, name FROM schools WHERE ?1 = '' OR instr(name, ?1) > 0 "
        "OR instr(lower(initials), ?2) > 0 ORDER BY id LIMIT ?3");
    s.args(term, lower_ascii(term), kMaxSchools);
    std::string out = std::string(marker::school_list) + ";";
    while (s.step()) out += std::to_string(s.i64(0)) + "," + field(s.text(1)) + ";";
    out += std::string(marker::version_tag) + "velmora;" + ctx.options.client_version + ";";
    return Reply::text(out);
}

Reply page_get_js(Context& ctx, const Query& q)
{
    const std::string term = q.text("q");
    const auto school = q.integer("xx_id");
    if (!school) return Reply::bad("xx_id 应为学校编号");
    auto db = ctx.store.acquire();
    Stmt s = db->prepare(
        "SELECT id, name FROM teachers WHERE school_id = ?1 AND "
        "(?2 = '' OR instr(name, ?2) > 0 OR instr(lower(initials), ?3) > 0) ORDER BY id");
    s.args(*school, term, lower_ascii(term));
    std::string out = marker::teacher_list;
    while (s.step()) out += std::to_string(s.i64(0)) + "," + field(s.text(1)) + ";";
    return Reply::text(out);
}

Reply page_login(Context& ctx, const Query& q, const std::string& address)
{
    const auto school = q.integer("xx_id");
    const std::string name = q.text("js_name");
    const std::string password = q.text("password");
    if (!school || name.empty() || password.empty())
        return Reply::text("login_failed：学校、教师姓名和密码都不能为空。");
    std::int64_t id = 0;
    std::string stored, spelled;
    {
        // The lookup writes "," ";" "<" ">" "&" of a name in full-width form,
        // and the client logs in with the name as it was offered there: the
        // name as stored first, then the name as the lookup spelled it.
        auto db = ctx.store.acquire();
        Stmt s = db->prepare("SELECT id, password, name FROM teachers WHERE school_id = ?1 ORDER BY name <> ?2, id");
        s.args(*school, name);
        while (s.step()) {
            if (s.text(2) != name && field(s.text(2)) != name) continue;
            id = s.i64(0);
            stored = s.text(1);
            spelled = s.text(2);
            break;
        }
    }
    // A name that is no teacher is paced like a teacher's: the refusals
    // must not tell the two apart.
    const std::string key = id ? "t" + std::to_string(id) : "n" + std::to_string(*school) + ":" + name.substr(0, 100);
    const std::int64_t now = ctx.now();
    if (const std::int64_t wait = ctx.logins.admit(key, address, now); wait > 0)
        return Reply::text("login_failed：登录失败的次数太多，请" + std::to_string((wait + 59) / 60) + "分钟后再试。");
    // The digest is computed outside the connection: it takes a while.
    bool right = false;
    if (id == 0) burn_password_check(password);
    else right = verify_password(password, stored);
    ctx.logins.done(key, address, right, ctx.now());
    if (!right) return Reply::text("login_failed：用户名称或登录密码错误。");
    Reply r = Reply::text(std::string(marker::login_ok) + "," + std::to_string(id) + "," + field(spelled) + ",");
    r.headers.emplace_back("Set-Cookie", session_cookie(ctx.sessions.open(id, now)));
    return r;
}

Reply page_ks_list(Context& ctx, const Query& q)
{
    const auto user = q.integer("user_id");
    if (!user) return Reply::bad("user_id 应为教师编号");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Read);
    if (db->count("SELECT COUNT(*) FROM teachers WHERE id = ?", *user) == 0)
        return Reply::text("没有这个用户：user_id=" + std::to_string(*user));
    // The exams of the teacher's school; the third field is the number of
    // subjects (the client does not use it).
    Stmt s = db->prepare(
        "SELECT e.id, e.name, (SELECT COUNT(*) FROM subjects WHERE exam_id = e.id), e.state "
        "FROM exams e JOIN exam_schools es ON es.exam_id = e.id "
        "JOIN teachers t ON t.school_id = es.school_id WHERE t.id = ? ORDER BY e.id DESC");
    s.args(*user);
    std::string out;
    while (s.step())
        out += std::to_string(s.i64(0)) + "," + field(s.text(1)) + "," + std::to_string(s.i64(2)) + ","
               + std::to_string(s.i64(3)) + ";";
    out += std::string(marker::exam_list) + ";";
    return Reply::text(out);
}

Reply page_ks_km1(Context& ctx, const Query& q)
{
    const auto exam = q.integer("ks_id");
    const auto school = q.integer("xx_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !teacher) return Reply::bad("ks_id 和 js_id 应为编号");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Read);
    // Only an exam the teacher's school sits, and only that school's figures.
    const auto own = db->one_int("SELECT school_id FROM teachers WHERE id = ?", *teacher);
    if (!own || (school && *school != *own)
        || db->count("SELECT COUNT(*) FROM exam_schools WHERE exam_id = ? AND school_id = ?", *exam, *own) == 0)
        return Reply::bad("本校没有这个考试，或 xx_id 不是教师所在的学校");
    // The subject this teacher marks (or leads) comes first: the client only
    // offers the first record.
    Stmt s = db->prepare(
        "SELECT sub.id, sub.name FROM subjects sub WHERE sub.exam_id = ?1 ORDER BY "
        "(EXISTS(SELECT 1 FROM assignments a WHERE a.subject_id = sub.id AND a.teacher_id = ?2) "
        " OR EXISTS(SELECT 1 FROM subject_leaders l WHERE l.subject_id = sub.id AND l.teacher_id = ?2)) DESC, "
        "sub.sort, sub.id");
    s.args(*exam, *teacher);
    std::string out;
    while (s.step()) out += std::to_string(s.i64(0)) + "," + field(s.text(1)) + ";";
    const std::int64_t students = db->count(
        "SELECT COUNT(DISTINCT r.student_id) FROM results r JOIN subjects sub ON sub.id = r.subject_id "
        "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id "
        "WHERE sub.exam_id = ?1 AND (?2 IS NULL OR c.school_id = ?2)",
        *exam, own);
    out += std::string(marker::subject_list) + "=" + std::to_string(students) + ";";
    return Reply::text(out);
}

}  // namespace velmora
