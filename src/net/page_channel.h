#pragma once
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace net {

// What one request on a channel came back with.
struct PageResult {
    QString url;            // the address exactly as it was requested
    QString text;           // the reply as a browser's body.innerHTML shows it
    bool replaced = false;  // a newer navigate() took the channel first; no text
    int httpStatus = 0;     // 0 when no complete HTTP answer came
};

// The cookies of the server's replies (the login's session), sent with
// every later request of every channel; says when they change, so that a
// browser view can take them too.
class CookieJar final : public QNetworkCookieJar {
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    bool setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url) override;
    // Every cookie held, for a view that keeps cookies of its own.
    QList<QNetworkCookie> cookies() const { return allCookies(); }

signals:
    void changed();
};

// The HTTP client all channels share, with the request timeout and the one
// cookie jar: a page channel, a file download and the browser view all
// speak for the teacher who logged in.
class Network final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Network)
public:
    explicit Network(QObject* parent = nullptr);
    QNetworkAccessManager* manager() const { return manager_; }
    CookieJar* cookieJar() const { return cookies_; }
    int timeoutMs() const { return timeoutMs_; }
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    // A reply larger than this is abandoned as it arrives: no page the
    // client reads comes near it (an answer image is a few hundred KB).
    qint64 maxReplyBytes() const { return maxReplyBytes_; }
    void setMaxReplyBytes(qint64 bytes) { maxReplyBytes_ = bytes; }

private:
    QNetworkAccessManager* manager_;
    CookieJar* cookies_;
    int timeoutMs_ = 30000;
    qint64 maxReplyBytes_ = 32 * 1024 * 1024;
};

// One request stream: navigate() replaces what is in flight and starts a GET
// of the address as built; completed() fires once per navigate().
// A server that cannot be reached or does not answer in time gives a text
// with "无法显示", a missing page one with "无法找到该页", so that the error
// check explains them like any other error page.
class PageChannel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageChannel)
public:
    explicit PageChannel(Network& network, QObject* parent = nullptr);
    ~PageChannel() override;

    void navigate(const QString& url);
    bool busy() const { return !reply_.isNull(); }
    // The address in flight, or empty.
    QString pendingUrl() const { return busy() ? url_ : QString(); }

signals:
    void completed(const net::PageResult& result);

private:
    void onFinished(QNetworkReply* reply);

    Network& network_;
    QPointer<QNetworkReply> reply_;
    QString url_;
};

// The reply body as the page view's body.innerHTML: decoded by `charset`
// (GBK when none or an unknown one is given), the inner part of <body> when
// there is one, and a bare "&" written as "&amp;".
QString present_as_inner_html(const QByteArray& body, const QString& charset);

// Texts of the channel's own error pages.
QString unreachable_page_text();
QString not_found_page_text();

}  // namespace net
