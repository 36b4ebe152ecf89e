#pragma once
#include <QString>

namespace app { struct Session; }

// Every request of the correction screen, one builder each: the address
// goes to the server exactly as built. The typed exam number and the
// teacher's name are form-encoded; ids, question numbers, the server's
// image reference, the score string and the answer string go as they are.
namespace correction {

// The subject's questions the leader may correct (net_get_th.asp).
QString question_list_url(const app::Session& s);
// One student's answer to question `th` (net_get_st.asp). The teacher goes
// along so that the server can refuse someone who is not a leader.
QString lookup_url(const app::Session& s, const QString& examNumber, const QString& th);
// The looked-up answer's image (net_down_st.asp); `schoolId` and `ref` are
// those of the lookup reply.
QString image_url(const app::Session& s, qint32 schoolId, const QString& ref);
// The corrected score (net_save_fs.asp?modi_fs=1).
QString modi_save_url(const app::Session& s, const QString& fs_str);
// The subject's answer regions of the objective sheet (net_ks_box.asp).
QString box_url(const app::Session& s);
// The objective answers (net_save_kgt_fs.asp); `kgt_str` is the answer
// string, "T1='A',T2='BD';5312".
QString kgt_save_url(const app::Session& s, const QString& kgt_str);

// "0,0;" + fs_id + "," + score + ";": 5312 and 7.5 give "0,0;5312,7.5;".
QString modi_score_string(qint32 fs_id, const QString& score);

}  // namespace correction
