#include "marking/requests.h"

#include "app/session.h"
#include "marking/feedback.h"
#include "net/url_encode.h"

namespace marking {

namespace {

QString page(const app::Session& s, const char* pathAndQuery)
{
    return s.Server_URL + QString::fromUtf8(pathAndQuery);
}

QString exam(const app::Session& s)
{
    return QStringLiteral("ks_id=") + s.ks_id + QStringLiteral("&km_id=") + QString::number(s.KM_id);
}

QString teacher(const app::Session& s)
{
    return exam(s) + QStringLiteral("&js_id=") + QString::number(s.User_ID);
}

QString save_query(const app::Session& s)
{
    return teacher(s) + QStringLiteral("&js_name=") + net::url_encode(s.JS_Name);
}

QString image_query(const app::Session& s, const QString& xx_id, const QString& ref)
{
    return xx_id + u'&' + exam(s) + QStringLiteral("&img_txt=") + ref;
}

QString report_tail(const app::Session& s, const ReportedAnswer& a)
{
    return QStringLiteral("&cj_id=") + QString::number(a.cj_id) + QStringLiteral("&js_id=")
         + QString::number(s.User_ID) + QStringLiteral("&img_str=") + a.cur_gif + QStringLiteral("&js_name=")
         + net::url_encode(s.JS_Name);
}

}  // namespace

QString get_work_url(const app::Session& s)
{
    return page(s, "cj/net_get_work.asp?") + teacher(s);
}

QString user_work_url(const app::Session& s, const QString& th_bj)
{
    return page(s, "cj/net_user_work.asp?") + teacher(s) + QStringLiteral("&th_bj=") + net::url_encode(th_bj);
}

QString user_worked_url(const app::Session& s)
{
    return page(s, "cj/net_user_worked.asp?") + teacher(s);
}

QString down_st_url(const app::Session& s, const QString& xx_id, const QString& ref)
{
    return page(s, "cj/net_down_st.asp?xx_id=") + image_query(s, xx_id, ref);
}

QString down_sted_url(const app::Session& s, const QString& xx_id, const QString& ref)
{
    return page(s, "cj/net_down_sted.asp?xx_id=") + image_query(s, xx_id, ref);
}

QString status_url(const app::Session& s, const QString& th_bj, qint64 minutes, const QString& task_type)
{
    return page(s, "cj/net_get_ztmsg.asp?") + teacher(s) + QStringLiteral("&th_bj=") + net::url_encode(th_bj)
         + QStringLiteral("&n=") + QString::number(minutes) + QStringLiteral("&lb=") + task_type;
}

QString manual_save_url(const app::Session& s, const QString& fs_str)
{
    return page(s, "cj/net_save_fs.asp?") + save_query(s) + QStringLiteral("&fs_str=") + fs_str;
}

QString auto_save_url(const app::Session& s, const QString& elements)
{
    return page(s, "cj/net_save_fs.asp?auto_save=1&") + save_query(s) + QStringLiteral("&fs_str=0,;") + elements;
}

QString fault_image_url(const app::Session& s, const ReportedAnswer& a)
{
    return page(s, "cj/net_post_err.asp?xx_id=") + QString::number(s.School_ID) + u'&' + exam(s)
         + QStringLiteral("&bj_id=") + QString::number(a.bj_id) + report_tail(s, a);
}

QString wrong_full_mark_url(const app::Session& s, const ReportedAnswer& a)
{
    return page(s, "cj/net_post_err.asp?xx_id=-1&") + exam(s) + report_tail(s, a);
}

QString excellent_url(const app::Session& s, const ReportedAnswer& a)
{
    return page(s, "cj/net_post_ok.asp?xx_id=-2&") + exam(s) + QStringLiteral("&bj_id=") + QString::number(a.bj_id)
         + report_tail(s, a);
}

QString help_url(const app::Session& s)
{
    return page(s, "cj/tavix_help.html");
}

}  // namespace marking
