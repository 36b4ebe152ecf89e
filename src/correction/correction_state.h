#pragma once
#include <QString>
#include <QtGlobal>

namespace correction {

// What the correction screen knows between two events; reset when the
// screen opens. The objective sheet's items and answers are the
// ObjectiveSheet's.
struct CorrectionState {
    QString cur_th;        // the selected question; "00": the objective questions
    qint32 fs_id = 0;      // the looked-up answer; 0: no student loaded
    bool has_qx = false;   // may correct this subject; false until the list came
    QString fs_text;       // score line of the lookup, shown as it is
    QString img_file;      // local name of the looked-up image
    QString img_path;      // image path(s) on display, comma separated
    int img_scale = 100;   // zoom percent
    QString xs_kh;         // the exam number of the last lookup sent
    QString sentScore;     // the score of the save in flight
};

}  // namespace correction
