#include "net/requests_login.h"

#include "app/session.h"
#include "protocol/gbk.h"
#include "protocol/pages.h"

namespace net {

namespace {
QString page(const app::Session& s, protocol::Page p)
{
    return s.Server_URL + QStringLiteral("cj/") + protocol::page_name(p);
}
}  // namespace

QString school_probe_url(const app::Session& s, const QString& token)
{
    return page(s, protocol::Page::GetSchool) + QStringLiteral("?q=") + token;
}

QString school_lookup_url(const app::Session& s, const QString& name)
{
    return school_probe_url(s, protocol::url_encode(name));
}

QString teacher_lookup_url(const app::Session& s, const QString& name)
{
    return page(s, protocol::Page::GetJs) + QStringLiteral("?q=") + protocol::url_encode(name)
           + QStringLiteral("&xx_id=") + QString::number(s.School_ID);
}

QString login_url(const app::Session& s, const QString& name, const QString& password)
{
    // The password is form-encoded like the name: "&", "+", "%", "#" or a
    // blank would otherwise reach the server changed.
    return page(s, protocol::Page::Login) + QStringLiteral("?xx_id=") + QString::number(s.School_ID)
           + QStringLiteral("&js_name=") + protocol::url_encode(name) + QStringLiteral("&password=")
           + protocol::url_encode(password);
}

QString download_url(const app::Session& s, const QString& file)
{
    return s.Server_URL + QStringLiteral("cj/down/") + file;
}

QString exam_list_url(const app::Session& s)
{
    return page(s, protocol::Page::KsList) + QStringLiteral("?user_id=") + QString::number(s.User_ID)
           + QStringLiteral("&user_lb=0");
}

QString subject_url(const app::Session& s)
{
    return page(s, protocol::Page::KsKm1) + QStringLiteral("?ks_id=") + s.ks_id + QStringLiteral("&xx_id=")
           + QString::number(s.School_ID) + QStringLiteral("&js_id=") + QString::number(s.User_ID);
}

}  // namespace net
