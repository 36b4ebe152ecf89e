#pragma once
#include <QString>
#include <QtGlobal>

namespace correction {

// What the correction screen knows between two events; reset when the
// screen opens.
struct CorrectionState {
    QString cur_th;        // the selected question; "00": the objective questions
    qint32 fs_id = 0;      // the looked-up answer; 0: no student loaded
    bool has_qx = false;   // may correct this subject; false until the list came
    QString fs_text;       // score line of the lookup, shown as it is
    QString img_file;      // local name of the looked-up image
    QString img_path;      // image path(s) on display, comma separated
    int img_scale = 100;   // zoom percent
    qint16 CKK = 0;        // reference brightness of the objective sheet
    QString kgt_ans;       // the student's objective answers as the lookup gave them
    QString kgt_da;        // their key
    QString item_str;      // the objective items
    QString sentScore;     // the score of the save in flight
};

}  // namespace correction
