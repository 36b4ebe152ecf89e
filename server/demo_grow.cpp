#include "demo_grow.h"

#include "demo_data.h"
#include "store.h"

#include <cstdio>
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
        std::vector<std::tuple<std::int64_t, std::string, std::int64_t>> results;
        {
            Stmt s = db->prepare(
                "SELECT r.subject_id, r.objective_answers, r.id FROM results r JOIN students st ON st.id = r.student_id "
                "WHERE st.kh = ? ORDER BY r.subject_id");
            s.args(std::string(twin));
            while (s.step()) results.emplace_back(s.i64(0), s.text(1), s.i64(2));
        }
        for (const auto& [subject, objective, twin_result] : results) {
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
