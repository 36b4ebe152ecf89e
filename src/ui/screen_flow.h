#pragma once
#include "app/services.h"
#include "ui/work_screens.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace ui {

// The screen changes of the running program. The login screen lives for the
// whole run and is only hidden; the exam list is created anew every time it
// is shown; a work screen replaces the exam list and, when it closes, asks
// for the exam list again. Everything is wired after construction because
// the screens need the services, which need this flow.
class ProgramFlow final : public app::ScreenFlow {
public:
    using WorkScreenFactory = std::function<QWidget*(int workId, app::Services& services)>;

    // The factory is ui::create_work_screen (with the flow's memory) unless
    // a test hands in another.
    explicit ProgramFlow(WorkScreenFactory factory = {});
    ~ProgramFlow() override;
    Q_DISABLE_COPY_MOVE(ProgramFlow)

    void setServices(app::Services& services) { services_ = &services; }
    void setLoginScreen(QWidget* login) { login_ = login; }

    void showLogin() override;
    void showExamList() override;
    void openWorkScreen(int workId) override;

    // Deletes the exam list and the work screen now, without closing them
    // (nothing is asked of the flow). For the end of the run, while the
    // services the screens hold are still there.
    void deleteWindows();

    QWidget* examList() const { return examList_; }
    QWidget* workScreen() const { return workScreen_; }
    WorkScreenMemory& memory() { return memory_; }

private:
    static void dispose(QWidget* window);

    WorkScreenMemory memory_;
    WorkScreenFactory factory_;
    app::Services* services_ = nullptr;
    QPointer<QWidget> login_;
    QPointer<QWidget> examList_;
    QPointer<QWidget> workScreen_;
};

}  // namespace ui
