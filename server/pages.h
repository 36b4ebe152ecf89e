#pragma once
// Every page is a function of the context and the decoded query; the HTTP
// layer only routes and encodes.

#include "page_util.h"

#include <functional>
#include <map>
#include <string>

namespace velmora {

using Page = std::function<Reply(Context&, const Query&)>;

// Page file name ("net_login.asp") to its handler.
const std::map<std::string, Page>& pages();

// login screen and exam selection
Reply page_get_school(Context&, const Query&);
Reply page_get_js(Context&, const Query&);
// Not in pages(): the dispatch hands it the caller's address (guessing is
// paced per address too).
Reply page_login(Context&, const Query&, const std::string& address);
Reply page_ks_list(Context&, const Query&);
Reply page_ks_km1(Context&, const Query&);
// marking
Reply page_get_work(Context&, const Query&);
Reply page_user_work(Context&, const Query&);
Reply page_down_st(Context&, const Query&);
Reply page_user_worked(Context&, const Query&);
Reply page_get_ztmsg(Context&, const Query&);
Reply page_save_fs(Context&, const Query&);
// correction (net_save_fs.asp with modi_fs=1 goes to page_modi_fs)
Reply page_get_th(Context&, const Query&);
Reply page_get_st(Context&, const Query&);
Reply page_modi_fs(Context&, const Query&);
// the objective sheet: its blocks, the save of corrected answers, and
// net_down_st.asp for a sheet ("_00.txt"; other references go on to
// page_down_st)
Reply page_ks_box(Context&, const Query&);
Reply page_save_kgt_fs(Context&, const Query&);
Reply page_down_st_or_sheet(Context&, const Query&);
// feedback and static pages
Reply page_post_err(Context&, const Query&);
Reply page_post_ok(Context&, const Query&);
Reply page_help(Context&, const Query&);
// reports
Reply page_cj_working(Context&, const Query&);
Reply page_cj_answer(Context&, const Query&);
Reply page_cj_score(Context&, const Query&);
Reply page_cj_shitifs(Context&, const Query&);
Reply page_cj_yxdtk(Context&, const Query&);
Reply page_cj_xsdtk(Context&, const Query&);
Reply page_cj_stnd(Context&, const Query&);
Reply page_cj_mc(Context&, const Query&);
Reply page_cj_fsd(Context&, const Query&);
Reply page_cj_sjfx(Context&, const Query&);
Reply page_cj_stqfd(Context&, const Query&);
Reply page_cj_fx(Context&, const Query&);
Reply page_cj_dtk(Context&, const Query&);
Reply download(Context&, const std::string& file);

}  // namespace velmora
