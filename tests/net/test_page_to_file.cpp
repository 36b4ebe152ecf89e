// GetPageToFile against the stub server: GET and form-encoded POST, the
// body written as raw bytes over a longer earlier file, a redirect not
// followed, and a failed fetch that leaves the earlier file alone.
#include "net/page_channel.h"
#include "net/page_to_file.h"
#include "stub_server.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testsupport::StubReply;
using testsupport::StubServer;

class PageToFileTest : public QObject {
    Q_OBJECT

    StubServer stub;
    net::Network network;
    QTemporaryDir dir;

    net::PageFileResult fetch(const QString& file, const QString& url, const QString& post = QString())
    {
        net::PageFileJob* job = net::GetPageToFile(network, file, url, post);
        QSignalSpy spy(job, &net::PageFileJob::finished);
        if (!spy.wait(10000))
            return {};
        return spy.first().first().value<net::PageFileResult>();
    }

    static QByteArray contents(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static void writeFile(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<net::PageFileResult>();
        QVERIFY(stub.start());
        network.setTimeoutMs(2000);
    }
    void init() { stub.clearRequests(); }

    void getWritesTheRawBodyOverALongerFile()
    {
        StubReply r;
        r.body = QByteArray("\x00\xff\xd5\xc5 short", 8);
        r.contentType = "image/gif";
        stub.setRawReply("page.asp", r);
        const QString file = dir.filePath("get.bin");
        writeFile(file, QByteArray(4096, 'x'));
        const net::PageFileResult res = fetch(file, stub.baseUrl() + "cj/page.asp?a=1");
        QVERIFY(res.written);
        QCOMPARE(res.httpStatus, 200);
        QCOMPARE(contents(file), r.body);  // no stale bytes after the new body
        const testsupport::StubRequest got = stub.lastReceivedFor("page.asp");
        QCOMPARE(got.method, QByteArray("GET"));
        QCOMPARE(got.target, QByteArray("/cj/page.asp?a=1"));
        QVERIFY(got.body.isEmpty());
    }

    void postSendsTheDataAsGbkFormWithItsByteLength()
    {
        stub.setReply("post.asp", "ok");
        const QString file = dir.filePath("post.txt");
        // Two Chinese characters are four GBK bytes: the length counts bytes.
        const net::PageFileResult res = fetch(file, stub.baseUrl() + "cj/post.asp", "name=张明&x=1");
        QVERIFY(res.written);
        const testsupport::StubRequest got = stub.lastReceivedFor("post.asp");
        QCOMPARE(got.method, QByteArray("POST"));
        QCOMPARE(got.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(got.header("Content-Length"), QByteArray("13"));
        QCOMPARE(got.body, QByteArray("name=\xD5\xC5\xC3\xF7&x=1"));
        QCOMPARE(contents(file), QByteArray("ok"));
    }

    void aRedirectIsNotFollowed()
    {
        StubReply moved;
        moved.status = 302;
        moved.body = "moved";
        moved.location = "/cj/elsewhere.asp";
        stub.setRawReply("moved.asp", moved);
        stub.setReply("elsewhere.asp", "the other page");
        const QString file = dir.filePath("moved.txt");
        const net::PageFileResult res = fetch(file, stub.baseUrl() + "cj/moved.asp");
        QCOMPARE(res.httpStatus, 302);
        QVERIFY(res.written);
        QCOMPARE(contents(file), QByteArray("moved"));
        QVERIFY(stub.requestsFor("elsewhere.asp").isEmpty());
    }

    void anHttpErrorStillWritesItsBody()
    {
        const QString file = dir.filePath("missing.txt");
        const net::PageFileResult res = fetch(file, stub.baseUrl() + "cj/nothing_here.asp");
        QCOMPARE(res.httpStatus, 404);
        QVERIFY(res.written);
        QVERIFY(contents(file).contains("404"));
    }

    void aFailedFetchLeavesTheEarlierFile_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::newRow("cut short") << true;
        QTest::newRow("no answer in time") << false;
    }
    void aFailedFetchLeavesTheEarlierFile()
    {
        QFETCH(bool, cut);
        StubReply r;
        r.body = QByteArray(1000, 'b');
        if (cut)
            r.cutAt = 10;
        else
            r.hold = true;
        stub.setRawReply("broken.asp", r);
        const QString file = dir.filePath("keep.txt");
        writeFile(file, "earlier");
        const net::PageFileResult res = fetch(file, stub.baseUrl() + "cj/broken.asp");
        QVERIFY(!res.written);
        QVERIFY(!res.error.isEmpty());
        QCOMPARE(contents(file), QByteArray("earlier"));
    }

    void aFolderThatIsNotThereIsAnError()
    {
        stub.setReply("page2.asp", "x");
        const net::PageFileResult res = fetch(dir.filePath("no/such/folder/f.txt"), stub.baseUrl() + "cj/page2.asp");
        QVERIFY(!res.written);
        QVERIFY(!res.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PageToFileTest)
#include "test_page_to_file.moc"
