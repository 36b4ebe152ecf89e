#include "reports/requests.h"

#include "app/session.h"
#include "net/url_encode.h"

namespace reports {

QString report_url(const app::Session& s, protocol::Page page)
{
    QString url = s.Server_URL + QStringLiteral("cj/") + protocol::page_name(page) + QStringLiteral("?ks_id=") + s.ks_id
                  + QStringLiteral("&km_id=") + QString::number(s.KM_id);
    if (page != protocol::Page::CjWorking)
        url += QStringLiteral("&xx_id=") + QString::number(s.School_ID);
    return url + QStringLiteral("&u_id=") + QString::number(s.User_ID);
}

QString answer_piece_url(const app::Session& s, const QString& record)
{
    return s.Server_URL + QStringLiteral("cj/cj_dtk.asp?dtk=") + net::url_encode(record);
}

}  // namespace reports
