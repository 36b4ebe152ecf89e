#include "stub_server.h"

#include "net/url_encode.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace testsupport {

QString pageOf(const QByteArray& target)
{
    QByteArray path = target;
    const qsizetype q = path.indexOf('?');
    if (q >= 0)
        path.truncate(q);
    const qsizetype slash = path.lastIndexOf('/');
    return QString::fromLatin1(path.mid(slash + 1));
}

StubServer::StubServer(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {}

StubServer::~StubServer() = default;

bool StubServer::start()
{
    if (!server_->listen(QHostAddress::LocalHost, 0))
        return false;
    connect(server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadyRead(s); });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                buffers_.remove(s);
                s->deleteLater();
            });
        }
    });
    return true;
}

quint16 StubServer::port() const
{
    return server_->serverPort();
}

QString StubServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

void StubServer::setReply(const QString& page, const QString& body, int status)
{
    StubReply r;
    r.body = net::gbk_bytes(body);
    r.status = status;
    setRawReply(page, r);
}

void StubServer::setRawReply(const QString& page, const StubReply& reply)
{
    handlers_[page] = [reply](const QByteArray&) { return reply; };
}

void StubServer::setHandler(const QString& page, std::function<StubReply(const QByteArray&)> fn)
{
    handlers_[page] = std::move(fn);
}

void StubServer::clearReplies()
{
    handlers_.clear();
}

QList<QByteArray> StubServer::requestsFor(const QString& page) const
{
    QList<QByteArray> out;
    for (const QByteArray& t : requests_)
        if (pageOf(t) == page)
            out << t;
    return out;
}

QByteArray StubServer::lastRequestFor(const QString& page) const
{
    const auto list = requestsFor(page);
    return list.isEmpty() ? QByteArray() : list.last();
}

bool StubServer::waitForRequest(const QString& page, int timeoutMs)
{
    const qsizetype before = requestsFor(page).size();
    QDeadlineTimer deadline(timeoutMs);
    while (requestsFor(page).size() == before && !deadline.hasExpired()) {
        QSignalSpy spy(this, &StubServer::requestReceived);
        spy.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return requestsFor(page).size() > before;
}

StubRequest StubServer::lastReceivedFor(const QString& page) const
{
    for (qsizetype i = received_.size() - 1; i >= 0; --i)
        if (pageOf(received_.at(i).target) == page)
            return received_.at(i);
    return {};
}

QByteArray StubRequest::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QByteArray StubServer::queryValue(const QByteArray& target, const QByteArray& key)
{
    const qsizetype q = target.indexOf('?');
    if (q < 0)
        return {};
    for (const QByteArray& pair : target.mid(q + 1).split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq >= 0 && pair.left(eq) == key)
            return pair.mid(eq + 1);
    }
    return {};
}

StubReply StubServer::replyFor(const QByteArray& target)
{
    const auto it = handlers_.constFind(pageOf(target));
    if (it == handlers_.constEnd()) {
        StubReply r;
        r.status = 404;
        r.body = "<html><body>404 Not Found</body></html>";
        return r;
    }
    return (*it)(target);
}

void StubServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buf = buffers_[socket];
    buf += socket->readAll();
    const qsizetype end = buf.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    StubRequest req;
    const qsizetype lineEnd = buf.indexOf("\r\n");
    const QByteArray requestLine = buf.left(lineEnd);
    req.head = buf.mid(lineEnd + 2, end - lineEnd - 2);
    // A body (a POST) is read whole before the reply goes out.
    const qsizetype length = req.header("Content-Length").toLongLong();
    if (buf.size() < end + 4 + length)
        return;
    req.body = buf.mid(end + 4, length);
    buf.remove(0, end + 4 + length);
    const QList<QByteArray> parts = requestLine.split(' ');
    req.method = parts.value(0);
    const QByteArray target = parts.size() >= 2 ? parts.at(1) : QByteArray("/");
    req.target = target;
    received_ << req;
    requests_ << target;
    const StubReply r = replyFor(target);
    emit requestReceived(target);
    if (r.hold)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + (r.status == 200 ? " OK" : " Error") + "\r\n";
    out += "Content-Type: " + r.contentType + "\r\n";
    if (!r.location.isEmpty())
        out += "Location: " + r.location + "\r\n";
    out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += r.cutAt >= 0 ? r.body.left(r.cutAt) : r.body;
    socket->write(out);
    if (r.cutAt >= 0 && r.holdAfterCut)
        return;
    socket->disconnectFromHost();
}

}  // namespace testsupport
