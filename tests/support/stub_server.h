#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

namespace testsupport {

// A canned reply of the stub server.
struct StubReply {
    QByteArray body;
    int status = 200;
    QByteArray contentType = "text/html; charset=GBK";
    bool hold = false;  // never answer: the client's timeout must act
    // >= 0: the headers announce the whole body, but only this many bytes of
    // it are sent; then the connection closes, or with `holdAfterCut` stays
    // silent until the client gives up.
    qsizetype cutAt = -1;
    bool holdAfterCut = false;
    QByteArray location;  // sent as the Location header when not empty (redirects)
};

// A request as it arrived: method, raw target, header lines, body.
struct StubRequest {
    QByteArray method;
    QByteArray target;
    QByteArray head;  // the header lines, CR LF separated
    QByteArray body;  // as many bytes as Content-Length announced
    QByteArray header(const QByteArray& name) const;  // value of a header, case-insensitive name
};

// A tiny HTTP server on 127.0.0.1 and a free port. Replies are set per page
// file name ("net_login.asp"); every request target it got is recorded.
// Unknown pages get 404. It stops with its owner.
class StubServer final : public QObject {
    Q_OBJECT
public:
    explicit StubServer(QObject* parent = nullptr);
    ~StubServer() override;

    bool start();
    quint16 port() const;
    QString baseUrl() const;  // "http://127.0.0.1:PORT/"

    // The body is sent GBK-encoded with charset=GBK.
    void setReply(const QString& page, const QString& body, int status = 200);
    void setRawReply(const QString& page, const StubReply& reply);
    // Computed per request from the raw target ("/cj/x.asp?a=1").
    void setHandler(const QString& page, std::function<StubReply(const QByteArray& target)> fn);
    void clearReplies();

    // Raw request targets in arrival order, all or those of one page.
    QList<QByteArray> requests() const { return requests_; }
    QList<QByteArray> requestsFor(const QString& page) const;
    QByteArray lastRequestFor(const QString& page) const;
    void clearRequests()
    {
        requests_.clear();
        received_.clear();
    }
    // The last request of a page with its method, headers and body.
    StubRequest lastReceivedFor(const QString& page) const;
    // Waits (on the event loop) until a request for the page has arrived.
    bool waitForRequest(const QString& page, int timeoutMs = 5000);

    // The query value `key` of a raw target, still form-encoded.
    static QByteArray queryValue(const QByteArray& target, const QByteArray& key);

signals:
    void requestReceived(const QByteArray& target);

private:
    void onReadyRead(QTcpSocket* socket);
    StubReply replyFor(const QByteArray& target);

    QTcpServer* server_;
    QHash<QString, std::function<StubReply(const QByteArray&)>> handlers_;
    QList<QByteArray> requests_;
    QList<StubRequest> received_;
    QHash<QTcpSocket*, QByteArray> buffers_;
};

QString pageOf(const QByteArray& target);

}  // namespace testsupport
