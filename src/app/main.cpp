// tavix: the services, the screen flow and the login screen, which is the
// start-up screen and lives for the whole run.
#include "app/app_paths.h"
#include "app/clock.h"
#include "app/qt_translation.h"
#include "app/services.h"
#include "app/ui_font.h"
#include "app/web_engine_env.h"
#include "login/login_form.h"
#include "net/page_channel.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_flow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    // Both before the application object: the browser engine reads its
    // sandbox switch when it starts and shares the GL contexts made from here on.
    app::prepare_web_engine();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app::install_qt_chinese(app);
    app::prefer_cjk_ui_font(app);
    QApplication::setApplicationName(QStringLiteral("tavix"));
    QApplication::setApplicationVersion(QStringLiteral("8.5"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Client for on-screen marking of scanned exam papers."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("data-dir"),
                      QStringLiteral("Program folder for url.txt and the image cache ks_data/ "
                                     "(default: the program's folder when writable, else the user's data folder)."),
                      QStringLiteral("DIR")});
    parser.process(app);  // --help and --version print and end here

    app::AppPaths paths = app::AppPaths::fromArguments(QApplication::arguments());
    net::Network network;
    ui::QtDialogs dialogs;
    app::SystemClock clock;
    ui::ProgramFlow flow;
    app::Services services{network, dialogs, clock, paths, flow};
    flow.setServices(services);

    login::LoginForm loginScreen(services);
    flow.setLoginScreen(&loginScreen);
    // Queued: the login screen may end the program while it loads, before
    // the event loop runs.
    QObject::connect(&loginScreen, &login::LoginForm::programEnd, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    loginScreen.show();
    const int rc = app.exec();
    flow.deleteWindows();  // while the services they hold still exist
    return rc;
}
