#include "ui/screen_flow.h"

#include "app/dialogs.h"
#include "exams/exam_choice.h"
#include "exams/exam_list_form.h"
#include "ui/work_screens.h"

namespace ui {

namespace {
void bring_up(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
}  // namespace

ProgramFlow::ProgramFlow(WorkScreenFactory factory)
    : factory_(factory ? std::move(factory) : WorkScreenFactory([this](int workId, app::Services& services) {
          return create_work_screen(workId, services, memory_);
      }))
{
}

ProgramFlow::~ProgramFlow()
{
    deleteWindows();
}

void ProgramFlow::deleteWindows()
{
    delete workScreen_.data();
    delete examList_.data();
}

// Hidden first, deleted later: the window may be the one whose handler
// brought us here. hide() sends no close event, so no login screen pops up.
void ProgramFlow::dispose(QWidget* window)
{
    if (!window)
        return;
    window->hide();
    window->deleteLater();
}

void ProgramFlow::showLogin()
{
    if (login_)
        bring_up(login_);
}

void ProgramFlow::showExamList()
{
    if (!services_)
        return;
    dispose(examList_);
    auto* form = new exams::ExamListForm(*services_);
    form->setAttribute(Qt::WA_DeleteOnClose);
    examList_ = form;
    bring_up(form);
    if (login_)
        login_->hide();
}

void ProgramFlow::openWorkScreen(int workId)
{
    if (!services_)
        return;
    QWidget* screen = factory_(workId, *services_);
    if (!screen) {
        services_->dialogs.message(QStringLiteral("此功能尚未开放：") + exams::work_step_caption(workId));
        return;
    }
    dispose(workScreen_);
    screen->setAttribute(Qt::WA_DeleteOnClose);
    workScreen_ = screen;
    // Shown before the others go, so the program never has no window.
    bring_up(screen);
    dispose(examList_);
    if (login_)
        login_->hide();
}

}  // namespace ui
