// The image view shows the help page in a browser engine, made only when a
// page is first shown, and drops it for images.
#include "stub_server.h"
#include "ui/image_page_view.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

class MarkingHelpPageTest : public QObject {
    Q_OBJECT
private slots:
    void helpPageThenImages()
    {
        testsupport::StubServer stub;
        QVERIFY(stub.start());
        stub.setReply("tavix_help.html", "<html><body><h1>阅卷客户端使用方法</h1></body></html>");
        ui::ImagePageView view;
        view.resize(600, 400);
        view.show();
        QVERIFY(!view.findChild<QWidget*>("WebPage"));
        view.showPage(stub.baseUrl() + "cj/tavix_help.html");
#ifdef TAVIX_HAVE_WEBENGINE
        QVERIFY(view.showsWebPage());
        QVERIFY(view.findChild<QWidget*>("WebPage"));
        QTRY_VERIFY_WITH_TIMEOUT(!stub.requestsFor("tavix_help.html").isEmpty(), 15000);
#endif
        QCOMPARE(view.text(), QString());  // no answer on screen
        view.showImages({"/nowhere/1001_3.gif"});
        QVERIFY(!view.showsWebPage());
        QCOMPARE(view.text(), QString("<IMG src=/nowhere/1001_3.gif>"));
        view.showPage("about:blank");
        QCOMPARE(view.text(), QString());
        QCOMPARE(view.currentUrl(), QString("about:blank"));
    }

    void zoomAndFooter()
    {
        QTemporaryDir dir;
        QImage img(400, 300, QImage::Format_RGB32);
        img.fill(Qt::white);
        const QString path = dir.filePath("1001_3.gif");
        QVERIFY(img.save(path, "PNG"));
        ui::ImagePageView view;
        view.showImages({path});
        QCOMPARE(view.shownSize(0), QSize(400, 300));
        view.setZoomPercent(150);
        QCOMPARE(view.shownSize(0), QSize(600, 450));
        QCOMPARE(ui::ImagePageView::zoomed(QSize(5, 3), 50), QSize(2, 2));  // halves to even
        view.setFooter("<hr><center>code", QImage(10, 10, QImage::Format_RGB32), "手机阅卷，请扫二维码");
        QCOMPARE(view.text(), "<IMG src=" + path + "><hr><center>code");
        QVERIFY(view.findChild<QWidget*>("footerPicture"));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    MarkingHelpPageTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_marking_help_page.moc"
