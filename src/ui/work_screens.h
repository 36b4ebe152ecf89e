#pragma once
#include "marking/marking_state.h"

class QWidget;

namespace app { struct Services; }

namespace ui {

// What the work screens keep from one opening to the next in a run. The
// program flow owns it.
struct WorkScreenMemory {
    marking::MarkingState marking;
};

// The one place where the work screens plug in: WORK_id 1 marking,
// 2 progress and reports, 3 score correction. Returns a new top-level
// window, not yet shown, or nullptr while that step has no screen.
//
// Contract for a work screen:
// - it reads the session fields (ks_id, KM_id, ...) and sends its first
//   requests when it is shown;
// - the flow owns it: it is deleted once it closes (WA_DeleteOnClose), so
//   anything that must outlive a close lives in `memory`;
// - when it accepts a close, its close handling calls
//   services.flow.showExamList(), which creates the exam list anew; a close
//   it refuses calls nothing.
QWidget* create_work_screen(int workId, app::Services& services, WorkScreenMemory& memory);

}  // namespace ui
