// Feedback on answers (faulty image, wrong full mark, excellent answer) and
// the downloads of the upgrade panel.
#include "pages.h"
#include "velmora_server.h"

#include "protocol/pages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmora {

namespace {

// A cached image name the client will delete on our word: one plain file.
bool plain_file_name(const std::string& s)
{
    const bool control = std::any_of(s.begin(), s.end(), [](char c) { return (unsigned char)c < 0x20 || c == 0x7f; });
    return !s.empty() && s.size() < 200 && !control && s.find_first_of("/\\:,;<>&") == std::string::npos
           && s != "." && s.find("..") == std::string::npos;
}

// The names of the answer images on the screen, "a.gif,b.gif" for a group
// of questions: as many as a group can hold, each a plain file name.
bool file_name_list(const std::string& s)
{
    const std::vector<std::string> names = split(s, ',');
    return !names.empty() && names.size() <= 20 && std::all_of(names.begin(), names.end(), plain_file_name);
}

struct Report {
    std::int64_t exam, subject, result, teacher;
    std::optional<std::int64_t> class_id;
    std::string teacher_name;
};

// Failure texts here must not contain the success markers the client looks
// for ("report", "MF_Error", "Post OK").
std::optional<Report> report_of(Context& ctx, const Query& q, std::string& why)
{
    const auto exam = q.integer("ks_id");
    const auto subject = q.integer("km_id");
    const auto result = q.integer("cj_id");
    const auto teacher = q.integer("js_id");
    if (!exam || !subject || !result || !teacher) {
        why = "操作失败：ks_id、km_id、cj_id 和 js_id 应为编号。";
        return std::nullopt;
    }
    auto db = ctx.store.acquire();
    if (db->count("SELECT COUNT(*) FROM results r JOIN subjects sub ON sub.id = r.subject_id "
                  "WHERE r.id = ? AND sub.id = ? AND sub.exam_id = ?",
                  *result, *subject, *exam) == 0) {
        why = "操作失败：本考试科目中没有这份答卷。";
        return std::nullopt;
    }
    Stmt t = db->prepare("SELECT name FROM teachers WHERE id = ?");
    t.args(*teacher);
    if (!t.step()) {
        why = "操作失败：没有这个教师。";
        return std::nullopt;
    }
    // The name as stored, not as sent: what the administrator reads is ours.
    return Report{*exam, *subject, *result, *teacher, q.integer("bj_id"), t.text(0)};
}

void record(Context& ctx, const char* kind, const Report& r, const Query& q)
{
    auto db = ctx.store.acquire();
    Tx tx(*db, Tx::Write);
    db->run("INSERT INTO feedback(kind, exam_id, subject_id, class_id, result_id, teacher_id, teacher_name, img_str, at) "
            "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)",
            kind, r.exam, r.subject, r.class_id, r.result, r.teacher, r.teacher_name, q.text("img_str"), ctx.now());
    tx.commit();
}

}  // namespace

Reply page_post_err(Context& ctx, const Query& q)
{
    const auto school = q.integer("xx_id");
    if (!school) return Reply::bad("xx_id 应为学校编号或 -1");
    std::string why;
    const auto r = report_of(ctx, q, why);
    if (!r) return Reply::text(why);
    if (*school == -1) {
        if (!file_name_list(q.text("img_str"))) return Reply::text("操作失败：图片名称无效。");
        record(ctx, "full_mark", *r, q);
        return Reply::text(marker::full_mark_reported);
    }
    const std::string img = q.text("img_str");
    if (!plain_file_name(img)) return Reply::text("操作失败：图片名称无效（一次只能反馈一道试题）。");
    record(ctx, "image", *r, q);
    return Reply::text(marker::fault_reported + img);
}

Reply page_post_ok(Context& ctx, const Query& q)
{
    if (q.integer("xx_id") != -2) return Reply::bad("xx_id 应为 -2");
    std::string why;
    const auto r = report_of(ctx, q, why);
    if (!r) return Reply::text(why);
    if (!file_name_list(q.text("img_str"))) return Reply::text("操作失败：图片名称无效。");
    record(ctx, "excellent", *r, q);
    return Reply::text(marker::excellent_reported);
}

Reply download(Context& ctx, const std::string& file)
{
    if (file != "kssetup.exe" && file != "tavix.exe") return Reply::not_found();
    if (ctx.options.downloads_dir.empty()) return Reply::not_found();
    const std::filesystem::path p = std::filesystem::path(ctx.options.downloads_dir) / file;
    std::ifstream in(p, std::ios::binary);
    if (!in) return Reply::not_found();
    std::ostringstream ss;
    ss << in.rdbuf();
    Reply r;
    r.body = ss.str();
    r.raw = true;
    r.content_type = "application/octet-stream";
    return r;
}

const std::map<std::string, Page>& pages()
{
    // Routed by the names the client's requests are built from.
    using P = protocol::Page;
    static const std::map<std::string, Page> table = [] {
        const std::pair<P, Page> handlers[] = {
            {P::GetSchool, page_get_school}, {P::GetJs, page_get_js},
            {P::KsList, page_ks_list},
            {P::KsKm1, page_ks_km1},         {P::GetWork, page_get_work},
            {P::UserWork, page_user_work},   {P::UserWorked, page_user_worked},
            {P::DownSt, page_down_st_or_sheet},  // the objective sheet too
            {P::DownSted, page_down_st},  // the worked list's images: the same store
            {P::GetZtmsg, page_get_ztmsg},   {P::SaveFs, page_save_fs},
            {P::PostErr, page_post_err},     {P::PostOk, page_post_ok},
            {P::Help, page_help},
            {P::GetTh, page_get_th},         {P::GetSt, page_get_st},
            {P::KsBox, page_ks_box},         {P::SaveKgtFs, page_save_kgt_fs},
            {P::CjWorking, page_cj_working}, {P::CjAnswer, page_cj_answer},
            {P::CjScore, page_cj_score},     {P::CjShitifs, page_cj_shitifs},
            {P::CjYxdtk, page_cj_yxdtk},     {P::CjXsdtk, page_cj_xsdtk},
            {P::CjStnd, page_cj_stnd},       {P::CjMc, page_cj_mc},
            {P::CjFsd, page_cj_fsd},         {P::CjSjfx, page_cj_sjfx},
            {P::CjStqfd, page_cj_stqfd},     {P::CjFx, page_cj_fx},
            {P::CjDtk, page_cj_dtk},
        };
        std::map<std::string, Page> t;
        for (const auto& [page, handler] : handlers) t.emplace(protocol::page_name(page).toStdString(), handler);
        return t;
    }();
    return table;
}

}  // namespace velmora
