#pragma once
#include <QString>

namespace marking {

// The marking screen's state. The program flow owns it and hands it to each
// marking screen it opens, so closing the screen and opening it again keeps
// the earlier selection (th_bj, task_type) and the new assignment reply can
// select it again. It belongs to one teacher, exam and subject: another one
// starts afresh. The opening steps reset what they must.
struct MarkingState {
    QString owner;         // the teacher, exam and subject it belongs to
    QString task_type;     // "TH" by question, "BJ" by class
    QString th_bj;         // selection: question numbers joined by ",", or one class id
    int cur_row = 0;       // 1-based buffer row being marked; 0 none since the last fill
    int work_count = 0;    // the teacher's workload (progress record field 2)
    int zoom_pct = 100;
    int done_count = 0;    // answers the server counts as done (field 9)
    QString cur_gif;       // image name(s) of the answer(s) being marked, joined by ","
    QString shown_files;   // local path(s) now in the image view, joined by ","
    int down_cj_id = 0;    // the download in flight: its cj_id ...
    QString down_th;       // ... and question number,
    QString down_work_id;  // and the work id that names its row alone
    bool help_on_top = true;
    int hide_name = 0;     // 1 hides the student names in both lists
};

}  // namespace marking
