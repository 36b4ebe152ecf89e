#include "server_login.h"

#include "net/url_encode.h"
#include "protocol/markers.h"

#include <QSignalSpy>

namespace testsupport {

namespace {

QString fetch(net::Network& network, const QString& url)
{
    net::PageChannel channel(network);
    QSignalSpy done(&channel, &net::PageChannel::completed);
    channel.navigate(url);
    if (!done.wait(10000))
        return {};
    return done.first().first().value<net::PageResult>().text;
}

}  // namespace

bool logIn(net::Network& network, const QString& baseUrl, int school, qint64 teacher, const QString& password)
{
    const QString list = fetch(network, baseUrl + QStringLiteral("cj/net_get_js.asp?q=&xx_id=") + QString::number(school));
    for (const QString& record : list.mid(int(qstrlen(protocol::marker::teacher_list))).split(u';')) {
        if (record.section(u',', 0, 0).toLongLong() != teacher)
            continue;
        const QString reply = fetch(network, baseUrl + QStringLiteral("cj/net_login.asp?xx_id=") + QString::number(school)
                                                 + QStringLiteral("&js_name=") + net::url_encode(record.section(u',', 1))
                                                 + QStringLiteral("&password=") + net::url_encode(password));
        return reply.contains(QLatin1String(protocol::marker::login_ok));
    }
    return false;
}

}  // namespace testsupport
