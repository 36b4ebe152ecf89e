#pragma once

// The marker words of the replies: the server writes them, the client finds
// them by a case-sensitive substring test (the first match wins). UTF-8
// text, all ASCII but the Chinese phrases (status_text and the error
// phrases): the client wraps a marker in QLatin1String, a phrase in
// QString::fromUtf8; the server writes them as they are.
namespace protocol::marker {

// net_get_school.asp: the reply starts "School_Name8762349;"; the version
// the server expects follows "remote=" + a name + ";".
inline constexpr char school_list[] = "School_Name8762349";
inline constexpr char version_tag[] = "remote=";
// net_get_js.asp: directly followed by the records.
inline constexpr char teacher_list[] = "JS8762349";
// net_login.asp: an accepted login, "School_Name398685,id,name,".
inline constexpr char login_ok[] = "School_Name398685";

// net_ks_list.asp: the trailer piece of a real exam list.
inline constexpr char exam_list[] = "ks_name";
// net_ks_km1.asp: the trailer piece of the subject list, "Studen_Number=66".
inline constexpr char subject_list[] = "Studen_Number";

// net_get_work.asp: nobody has work in the subject / this teacher has none;
// otherwise the kind of work ("th" by question, "bj" by class) comes first.
inline constexpr char no_set[] = "no_set";
inline constexpr char no_work[] = "no_work";
inline constexpr char by_question[] = "th";
inline constexpr char by_class[] = "bj";
// net_user_work.asp: nothing is left for the selection after this reply;
// "work_end;" is followed by the selection as it was asked for.
inline constexpr char work_end[] = "work_end";
// net_get_ztmsg.asp: a status text the client takes holds it.
inline constexpr char status_text[] = "满分";

// net_save_fs.asp: the manual save's reply "save_ok;saved_ids=...;refused_ids=...;",
// the automatic save's "saved_ids=...".
inline constexpr char save_ok[] = "save_ok";
inline constexpr char saved_ids[] = "saved_ids=";
inline constexpr char refused_ids[] = "refused_ids=";

// net_down_st.asp / net_down_sted.asp: the base64 text ends with five
// commas; an image the server lacks is "img_txt_file:" + the reference +
// " not find!" + the five commas.
inline constexpr char image_end[] = ",,,,,";
inline constexpr char image_missing[] = "img_txt_file";
inline constexpr char image_not_found[] = "not find!";

// net_post_err.asp: a faulty image ("report_" + the image name) or a wrong
// full mark; net_post_ok.asp: an excellent answer.
inline constexpr char fault_reported[] = "report_";
inline constexpr char full_mark_reported[] = "MF_Error";
inline constexpr char excellent_reported[] = "Post OK";

// net_get_th.asp: the teacher leads no subject of that name / the subject
// has no questions; otherwise a list in which "00" stands for all the
// objective questions together.
inline constexpr char no_qx[] = "no_qx";
inline constexpr char no_st[] = "no_st";
inline constexpr char objective_questions[] = "00";
// net_get_st.asp: the fields of a found answer are joined by "="; a reply
// without it is a message. The score line holds the score between
// "，得分" and the next "；".
inline constexpr char lookup_separator[] = "=";
inline constexpr char score_before[] = "，得分";
inline constexpr char score_after[] = "；";
// net_save_kgt_fs.asp: the objective answers were stored and rescored.
inline constexpr char objective_saved[] = "modify_kgt_ok";

// Error pages: the phrase of a page's run-time error, which every failure
// text of the server holds, and the text of a missing page.
inline constexpr char runtime_error[] = "运行时错误";
inline constexpr char page_not_found[] = "无法找到该页";
// A page refused for want of a live login (run out, or another teacher's):
// the client tells the teacher to log in again.
inline constexpr char log_in_again[] = "请重新登录";

}  // namespace protocol::marker
