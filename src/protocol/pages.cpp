#include "protocol/pages.h"

#include <array>
#include <utility>

namespace protocol {

namespace {

using Entry = std::pair<Page, QStringView>;

// In the order page_of tests them.
constexpr std::array kPages{
    Entry{Page::GetSchool, u"net_get_school.asp"},   Entry{Page::GetJs, u"net_get_js.asp"},
    Entry{Page::Login, u"net_login.asp"},            Entry{Page::KsList, u"net_ks_list.asp"},
    Entry{Page::KsKm1, u"net_ks_km1.asp"},           Entry{Page::GetWork, u"net_get_work.asp"},
    Entry{Page::GetTh, u"net_get_th.asp"},           Entry{Page::GetSt, u"net_get_st.asp"},
    Entry{Page::DownSt, u"net_down_st.asp"},         Entry{Page::DownSted, u"net_down_sted.asp"},
    Entry{Page::SaveFs, u"net_save_fs.asp"},         Entry{Page::UserWork, u"net_user_work.asp"},
    Entry{Page::UserWorked, u"net_user_worked.asp"}, Entry{Page::PostErr, u"net_post_err.asp"},
    Entry{Page::GetZtmsg, u"net_get_ztmsg.asp"},     Entry{Page::PostOk, u"net_post_ok.asp"},
    Entry{Page::KsBox, u"net_ks_box.asp"},           Entry{Page::SaveKgtFs, u"net_save_kgt_fs.asp"},
    Entry{Page::Help, u"tavix_help.html"},
    Entry{Page::CjAnswer, u"cj_answer.asp"},         Entry{Page::CjScore, u"cj_score.asp"},
    Entry{Page::CjWorking, u"cj_working.asp"},       Entry{Page::CjShitifs, u"cj_shitifs.asp"},
    Entry{Page::CjYxdtk, u"cj_yxdtk.asp"},           Entry{Page::CjXsdtk, u"cj_xsdtk.asp"},
    Entry{Page::CjStnd, u"cj_stnd.asp"},             Entry{Page::CjMc, u"cj_mc.asp"},
    Entry{Page::CjFsd, u"cj_fsd.asp"},               Entry{Page::CjSjfx, u"cj_sjfx.asp"},
    Entry{Page::CjStqfd, u"cj_stqfd.asp"},           Entry{Page::CjFx, u"cj_fx.asp"},
    Entry{Page::CjDtk, u"cj_dtk.asp"},
};

}  // namespace

QString page_name(Page page)
{
    for (const auto& [p, name] : kPages) {
        if (p == page)
            return name.toString();
    }
    return {};
}

Page page_of(QStringView url)
{
    for (const auto& [p, name] : kPages) {
        if (url.contains(name))
            return p;
    }
    return Page::Unknown;
}

QList<Page> pages_in(QStringView url)
{
    QList<Page> found;
    for (const auto& [p, name] : kPages) {
        if (url.contains(name))
            found.append(p);
    }
    return found;
}

bool is_local_file(QStringView url)
{
    return url.contains(u"///");
}

}  // namespace protocol
