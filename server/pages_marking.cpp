// Pages of the marking screen: assignment, batches with leases, images,
// worked list, status text and saving.
#include "answer_images.h"
#include "fs_str.h"
#include "pages.h"
#include "velmora_server.h"

#include <QByteArray>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace velmora {

namespace fs = std::filesystem;

namespace {

struct SubjectInfo {
    int state = 0;
    int hide_name = 0;
};

// The subject must belong to the exam; every marking page checks this first.
std::optional<SubjectInfo> subject_of(Db& db, std::int64_t exam, std::int64_t subject)
{
    Stmt s = db.prepare(
        "SELECT e.state, e.hide_name FROM subjects sub JOIN exams e ON e.id = sub.exam_id "
        "WHERE sub.id = ? AND e.id = ?");
    s.args(subject, exam);
    if (!s.step()) return std::nullopt;
    return SubjectInfo{int(s.i64(0)), int(s.i64(1))};
}

struct WorkItem {
    std::int64_t id = 0;  // question id or class id
    std::string tag;      // question number or class id as text
    std::string name;     // class name
};

struct Work {
    enum Kind { None, ByQuestion, ByClass } kind = None;
    std::vector<WorkItem> items;
};

// A teacher with both kinds in one subject works by question: the client
// shows one kind of selector at a time.
Work work_of(Db& db, std::int64_t subject, std::int64_t teacher)
{
    Work w;
    {
        Stmt s = db.prepare(
            "SELECT qu.id, qu.number FROM assignments a JOIN questions qu ON qu.id = a.question_id "
            "WHERE a.subject_id = ? AND a.teacher_id = ? GROUP BY qu.id ORDER BY qu.sort, qu.id");
        s.args(subject, teacher);
        while (s.step()) w.items.push_back({s.i64(0), s.text(1), {}});
    }
    if (!w.items.empty()) {
        w.kind = Work::ByQuestion;
        return w;
    }
    Stmt s = db.prepare(
        "SELECT c.id, c.name FROM assignments a JOIN classes c ON c.id = a.class_id "
        "WHERE a.subject_id = ? AND a.teacher_id = ? GROUP BY c.id ORDER BY c.id");
    s.args(subject, teacher);
    while (s.step()) w.items.push_back({s.i64(0), std::to_string(s.i64(0)), s.text(1)});
    if (!w.items.empty()) w.kind = Work::ByClass;
    return w;
}

// The selection th_bj: question numbers joined by "," or one class id, each
// of them part of the teacher's work. Empty when it is not.
std::vector<const WorkItem*> selection_of(const Work& w, const std::string& th_bj, std::string& why)
{
    std::vector<const WorkItem*> sel;
    if (trim(th_bj).empty()) {
        why = "没有选定试题或班级（th_bj）";
        return sel;
    }
    const std::vector<std::string> parts = split(th_bj, ',');
    if (w.kind == Work::ByClass && parts.size() != 1) {
        why = "按班级阅卷时一次只能选一个班级";
        return sel;
    }
    for (const std::string& raw : parts) {
        const std::string tag = trim(raw);
        const auto it = std::find_if(w.items.begin(), w.items.end(), [&](const WorkItem& i) { return i.tag == tag; });
        if (it == w.items.end()) {
            why = (w.kind == Work::ByClass ? "班级 " : "第 ") + field(tag)
                  + (w.kind == Work::ByClass ? " 不是你的阅卷任务" : " 题不是你的阅卷任务");
            return {};
        }
        if (std::find(sel.begin(), sel.end(), &*it) == sel.end()) sel.push_back(&*it);
    }
    return sel;
}

// Whether an answer's handout row (teacher and expiry at columns `col`
// and `col + 1`, NULL without one) keeps it from `teacher` now.
bool held_by_other(const Stmt& s, int col, std::int64_t teacher, std::int64_t now)
{
    return !s.is_null(col) && s.i64(col) != teacher && s.i64(col + 1) > now;
}

// Answers of the selection that this teacher may get now, at most `limit`
// units: written, scan uploaded, not scored (the open answers), not
// reserved by someone else. A unit is one answer, or with several questions
// one student's answers to all of them (in th_bj order). The teacher's
// running reservations come first, so a reopened screen gets its batch back
// even when an earlier answer's lease has run out meanwhile. Reads the
// teacher's own handouts and the first open answers of the selection, not
// the whole exam.
std::vector<std::vector<std::int64_t>> open_units(Db& db, std::int64_t subject, std::int64_t teacher,
                                                  const Work& w, const std::vector<const WorkItem*>& sel,
                                                  std::int64_t now, size_t limit)
{
    std::vector<std::vector<std::int64_t>> units;
    std::set<std::int64_t> seen;  // first answers of units looked at
    if (w.kind == Work::ByClass) {
        {
            Stmt s = db.prepare(
                "SELECT o.answer_id FROM handouts h JOIN open_answers o ON o.answer_id = h.answer_id "
                "WHERE h.teacher_id = ?1 AND h.expires_at > ?2 AND o.subject_id = ?3 AND o.class_id = ?4 "
                "ORDER BY o.kh, o.question_sort, o.question_id");
            s.args(teacher, now, subject, sel.front()->id);
            while (units.size() < limit && s.step())
                if (seen.insert(s.i64(0)).second) units.push_back({s.i64(0)});
        }
        Stmt s = db.prepare(
            "SELECT o.answer_id, h.teacher_id, h.expires_at FROM open_answers o "
            "LEFT JOIN handouts h ON h.answer_id = o.answer_id WHERE o.subject_id = ?1 AND o.class_id = ?2 "
            "ORDER BY o.kh, o.question_sort, o.question_id");
        s.args(subject, sel.front()->id);
        while (units.size() < limit && s.step())
            if (!held_by_other(s, 1, teacher, now) && seen.insert(s.i64(0)).second) units.push_back({s.i64(0)});
        return units;
    }
    // By question: the first question's answers in order; a unit when the
    // same student's answers to the others are free too.
    auto add = [&](std::int64_t first, std::int64_t result) {
        if (!seen.insert(first).second) return;
        std::vector<std::int64_t> unit{first};
        for (size_t k = 1; k < sel.size(); ++k) {
            Stmt s = db.prepare(
                "SELECT o.answer_id, h.teacher_id, h.expires_at FROM open_answers o "
                "LEFT JOIN handouts h ON h.answer_id = o.answer_id WHERE o.result_id = ? AND o.question_id = ?");
            s.args(result, sel[k]->id);
            if (!s.step() || held_by_other(s, 1, teacher, now)) return;
            unit.push_back(s.i64(0));
        }
        units.push_back(std::move(unit));
    };
    {
        Stmt s = db.prepare(
            "SELECT o.answer_id, o.result_id FROM handouts h JOIN open_answers o ON o.answer_id = h.answer_id "
            "WHERE h.teacher_id = ?1 AND h.expires_at > ?2 AND o.question_id = ?3 ORDER BY o.class_id, o.kh");
        s.args(teacher, now, sel.front()->id);
        while (units.size() < limit && s.step()) add(s.i64(0), s.i64(1));
    }
    Stmt s = db.prepare(
        "SELECT o.answer_id, o.result_id, h.teacher_id, h.expires_at FROM open_answers o "
        "LEFT JOIN handouts h ON h.answer_id = o.answer_id WHERE o.question_id = ? ORDER BY o.class_id, o.kh");
    s.args(sel.front()->id);
    while (units.size() < limit && s.step())
        if (!held_by_other(s, 2, teacher, now)) add(s.i64(0), s.i64(1));
    return units;
}

// Whether every answer of `units` is still open and free for the teacher.
bool still_free(Db& db, const std::vector<std::vector<std::int64_t>>& units, std::int64_t teacher, std::int64_t now)
{
    if (units.empty()) return false;
    for (const auto& unit : units)
        for (std::int64_t answer : unit) {
            Stmt s = db.prepare(
                "SELECT h.teacher_id, h.expires_at FROM open_answers o LEFT JOIN handouts h ON h.answer_id = o.answer_id "
                "WHERE o.answer_id = ?");
            s.args(answer);
            if (!s.step() || held_by_other(s, 0, teacher, now)) return false;
        }
    return true;
}

// The answers this teacher has scored in the subject.
std::int64_t scored_by(Db& db, std::int64_t teacher, std::int64_t subject)
{
    return db.count("SELECT scored FROM teacher_tally WHERE teacher_id = ? AND subject_id = ?", teacher, subject);
}

// The ten fields of the progress record (the first from the caller), from
// the tallies the store keeps.
std::string progress_fields(Db& db, std::int64_t subject, std::int64_t teacher, const Work& w, int hide_name)
{
    std::int64_t students = 0, uploaded = 0;
    {
        Stmt s = db.prepare("SELECT results, uploaded FROM subject_tally WHERE subject_id = ?");
        s.args(subject);
        if (s.step()) students = s.i64(0), uploaded = s.i64(1);
    }
    const std::int64_t subjective =
        db.count("SELECT COUNT(*) FROM questions WHERE subject_id = ? AND objective = 0", subject);
    std::int64_t workload = 0, mine_uploaded = 0;
    for (const WorkItem& item : w.items) {
        std::int64_t all = 0, up = 0, sharers = 1;
        if (w.kind == Work::ByQuestion) {
            Stmt s = db.prepare("SELECT answers, uploaded FROM question_tally WHERE question_id = ?");
            s.args(item.id);
            if (s.step()) all = s.i64(0), up = s.i64(1);
            sharers = db.count("SELECT COUNT(DISTINCT teacher_id) FROM assignments WHERE question_id = ?", item.id);
        } else {
            Stmt s = db.prepare("SELECT answers, uploaded FROM class_tally WHERE subject_id = ? AND class_id = ?");
            s.args(subject, item.id);
            if (s.step()) all = s.i64(0), up = s.i64(1);
            sharers = db.count(
                "SELECT COUNT(DISTINCT teacher_id) FROM assignments WHERE subject_id = ? AND class_id = ?", subject,
                item.id);
        }
        sharers = std::max<std::int64_t>(sharers, 1);
        workload += (all + sharers - 1) / sharers;  // an equal share, rounded up
        mine_uploaded += up;
    }
    const std::int64_t may_mark = w.kind == Work::ByQuestion ? std::int64_t(w.items.size()) : subjective;
    const std::int64_t done = scored_by(db, teacher, subject);
    return std::to_string(workload) + "," + std::to_string(students) + "," + std::to_string(subjective) + ","
           + std::to_string(students * subjective) + "," + std::to_string(uploaded) + "," + std::to_string(may_mark)
           + "," + std::to_string(mine_uploaded) + "," + std::to_string(done) + "," + std::to_string(hide_name);
}

// The subject of a handout's answer, for statements over handouts h.
constexpr const char* kHandoutSubject =
    "(SELECT qu.subject_id FROM answers a JOIN questions qu ON qu.id = a.question_id WHERE a.id = h.answer_id)";

// Whether the teacher holds live reservations in the subject that expire
// at another time than `until`: what renew_leases (or, with `until` 0,
// ending them) would change. Reads the teacher's live handouts only.
bool leases_would_change(Db& db, std::int64_t subject, std::int64_t teacher, std::int64_t now, std::int64_t until)
{
    return db.count(std::string("SELECT EXISTS(SELECT 1 FROM handouts h WHERE h.teacher_id = ?1 AND h.expires_at > ?2 "
                                "AND h.expires_at <> ?3 AND ")
                        + kHandoutSubject + " = ?4)",
                    teacher, now, until, subject)
           != 0;
}

// A teacher who is still at work keeps the answers handed out to them: the
// status poll (every half minute while the marking screen is open) and every
// save start their live reservations in the subject anew. Ended ones stay
// ended: those were freed by a switch of questions or a lease that ran out.
// Starts from the teacher's own live handouts.
void renew_leases(Db& db, std::int64_t subject, std::int64_t teacher, std::int64_t now, std::int64_t until)
{
    db.run(std::string("UPDATE handouts AS h SET expires_at = ?1 WHERE h.teacher_id = ?2 AND h.expires_at > ?4 AND ")
               + kHandoutSubject + " = ?3",
           until, teacher, subject, now);
}

struct Ids {
    std::int64_t exam, subject, teacher;
};

std::optional<Ids> ids_of(const Query& q, std::string& why)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !subject || !teacher) {
        why = "ks_id、km_id 和 js_id 应为编号";
        return std::nullopt;
    }
    return Ids{*exam, *subject, *teacher};
}

// Every marking page opens alike: the query names the exam, the subject and
// the teacher, and inside the page's transaction the subject must belong to
// the exam. A page that does not open answers with `refusal`.
struct MarkingPage {
    MarkingPage(Context& ctx, const Query& q, Tx::Kind kind) : db(ctx.store.acquire())
    {
        std::string why;
        const auto named = ids_of(q, why);
        if (!named) {
            refusal = Reply::bad(why);
            return;
        }
        ids = *named;
        tx.emplace(*db, kind);
        const auto subject = subject_of(*db, ids.exam, ids.subject);
        if (!subject) {
            refusal = Reply::bad("考试中没有这个科目");
            return;
        }
        info = *subject;
        opened = true;
    }

    Store::Handle db;
    std::optional<Tx> tx;
    Ids ids{};
    SubjectInfo info;
    Reply refusal;
    bool opened = false;
};

// The fields an answer record starts with, from columns 0 to 5 of a row of
// answer id, result id, name, question, full mark and candidate number.
std::string record_head(const Stmt& s, bool hide_name)
{
    return std::to_string(s.i64(0)) + "," + std::to_string(s.i64(1)) + ","
           + (hide_name ? std::string("*") : field(s.text(2))) + "," + field(s.text(3)) + ","
           + mark_text(s.real(4)) + "," + field(s.text(5));
}

std::string class_name_field(const std::string& s)
{
    std::string f = field(s);
    for (char& c : f)
        if (c == '|') c = '/';
    return f;
}

}  // namespace

Reply page_get_work(Context& ctx, const Query& q)
{
    MarkingPage p(ctx, q, Tx::Read);
    if (!p.opened) return p.refusal;
    if (p.db->count("SELECT COUNT(*) FROM assignments WHERE subject_id = ?", p.ids.subject) == 0)
        return Reply::text(marker::no_set);
    const Work w = work_of(*p.db, p.ids.subject, p.ids.teacher);
    if (w.kind == Work::None) return Reply::text(marker::no_work);
    std::string out = std::string(w.kind == Work::ByQuestion ? marker::by_question : marker::by_class) + ",";
    for (const WorkItem& i : w.items)
        out += w.kind == Work::ByQuestion ? field(i.tag) + "," : i.tag + "|" + class_name_field(i.name) + ",";
    return Reply::text(out);
}

Reply page_user_work(Context& ctx, const Query& q)
{
    // A batch that hands nothing out and ends no reservation changes
    // nothing: it is answered from a read, without the writers' lock. Any
    // other is made again from the start in a write transaction, where
    // handing out and leasing are one step.
    std::vector<std::vector<std::int64_t>> chosen;  // by the read
    for (const Tx::Kind kind : {Tx::Read, Tx::Write}) {
        MarkingPage p(ctx, q, kind);
        if (!p.opened) return p.refusal;
        std::string why;
        const std::string th_bj = q.raw_text("th_bj");
        if (p.db->count("SELECT COUNT(*) FROM assignments WHERE subject_id = ?", p.ids.subject) == 0)
            return Reply::text(marker::no_set);
        const Work w = work_of(*p.db, p.ids.subject, p.ids.teacher);
        // A batch reply knows no "no_work": the client would fill it into the
        // buffer list. No work at all is a selection outside one's work.
        if (w.kind == Work::None) return Reply::bad("本科目没有分配给你的阅卷任务");
        const auto sel = selection_of(w, th_bj, why);
        if (sel.empty()) return Reply::bad(why);

        const std::int64_t now = ctx.now();
        const size_t per_unit = w.kind == Work::ByQuestion ? sel.size() : 1;
        const size_t want = std::max<size_t>(1, size_t(std::max(1, ctx.options.batch_size)) / per_unit);
        // One unit more than a batch tells whether work is left after it.
        // Under the writers' lock the answers the read chose are only checked
        // again; only when someone took one meanwhile is the search repeated.
        const auto units = kind == Tx::Write && still_free(*p.db, chosen, p.ids.teacher, now)
                               ? chosen
                               : open_units(*p.db, p.ids.subject, p.ids.teacher, w, sel, now, want + 1);
        const size_t take = std::min(want, units.size());
        if (kind == Tx::Read && (take > 0 || leases_would_change(*p.db, p.ids.subject, p.ids.teacher, now, 0))) {
            chosen = units;
            continue;
        }

        // This teacher's other reservations in the subject end now: whatever is
        // not in this batch is free for the others again.
        if (kind == Tx::Write)
            p.db->run(std::string("UPDATE handouts AS h SET expires_at = ?1 WHERE h.teacher_id = ?2 "
                                  "AND h.expires_at > ?1 AND ")
                          + kHandoutSubject + " = ?3",
                      now, p.ids.teacher, p.ids.subject);
        for (size_t u = 0; u < take; ++u)
            for (std::int64_t answer : units[u])
                p.db->run("INSERT INTO handouts(answer_id, teacher_id, handed_at, expires_at) VALUES(?1, ?2, ?3, ?4) "
                          "ON CONFLICT(answer_id) DO UPDATE SET teacher_id = ?2, handed_at = ?3, expires_at = ?4",
                          answer, p.ids.teacher, now, now + ctx.options.lease_seconds);
        // Leases only: answered without waiting for the sync. Lost with the
        // machine, the answers are handed out again; a save of one handed to
        // someone else meanwhile is refused, never stored twice. The records
        // and the counts are read after the commit, outside the writers' lock.
        if (kind == Tx::Write) p.tx->commit_unsynced();
        p.tx.reset();

        std::string records;
        size_t count = 0;
        for (size_t u = 0; u < take; ++u) {
            for (std::int64_t answer : units[u]) {
                Stmt s = p.db->prepare(
                    "SELECT a.id, r.id, st.name, qu.number, qu.full_mark, st.kh, c.school_id, c.id "
                    "FROM answers a JOIN results r ON r.id = a.result_id JOIN students st ON st.id = r.student_id "
                    "JOIN classes c ON c.id = st.class_id JOIN questions qu ON qu.id = a.question_id WHERE a.id = ?");
                s.args(answer);
                if (!s.step()) continue;
                records += record_head(s, p.info.hide_name) + ",0.001,0," + std::to_string(s.i64(6)) + ","
                           + std::to_string(s.i64(7)) + ";";
                ++count;
            }
        }
        std::string out = std::to_string(count) + ","
                          + progress_fields(*p.db, p.ids.subject, p.ids.teacher, w, p.info.hide_name) + ";" + records;
        if (take == units.size()) out += std::string(marker::work_end) + ";" + th_bj;
        return Reply::text(out);
    }
    throw std::logic_error("unreachable");
}

Reply page_user_worked(Context& ctx, const Query& q)
{
    MarkingPage p(ctx, q, Tx::Read);
    if (!p.opened) return p.refusal;
    Stmt s = p.db->prepare(
        "SELECT a.id, r.id, st.name, qu.number, qu.full_mark, st.kh, sc.score, sc.marked_at, c.school_id, c.id "
        "FROM scores sc JOIN answers a ON a.id = sc.answer_id JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id "
        "JOIN questions qu ON qu.id = a.question_id "
        "WHERE sc.teacher_id = ? AND qu.subject_id = ? ORDER BY sc.marked_at DESC, a.id DESC");
    s.args(p.ids.teacher, p.ids.subject);
    std::string out;
    while (s.step())
        out += record_head(s, p.info.hide_name) + "," + mark_text(s.real(6)) + ",1,"
               + time_text(s.i64(7)) + "," + std::to_string(s.i64(8)) + "," + std::to_string(s.i64(9)) + ";";
    return Reply::text(out);
}

Reply page_get_ztmsg(Context& ctx, const Query& q)
{
    MarkingPage p(ctx, q, Tx::Read);
    if (!p.opened) return p.refusal;
    std::string why;
    const std::int64_t now = ctx.now(), until = now + ctx.options.lease_seconds;
    // Most polls find the leases renewed already (a save within the same
    // second): only a renewal that changes something takes the writers' lock.
    if (leases_would_change(*p.db, p.ids.subject, p.ids.teacher, now, until)) {
        p.tx.reset();
        Tx write(*p.db, Tx::Write);
        renew_leases(*p.db, p.ids.subject, p.ids.teacher, now, until);
        write.commit_unsynced();
    }
    const Work w = work_of(*p.db, p.ids.subject, p.ids.teacher);
    const auto sel = selection_of(w, q.raw_text("th_bj"), why);
    const std::int64_t done = scored_by(*p.db, p.ids.teacher, p.ids.subject);
    std::string mine = "您已批阅" + std::to_string(done) + "份";
    if (const auto n = q.integer("n"); n && *n >= 0) mine += "，用时" + std::to_string(*n) + "分钟";
    // The client keeps its clock only for a text with "满分": say it always.
    if (sel.empty()) return Reply::text("满分：尚未选定阅卷任务；" + mine);

    std::string head;
    std::int64_t scored = 0, open = 0;
    if (w.kind == Work::ByQuestion) {
        for (const WorkItem* item : sel) {
            double full = 0;
            {
                Stmt f = p.db->prepare("SELECT full_mark FROM questions WHERE id = ?");
                f.args(item->id);
                if (f.step()) full = f.real(0);
            }
            head += (head.empty() ? "" : "，") + std::string("第") + field(item->tag) + "题满分" + mark_text(full) + "分";
            Stmt s = p.db->prepare("SELECT scored, uploaded - scored FROM question_tally WHERE question_id = ?");
            s.args(item->id);
            if (s.step()) scored += s.i64(0), open += s.i64(1);
        }
    } else {
        double full = 0;
        {
            Stmt f = p.db->prepare("SELECT COALESCE(SUM(full_mark), 0) FROM questions WHERE subject_id = ? AND objective = 0");
            f.args(p.ids.subject);
            if (f.step()) full = f.real(0);
        }
        head = class_name_field(sel.front()->name) + "班主观题满分合计" + mark_text(full) + "分";
        Stmt s = p.db->prepare("SELECT scored, uploaded - scored FROM class_tally WHERE subject_id = ? AND class_id = ?");
        s.args(p.ids.subject, sel.front()->id);
        if (s.step()) scored = s.i64(0), open = s.i64(1);
    }
    return Reply::text(head + "；已批阅" + std::to_string(scored) + "份，待批阅" + std::to_string(open) + "份；" + mine);
}

// ---- saving -------------------------------------------------------------

Reply page_save_fs(Context& ctx, const Query& q)
{
    // The leader's correction is the same page with rules of its own.
    if (q.text("modi_fs") == "1") return page_modi_fs(ctx, q);
    const bool automatic = q.text("auto_save") == "1";
    const std::string fs_str = q.raw_text("fs_str");
    // A save that stores nothing new (sent again, or only refused elements)
    // and renews no lease is answered from a read, without the writers'
    // lock. Any other is evaluated again in a write transaction, where every
    // element commits together.
    for (const Tx::Kind kind : {Tx::Read, Tx::Write}) {
        MarkingPage p(ctx, q, kind);
        if (!p.opened) return p.refusal;
        if (p.db->count("SELECT COUNT(*) FROM teachers WHERE id = ?", p.ids.teacher) == 0)
            return Reply::bad("没有这个教师：js_id=" + std::to_string(p.ids.teacher));
        if (p.info.state == 2) {
            if (automatic) return Reply::text(marker::saved_ids);
            // An error page to the client: it must not take the refusal for a
            // save and move on to the next batch.
            return Reply::text("save_refused（运行时错误）：本考试阅卷已经结束，得分不能保存。");
        }

        const std::int64_t now = ctx.now();
        std::vector<std::int64_t> saved;
        std::vector<std::string> refused;
        std::set<std::int64_t> seen;
        bool changes = false;
        for (const FsElement& element : parse_fs_str(fs_str)) {
            const std::optional<std::int64_t>& id = element.id;
            if (!id || *id < 0 || !element.score) {
                // A negative id, or one too long for a number, is told back as
                // sent: the teacher learns it was not stored.
                const std::string& sent = element.id_text;
                const size_t sign = !sent.empty() && (sent[0] == '-' || sent[0] == '+');
                if (id) refused.push_back(std::to_string(*id));
                else if (sent.size() > sign && sent.size() <= 40
                         && sent.find_first_not_of("0123456789", sign) == std::string::npos)
                    refused.push_back(sent);
                continue;
            }
            const double score = *element.score;
            Stmt s = p.db->prepare(
                "SELECT qu.full_mark, qu.objective, qu.subject_id, sc.teacher_id, h.teacher_id, sc.score "
                "FROM answers a JOIN questions qu ON qu.id = a.question_id "
                "LEFT JOIN scores sc ON sc.answer_id = a.id LEFT JOIN handouts h ON h.answer_id = a.id WHERE a.id = ?");
            s.args(*id);
            if (!s.step()) {
                refused.push_back(std::to_string(*id));
                continue;
            }
            const double full = s.real(0);
            const bool objective = s.i64(1) != 0;
            const std::int64_t subject = s.i64(2);
            const bool scored = !s.is_null(3);
            const std::int64_t scorer = scored ? s.i64(3) : 0;
            const std::int64_t holder = s.is_null(4) ? 0 : s.i64(4);
            const double before = scored ? s.real(5) : -1;
            // Handed to this teacher: reserved by them (even when the lease ran
            // out and nobody took it since), or already scored by them.
            const bool mine = scored ? scorer == p.ids.teacher : holder == p.ids.teacher;
            const bool ok = subject == p.ids.subject && !objective && score_within(element.score_text, full) && mine;
            if (!ok) {
                refused.push_back(std::to_string(*id));
                continue;
            }
            if (seen.insert(*id).second) saved.push_back(*id);
            if (scored && before == score) continue;  // the same save again
            changes = true;
            if (kind == Tx::Read) break;
            if (scored) {
                p.db->run("UPDATE scores SET score = ?, marked_at = ?, source = 'mark' WHERE answer_id = ?", score, now,
                      *id);
            } else {
                p.db->run("INSERT INTO scores(answer_id, teacher_id, score, marked_at, source) VALUES(?, ?, ?, ?, 'mark')",
                      *id, p.ids.teacher, score, now);
            }
            p.db->run("INSERT INTO score_log(answer_id, teacher_id, score, at, source) VALUES(?, ?, ?, ?, 'mark')", *id,
                      p.ids.teacher, score, now);
            p.db->run("DELETE FROM handouts WHERE answer_id = ?", *id);
        }
        const std::int64_t until = now + ctx.options.lease_seconds;
        if (kind == Tx::Read) {
            if (changes || leases_would_change(*p.db, p.ids.subject, p.ids.teacher, now, until)) continue;
            // The scores it confirms may come from a commit whose sync is still
            // under way: not answered before they are on disk either.
            p.tx.reset();
            ctx.store.wait_durable_reads();
        } else {
            renew_leases(*p.db, p.ids.subject, p.ids.teacher, now, until);
            p.tx->commit();
        }

        auto join = [](const auto& v) {
            std::string s;
            for (size_t i = 0; i < v.size(); ++i) {
                if constexpr (std::is_same_v<std::decay_t<decltype(v[i])>, std::string>) s += (i ? "," : "") + v[i];
                else s += (i ? "," : "") + std::to_string(v[i]);
            }
            return s;
        };
        if (automatic) return Reply::text(marker::saved_ids + join(saved));
        return Reply::text(std::string(marker::save_ok) + ";" + marker::saved_ids + join(saved) + ";"
                           + marker::refused_ids + join(refused) + ";");
    }
    throw std::logic_error("unreachable");
}

// ---- images ---------------------------------------------------------------

namespace {

std::string not_found(const std::string& name)
{
    return std::string(marker::image_missing) + ":" + field(name) + " " + marker::image_not_found + marker::image_end;
}

// "12\260101_13.txt": class id, backslash, candidate number "_" question
// number ".txt". Anything else could name a file outside the store.
bool parse_img_txt(const std::string& s, std::int64_t& class_id, std::string& kh, std::string& th)
{
    const size_t bs = s.find('\\');
    if (bs == std::string::npos || s.find('\\', bs + 1) != std::string::npos) return false;
    const auto cls = parse_integer(s.substr(0, bs));
    if (!cls || *cls <= 0 || s.substr(0, bs).find_first_not_of("0123456789") != std::string::npos) return false;
    std::string file = s.substr(bs + 1);
    if (file.size() < 6 || file.substr(file.size() - 4) != ".txt") return false;
    file.resize(file.size() - 4);
    if (file.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_-.")
        != std::string::npos || file.find("..") != std::string::npos)
        return false;
    const size_t us = file.find('_');
    if (us == std::string::npos || us == 0 || us + 1 == file.size()) return false;
    class_id = *cls;
    kh = file.substr(0, us);
    th = file.substr(us + 1);
    return true;
}

bool inside(const fs::path& root, const fs::path& p)
{
    const fs::path r = fs::weakly_canonical(root), c = fs::weakly_canonical(p);
    auto ri = r.begin(), ci = c.begin();
    for (; ri != r.end(); ++ri, ++ci)
        if (ci == c.end() || *ri != *ci) return false;
    return true;
}

}  // namespace

Reply page_down_st(Context& ctx, const Query& q)
{
    const std::string img_txt = q.raw_text("img_txt");
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    std::int64_t class_id = 0;
    std::string kh, th;
    if (!exam || !subject || !parse_img_txt(img_txt, class_id, kh, th)) return Reply::text(not_found(img_txt));

    std::string rel;
    double full = 0;
    {
        auto db = ctx.store.acquire();
        // r.subject_id = sub.id: found from the student by index, not among
        // every answer to the question.
        Stmt s = db->prepare(
            "SELECT a.image, qu.full_mark FROM answers a JOIN results r ON r.id = a.result_id "
            "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = a.question_id "
            "JOIN subjects sub ON sub.id = qu.subject_id "
            "WHERE sub.exam_id = ? AND sub.id = ? AND r.subject_id = sub.id AND st.class_id = ? AND st.kh = ? "
            "AND qu.number = ? "
            "AND a.uploaded = 1");
        s.args(*exam, *subject, class_id, kh, th);
        if (!s.step()) return Reply::text(not_found(img_txt));
        rel = s.text(0);
        full = s.real(1);
    }
    const fs::path root(ctx.images_dir);
    const fs::path file = root / fs::path(rel);
    if (rel.empty() || fs::path(rel).is_absolute() || rel.find("..") != std::string::npos || !inside(root, file))
        return Reply::text(not_found(img_txt));

    if (auto text = cached_image_reply(file)) return Reply::text(std::move(*text));
    std::string bytes;
    if (!read_image_file(file, bytes)) {
        // Demo answers are drawn on first use, then kept in the store.
        if (!demo_images_enabled(ctx.store) || !write_answer_image(file, *subject, kh, th, full) || !read_image_file(file, bytes))
            return Reply::text(not_found(img_txt));
    }
    if (file.extension() == ".txt") {  // already base64, as a scanner station may leave it
        // The client decodes one unbroken run only: drop the line breaks of
        // a text written in lines.
        std::erase_if(bytes, [](char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; });
        bytes += marker::image_end;
        keep_image_reply(file, bytes);
        return Reply::text(std::move(bytes));
    }
    const QByteArray b64 = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
    std::string text = std::string(b64.constData(), size_t(b64.size())) + marker::image_end;
    keep_image_reply(file, text);
    return Reply::text(std::move(text));
}

}  // namespace velmora
