#include "net/page_channel.h"

#include "net/url_encode.h"
#include "protocol/markers.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

namespace net {

QString unreachable_page_text()
{
    return QStringLiteral("无法显示网页：无法连接到服务器，或服务器没有应答。");
}

QString too_large_page_text(qint64 limit)
{
    return QStringLiteral("无法显示网页：服务器的应答超过 %1 MB，已放弃读取。").arg(limit / (1024 * 1024));
}

QString not_found_page_text()
{
    return QString::fromUtf8(protocol::marker::page_not_found) + QStringLiteral(" (HTTP 404)");
}

bool CookieJar::setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url)
{
    const bool taken = QNetworkCookieJar::setCookiesFromUrl(cookies, url);
    if (taken)
        emit changed();
    return taken;
}

Network::Network(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)), cookies_(new CookieJar)
{
    manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager_->setCookieJar(cookies_);  // owned by the manager from here on
}

PageChannel::PageChannel(Network& network, QObject* parent) : QObject(parent), network_(network) {}

PageChannel::~PageChannel()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void PageChannel::navigate(const QString& url)
{
    if (reply_) {
        QNetworkReply* old = reply_;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
        // Delivered after navigate() returns, so an owner that waits for
        // the old request (a timer that disabled itself) can re-arm.
        QTimer::singleShot(0, this, [this, oldUrl = url_] {
            PageResult r;
            r.url = oldUrl;
            r.replaced = true;
            emit completed(r);
        });
    }
    url_ = url;
    QNetworkRequest req(QUrl::fromEncoded(url.toUtf8(), QUrl::TolerantMode));
    req.setTransferTimeout(network_.timeoutMs());
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = network_.manager()->get(req);
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
    // Stopped as it grows, not read whole into memory first.
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        const qint64 limit = network_.maxReplyBytes();
        if (received > limit || total > limit) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
}

void PageChannel::onFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != reply_)
        return;
    reply_.clear();

    PageResult r;
    r.url = url_;
    r.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    // A connection that broke or timed out after the status line leaves a
    // body cut short: it is no reply, whatever the status said.
    const QNetworkReply::NetworkError error = reply->error();
    const bool broken = (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
                        || error == QNetworkReply::ProtocolFailure;
    if (reply->property("tooLarge").toBool()) {
        r.httpStatus = 0;
        r.text = too_large_page_text(network_.maxReplyBytes());
    } else if (r.httpStatus == 404) {
        r.text = not_found_page_text();
    } else if (r.httpStatus == 0 || broken) {
        r.httpStatus = 0;
        r.text = unreachable_page_text();
    } else {
        QString charset;
        static const QRegularExpression cs(QStringLiteral("charset\\s*=\\s*\"?([A-Za-z0-9_\\-]+)"),
                                           QRegularExpression::CaseInsensitiveOption);
        const auto m = cs.match(reply->header(QNetworkRequest::ContentTypeHeader).toString());
        if (m.hasMatch())
            charset = m.captured(1);
        r.text = present_as_inner_html(body, charset);
    }
    emit completed(r);
}

QString present_as_inner_html(const QByteArray& body, const QString& charset)
{
    QString text;
    const QString cs = charset.trimmed().toLower();
    if (cs.isEmpty() || cs == QLatin1String("gbk") || cs == QLatin1String("gb2312")) {
        text = from_gbk(body);
    } else {
        QStringDecoder dec(cs.toLatin1().constData());
        text = dec.isValid() ? dec(body) : from_gbk(body);
    }

    const qsizetype open = text.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    if (open >= 0) {
        const qsizetype start = text.indexOf(u'>', open);
        if (start >= 0) {
            qsizetype end = text.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
            if (end < start)
                end = text.size();
            text = text.mid(start + 1, end - start - 1);
        }
    }

    // A browser shows a bare ampersand of a text node as its entity. Only
    // a reference it knows stays one: the "&D;" of "R&D;" is data followed
    // by a record end, and is shown "R&amp;D;".
    static const QRegularExpression bareAmp(
        QStringLiteral("&(?!(?:amp|lt|gt|quot|apos|nbsp);|#[0-9]+;|#[xX][0-9A-Fa-f]+;)"));
    text.replace(bareAmp, QStringLiteral("&amp;"));
    return text;
}

}  // namespace net
