#include "correction/requests.h"

#include "app/session.h"
#include "net/url_encode.h"

namespace correction {

namespace {

QString exam(const app::Session& s)
{
    return QStringLiteral("ks_id=") + s.ks_id + QStringLiteral("&km_id=") + QString::number(s.KM_id);
}

}  // namespace

QString question_list_url(const app::Session& s)
{
    return s.Server_URL + QStringLiteral("cj/net_get_th.asp?") + exam(s) + QStringLiteral("&js_id=")
         + QString::number(s.User_ID);
}

QString lookup_url(const app::Session& s, const QString& examNumber, const QString& th)
{
    // An "&" or "#" typed into the exam number must not cut the address.
    return s.Server_URL + QStringLiteral("cj/net_get_st.asp?xx_id=") + QString::number(s.School_ID) + u'&' + exam(s)
         + QStringLiteral("&xs_kh=") + net::url_encode(examNumber) + QStringLiteral("&th=") + th
         + QStringLiteral("&js_id=") + QString::number(s.User_ID);
}

QString image_url(const app::Session& s, qint32 schoolId, const QString& ref)
{
    return s.Server_URL + QStringLiteral("cj/net_down_st.asp?xx_id=") + QString::number(schoolId) + u'&' + exam(s)
         + QStringLiteral("&img_txt=") + ref;
}

QString modi_save_url(const app::Session& s, const QString& fs_str)
{
    return s.Server_URL + QStringLiteral("cj/net_save_fs.asp?modi_fs=1&") + exam(s) + QStringLiteral("&js_id=")
         + QString::number(s.User_ID) + QStringLiteral("&js_name=") + net::url_encode(s.JS_Name)
         + QStringLiteral("&fs_str=") + fs_str;
}

QString box_url(const app::Session& s)
{
    return s.Server_URL + QStringLiteral("cj/net_ks_box.asp?") + exam(s) + QStringLiteral("&xx_id=")
         + QString::number(s.School_ID) + QStringLiteral("&user_id=") + QString::number(s.User_ID);
}

QString kgt_save_url(const app::Session& s, const QString& kgt_str)
{
    return s.Server_URL + QStringLiteral("cj/net_save_kgt_fs.asp?") + exam(s) + QStringLiteral("&js_id=")
         + QString::number(s.User_ID) + QStringLiteral("&kgt_str=") + kgt_str;
}

QString modi_score_string(qint32 fs_id, const QString& score)
{
    return QStringLiteral("0,0;") + QString::number(fs_id) + u',' + score + u';';
}

}  // namespace correction
