// Marks a share of the demo's written answers, so that the report pages
// have scores, markers and speeds to show before anyone has marked.
#include "demo_data.h"
#include "store.h"

#include <cmath>
#include <string>

namespace velmora {

void seed_demo_marking(Store& store, int percent, std::int64_t now)
{
    if (percent <= 0) return;
    auto db = store.acquire();
    Tx tx(*db, Tx::Write);
    // The marker of an answer: the teacher assigned its question, or its class.
    Stmt s = db->prepare(
        "SELECT a.id, qu.full_mark, r.id, qu.subject_id, c.id, "
        "  COALESCE((SELECT teacher_id FROM assignments WHERE question_id = qu.id ORDER BY id LIMIT 1), "
        "           (SELECT teacher_id FROM assignments WHERE class_id = c.id AND subject_id = qu.subject_id "
        "            ORDER BY id LIMIT 1)) "
        "FROM answers a JOIN questions qu ON qu.id = a.question_id JOIN results r ON r.id = a.result_id "
        "JOIN students st ON st.id = r.student_id JOIN classes c ON c.id = st.class_id ORDER BY a.id");
    int excellent = 0;
    while (s.step()) {
        const std::int64_t id = s.i64(0);
        if (s.is_null(5) || (id * 37) % 100 >= percent) continue;
        const double full = s.real(1);
        // A spread of scores in halves, most in the upper half.
        const double share = 0.35 + 0.65 * double((id * 53) % 101) / 100.0;
        const double score = std::round(full * share * 2.0) / 2.0;
        const std::int64_t at = now - 60 - (id * 97) % 7200;
        db->run("INSERT OR IGNORE INTO scores(answer_id, teacher_id, score, marked_at) VALUES(?, ?, ?, ?)", id, s.i64(5),
                score, at);
        if (score >= full && excellent < 3) {
            db->run("INSERT INTO feedback(kind, exam_id, subject_id, class_id, result_id, teacher_id, teacher_name, "
                    "img_str, at) SELECT 'excellent', ?, ?, ?, ?, id, name, '', ? FROM teachers WHERE id = ?",
                    demo::kExam, s.i64(3), s.i64(4), s.i64(2), at, s.i64(5));
            ++excellent;
        }
    }
    tx.commit();
}

}  // namespace velmora
