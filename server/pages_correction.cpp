// Pages of the subject leader's correction screen: the question list, the
// lookup of one student's answer, and the correction of its score.
#include "pages.h"

#include <optional>

namespace velmora {

namespace {

bool subject_in_exam(Db& db, std::int64_t exam, std::int64_t subject)
{
    return db.count("SELECT COUNT(*) FROM subjects WHERE id = ? AND exam_id = ?", subject, exam) > 0;
}

bool leads(Db& db, std::int64_t subject, std::int64_t teacher)
{
    return db.count("SELECT COUNT(*) FROM subject_leaders WHERE subject_id = ? AND teacher_id = ?", subject, teacher)
           > 0;
}

std::optional<std::string> teacher_name(Db& db, std::int64_t id)
{
    Stmt s = db.prepare("SELECT name FROM teachers WHERE id = ?");
    s.args(id);
    if (!s.step()) return std::nullopt;
    return s.text(0);
}

// "第13题，得分6；阅卷人：张明；学生：王欣怡；". The score sits between
// "，得分" and the next "；", where the client reads it; an answer without a
// score leaves that place empty, so the score box is emptied and not left
// with the previous student's score.
std::string score_line(Db& db, std::int64_t answer, const std::string& number, const std::string& student)
{
    Stmt s = db.prepare(
        "SELECT sc.score, t.name, (SELECT t2.name FROM corrections c JOIN teachers t2 ON t2.id = c.teacher_id "
        "WHERE c.answer_id = sc.answer_id ORDER BY c.id DESC LIMIT 1) "
        "FROM scores sc JOIN teachers t ON t.id = sc.teacher_id WHERE sc.answer_id = ?");
    s.args(answer);
    std::string line = "第" + field(number) + "题" + marker::score_before;
    if (!s.step()) return line + marker::score_after + "尚未评分；学生：" + field(student) + "；";
    line += mark_text(s.real(0)) + marker::score_after + "阅卷人：" + field(s.text(1)) + "；";
    if (!s.is_null(2)) line += "修改人：" + field(s.text(2)) + "；";
    return line + "学生：" + field(student) + "；";
}

}  // namespace

Reply page_get_th(Context& ctx, const Query& q)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !subject || !teacher) return Reply::bad("ks_id、km_id 和 js_id 应为编号");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Read);
    if (!subject_in_exam(*db, *exam, *subject)) return Reply::bad("考试中没有这个科目");
    // Rights first: someone without them learns nothing about the subject.
    if (!leads(*db, *subject, *teacher)) return Reply::text(marker::no_qx);
    std::string list;
    int count = 0;
    Stmt s = db->prepare("SELECT number FROM questions WHERE subject_id = ? AND objective = 0 ORDER BY sort, id");
    s.args(*subject);
    while (s.step()) {
        list += "," + field(s.text(0));
        ++count;
    }
    if (db->count("SELECT COUNT(*) FROM questions WHERE subject_id = ? AND objective = 1", *subject) > 0) {
        list += std::string(",") + marker::objective_questions;
        ++count;
    }
    if (count == 0) return Reply::text(marker::no_st);
    // The first field is not a question: the number of entries that follow.
    return Reply::text(std::to_string(count) + list);
}

Reply page_get_st(Context& ctx, const Query& q)
{
    const auto school = q.integer("xx_id");
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto teacher = q.integer("js_id");
    const std::string kh = q.text("xs_kh");
    const std::string th = q.text("th");
    // Every refusal is a message without "=": the client shows it as it is.
    if (!school || !exam || !subject || !teacher) return Reply::text("查询失败：xx_id、ks_id、km_id 和 js_id 应为编号。");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Read);
    if (!subject_in_exam(*db, *exam, *subject)) return Reply::text("查询失败：考试中没有这个科目。");
    if (!leads(*db, *subject, *teacher)) return Reply::text("查询失败：你没有查看和修改本科目成绩的权限。");
    if (kh.empty()) return Reply::text("查询失败：没有给出学生考号。");
    if (th == marker::objective_questions) return Reply::text("选择题的查看和修改尚未开放。");

    Stmt st = db->prepare(
        "SELECT st.name, c.id, c.school_id FROM students st JOIN classes c ON c.id = st.class_id "
        "JOIN results r ON r.student_id = st.id WHERE st.kh = ? AND c.school_id = ? AND r.subject_id = ?");
    st.args(kh, *school, *subject);
    if (!st.step()) return Reply::text("查询失败：本校本科目没有考号为 " + field(kh) + " 的学生。");
    const std::string student = st.text(0);
    const std::int64_t class_id = st.i64(1);
    const std::int64_t school_id = st.i64(2);

    Stmt a = db->prepare(
        "SELECT a.id, qu.number FROM answers a JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = a.question_id "
        "WHERE st.kh = ? AND r.subject_id = ? AND qu.number = ? AND qu.objective = 0");
    a.args(kh, *subject, th);
    if (!a.step()) return Reply::text("查询失败：本科目没有第 " + field(th) + " 题（主观题），或该生没有这道题的答卷。");
    const std::int64_t answer = a.i64(0);
    const std::string number = a.text(1);
    // The image reference is the one the image page reads: class id, "\",
    // candidate number "_" question number ".txt".
    return Reply::text(std::to_string(answer) + "," + std::to_string(school_id) + "=" + std::to_string(class_id)
                       + "\\" + field(kh) + "_" + field(number) + ".txt=" + score_line(*db, answer, number, student));
}

Reply page_modi_fs(Context& ctx, const Query& q)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !subject || !teacher) return Reply::text("修改失败：ks_id、km_id 和 js_id 应为编号。");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Write);
    if (!subject_in_exam(*db, *exam, *subject)) return Reply::text("修改失败：考试中没有这个科目。");
    if (!teacher_name(*db, *teacher)) return Reply::text("修改失败：没有这个教师。");
    if (!leads(*db, *subject, *teacher)) return Reply::text("修改失败：你不是本学科的学科组长，不能修改得分。");

    const std::int64_t now = ctx.now();
    std::string out;
    int elements = 0;
    for (const std::string& element : split(q.raw_text("fs_str"), ';')) {
        if (trim(element).empty()) continue;
        const std::vector<std::string> parts = split(element, ',');
        const auto id = parts.empty() ? std::nullopt : parse_integer(parts[0]);
        if (id && *id == 0) continue;  // the leading "0,0;" element
        ++elements;
        if (!id || *id < 0 || parts.size() != 2) {
            out += "修改失败：得分记录“" + field(element) + "”无效。";
            continue;
        }
        Stmt s = db->prepare(
            "SELECT qu.number, qu.full_mark, qu.objective, qu.subject_id, sc.score "
            "FROM answers a JOIN questions qu ON qu.id = a.question_id "
            "LEFT JOIN scores sc ON sc.answer_id = a.id WHERE a.id = ?");
        s.args(*id);
        if (!s.step() || s.i64(3) != *subject || s.i64(2) != 0) {
            out += "修改失败：本科目没有编号为 " + std::to_string(*id) + " 的主观题得分记录。";
            continue;
        }
        const std::string number = field(s.text(0));
        const double full = s.real(1);
        const bool scored = !s.is_null(4);
        const double before = scored ? s.real(4) : 0;
        double score = 0;
        if (!parse_score(trim(parts[1]), score) || !score_within(trim(parts[1]), full)) {
            out += "修改失败：第" + number + "题的得分应为 0 到 " + mark_text(full) + " 之间的数，“"
                   + field(trim(parts[1])) + "”不行。";
            continue;
        }
        if (scored && mark_text(before) == mark_text(score)) {
            out += "第" + number + "题得分仍为 " + mark_text(score) + "，没有改变。";
            continue;
        }
        // The marker stays recorded; an answer nobody scored is the leader's.
        if (scored)
            db->run("UPDATE scores SET score = ?, marked_at = ?, source = 'modi' WHERE answer_id = ?", score, now, *id);
        else
            db->run("INSERT INTO scores(answer_id, teacher_id, score, marked_at, source) VALUES(?, ?, ?, ?, 'modi')",
                    *id, *teacher, score, now);
        db->run("INSERT INTO score_log(answer_id, teacher_id, score, at, source) VALUES(?, ?, ?, ?, 'modi')", *id,
                *teacher, score, now);
        Stmt log = db->prepare(
            "INSERT INTO corrections(answer_id, teacher_id, old_score, new_score, at) VALUES(?, ?, ?, ?, ?)");
        log.bind(*id).bind(*teacher);
        if (scored) log.bind(before);
        else log.bind(Null{});
        log.bind(score).bind(now);
        log.run();
        db->run("DELETE FROM handouts WHERE answer_id = ?", *id);
        out += "第" + number + "题得分已由 " + (scored ? mark_text(before) : std::string("未评分")) + " 改为 "
               + mark_text(score) + "。";
    }
    tx.commit();
    if (elements == 0) return Reply::text("修改失败：没有要修改的得分。");
    return Reply::text(out);
}

Reply page_objective_pending(Context&, const Query&)
{
    return Reply::text("选择题的查看和修改尚未开放。");
}

}  // namespace velmora
