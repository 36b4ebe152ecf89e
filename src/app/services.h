#pragma once

namespace net { class Network; }

namespace app {

class AppPaths;
class Clock;
class Dialogs;

// The screen changes of the program. The login screen lives for the whole
// run; the exam list is created anew each time it is shown; a work screen
// (1 marking, 2 reports, 3 score correction) replaces the exam list.
class ScreenFlow {
public:
    virtual ~ScreenFlow() = default;
    virtual void showLogin() = 0;
    virtual void showExamList() = 0;
    virtual void openWorkScreen(int workId) = 0;
};

// What every screen is handed at construction.
struct Services {
    net::Network& network;
    Dialogs& dialogs;
    Clock& clock;
    AppPaths& paths;
    ScreenFlow& flow;
};

}  // namespace app
