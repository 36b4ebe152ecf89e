// The browser engine never takes the client down: as root it starts
// without its sandbox, and where it cannot start (or its page process
// dies) the view shows a message in place of the page.
#include "app/web_engine_env.h"
#include "stub_server.h"
#include "ui/image_page_view.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString help_url = QStringLiteral("http://127.0.0.1:9/cj/tavix_help.html");

// Sets an environment variable for one scope, then puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

QString notice(const ui::ImagePageView& view)
{
    auto* label = view.findChild<QLabel*>(QStringLiteral("pageNotice"));
    return label && label->isVisibleTo(&view) ? label->text() : QString();
}

}  // namespace

class WebEngineTest : public QObject {
    Q_OBJECT
private slots:
    void whyTheEngineCannotStart_data()
    {
        QTest::addColumn<bool>("root");
        QTest::addColumn<QByteArray>("disable");  // QTWEBENGINE_DISABLE_SANDBOX
        QTest::addColumn<QByteArray>("flags");    // QTWEBENGINE_CHROMIUM_FLAGS
        QTest::addColumn<bool>("helper");
        QTest::addColumn<bool>("refuses");        // root with the sandbox on
        QTest::addColumn<QString>("problem");     // the reason's first words, empty: it starts
        const QString root = QStringLiteral("以 root 身份运行");
        QTest::newRow("user") << false << QByteArray() << QByteArray() << true << false << "";
        QTest::newRow("root, sandbox on") << true << QByteArray() << QByteArray() << true << true << root;
        QTest::newRow("root, switched off") << true << QByteArray("1") << QByteArray() << true << false << "";
        QTest::newRow("root, 0 is not off") << true << QByteArray("0") << QByteArray() << true << true << root;
        QTest::newRow("root, flag") << true << QByteArray() << QByteArray("--disable-gpu --no-sandbox") << true << false << "";
        QTest::newRow("root, lookalike flag") << true << QByteArray() << QByteArray("--no-sandboxing") << true << true << root;
        QTest::newRow("helper missing") << false << QByteArray() << QByteArray() << false << false
                                        << QStringLiteral("找不到浏览器组件的程序");
    }
    void whyTheEngineCannotStart()
    {
        QFETCH(bool, root);
        QFETCH(QByteArray, disable);
        QFETCH(QByteArray, flags);
        QFETCH(bool, helper);
        QFETCH(bool, refuses);
        QFETCH(QString, problem);
        const app::EngineEnvironment env{root, disable, flags, helper};
        QCOMPARE(app::sandbox_refuses(env), refuses);
        const QString why = app::engine_problem(env);
        if (problem.isEmpty())
            QCOMPARE(why, QString());
        else
            QVERIFY2(why.startsWith(problem), qPrintable(why));
    }

    void prepareSwitchesTheSandboxOffForRoot()
    {
        ScopedEnv off("QTWEBENGINE_DISABLE_SANDBOX", QByteArray());
        ScopedEnv flags("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray());
        const bool root = app::EngineEnvironment::current().root;
        app::prepare_web_engine();
        QCOMPARE(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), root ? QByteArray("1") : QByteArray());
        QVERIFY(!app::sandbox_refuses(app::EngineEnvironment::current()));
    }

#ifdef TAVIX_HAVE_WEBENGINE
    // The engine would end the process here; the view asks first. (These
    // run before any engine is made in this process.)
    void engineThatCannotStartBecomesAMessage_data()
    {
        QTest::addColumn<QByteArray>("helperPath");  // null: where Qt keeps it
        QTest::addColumn<bool>("sandboxOn");
        QTest::addColumn<QString>("reason");
        QTest::newRow("helper missing") << QByteArray("/nonexistent/QtWebEngineProcess") << false
                                        << QStringLiteral("QtWebEngineProcess");
        QTest::newRow("root with the sandbox on") << QByteArray() << true << QStringLiteral("root");
    }
    void engineThatCannotStartBecomesAMessage()
    {
        QFETCH(QByteArray, helperPath);
        QFETCH(bool, sandboxOn);
        QFETCH(QString, reason);
        if (sandboxOn && !app::EngineEnvironment::current().root)
            QSKIP("needs a process running as root");
        ScopedEnv helper("QTWEBENGINEPROCESS_PATH", helperPath);
        ScopedEnv sandbox("QTWEBENGINE_DISABLE_SANDBOX", sandboxOn ? QByteArray() : QByteArray("1"));
        ScopedEnv flags("QTWEBENGINE_CHROMIUM_FLAGS", sandboxOn ? QByteArray() : qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));

        ui::ImagePageView view;
        view.resize(600, 400);
        view.show();
        QSignalSpy loaded(&view, &ui::ImagePageView::pageLoaded);
        view.showPage(help_url);
        QCOMPARE(loaded.size(), 1);
        QVERIFY(!view.showsWebPage());
        QVERIFY(!view.findChild<QWidget*>("WebPage"));
        QVERIFY(notice(view).contains(QStringLiteral("此网页无法显示")));
        QVERIFY(notice(view).contains(reason));
        QVERIFY(notice(view).contains(help_url));
        QCOMPARE(view.currentUrl(), help_url);
        // Answers still show.
        view.showImages({"/nowhere/1001_3.gif"});
        QCOMPARE(view.text(), QString("<IMG src=/nowhere/1001_3.gif>"));
    }

    void deadPageProcessBecomesAMessage()
    {
        testsupport::StubServer stub;
        QVERIFY(stub.start());
        stub.setReply("tavix_help.html", "<html><body><h1>阅卷客户端使用方法</h1></body></html>");
        ui::ImagePageView view;
        view.resize(600, 400);
        view.show();
        view.showPage(stub.baseUrl() + "cj/tavix_help.html");
        QVERIFY(view.showsWebPage());
        QTRY_VERIFY_WITH_TIMEOUT(!stub.requestsFor("tavix_help.html").isEmpty(), 15000);
        // The engine's own address that ends the page process on purpose.
        view.showPage(QStringLiteral("chrome://crash"));
        QTRY_VERIFY_WITH_TIMEOUT(!view.showsWebPage(), 15000);
        QVERIFY(notice(view).contains(QStringLiteral("意外结束")));
        // The next page gets a new page process.
        view.showPage(stub.baseUrl() + "cj/tavix_help.html");
        QVERIFY(view.showsWebPage());
    }
#endif
};

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebEngineTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_web_engine.moc"
