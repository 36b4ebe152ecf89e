#pragma once
#include <QByteArray>
#include <QString>

// Whether the embedded browser engine (help page, report pages) can start
// in this process. The engine does not report a failed start: it ends the
// whole process ("Running as root without --no-sandbox is not supported",
// or a fatal error when its helper program is missing) the moment a first
// page is made. So the client asks first, and a page it cannot show
// becomes a message; marking never depends on it.
namespace app {

// The facts of the process the answer depends on.
struct EngineEnvironment {
    bool root = false;
    QByteArray disableSandbox;  // QTWEBENGINE_DISABLE_SANDBOX
    QByteArray chromiumFlags;   // QTWEBENGINE_CHROMIUM_FLAGS
    bool helperFound = true;    // the engine's QtWebEngineProcess program exists

    // This process now.
    static EngineEnvironment current();
};

// The engine's sandbox is on and the process runs as root: the engine
// would refuse to start and end the process.
bool sandbox_refuses(const EngineEnvironment& env);

// Why the engine cannot start here (a short Chinese reason for the
// teacher); empty when it can.
QString engine_problem(const EngineEnvironment& env);

// Called first thing in main, before the application object: as root the
// engine starts without its sandbox (the only way it runs as root), and
// the program says so once on stderr. Does nothing for other users or
// when the sandbox is off already.
void prepare_web_engine();

}  // namespace app
