#pragma once
#include <QList>
#include <QString>
#include <QStringView>

namespace protocol {

// Every server page the client asks for. The order is the order in which
// an address is tested: when an address names two pages (one in its
// query, say), the earlier one here wins, as every screen's dispatch has
// always tested them.
enum class Page {
    Unknown,
    GetSchool,   // net_get_school.asp
    GetJs,       // net_get_js.asp
    Login,       // net_login.asp
    KsList,      // net_ks_list.asp
    KsKm1,       // net_ks_km1.asp
    GetWork,     // net_get_work.asp
    GetTh,       // net_get_th.asp
    GetSt,       // net_get_st.asp
    DownSt,      // net_down_st.asp
    DownSted,    // net_down_sted.asp
    SaveFs,      // net_save_fs.asp
    UserWork,    // net_user_work.asp
    UserWorked,  // net_user_worked.asp
    PostErr,     // net_post_err.asp
    GetZtmsg,    // net_get_ztmsg.asp
    PostOk,      // net_post_ok.asp
    KsBox,       // net_ks_box.asp
    SaveKgtFs,   // net_save_kgt_fs.asp
    Help,        // tavix_help.html
    // The report screen's pages.
    CjAnswer,    // cj_answer.asp
    CjScore,     // cj_score.asp
    CjWorking,   // cj_working.asp
    CjShitifs,   // cj_shitifs.asp
    CjYxdtk,     // cj_yxdtk.asp
    CjXsdtk,     // cj_xsdtk.asp
    CjStnd,      // cj_stnd.asp
    CjMc,        // cj_mc.asp
    CjFsd,       // cj_fsd.asp
    CjSjfx,      // cj_sjfx.asp
    CjStqfd,     // cj_stqfd.asp
    CjFx,        // cj_fx.asp
    CjDtk,       // cj_dtk.asp
};

// The page's file name under "cj/" ("net_get_work.asp"); empty for Unknown.
QString page_name(Page page);

// The first page, in the order above, whose file name the address contains
// anywhere (a case-sensitive substring test); Unknown when none does.
Page page_of(QStringView url);

// Every page whose file name the address contains, in the order above: for
// a screen that answers each of its pages an address names, not only the
// first.
QList<Page> pages_in(QStringView url);

// A completed address of a local file ("file:///..."), not a server page:
// no reply to check or dispatch.
bool is_local_file(QStringView url);

}  // namespace protocol
