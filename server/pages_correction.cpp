// Pages of the subject leader's correction screen: the question list, the
// lookup of one student's answer, and the correction of its score; for the
// objective questions ("00") the scanned sheet, its blocks of option boxes
// and the correction of the student's answers.
#include "answer_images.h"
#include "bubble_sheets.h"
#include "kgt_answers.h"
#include "pages.h"

#include <QByteArray>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

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

struct ObjectiveQuestion {
    kgt::Question question;
    std::string kind, key;
    double full = 0, partial = 0;
};

std::vector<ObjectiveQuestion> objective_questions(Db& db, std::int64_t subject)
{
    std::vector<ObjectiveQuestion> out;
    Stmt s = db.prepare("SELECT number, options, kind, answer_key, full_mark, partial_mark FROM questions "
                        "WHERE subject_id = ? AND objective = 1 ORDER BY sort, id");
    s.args(subject);
    while (s.step()) out.push_back({{s.text(0), s.text(1)}, s.text(2), s.text(3), s.real(4), s.real(5)});
    return out;
}

std::vector<kgt::Question> plain(const std::vector<ObjectiveQuestion>& qs)
{
    std::vector<kgt::Question> out;
    for (const ObjectiveQuestion& q : qs) out.push_back(q.question);
    return out;
}

// The objective total by the item rules; a one-answer question has no
// partial score.
double objective_total(const std::vector<ObjectiveQuestion>& qs, const kgt::Answers& answers)
{
    double total = 0;
    for (const ObjectiveQuestion& q : qs) {
        const auto it = answers.find(q.question.number);
        total += kgt::kgt_item_fs(it == answers.end() ? std::string() : it->second, q.key, q.full,
                                  q.kind == "DAXT" ? 0 : q.partial);
    }
    return total;
}

kgt::Answers key_answers(const std::vector<ObjectiveQuestion>& qs)
{
    kgt::Answers key;
    for (const ObjectiveQuestion& q : qs) key[q.question.number] = q.key;
    return key;
}

// The answers as they were scanned: before the first correction, if any.
std::string scanned_answers(Db& db, std::int64_t result, const std::string& current)
{
    Stmt s = db.prepare("SELECT old_answers FROM objective_corrections WHERE result_id = ? ORDER BY id LIMIT 1");
    s.args(result);
    return s.step() ? s.text(0) : current;
}

// "12\26010101_00.txt": class id, candidate number, the objective sheet.
bool parse_sheet_ref(const std::string& s, std::int64_t& class_id, std::string& kh)
{
    const std::string tail = std::string("_") + marker::objective_questions + ".txt";
    const size_t bs = s.find('\\');
    if (bs == std::string::npos || bs == 0 || s.size() <= bs + 1 + tail.size()) return false;
    if (s.compare(s.size() - tail.size(), tail.size(), tail) != 0) return false;
    const std::string cls = s.substr(0, bs);
    kh = s.substr(bs + 1, s.size() - bs - 1 - tail.size());
    if (cls.size() > 9 || cls.find_first_not_of("0123456789") != std::string::npos) return false;
    if (kh.empty() || kh.size() > 32
        || kh.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-") != std::string::npos)
        return false;
    class_id = std::stoll(cls);
    return class_id > 0;
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

    Stmt st = db->prepare(
        "SELECT st.name, c.id, c.school_id, r.id, r.objective_answers FROM students st "
        "JOIN classes c ON c.id = st.class_id "
        "JOIN results r ON r.student_id = st.id WHERE st.kh = ? AND c.school_id = ? AND r.subject_id = ?");
    st.args(kh, *school, *subject);
    if (!st.step()) return Reply::text("查询失败：本校本科目没有考号为 " + field(kh) + " 的学生。");
    const std::string student = st.text(0);
    const std::int64_t class_id = st.i64(1);
    const std::int64_t school_id = st.i64(2);

    if (th == marker::objective_questions) {
        // The result record, the scanned sheet, the score line, then the
        // student's answers and the key as answer lists.
        const std::int64_t result = st.i64(3);
        const std::vector<ObjectiveQuestion> qs = objective_questions(*db, *subject);
        if (qs.empty()) return Reply::text("查询失败：本科目没有选择题。");
        const kgt::Answers answers = kgt::read_answer_list(st.text(4));
        std::string line = std::string("选择题") + marker::score_before + mark_text(objective_total(qs, answers))
                           + marker::score_after;
        Stmt who = db->prepare("SELECT t.name FROM objective_corrections oc JOIN teachers t ON t.id = oc.teacher_id "
                               "WHERE oc.result_id = ? ORDER BY oc.id DESC LIMIT 1");
        who.args(result);
        if (who.step()) line += "修改人：" + field(who.text(0)) + "；";
        line += "学生：" + field(student) + "；";
        return Reply::text(std::to_string(result) + "," + std::to_string(school_id) + "=" + std::to_string(class_id)
                           + "\\" + field(kh) + "_" + marker::objective_questions + ".txt=" + line + "="
                           + kgt::answer_list(answers, plain(qs)) + "=" + kgt::answer_list(key_answers(qs), plain(qs)));
    }

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


Reply page_ks_box(Context& ctx, const Query& q)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto school = q.integer("xx_id");
    const auto teacher = q.integer("user_id");
    if (!exam || !subject || !school || !teacher) return Reply::bad("ks_id、km_id、xx_id 和 user_id 应为编号");
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Read);
    if (!subject_in_exam(*db, *exam, *subject)) return Reply::bad("考试中没有这个科目");
    // Refusals hold no ";" (the client would read them as blocks) and do
    // hold the error phrase, so the client shows them instead of telling
    // of blocks that are not set up.
    if (!leads(*db, *subject, *teacher))
        return Reply::text(std::string("读取失败（") + marker::runtime_error
                           + "）：你不是本学科的学科组长，不能读取答题卡的选择题区块。");
    const std::vector<SheetRegion> regions = load_sheet_regions(*db, *subject);
    if (regions.empty()) return Reply::text("本科目的答题卡没有设置选择题区块。");

    auto joined = [](const auto& values, auto text) {
        std::string out;
        for (const auto& v : values) out += (out.empty() ? "" : "|") + text(v);
        return out;
    };
    auto same = [](const std::string& s) { return field(s); };
    std::string out;
    for (const SheetRegion& r : regions) {
        std::string letters;
        for (char c : r.options) letters += (letters.empty() ? "" : "|") + std::string(1, c);
        out += field(r.kind) + "," + std::to_string(r.x1) + "," + std::to_string(r.y1) + "," + std::to_string(r.x2) + ","
               + std::to_string(r.y2) + "," + std::to_string(r.numbers.size()) + "," + std::to_string(r.options.size())
               + "," + std::to_string(r.layout) + "," + joined(r.numbers, same) + "," + field(letters) + ","
               + joined(r.full, mark_text);
        if (r.kind != "DAXT") out += "," + joined(r.partial, mark_text);
        out += ";";
    }
    // The brightness of an unmarked box, one value per block; the last
    // field (the number of values) is not read.
    const std::vector<int> blank = blank_cell_brightness(regions);
    out += "CKK";
    for (int v : blank) out += "," + std::to_string(v);
    return Reply::text(out + "," + std::to_string(blank.size()) + ";");
}

Reply page_save_kgt_fs(Context& ctx, const Query& q)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !subject || !teacher) return Reply::bad("ks_id、km_id 和 js_id 应为编号");
    // Every refusal holds the error phrase: the client shows nothing for
    // a reply without "modify_kgt_ok" unless its error check catches it.
    const std::string refused = std::string("保存失败（") + marker::runtime_error + "）：";
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Write);
    if (!subject_in_exam(*db, *exam, *subject)) return Reply::text(refused + "考试中没有这个科目。");
    if (!teacher_name(*db, *teacher)) return Reply::text(refused + "没有这个教师。");
    if (!leads(*db, *subject, *teacher)) return Reply::text(refused + "你不是本学科的学科组长，不能修改选择题答案。");

    const std::vector<ObjectiveQuestion> qs = objective_questions(*db, *subject);
    const kgt::ParseResult parsed = kgt::parse_kgt_str(q.raw_text("kgt_str"), plain(qs));
    if (!parsed.parsed) return Reply::text(refused + field(parsed.error));
    const std::int64_t result = parsed.parsed->record;
    Stmt r = db->prepare("SELECT objective_answers FROM results WHERE id = ? AND subject_id = ?");
    r.args(result, *subject);
    if (!r.step()) return Reply::text(refused + "本科目没有编号为 " + std::to_string(result) + " 的成绩记录。");
    const std::string before_list = r.text(0);

    // The questions the string names change; the others keep their answers.
    const kgt::Answers before = kgt::read_answer_list(before_list);
    kgt::Answers after = before;
    for (const auto& [number, letters] : parsed.parsed->answers) after[number] = letters;
    const std::string after_list = kgt::answer_list(after, plain(qs));
    const double old_score = objective_total(qs, before);
    const double new_score = objective_total(qs, after);
    if (after_list == kgt::answer_list(before, plain(qs)))
        return Reply::text(std::string(marker::objective_saved) + "；答案没有改变，选择题得分仍为 " + mark_text(new_score) + "。");

    db->run("UPDATE results SET objective_answers = ? WHERE id = ?", after_list, result);
    db->run("INSERT INTO objective_corrections(result_id, teacher_id, old_answers, new_answers, old_score, new_score, at) "
            "VALUES(?, ?, ?, ?, ?, ?, ?)",
            result, *teacher, before_list, after_list, old_score, new_score, ctx.now());
    tx.commit();
    return Reply::text(std::string(marker::objective_saved) + "；选择题得分已由 " + mark_text(old_score) + " 改为 " + mark_text(new_score) + "。");
}

Reply page_down_st_or_sheet(Context& ctx, const Query& q)
{
    const std::string img_txt = q.raw_text("img_txt");
    std::int64_t class_id = 0;
    std::string kh;
    if (!parse_sheet_ref(img_txt, class_id, kh)) return page_down_st(ctx, q);
    const std::string missing = std::string(marker::image_missing) + ":" + field(img_txt) + " " + marker::image_not_found
                                + marker::image_end;
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    if (!exam || !subject) return Reply::text(missing);

    std::string rel, answers;
    std::vector<SheetRegion> regions;
    {
        auto db = ctx.store.acquire();
        Tx tx(*db, Tx::Read);
        Stmt s = db->prepare(
            "SELECT r.id, r.sheet_image, r.objective_answers FROM results r JOIN students st ON st.id = r.student_id "
            "JOIN subjects sub ON sub.id = r.subject_id WHERE sub.exam_id = ? AND sub.id = ? AND st.class_id = ? "
            "AND st.kh = ?");
        s.args(*exam, *subject, class_id, kh);
        if (!s.step()) return Reply::text(missing);
        rel = s.text(1);
        answers = scanned_answers(*db, s.i64(0), s.text(2));
        regions = load_sheet_regions(*db, *subject);
    }
    // A demo student added without a sheet of record gets one beside the
    // others, drawn like theirs.
    if (rel.empty() && demo_images_enabled(ctx.store))
        rel = std::to_string(*exam) + "/" + std::to_string(*subject) + "/" + std::to_string(class_id) + "/" + kh + "_00.jpg";
    // Only a plain relative path inside the image store.
    const std::filesystem::path file = std::filesystem::path(ctx.images_dir) / rel;
    if (rel.empty() || std::filesystem::path(rel).is_absolute() || rel.find("..") != std::string::npos
        || rel.find(':') != std::string::npos)
        return Reply::text(missing);
    std::string bytes;
    if (!read_image_file(file, bytes)) {
        // Demo sheets are drawn on first use, then kept in the store.
        if (!demo_images_enabled(ctx.store) || regions.empty()
            || !write_image_file(file, render_sheet_jpeg(*subject, kh, regions, kgt::read_answer_list(answers)))
            || !read_image_file(file, bytes))
            return Reply::text(missing);
    }
    const QByteArray b64 = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
    return Reply::text(std::string(b64.constData(), size_t(b64.size())) + marker::image_end);
}

}  // namespace velmora
