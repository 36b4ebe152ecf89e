#pragma once
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkReply;

namespace net {

class Network;

// How one GetPageToFile ended.
struct PageFileResult {
    QString filename;
    QString url;
    bool written = false;  // the response body is the whole file now
    int httpStatus = 0;    // 0: no HTTP answer came
    QString error;         // why nothing was written
};

// Fetches an address and writes the raw response body to a file: a GET, or
// with post data a form-encoded POST whose body is the data's GBK bytes
// (Content-Length their count). A redirect is not followed: its own body is
// what is written. Any HTTP answer is written whatever its status; a
// connection that fails or is cut short writes nothing. The file is
// replaced as a whole (QSaveFile), so a longer earlier file leaves no bytes
// behind, and a failed fetch leaves the earlier file as it was.
class PageFileJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageFileJob)
public:
    PageFileJob(Network& network, const QString& filename, const QString& url, const QString& postData,
                QObject* parent = nullptr);
    ~PageFileJob() override;

signals:
    void finished(const net::PageFileResult& result);

private:
    void onFinished();

    QPointer<QNetworkReply> reply_;
    PageFileResult result_;
};

// Starts the fetch; the job reports once through finished() and then
// deletes itself.
PageFileJob* GetPageToFile(Network& network, const QString& filename, const QString& Url,
                           const QString& PostData = QString());

}  // namespace net
