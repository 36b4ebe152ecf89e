// The browser view of server pages: completion hands on the address and
// the body's inner HTML; failed loads give the page channel's error texts;
// written HTML replaces the page. Runs with the browser engine when it can
// start here, and with the plain view in any case.
#include "net/page_channel.h"
#include "stub_server.h"
#include "ui/web_page_view.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTextBrowser>
#ifdef TAVIX_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

using ui::WebPageView;

class WebPageViewTest : public QObject {
    Q_OBJECT

    net::Network network;
    testsupport::StubServer stub;

    static net::PageResult waitFor(WebPageView& view, QSignalSpy& spy)
    {
        if (spy.isEmpty())
            spy.wait(20000);
        return spy.isEmpty() ? net::PageResult{} : spy.takeFirst().at(0).value<net::PageResult>();
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<net::PageResult>();
        QVERIFY(stub.start());
        stub.setReply(QStringLiteral("cj_fx.asp"),
                      QStringLiteral("<html><body><TABLE><TR><TD>平均分</TD></TR></TABLE></body></html>"));
        stub.setReply(QStringLiteral("cj_stnd.asp"), QStringLiteral("脚本超时"), 500);
        stub.setReply(QStringLiteral("cj_score.asp"),
                      QStringLiteral("<html><body><a id=go href=\"cj_xsdtk.asp?ks_id=7&amp;xs_id=9\">看</a></body></html>"));
        stub.setReply(QStringLiteral("cj_xsdtk.asp"), QStringLiteral("Student_DTKNo Record;"));
        network.setTimeoutMs(5000);
    }

    void completions_data()
    {
        QTest::addColumn<bool>("engine");
        QTest::newRow("plain") << false;
#ifdef TAVIX_HAVE_WEBENGINE
        QTest::newRow("engine") << true;
#endif
    }

    void completions()
    {
        QFETCH(bool, engine);
        WebPageView::setEngineEnabled(engine);
        WebPageView view(network);
        view.resize(640, 480);
        view.show();
        QSignalSpy spy(&view, &WebPageView::completed);

        const QString page = stub.baseUrl() + QStringLiteral("cj/cj_fx.asp?ks_id=7&km_id=2");
        view.navigate(page);
        net::PageResult r = waitFor(view, spy);
        QCOMPARE(r.url, page);
        QVERIFY2(r.text.contains(QStringLiteral("平均分")), qPrintable(r.text));
        QVERIFY(r.text.contains(QStringLiteral("<td>"), Qt::CaseInsensitive));
        QCOMPARE(view.innerHtml(), r.text);

        view.navigate(stub.baseUrl() + QStringLiteral("cj/nothing.asp"));
        QVERIFY(waitFor(view, spy).text.contains(QStringLiteral("无法找到该页")));

        // Another server error passes the server's page through.
        view.navigate(stub.baseUrl() + QStringLiteral("cj/cj_stnd.asp"));
        QVERIFY(waitFor(view, spy).text.contains(QStringLiteral("脚本超时")));

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        view.navigate(QStringLiteral("http://127.0.0.1:%1/cj/cj_fx.asp").arg(port));
        QVERIFY(waitFor(view, spy).text.contains(QStringLiteral("无法显示")));

        // A link inside the page loads like a navigation and completes with
        // its own address.
        view.navigate(stub.baseUrl() + QStringLiteral("cj/cj_score.asp?ks_id=7"));
        waitFor(view, spy);
        if (engine) {
#ifdef TAVIX_HAVE_WEBENGINE
            view.findChild<QWebEngineView*>()->page()->runJavaScript(QStringLiteral("document.getElementById('go').click()"));
#endif
        } else {
            emit view.findChild<QTextBrowser*>(QStringLiteral("plainPage"))
                ->anchorClicked(QUrl(QStringLiteral("cj_xsdtk.asp?ks_id=7&xs_id=9")));
        }
        r = waitFor(view, spy);
        QCOMPARE(r.url, stub.baseUrl() + QStringLiteral("cj/cj_xsdtk.asp?ks_id=7&xs_id=9"));
        QCOMPARE(r.text, QStringLiteral("Student_DTKNo Record;"));
        QCOMPARE(view.currentUrl(), r.url);

        // Written HTML: no completion, the address stays.
        view.navigate(page);
        waitFor(view, spy);
        view.write(QStringLiteral("<p>top</p>"));
        view.write(QStringLiteral("<p>more</p>"));
        view.refresh();
        QVERIFY(view.showsWritten());
        QCOMPARE(view.innerHtml(), QStringLiteral("<p>top</p><p>more</p>"));
        QCOMPARE(view.currentUrl(), page);
        QCoreApplication::processEvents();
        QVERIFY(spy.isEmpty());
    }
};

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebPageViewTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_web_page_view.moc"
