#include "marking/mobile_code.h"

#include "app/session.h"
#include "net/url_encode.h"
#include "site_config.h"

namespace marking {

QString mobile_code_data(const app::Session& s, const QString& th_bj)
{
    return s.Server_URL + QStringLiteral("cj/mobi_main.asp?ewm=") + s.ks_id + u'|' + QString::number(s.KM_id) + u'|'
        + QString::number(s.User_ID) + u'|' + th_bj;
}

QString mobile_code_caption() { return QStringLiteral("手机阅卷，请扫二维码"); }
QString mobile_code_alt() { return QStringLiteral("手机扫一扫，使用移动端阅卷..."); }

QString mobile_code_block(const QString& data, const QString& qrService)
{
    return QStringLiteral("<hr><center><img src=") + qrService + QStringLiteral("/?app=qr.get&data=") + data
        + QStringLiteral(" alt='") + mobile_code_alt() + QStringLiteral("'><br>") + mobile_code_caption();
}

QString mobile_code_block(const app::Session& s, const QString& th_bj)
{
    return mobile_code_block(mobile_code_data(s, th_bj), QString::fromUtf8(app::site::qr_service));
}

bool mobile_code_drawn_locally(const QString& qrService)
{
    return qrService.trimmed().isEmpty();
}

bool mobile_code_drawn_locally()
{
    return mobile_code_drawn_locally(QString::fromUtf8(app::site::qr_service));
}

QString refresh_mobile_code(const app::Session& s, const QString& th_bj)
{
    return s.Server_URL + QStringLiteral("cj/mobi_ewm.asp?ks_id=") + s.ks_id + QStringLiteral("&km_id=")
        + QString::number(s.KM_id) + QStringLiteral("&user_id=") + QString::number(s.User_ID)
        + QStringLiteral("&th_bj=") + net::url_encode(th_bj);
}

}  // namespace marking
