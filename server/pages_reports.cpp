// The report pages: marking progress, objective answers, scores, question
// statistics, rankings, score bands, paper analysis, discrimination, class
// analysis, excellent answers and one student's answer sheet with its
// pieces. Every figure is computed from the store for the exam and subject
// asked; a subject leader sees every school, any other teacher the school
// given (xx_id; the progress page, which has none, the teacher's own).
// docs/protocol.md writes down every formula.
#include "pages.h"

#include "answer_images.h"

#include <QByteArray>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace velmora {

namespace fs = std::filesystem;

namespace {

struct Question {
    std::int64_t id = 0;
    std::string number;
    double full = 0;
    bool objective = false;
    std::string kind, key;
    double partial = 0;
};

struct Student {
    std::int64_t id = 0, result = 0, class_id = 0;
    std::string kh, name, cls;
    std::map<std::int64_t, double> score;  // question id -> score (marked or computed)
    std::map<std::string, std::string> picks;  // objective question number -> letters chosen
    double total = 0, objective = 0, subjective = 0;
};

// What a report is computed from.
struct Data {
    std::int64_t exam = 0, subject = 0, user = 0, school = 0;
    bool leader = false;
    std::string exam_name, subject_name, query;  // query: the four values for links
    std::vector<Question> questions;
    std::vector<Student> students;
    const Question* question(const std::string& number) const
    {
        for (const Question& q : questions)
            if (q.number == number) return &q;
        return nullptr;
    }
    double full_total() const
    {
        double t = 0;
        for (const Question& q : questions) t += q.full;
        return t;
    }
};

std::string esc(const std::string& s)
{
    std::string o;
    for (char c : s) {
        switch (c) {
        case '&': o += "&amp;"; break;
        case '<': o += "&lt;"; break;
        case '>': o += "&gt;"; break;
        case '"': o += "&quot;"; break;
        default: o += c;
        }
    }
    return o;
}

std::string num(double v, int decimals = 2)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string pct(double ratio) { return num(ratio * 100, 2) + "%"; }

std::string td(const std::string& text, int colspan = 0)
{
    return (colspan > 0 ? "<TD colspan=" + std::to_string(colspan) + ">" : std::string("<TD>")) + text + "</TD>";
}

// A header over two rows: the browser draws it so, the export merges it by
// its own rule for the page.
std::string td2(const std::string& text) { return "<TD rowspan=2>" + text + "</TD>"; }

std::string tr(const std::vector<std::string>& cells)
{
    std::string r = "<TR>";
    for (const std::string& c : cells) r += td(esc(c));
    return r + "</TR>";
}

std::string page(const Data& d, const std::string& title, const std::string& body)
{
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\"><title>" + esc(title)
           + "</title><style>body{font-family:\"Noto Sans CJK SC\",sans-serif;margin:12px}"
             "table{border-collapse:collapse;margin-top:8px}td{border:1px solid #8aa;padding:3px 8px;text-align:center}"
             "tr:nth-child(-n+2) td{background:#e6f2f2}h3{margin:4px 0}p{color:#555;margin:2px 0}</style></head><body>"
             "<H3>"
           + esc(title) + "</H3><P>" + esc(d.exam_name) + " · " + esc(d.subject_name) + " · "
           + (d.leader ? "全部学校" : "本校") + "</P>" + body + "</body></html>";
}

double mean(const std::vector<double>& v)
{
    if (v.empty()) return 0;
    double s = 0;
    for (double x : v) s += x;
    return s / double(v.size());
}

// Population standard deviation.
double stddev(const std::vector<double>& v)
{
    if (v.empty()) return 0;
    const double m = mean(v);
    double s = 0;
    for (double x : v) s += (x - m) * (x - m);
    return std::sqrt(s / double(v.size()));
}

// "T1-A;T2-BD;" -> number -> letters.
std::map<std::string, std::string> objective_picks(const std::string& s)
{
    std::map<std::string, std::string> m;
    for (const std::string& item : split(s, ';')) {
        const size_t dash = item.find('-');
        if (item.size() < 2 || item[0] != 'T' || dash == std::string::npos) continue;
        m[item.substr(1, dash - 1)] = item.substr(dash + 1);
    }
    return m;
}

// The full mark for the key; for a multiple choice the partial mark when
// every letter picked is right but some are missing; else 0.
double objective_score(const Question& q, const std::string& pick)
{
    if (pick.empty()) return 0;
    if (pick == q.key) return q.full;
    if (q.kind != "DAXT" && std::all_of(pick.begin(), pick.end(), [&](char c) { return q.key.find(c) != std::string::npos; }))
        return q.partial;
    return 0;
}

// `students`: false for a page that counts in SQL and needs only the
// subject, the scope and the questions.
std::optional<Data> load(Context& ctx, const Query& q, std::string& error, bool students)
{
    Data d;
    const auto exam = q.integer("ks_id"), subject = q.integer("km_id"), user = q.integer("u_id");
    if (!exam || !subject || !user) {
        error = "ks_id、km_id 和 u_id 必须是数字";
        return std::nullopt;
    }
    d.exam = *exam;
    d.subject = *subject;
    d.user = *user;
    auto db = ctx.store.acquire();
    {
        Stmt s = db->prepare("SELECT e.name, s.name FROM subjects s JOIN exams e ON e.id = s.exam_id WHERE s.id = ? AND e.id = ?");
        s.args(d.subject, d.exam);
        if (!s.step()) {
            error = "没有这个考试科目";
            return std::nullopt;
        }
        d.exam_name = s.text(0);
        d.subject_name = s.text(1);
    }
    d.leader = db->count("SELECT COUNT(*) FROM subject_leaders WHERE subject_id = ? AND teacher_id = ?", d.subject, d.user) > 0;
    if (const auto xx = q.integer("xx_id"))
        d.school = *xx;
    else
        d.school = db->one_int("SELECT school_id FROM teachers WHERE id = ?", d.user).value_or(0);
    d.query = "ks_id=" + std::to_string(d.exam) + "&amp;km_id=" + std::to_string(d.subject) + "&amp;xx_id="
              + std::to_string(d.school) + "&amp;u_id=" + std::to_string(d.user);
    {
        Stmt s = db->prepare("SELECT id, number, full_mark, objective, kind, answer_key, partial_mark FROM questions "
                             "WHERE subject_id = ? ORDER BY sort, id");
        s.args(d.subject);
        while (s.step())
            d.questions.push_back({s.i64(0), s.text(1), s.real(2), s.i64(3) != 0, s.text(4), s.text(5), s.real(6)});
    }
    if (!students) return d;
    std::map<std::int64_t, size_t> by_result;
    {
        Stmt s = db->prepare("SELECT r.id, st.id, st.kh, st.name, c.name, c.id, r.objective_answers FROM results r "
                             "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id "
                             "WHERE r.subject_id = ? AND (? = 1 OR c.school_id = ?) ORDER BY c.id, st.kh");
        s.args(d.subject, d.leader ? 1 : 0, d.school);
        while (s.step()) {
            Student st;
            st.result = s.i64(0);
            st.id = s.i64(1);
            st.kh = s.text(2);
            st.name = s.text(3);
            st.cls = s.text(4);
            st.class_id = s.i64(5);
            st.picks = objective_picks(s.text(6));
            for (const Question& qu : d.questions) {
                if (!qu.objective) continue;
                const auto it = st.picks.find(qu.number);
                st.score[qu.id] = objective_score(qu, it == st.picks.end() ? std::string() : it->second);
            }
            by_result[st.result] = d.students.size();
            d.students.push_back(std::move(st));
        }
    }
    {
        Stmt s = db->prepare("SELECT a.result_id, a.question_id, sc.score FROM answers a JOIN scores sc ON sc.answer_id = a.id "
                             "JOIN questions qu ON qu.id = a.question_id WHERE qu.subject_id = ?");
        s.args(d.subject);
        while (s.step()) {
            const auto it = by_result.find(s.i64(0));
            if (it != by_result.end()) d.students[it->second].score[s.i64(1)] = s.real(2);
        }
    }
    for (Student& st : d.students) {
        for (const Question& qu : d.questions) {
            const auto it = st.score.find(qu.id);
            if (it == st.score.end()) continue;
            (qu.objective ? st.objective : st.subjective) += it->second;
        }
        st.total = st.objective + st.subjective;
    }
    return d;
}

// Scores of one question over the students who have one (marked).
std::vector<double> scores_of(const Data& d, const Question& q)
{
    std::vector<double> v;
    for (const Student& st : d.students) {
        const auto it = st.score.find(q.id);
        if (it != st.score.end()) v.push_back(it->second);
    }
    return v;
}

using Builder = std::string (*)(Context&, const Data&, const Query&);

Reply report(Context& ctx, const Query& q, Builder build, bool students = true)
{
    std::string error;
    const std::optional<Data> d = load(ctx, q, error, students);
    if (!d) return Reply::bad(error);
    return Reply::text(build(ctx, *d, q));
}

// Ranks 1, 2, 2, 4 by descending value: 1 + how many are higher.
std::vector<int> ranks(const std::vector<double>& v)
{
    std::vector<size_t> order(v.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return v[a] > v[b]; });
    std::vector<int> r(v.size());
    for (size_t k = 0; k < order.size(); ++k) {
        const bool tie = k > 0 && v[order[k - 1]] - v[order[k]] <= 1e-9;
        r[order[k]] = tie ? r[order[k - 1]] : int(k) + 1;
    }
    return r;
}

std::string working(Context& ctx, const Data& d, const Query&)
{
    auto db = ctx.store.acquire();
    std::string body = "<TABLE><TR>" + td("按题目统计", 7) + "</TR>";
    body += tr({"题号", "满分", "答卷数", "已阅", "未阅", "完成率", "速度(份/小时)"});
    Stmt s = db->prepare(
        "SELECT qu.number, qu.full_mark, COUNT(a.id), COUNT(sc.answer_id), MIN(sc.marked_at), MAX(sc.marked_at) "
        "FROM answers a JOIN questions qu ON qu.id = a.question_id JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id "
        "LEFT JOIN scores sc ON sc.answer_id = a.id WHERE qu.subject_id = ? AND (? = 1 OR c.school_id = ?) "
        "GROUP BY qu.id ORDER BY qu.sort, qu.id");
    s.args(d.subject, d.leader ? 1 : 0, d.school);
    while (s.step()) {
        const std::int64_t all = s.i64(2), marked = s.i64(3);
        const double hours = s.is_null(4) ? 0 : double(s.i64(5) - s.i64(4)) / 3600.0;
        body += tr({s.text(0), mark_text(s.real(1)), std::to_string(all), std::to_string(marked),
                    std::to_string(all - marked), pct(all ? double(marked) / double(all) : 0),
                    hours > 0 ? num(double(marked) / hours, 1) : "—"});
    }
    body += "</TABLE><TABLE><TR>" + td("按教师统计", 4) + "</TR>";
    body += tr({"教师", "已阅", "近一小时", "平均给分"});
    Stmt t = db->prepare(
        "SELECT te.name, COUNT(*), SUM(sc.marked_at >= ?), AVG(sc.score) FROM scores sc "
        "JOIN teachers te ON te.id = sc.teacher_id JOIN answers a ON a.id = sc.answer_id "
        "JOIN questions qu ON qu.id = a.question_id JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id "
        "WHERE qu.subject_id = ? AND (? = 1 OR c.school_id = ?) GROUP BY te.id ORDER BY COUNT(*) DESC, te.id");
    t.args(ctx.now() - 3600, d.subject, d.leader ? 1 : 0, d.school);
    while (t.step()) body += tr({t.text(0), std::to_string(t.i64(1)), std::to_string(t.i64(2)), num(t.real(3))});
    return page(d, "阅卷进度", body + "</TABLE>");
}

std::string answers(Context&, const Data& d, const Query&)
{
    std::string body = "<TABLE><TR>" + td("客观题答题情况", 9) + "</TR>";
    body += tr({"题号", "正确答案", "选A", "选B", "选C", "选D", "未答", "人数", "答对率"});
    for (const Question& qu : d.questions) {
        if (!qu.objective) continue;
        int n = 0, right = 0, none = 0;
        int letter[4] = {0, 0, 0, 0};
        for (const Student& st : d.students) {
            ++n;
            const auto it = st.picks.find(qu.number);
            const std::string pick = it == st.picks.end() ? std::string() : it->second;
            if (pick.empty()) ++none;
            for (char c : pick)
                if (c >= 'A' && c <= 'D') ++letter[c - 'A'];
            if (pick == qu.key) ++right;
        }
        body += tr({qu.number, qu.key, std::to_string(letter[0]), std::to_string(letter[1]), std::to_string(letter[2]),
                    std::to_string(letter[3]), std::to_string(none), std::to_string(n), pct(n ? double(right) / n : 0)});
    }
    return page(d, "答题情况", body + "</TABLE>");
}

std::string sheet_link(const Data& d, const Student& st, const std::string& text)
{
    return "<A href=\"cj_xsdtk.asp?" + d.query + "&amp;xs_id=" + std::to_string(st.id) + "\">" + esc(text) + "</A>";
}

// Students with every question's score; the picture column links to each
// answer sheet.
std::string scores(Context&, const Data& d, const Query& q)
{
    std::vector<const Student*> order;
    for (const Student& st : d.students) order.push_back(&st);
    if (q.text("order") == "zf")
        std::stable_sort(order.begin(), order.end(), [](const Student* a, const Student* b) { return a->total > b->total; });
    std::string body = "<P><A href=\"cj_score.asp?" + d.query + "\">按考号排序</A> <A href=\"cj_score.asp?" + d.query
                       + "&amp;order=zf\">按总分排序</A></P><TABLE>";
    std::string head = "<TR>" + td("考号") + td("姓名") + td("班级");
    for (const Question& qu : d.questions) head += td(esc(qu.number));
    head += td("客观题") + td("主观题") + td("总分") + td("试卷图片") + "</TR>";
    body += head;
    for (const Student* st : order) {
        std::string r = "<TR>" + td(esc(st->kh)) + td(esc(st->name)) + td(esc(st->cls));
        for (const Question& qu : d.questions) {
            const auto it = st->score.find(qu.id);
            r += td(it == st->score.end() ? "&nbsp;" : mark_text(it->second));
        }
        r += td(mark_text(st->objective)) + td(mark_text(st->subjective)) + td(mark_text(st->total))
             + td(sheet_link(d, *st, "查看")) + "</TR>";
        body += r;
    }
    return page(d, "学生成绩（试卷图片）", body + "</TABLE>");
}

std::string question_stats(Context&, const Data& d, const Query&)
{
    std::string body = "<TABLE><TR>" + td("各题得分情况", 9) + "</TR>";
    body += tr({"题号", "满分", "人数", "平均分", "标准差", "最高分", "满分人数", "零分人数", "得分率"});
    for (const Question& qu : d.questions) {
        const std::vector<double> v = scores_of(d, qu);
        const int full = int(std::count_if(v.begin(), v.end(), [&](double x) { return x >= qu.full; }));
        const int zero = int(std::count_if(v.begin(), v.end(), [](double x) { return x <= 0; }));
        const double top = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
        body += tr({qu.number, mark_text(qu.full), std::to_string(v.size()), num(mean(v)), num(stddev(v)), mark_text(top),
                    std::to_string(full), std::to_string(zero), pct(qu.full > 0 ? mean(v) / qu.full : 0)});
    }
    return page(d, "得分情况", body + "</TABLE>");
}

std::string difficulty(Context&, const Data& d, const Query&)
{
    std::string body = "<TABLE><TR>" + td("试题难度", 6) + "</TR>";
    body += tr({"题号", "题型", "满分", "平均分", "难度", "评价"});
    for (const Question& qu : d.questions) {
        const std::vector<double> v = scores_of(d, qu);
        const double p = qu.full > 0 ? mean(v) / qu.full : 0;
        body += tr({qu.number, qu.objective ? "客观题" : "主观题", mark_text(qu.full), num(mean(v)), num(p),
                    v.empty() ? "未阅" : p >= 0.7 ? "容易" : p >= 0.4 ? "中等" : "较难"});
    }
    return page(d, "试题难度", body + "</TABLE>");
}

// Two header rows: the first four columns span both; each score has its
// value and its rank below.
std::string ranking(Context&, const Data& d, const Query&)
{
    std::vector<double> tot, obj, sub;
    for (const Student& st : d.students) {
        tot.push_back(st.total);
        obj.push_back(st.objective);
        sub.push_back(st.subjective);
    }
    const std::vector<int> rt = ranks(tot), ro = ranks(obj), rs = ranks(sub);
    std::vector<size_t> order(d.students.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rt[a] < rt[b]; });
    std::string body = "<TABLE><TR>" + td("成绩名次表", 10) + "</TR>";
    body += "<TR>" + td2("序号") + td2("考号") + td2("姓名") + td2("班级") + td("总分", 2) + td("客观题", 2) + td("主观题", 2) + "</TR>";
    body += "<TR>" + td("得分") + td("名次") + td("得分") + td("名次") + td("得分") + td("名次") + "</TR>";
    int n = 0;
    for (size_t i : order) {
        const Student& st = d.students[i];
        body += tr({std::to_string(++n), st.kh, st.name, st.cls, mark_text(st.total), std::to_string(rt[i]),
                    mark_text(st.objective), std::to_string(ro[i]), mark_text(st.subjective), std::to_string(rs[i])});
    }
    return page(d, "成绩名次表", body + "</TABLE>");
}

// Ten bands of a tenth of the full total each, highest first, per class.
std::string bands(Context&, const Data& d, const Query&)
{
    std::vector<std::string> classes;
    for (const Student& st : d.students)
        if (std::find(classes.begin(), classes.end(), st.cls) == classes.end()) classes.push_back(st.cls);
    const double full = d.full_total();
    std::string body = "<TABLE><TR>" + td("成绩分数段（满分 " + mark_text(full) + "）", int(classes.size()) + 3) + "</TR>";
    std::vector<std::string> head = {"分数段"};
    for (const std::string& c : classes) head.push_back(c);
    head.push_back("合计");
    head.push_back("累计");
    body += tr(head);
    int running = 0;
    for (int b = 9; b >= 0; --b) {
        const double lo = full * b / 10.0, hi = full * (b + 1) / 10.0;
        std::vector<std::string> r = {"[" + mark_text(std::round(lo * 10) / 10) + ", " + mark_text(std::round(hi * 10) / 10)
                                      + (b == 9 ? "]" : ")")};
        int all = 0;
        for (const std::string& c : classes) {
            int k = 0;
            for (const Student& st : d.students)
                if (st.cls == c && st.total >= lo - 1e-9 && (st.total < hi - 1e-9 || b == 9)) ++k;
            all += k;
            r.push_back(std::to_string(k));
        }
        running += all;
        r.push_back(std::to_string(all));
        r.push_back(std::to_string(running));
        body += tr(r);
    }
    return page(d, "成绩分数段", body + "</TABLE>");
}

// The upper and lower 27% of the students by total.
struct Groups {
    std::vector<const Student*> upper, lower;
};
Groups groups(const Data& d)
{
    std::vector<const Student*> v;
    for (const Student& st : d.students) v.push_back(&st);
    std::stable_sort(v.begin(), v.end(), [](const Student* a, const Student* b) { return a->total > b->total; });
    const size_t k = size_t(std::ceil(double(v.size()) * 0.27));
    Groups g;
    g.upper.assign(v.begin(), v.begin() + std::min(k, v.size()));
    g.lower.assign(v.end() - std::min(k, v.size()), v.end());
    return g;
}

double group_mean(const std::vector<const Student*>& g, const Question& q)
{
    std::vector<double> v;
    for (const Student* st : g) {
        const auto it = st->score.find(q.id);
        if (it != st->score.end()) v.push_back(it->second);
    }
    return mean(v);
}

std::string discrimination(Context&, const Data& d, const Query&)
{
    const Groups g = groups(d);
    std::string body = "<TABLE><TR>" + td("试题区分度（高分组、低分组各 " + std::to_string(g.upper.size()) + " 人）", 6) + "</TR>";
    body += tr({"题号", "满分", "高分组均分", "低分组均分", "区分度", "评价"});
    for (const Question& qu : d.questions) {
        const double hi = group_mean(g.upper, qu), lo = group_mean(g.lower, qu);
        const double dd = qu.full > 0 ? (hi - lo) / qu.full : 0;
        body += tr({qu.number, mark_text(qu.full), num(hi), num(lo), num(dd),
                    dd >= 0.4 ? "很好" : dd >= 0.3 ? "良好" : dd >= 0.2 ? "尚可" : "需改进"});
    }
    return page(d, "试题区分度", body + "</TABLE>");
}

// Summary (label over two rows), then the question table with two header rows.
std::string paper_analysis(Context&, const Data& d, const Query&)
{
    std::vector<double> tot;
    for (const Student& st : d.students) tot.push_back(st.total);
    const double full = d.full_total();
    const Groups g = groups(d);
    std::string body = "<TABLE><TR>" + td("试卷分析", 8) + "</TR>";
    body += "<TR>" + td2("全卷") + td("人数") + td("满分") + td("平均分") + td("最高分") + td("最低分") + td("标准差")
            + td("难度") + "</TR>";
    body += "<TR>" + td(std::to_string(tot.size())) + td(mark_text(full)) + td(num(mean(tot)))
            + td(mark_text(tot.empty() ? 0 : *std::max_element(tot.begin(), tot.end())))
            + td(mark_text(tot.empty() ? 0 : *std::min_element(tot.begin(), tot.end()))) + td(num(stddev(tot)))
            + td(num(full > 0 ? mean(tot) / full : 0)) + "</TR>";
    body += "<TR>" + td2("题号") + td2("题型") + td2("满分") + td2("平均分") + td2("标准差") + td2("难度") + td("得分率", 2)
            + "</TR>";
    body += "<TR>" + td("高分组") + td("低分组") + "</TR>";
    for (const Question& qu : d.questions) {
        const std::vector<double> v = scores_of(d, qu);
        const double rate = qu.full > 0 ? mean(v) / qu.full : 0;
        body += tr({qu.number, qu.objective ? "客观题" : "主观题", mark_text(qu.full), num(mean(v)), num(stddev(v)),
                    num(rate), pct(qu.full > 0 ? group_mean(g.upper, qu) / qu.full : 0),
                    pct(qu.full > 0 ? group_mean(g.lower, qu) / qu.full : 0)});
    }
    return page(d, "试卷分析", body + "</TABLE>");
}

// Per class and in all: mean, highest, lowest, pass (60% of the full
// total) and excellent (85%) rates.
std::string class_analysis(Context&, const Data& d, const Query&)
{
    const double full = d.full_total();
    std::string body = "<TABLE><TR>" + td("成绩分析表", 7) + "</TR>";
    body += tr({"班级", "人数", "平均分", "最高分", "最低分", "及格率", "优秀率"});
    auto line = [&](const std::string& name, const std::vector<double>& v) {
        const auto pass = std::count_if(v.begin(), v.end(), [&](double x) { return x >= full * 0.6 - 1e-9; });
        const auto good = std::count_if(v.begin(), v.end(), [&](double x) { return x >= full * 0.85 - 1e-9; });
        const double n = double(v.size());
        body += tr({name, std::to_string(v.size()), num(mean(v)),
                    mark_text(v.empty() ? 0 : *std::max_element(v.begin(), v.end())),
                    mark_text(v.empty() ? 0 : *std::min_element(v.begin(), v.end())), pct(n ? pass / n : 0),
                    pct(n ? good / n : 0)});
    };
    std::vector<std::string> classes;
    for (const Student& st : d.students)
        if (std::find(classes.begin(), classes.end(), st.cls) == classes.end()) classes.push_back(st.cls);
    std::vector<double> all;
    for (const std::string& c : classes) {
        std::vector<double> v;
        for (const Student& st : d.students)
            if (st.cls == c) v.push_back(st.total);
        all.insert(all.end(), v.begin(), v.end());
        line(c, v);
    }
    line("合计", all);
    return page(d, "成绩分析表", body + "</TABLE>");
}

std::string excellent(Context& ctx, const Data& d, const Query&)
{
    auto db = ctx.store.acquire();
    std::string body = "<TABLE><TR>" + td("优秀答题卡", 6) + "</TR>";
    body += tr({"考号", "姓名", "班级", "推荐教师", "时间", "答题卡"});
    Stmt s = db->prepare("SELECT st.id, st.kh, st.name, c.name, f.teacher_name, f.at FROM feedback f "
                         "JOIN results r ON r.id = f.result_id JOIN students st ON st.id = r.student_id "
                         "JOIN classes c ON c.id = st.class_id WHERE f.kind = 'excellent' AND f.subject_id = ? "
                         "AND (? = 1 OR c.school_id = ?) ORDER BY f.at DESC, f.id DESC");
    s.args(d.subject, d.leader ? 1 : 0, d.school);
    int n = 0;
    while (s.step()) {
        Student st;
        st.id = s.i64(0);
        body += "<TR>" + td(esc(s.text(1))) + td(esc(s.text(2))) + td(esc(s.text(3))) + td(esc(s.text(4)))
                + td(esc(time_text(s.i64(5)))) + td(sheet_link(d, st, "查看")) + "</TR>";
        ++n;
    }
    if (n == 0) body += "<TR>" + td("还没有老师推荐优秀答题卡", 6) + "</TR>";
    return page(d, "优秀答题卡", body + "</TABLE>");
}

// A piece's server path: "\"-separated, element 4 "<exam>_<subject>",
// element 5 "<candidate>_<question>.txt" (the client's cache name).
std::string piece_path(const Data& d, const std::string& kh, const std::string& th)
{
    return "D:\\web\\cj\\ks_img\\" + std::to_string(d.exam) + "_" + std::to_string(d.subject) + "\\" + kh + "_" + th + ".txt";
}

fs::path images_root(Context& ctx) { return fs::path(ctx.images_dir); }

// The stored image of a candidate's answer, drawn first for the demo.
bool answer_image(Context& ctx, std::int64_t exam, std::int64_t subject, const std::string& kh, const std::string& th,
                  fs::path& file)
{
    auto db = ctx.store.acquire();
    Stmt s = db->prepare("SELECT a.image, qu.full_mark FROM answers a JOIN results r ON r.id = a.result_id "
                         "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = a.question_id "
                         "JOIN subjects sub ON sub.id = qu.subject_id WHERE sub.exam_id = ? AND sub.id = ? "
                         "AND r.subject_id = sub.id AND st.kh = ? AND qu.number = ? AND a.uploaded = 1");
    s.args(exam, subject, kh, th);
    if (!s.step()) return false;
    const std::string rel = s.text(0);
    const double full = s.real(1);
    if (rel.empty() || rel.find("..") != std::string::npos || fs::path(rel).is_absolute()) return false;
    file = images_root(ctx) / fs::path(rel);
    if (fs::exists(file)) return true;
    return demo_images_enabled(ctx.store) && write_answer_image(file, subject, kh, th, full);
}

// Without xs_id: the students, each linking to their sheet. With it: the
// sheet reply (top HTML, "Student_DTK", one record per marked answer).
std::string student_sheet(Context& ctx, const Data& d, const Query& q)
{
    const auto xs = q.integer("xs_id");
    if (!xs) {
        std::string body = "<TABLE><TR>" + td("考生答题卡：请选择学生", 4) + "</TR>";
        body += tr({"考号", "姓名", "班级", "答题卡"});
        for (const Student& st : d.students)
            body += "<TR>" + td(esc(st.kh)) + td(esc(st.name)) + td(esc(st.cls)) + td(sheet_link(d, st, "查看")) + "</TR>";
        return page(d, "考生答题卡", body + "</TABLE>");
    }
    const Student* who = nullptr;
    for (const Student& st : d.students)
        if (st.id == *xs) who = &st;
    if (!who) return page(d, "考生答题卡", "<P>没有这个学生，或不在您可查看的范围内。</P>");
    std::string top = "<table><tbody><tr><td><font size=4>" + esc(who->kh) + " " + esc(who->name) + " " + esc(who->cls)
                      + " 总分：" + mark_text(who->total) + "（客观题 " + mark_text(who->objective) + "）</font><br>";
    std::string records;
    auto db = ctx.store.acquire();
    Stmt s = db->prepare("SELECT qu.number, sc.score, te.name FROM answers a JOIN scores sc ON sc.answer_id = a.id "
                         "JOIN teachers te ON te.id = sc.teacher_id JOIN questions qu ON qu.id = a.question_id "
                         "WHERE a.result_id = ? ORDER BY qu.sort, qu.id");
    s.args(who->result);
    while (s.step()) {
        const std::string th = s.text(0);
        fs::path file;
        int height = 300;
        if (answer_image(ctx, d.exam, d.subject, who->kh, th, file)) {
            const QSize size = QImageReader(QString::fromStdString(file.string())).size();
            if (size.isValid()) height = size.height();
        }
        records += piece_path(d, who->kh, th) + "," + field(th) + "," + std::to_string(height) + "," + field(s.text(2)) + ","
                   + mark_text(s.real(1)) + ",;";
    }
    if (records.empty()) records = "No Record;";
    return top + "Student_DTK" + records;
}

}  // namespace

Reply page_cj_working(Context& c, const Query& q) { return report(c, q, working, false); }
Reply page_cj_answer(Context& c, const Query& q) { return report(c, q, answers); }
Reply page_cj_score(Context& c, const Query& q) { return report(c, q, scores); }
Reply page_cj_shitifs(Context& c, const Query& q) { return report(c, q, question_stats); }
Reply page_cj_yxdtk(Context& c, const Query& q) { return report(c, q, excellent); }
Reply page_cj_xsdtk(Context& c, const Query& q) { return report(c, q, student_sheet); }
Reply page_cj_stnd(Context& c, const Query& q) { return report(c, q, difficulty); }
Reply page_cj_mc(Context& c, const Query& q) { return report(c, q, ranking); }
Reply page_cj_fsd(Context& c, const Query& q) { return report(c, q, bands); }
Reply page_cj_sjfx(Context& c, const Query& q) { return report(c, q, paper_analysis); }
Reply page_cj_stqfd(Context& c, const Query& q) { return report(c, q, discrimination); }
Reply page_cj_fx(Context& c, const Query& q) { return report(c, q, class_analysis); }

// One piece's image as base64 JPEG text; the record names it by its path.
Reply page_cj_dtk(Context& ctx, const Query& q)
{
    const std::string record = q.raw_text("dtk");
    const std::string path = record.substr(0, record.find(','));
    const std::vector<std::string> parts = split(path + "\\", '\\');
    if (parts.size() < 6) return Reply::text("img_txt_file not find!");
    const std::string es = parts[4], file = parts[5];
    const size_t us = es.find('_'), fu = file.rfind('_');
    const auto exam = parse_integer(es.substr(0, us == std::string::npos ? 0 : us));
    const auto subject = parse_integer(us == std::string::npos ? std::string() : es.substr(us + 1));
    if (!exam || !subject || fu == std::string::npos || file.size() < 5 || file.substr(file.size() - 4) != ".txt")
        return Reply::text("img_txt_file not find!");
    const std::string kh = file.substr(0, fu), th = file.substr(fu + 1, file.size() - 4 - fu - 1);
    fs::path image;
    std::string bytes;
    if (!answer_image(ctx, *exam, *subject, kh, th, image)) return Reply::text("img_txt_file not find!");
    std::ifstream in(image, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    bytes = ss.str();
    if (bytes.empty()) return Reply::text("img_txt_file not find!");
    const QByteArray b64 = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toBase64();
    return Reply::text(std::string(b64.constData(), size_t(b64.size())));
}

}  // namespace velmora
