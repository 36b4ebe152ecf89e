#include "demo_grow.h"

#include "demo_data.h"
#include "store.h"

#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {

bool seed_demo_students(Store& store, int students)
{
    if (students <= 0) return false;
    auto db = store.acquire();
    Tx tx(*db, Tx::Write);
    if (db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_seeded'") == 0
        || db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_students'") > 0)
        return false;

    // The demo students' results (subject, objective answers, result id),
    // by candidate number.
    std::map<std::string, std::vector<std::tuple<std::int64_t, std::string, std::int64_t>>> twins;
    {
        Stmt s = db->prepare(
            "SELECT st.kh, r.subject_id, r.objective_answers, r.id FROM results r "
            "JOIN students st ON st.id = r.student_id ORDER BY r.subject_id");
        while (s.step()) twins[s.text(0)].emplace_back(s.i64(1), s.text(2), s.i64(3));
    }
    for (int n = 0; n < students; ++n) {
        // The twin: the demo student of the same class, the seat taken round
        // the demo's 22.
        const int cls = 1 + n % 3;
        const int seat = 1 + (n / 3) % demo::kStudentsPerClass;
        char twin[16], kh[16];
        std::snprintf(twin, sizeof twin, "2601%02d%02d", cls, seat);
        std::snprintf(kh, sizeof kh, "27%02d%06d", cls, n + 1);
        db->run("INSERT INTO students(class_id, kh, name) VALUES(?, ?, ?)", cls, std::string(kh),
                "考生" + std::to_string(n + 1));
        const std::int64_t student = db->last_id();
        for (const auto& [subject, objective, twin_result] : twins[twin]) {
            db->run("INSERT INTO results(subject_id, student_id, objective_answers) VALUES(?, ?, ?)", subject, student,
                    objective);
            db->run("INSERT INTO answers(result_id, question_id, image) "
                    "SELECT ?, question_id, image FROM answers WHERE result_id = ? ORDER BY question_id",
                    db->last_id(), twin_result);
        }
    }
    db->run("INSERT INTO meta(key, value) VALUES('demo_students', ?)", std::to_string(students));
    tx.commit();
    return true;
}

}  // namespace velmora
