#pragma once
#include <QString>
#include <QtGlobal>

namespace app { struct Session; }

// Every request of the marking screen, one builder each: the address goes
// to the server exactly as built here. Free text is form-encoded; ids and
// the score string go as they are.
namespace marking {

struct ReportedAnswer;

// The teacher's assignment for the chosen exam and subject.
QString get_work_url(const app::Session& s);
// A batch of answers of the selection th_bj.
QString user_work_url(const app::Session& s, const QString& th_bj);
// The answers the teacher marked before.
QString user_worked_url(const app::Session& s);
// The image of a buffer row (net_down_st) or of a worked row (net_down_sted);
// ref is the server's own path, backslash kept.
QString down_st_url(const app::Session& s, const QString& xx_id, const QString& ref);
QString down_sted_url(const app::Session& s, const QString& xx_id, const QString& ref);
// net_get_ztmsg.asp with th_bj, the whole minutes since the start and task_type.
QString status_url(const app::Session& s, const QString& th_bj, qint64 minutes, const QString& task_type);
// The two saves; fs_str goes as it is (it holds only ids and numbers).
QString manual_save_url(const app::Session& s, const QString& fs_str);
QString auto_save_url(const app::Session& s, const QString& elements);
// Reports on an answer.
QString fault_image_url(const app::Session& s, const ReportedAnswer& a);      // xx_id=School_ID
QString wrong_full_mark_url(const app::Session& s, const ReportedAnswer& a);  // xx_id=-1, no bj_id
QString excellent_url(const app::Session& s, const ReportedAnswer& a);        // net_post_ok.asp, xx_id=-2
// The help page, shown in the image view.
QString help_url(const app::Session& s);

}  // namespace marking
