#include "net/page_to_file.h"

#include "net/page_channel.h"
#include "net/url_encode.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace net {

PageFileJob::PageFileJob(Network& network, const QString& filename, const QString& url, const QString& postData,
                         QObject* parent)
    : QObject(parent)
{
    result_.filename = filename;
    result_.url = url;
    QNetworkRequest req(QUrl::fromEncoded(url.toUtf8(), QUrl::TolerantMode));
    req.setTransferTimeout(network.timeoutMs());
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = nullptr;
    if (postData.isEmpty()) {
        reply = network.manager()->get(req);
    } else {
        const QByteArray body = gbk_bytes(postData);
        req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        req.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
        reply = network.manager()->post(req, body);
    }
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, &PageFileJob::onFinished);
}

PageFileJob::~PageFileJob()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void PageFileJob::onFinished()
{
    QNetworkReply* reply = reply_;
    reply_.clear();
    reply->deleteLater();
    result_.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    // An HTTP error status still brought a whole body; a broken or timed-out
    // connection did not, whatever status it began with.
    const bool httpError = (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
                        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
    const bool complete = result_.httpStatus > 0 && (error == QNetworkReply::NoError || httpError);
    if (!complete) {
        result_.error = reply->errorString();
    } else {
        QSaveFile file(result_.filename);
        if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
            result_.error = file.errorString();
        else
            result_.written = true;
    }
    emit finished(result_);
    deleteLater();
}

PageFileJob* GetPageToFile(Network& network, const QString& filename, const QString& Url, const QString& PostData)
{
    return new PageFileJob(network, filename, Url, PostData);
}

}  // namespace net
