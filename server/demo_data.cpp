#include "demo_data.h"

#include "passwords.h"
#include "store.h"

#include <algorithm>
#include <future>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {

namespace {

struct QuestionDef {
    const char* number;
    double full;
    bool objective;
    const char* kind;
    const char* key;
    double partial;
};

const std::vector<QuestionDef> kChineseQuestions = {
    {"1", 3, true, "DAXT", "A", 0},  {"2", 3, true, "DAXT", "C", 0},  {"3", 3, true, "DAXT", "B", 0},
    {"4", 3, true, "DAXT", "D", 0},  {"5", 3, true, "DAXT", "B", 0},  {"6", 3, true, "DAXT", "A", 0},
    {"7", 3, true, "DAXT", "C", 0},  {"8", 3, true, "DAXT", "D", 0},  {"9", 3, true, "DAXT", "A", 0},
    {"10", 3, true, "DAXT", "B", 0}, {"11", 3, true, "DAXT", "C", 0}, {"12", 3, true, "DAXT", "D", 0},
    {"13", 4, false, "", "", 0},     {"14", 6, false, "", "", 0},     {"15", 7.5, false, "", "", 0},
    {"16", 10, false, "", "", 0},    {"17", 15, false, "", "", 0},
};

const std::vector<QuestionDef> kMathQuestions = {
    {"1", 5, true, "DAXT", "B", 0},  {"2", 5, true, "DAXT", "D", 0},  {"3", 5, true, "DAXT", "A", 0},
    {"4", 5, true, "DAXT", "C", 0},  {"5", 5, true, "DAXT", "A", 0},  {"6", 5, true, "DAXT", "B", 0},
    {"7", 6, true, "DXDX", "AC", 2}, {"8", 6, true, "DXDX", "BD", 2},
    {"9", 2, false, "", "", 0},      {"10", 5, false, "", "", 0},     {"11", 8, false, "", "", 0},
    {"12", 12, false, "", "", 0},    {"13", 14, false, "", "", 0},
};

// What student n marked for the k-th objective question. Most are right;
// some picked another option; a few left a question blank, marked two
// boxes of a one-answer question, or one box too many of a several-answer
// one. (The first question is never blank or doubled: the answer report's
// demo counts every student there once.)
std::string demo_pick(const QuestionDef& q, int n, int k)
{
    const std::string kind = q.kind;
    if (k > 0 && (n * 7 + k * 3) % 41 == 5) return "";
    std::string pick = q.key;
    if ((n * 31 + k * 17) % 5 == 0) pick = std::string(1, char('A' + (n + k) % 4));
    if (kind == "DAXT" && k > 1 && (n * 11 + k * 5) % 53 == 7) {
        const char other = char('A' + (pick[0] - 'A' + 1 + n % 3) % 4);
        pick = std::string(1, std::min(pick[0], other)) + std::max(pick[0], other);
    }
    if (kind != "DAXT" && (n + k) % 7 == 3) {
        // One box too many, kept in option order.
        for (char c = 'A'; c <= 'D'; ++c)
            if (pick.find(c) == std::string::npos) {
                pick += c;
                break;
            }
        std::sort(pick.begin(), pick.end());
    }
    return pick;
}

// The blocks of option boxes on each subject's sheet (full-sheet pixels,
// cells of 40 by 26): a block of rows and a block of columns each.
struct RegionDef {
    int subject, x1, y1, x2, y2, layout;
    const char* numbers;
};
const RegionDef kRegions[] = {
    {1, 120, 270, 280, 426, 0, "1|2|3|4|5|6"},     // 6 rows of A B C D
    {1, 400, 290, 640, 394, 1, "7|8|9|10|11|12"},  // 6 columns of A..D stacked
    {2, 120, 290, 360, 394, 1, "1|2|3|4|5|6"},
    {2, 480, 270, 640, 322, 0, "7|8"},             // the several-answer questions
};

const char* kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙",
                           "马", "朱", "胡", "郭", "何", "高", "林", "罗", "郑", "梁"};
const char* kGiven[] = {"子涵", "欣怡", "浩然", "梓轩", "雨桐", "宇航", "思远", "佳怡", "一鸣", "若曦", "俊杰",
                        "诗琪", "天佑", "可馨", "博文", "语嫣", "晨阳", "婉清", "志强", "晓雪", "明轩", "嘉怡"};

}  // namespace

bool seed_demo(Store& store, std::int64_t now)
{
    auto db = store.acquire();
    Tx tx(*db, Tx::Write);
    if (db->count("SELECT COUNT(*) FROM schools") > 0) return false;

    for (auto [name, initials] : {std::pair{"第一中学", "dyzx"}, {"实验中学", "syzx"}, {"育才中学", "yczx"}})
        db->run("INSERT INTO schools(name, initials) VALUES(?, ?)", name, initials);

    struct TeacherDef { int school; const char* name; const char* initials; };
    const std::vector<TeacherDef> teachers = {{1, "张明", "zm"}, {1, "李华", "lh"}, {1, "王芳", "wf"},
                                              {1, "赵强", "zq"}, {1, "陈静", "cj"}, {2, "孙丽", "sl"}};
    // Each digest has its own salt and takes a while: compute them side by side.
    std::vector<std::future<std::string>> digests;
    for (size_t i = 0; i < teachers.size(); ++i)
        digests.push_back(std::async(std::launch::async, [] { return hash_password(demo::kPassword); }));
    for (size_t i = 0; i < teachers.size(); ++i)
        db->run("INSERT INTO teachers(school_id, name, initials, password) VALUES(?, ?, ?, ?)", teachers[i].school,
                teachers[i].name, teachers[i].initials, digests[i].get());

    db->run("INSERT INTO exams(name, state, hide_name, created_at) VALUES('2026年秋季期末考试', 1, 0, ?)", now);
    db->run("INSERT INTO exam_schools(exam_id, school_id) VALUES(1, 1)");
    db->run("INSERT INTO subjects(exam_id, name, sort) VALUES(1, '语文', 1)");
    db->run("INSERT INTO subjects(exam_id, name, sort) VALUES(1, '数学', 2)");
    for (int leader_of : {demo::kChinese, demo::kMath})
        db->run("INSERT INTO subject_leaders(subject_id, teacher_id) VALUES(?, ?)", leader_of, demo::kChenJing);

    int sort = 0;
    for (const RegionDef& r : kRegions)
        db->run("INSERT INTO sheet_regions(subject_id, x1, y1, x2, y2, layout, numbers, sort) VALUES(?, ?, ?, ?, ?, ?, ?, ?)",
                r.subject, r.x1, r.y1, r.x2, r.y2, r.layout, r.numbers, ++sort);

    // question number -> id, per subject
    auto add_questions = [&](int subject, const std::vector<QuestionDef>& defs) {
        int sort = 0;
        for (const QuestionDef& q : defs)
            db->run("INSERT INTO questions(subject_id, number, full_mark, objective, kind, options, answer_key, "
                    "partial_mark, sort) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    subject, q.number, q.full, q.objective ? 1 : 0, q.kind, q.objective ? "ABCD" : "", q.key,
                    q.partial, ++sort);
    };
    add_questions(demo::kChinese, kChineseQuestions);
    add_questions(demo::kMath, kMathQuestions);
    auto question_id = [&](int subject, const char* number) {
        return *db->one_int("SELECT id FROM questions WHERE subject_id = ? AND number = ?", subject, number);
    };

    for (const char* c : {"高一(1)", "高一(2)", "高一(3)"})
        db->run("INSERT INTO classes(school_id, name) VALUES(1, ?)", c);
    for (int c = 1; c <= 3; ++c)
        for (int seat = 1; seat <= demo::kStudentsPerClass; ++seat) {
            char kh[16];
            std::snprintf(kh, sizeof kh, "2601%02d%02d", c, seat);
            const int n = (c - 1) * demo::kStudentsPerClass + seat - 1;
            const std::string name = std::string(kSurnames[(n * 7) % 22]) + kGiven[(n * 5 + c) % 22];
            db->run("INSERT INTO students(class_id, kh, name) VALUES(?, ?, ?)", c, std::string(kh), name);
        }

    // Results and answers: every student sat both subjects; every
    // subjective answer has its image in the store (drawn on first use).
    for (auto [subject, defs] : {std::pair{demo::kChinese, &kChineseQuestions}, {demo::kMath, &kMathQuestions}}) {
        Stmt students = db->prepare("SELECT id, class_id, kh FROM students ORDER BY class_id, kh");
        std::vector<std::tuple<std::int64_t, std::int64_t, std::string>> all;
        while (students.step()) all.emplace_back(students.i64(0), students.i64(1), students.text(2));
        int n = 0;
        for (const auto& [student, cls, kh] : all) {
            std::string objective;
            int k = 0;
            for (const QuestionDef& q : *defs) {
                if (!q.objective) continue;
                objective += "T" + std::string(q.number) + "-" + demo_pick(q, n, k) + ";";
                ++k;
            }
            ++n;
            // The scanned sheet is drawn on first use (bubble_sheets.h).
            const std::string sheet = "1/" + std::to_string(subject) + "/" + std::to_string(cls) + "/" + kh + "_00.jpg";
            db->run("INSERT INTO results(subject_id, student_id, objective_answers, sheet_image) VALUES(?, ?, ?, ?)",
                    subject, student, objective, sheet);
            const std::int64_t result = db->last_id();
            for (const QuestionDef& q : *defs) {
                if (q.objective) continue;
                const std::string image = "1/" + std::to_string(subject) + "/" + std::to_string(cls) + "/" + kh + "_"
                                          + q.number + ".jpg";
                db->run("INSERT INTO answers(result_id, question_id, image) VALUES(?, ?, ?)", result,
                        question_id(subject, q.number), image);
            }
        }
    }

    auto by_question = [&](int teacher, int subject, const char* number) {
        db->run("INSERT INTO assignments(subject_id, teacher_id, question_id) VALUES(?, ?, ?)", subject, teacher,
                question_id(subject, number));
    };
    auto by_class = [&](int teacher, int subject, int cls) {
        db->run("INSERT INTO assignments(subject_id, teacher_id, class_id) VALUES(?, ?, ?)", subject, teacher, cls);
    };
    by_question(demo::kZhangMing, demo::kChinese, "13");
    by_question(demo::kZhangMing, demo::kChinese, "14");
    by_question(demo::kLiHua, demo::kChinese, "14");
    by_question(demo::kLiHua, demo::kChinese, "15");
    by_question(demo::kZhaoQiang, demo::kChinese, "16");
    by_question(demo::kZhaoQiang, demo::kChinese, "17");
    by_class(demo::kWangFang, demo::kMath, demo::kClass1);
    by_class(demo::kWangFang, demo::kMath, demo::kClass2);
    by_class(demo::kZhaoQiang, demo::kMath, demo::kClass3);

    db->run("INSERT INTO meta(key, value) VALUES('demo_images', '1')");
    db->run("INSERT INTO meta(key, value) VALUES('demo_seeded', ?)", std::to_string(now));
    tx.commit();
    return true;
}

bool seed_demo_scores(Store& store, std::int64_t now)
{
    auto db = store.acquire();
    Tx tx(*db, Tx::Write);
    if (db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_seeded'") == 0
        || db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_scores'") > 0)
        return false;
    Stmt s = db->prepare(
        "SELECT a.id, qu.full_mark FROM answers a JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = a.question_id "
        "WHERE (qu.subject_id = ?1 AND qu.number IN ('16', '17') AND st.class_id IN (?3, ?4)) "
        "OR (qu.subject_id = ?2 AND st.class_id = ?5 AND st.kh <= '26010311') ORDER BY a.id");
    s.args(demo::kChinese, demo::kMath, demo::kClass1, demo::kClass2, demo::kClass3);
    std::vector<std::pair<std::int64_t, double>> answers;
    while (s.step()) answers.emplace_back(s.i64(0), s.real(1));
    int n = 0;
    for (const auto& [answer, full] : answers) {
        // Half marks from a quarter of the full mark up to the full mark.
        const double share = 0.25 + 0.75 * double((n * 37) % 8) / 7.0;
        const double score = double(int(full * share * 2)) / 2;
        db->run("INSERT INTO scores(answer_id, teacher_id, score, marked_at) VALUES(?, ?, ?, ?)", answer,
                demo::kZhaoQiang, score, now - 3600 + n);
        db->run("INSERT INTO score_log(answer_id, teacher_id, score, at, source) VALUES(?, ?, ?, ?, 'mark')", answer,
                demo::kZhaoQiang, score, now - 3600 + n);
        ++n;
    }
    db->run("INSERT INTO meta(key, value) VALUES('demo_scores', ?)", std::to_string(n));
    tx.commit();
    return n > 0;
}

}  // namespace velmora
