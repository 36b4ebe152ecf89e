#pragma once
#include <QString>
#include <QStringList>

namespace app { struct Session; }

// The work steps of the exam-selection screen and when a choice is complete
// enough to open a work screen.
namespace exams {

// The three work steps; step i has WORK_id i + 1.
QStringList work_step_captions();
// The caption of WORK_id 1..3, empty for any other value.
QString work_step_caption(int workId);

// The message of a refused confirm.
QString incomplete_choice_message();
// An exam (ks_id not 0), a subject and a step are chosen.
bool choice_complete(const app::Session& s);

}  // namespace exams
