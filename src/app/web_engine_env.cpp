#include "app/web_engine_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace app {

namespace {

constexpr const char* disable_var = "QTWEBENGINE_DISABLE_SANDBOX";

bool running_as_root()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

// Where the engine itself looks for its helper program, in its order; it
// ends the process when none of them exists.
bool helper_found()
{
    const QString binary = QStringLiteral("QtWebEngineProcess");
    const QByteArray fromEnv = qgetenv("QTWEBENGINEPROCESS_PATH");
    if (!fromEnv.isEmpty())
        return QFileInfo::exists(QString::fromLocal8Bit(fromEnv));
    QStringList candidates{QDir(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath)).filePath(binary)};
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(binary);
    for (const QString& c : candidates) {
        if (QFileInfo::exists(c))
            return true;
    }
    return false;
}

}  // namespace

EngineEnvironment EngineEnvironment::current()
{
    return {running_as_root(), qgetenv(disable_var), qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), helper_found()};
}

bool sandbox_refuses(const EngineEnvironment& env)
{
    // "0" counts as on: whether the engine reads the value or only its
    // presence, "1" is the one spelling that surely turns it off.
    const bool off = (!env.disableSandbox.isEmpty() && env.disableSandbox != "0")
                     || env.chromiumFlags.split(' ').contains("--no-sandbox");
    return env.root && !off;
}

QString engine_problem(const EngineEnvironment& env)
{
    if (!env.helperFound)
        return QStringLiteral("找不到浏览器组件的程序 QtWebEngineProcess");
    if (sandbox_refuses(env))
        return QStringLiteral("以 root 身份运行时，浏览器组件须关闭沙箱才能启动");
    return {};
}

void prepare_web_engine()
{
    if (!sandbox_refuses(EngineEnvironment::current()))
        return;
    qputenv(disable_var, "1");
    std::fputs("tavix: running as root: the embedded browser (help page, reports) starts without its sandbox\n",
               stderr);
}

}  // namespace app
