// The page channel against the stub server: text as the page view shows it,
// error pages for failures, replacement and timeout.
#include "net/page_channel.h"
#include "net/url_encode.h"
#include "recorders.h"
#include "stub_server.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using testsupport::StubReply;
using testsupport::StubServer;

class PageChannelTest : public QObject {
    Q_OBJECT

    static net::PageResult fetch(net::PageChannel& ch, const QString& url)
    {
        QSignalSpy spy(&ch, &net::PageChannel::completed);
        ch.navigate(url);
        if (!spy.wait(10000))
            return {};
        return spy.takeFirst().at(0).value<net::PageResult>();
    }

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    void textAsInnerHtml()
    {
        StubServer stub;
        QVERIFY(stub.start());
        stub.setReply("net_ks_list.asp", QString::fromUtf8("<html><head></head><BODY class=x>1,期末,0,1;ks_name;a&b</BODY></html>"));
        net::Network network;
        net::PageChannel ch(network);
        const QString url = stub.baseUrl() + "cj/net_ks_list.asp?user_id=3&user_lb=0";
        const auto r = fetch(ch, url);
        QCOMPARE(r.url, url);
        QCOMPARE(r.text, QString::fromUtf8("1,期末,0,1;ks_name;a&amp;b"));
        QCOMPARE(stub.requests(), QList<QByteArray>{"/cj/net_ks_list.asp?user_id=3&user_lb=0"});
    }

    void charsetAndPlainText()
    {
        QCOMPARE(net::present_as_inner_html(QByteArray::fromHex("D5C5"), ""), QString::fromUtf8("张"));
        QCOMPARE(net::present_as_inner_html(QString::fromUtf8("张&amp;").toUtf8(), "utf-8"), QString::fromUtf8("张&amp;"));
        QCOMPARE(net::present_as_inner_html("a & b &#38; &lt;", "GBK"), QStringLiteral("a &amp; b &#38; &lt;"));
        // A name like R&D before the record end is no entity reference.
        QCOMPARE(net::present_as_inner_html("1,R&D;2,AT&T;3,x&amp;y;", "GBK"),
                 QStringLiteral("1,R&amp;D;2,AT&amp;T;3,x&amp;y;"));
    }

    void failuresBecomeErrorPages()
    {
        StubServer stub;
        QVERIFY(stub.start());
        net::Network network;
        net::PageChannel ch(network);
        QVERIFY(fetch(ch, stub.baseUrl() + "cj/missing.asp").text.contains(QString::fromUtf8("无法找到该页")));

        stub.setReply("boom.asp", QString::fromUtf8("运行时错误 'x'"), 500);
        QCOMPARE(fetch(ch, stub.baseUrl() + "cj/boom.asp").text, QString::fromUtf8("运行时错误 'x'"));

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 deadPort = closed.serverPort();
        closed.close();
        QVERIFY(fetch(ch, QStringLiteral("http://127.0.0.1:%1/cj/x.asp").arg(deadPort)).text.contains(QString::fromUtf8("无法显示")));
    }

    // The status line said 200, but the body never arrived whole: the part
    // that did must not pass for the reply.
    void bodyCutShortGivesUnreachablePage_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::newRow("connection closed") << false;
        QTest::newRow("server stalls") << true;
    }
    void bodyCutShortGivesUnreachablePage()
    {
        QFETCH(bool, stall);
        StubServer stub;
        QVERIFY(stub.start());
        StubReply cut;
        cut.body = net::gbk_bytes(QString::fromUtf8("12,期末考试,x,1;13,月考,x,2;ks_name;"));
        cut.cutAt = cut.body.indexOf(';') + 1;
        cut.holdAfterCut = stall;
        stub.setRawReply("net_ks_list.asp", cut);
        net::Network network;
        network.setTimeoutMs(300);
        net::PageChannel ch(network);
        const auto r = fetch(ch, stub.baseUrl() + "cj/net_ks_list.asp?user_id=3&user_lb=0");
        QVERIFY(!r.replaced);
        QCOMPARE(r.text, net::unreachable_page_text());
        QCOMPARE(r.httpStatus, 0);
    }

    void timeoutGivesUnreachablePage()
    {
        StubServer stub;
        QVERIFY(stub.start());
        StubReply hold;
        hold.hold = true;
        stub.setRawReply("slow.asp", hold);
        net::Network network;
        network.setTimeoutMs(300);
        net::PageChannel ch(network);
        const auto r = fetch(ch, stub.baseUrl() + "cj/slow.asp");
        QVERIFY(!r.replaced);
        QVERIFY(r.text.contains(QString::fromUtf8("无法显示")));
    }

    // A reply above the bound is abandoned as it arrives and ends as an
    // error page the check explains; one within it is read as usual.
    void oversizedReplyIsAbandoned()
    {
        StubServer stub;
        QVERIFY(stub.start());
        stub.setReply("big.asp", QString(4000, u'x'));
        stub.setReply("small.asp", QString(900, u'y'));
        net::Network network;
        network.setMaxReplyBytes(1000);
        net::PageChannel ch(network);
        const auto big = fetch(ch, stub.baseUrl() + "cj/big.asp");
        QVERIFY(big.text.contains(QString::fromUtf8("无法显示")));
        QVERIFY(!big.text.contains(u'x'));
        QCOMPARE(big.httpStatus, 0);
        QCOMPARE(fetch(ch, stub.baseUrl() + "cj/small.asp").text, QString(900, u'y'));
    }

    void newNavigateReplacesOld()
    {
        StubServer stub;
        QVERIFY(stub.start());
        StubReply hold;
        hold.hold = true;
        stub.setRawReply("slow.asp", hold);
        stub.setReply("fast.asp", "fast");
        net::Network network;
        net::PageChannel ch(network);
        QSignalSpy spy(&ch, &net::PageChannel::completed);
        ch.navigate(stub.baseUrl() + "cj/slow.asp");
        QVERIFY(stub.waitForRequest("slow.asp"));
        ch.navigate(stub.baseUrl() + "cj/fast.asp");
        QTRY_COMPARE(spy.size(), 2);
        const auto first = spy.at(0).at(0).value<net::PageResult>();
        const auto second = spy.at(1).at(0).value<net::PageResult>();
        QVERIFY(first.replaced);
        QVERIFY(first.url.endsWith("slow.asp"));
        QVERIFY(first.text.isEmpty());
        QVERIFY(!second.replaced);
        QCOMPARE(second.text, QStringLiteral("fast"));
    }
};

QTEST_GUILESS_MAIN(PageChannelTest)
#include "test_page_channel.moc"
