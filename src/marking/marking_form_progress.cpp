// The marking clock and status poll (Timer2), the progress panels, their
// close buttons, the help page and the mobile-marking address.
#include "marking/marking_form.h"

#include "app/clock.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "marking/mobile_code.h"
#include "marking/progress.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "ui/image_page_view.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>

namespace marking {

void MarkingForm::list_zt(const QString& zt_str)
{
    const app::Session& s = app::session();
    MarkingState& st = state();
    const ProgressPanels p = marking::list_zt(zt_str, s.JS_Name, s.KM_Name);
    frame7_->show();
    frame8_->show();
    frame7_->setTitle(p.frame7Caption);
    frame8_->setTitle(p.frame8Caption);
    if (p.label7)
        label7_->setText(*p.label7);
    if (p.label8)
        label8_->setText(*p.label8);
    if (p.label9)
        label9_->setText(*p.label9);
    if (p.label10)
        label10_->setText(*p.label10);
    if (p.done_count)
        st.done_count = *p.done_count;
    if (p.hide_name)
        st.hide_name = *p.hide_name;
}

void MarkingForm::Timer2_Timer()
{
    const app::Session& s = app::session();
    const MarkingState& st = state();
    const qint64 seconds = s.Start_Time.secsTo(services_.clock.now());
    const Timer2Tick t = timer2_tick(seconds, zt_msg_->text(), ztmsg_ticks_);
    zt_msg_->setText(t.zt_msg);
    ztmsg_ticks_ = t.ztmsg_ticks;
    if (!t.request)
        return;
    if (web1_->busy()) {
        // A batch or a save is out on the request channel: the poll would
        // replace it, so it waits for the next tick instead.
        ztmsg_ticks_ = 30;
        return;
    }
    statusUrl_ = status_url(s, st.th_bj, t.minutes, st.task_type);
    timer2_->stop();
    web1_->navigate(statusUrl_);
}

bool MarkingForm::status_page(const net::PageResult& r)
{
    if (statusUrl_.isEmpty() || r.url != statusUrl_)
        return false;
    statusUrl_.clear();
    StatusOutcome outcome = StatusOutcome::Replaced;
    QString error;
    if (!r.replaced) {
        error = net::page_error_message(r.url, r.text);
        outcome = !error.isEmpty()                  ? StatusOutcome::ErrorPage
                : status_reply_accepted(r.text)     ? StatusOutcome::Accepted
                                                    : StatusOutcome::NoMarker;
    }
    const StatusDecision d = status_decision(outcome, statusErrorOpen_);
    if (d.updateMessage)
        zt_msg_->setText(status_reply_text(zt_msg_->text(), r.text));
    if (d.autoSave)
        auto_save();
    // Whatever became of the poll, the clock and the automatic save go on.
    if (d.rearm)
        timer2_->start();
    if (d.hideStatusBox)
        show_status(false, QString());
    if (!r.replaced)
        label3_->clear();
    if (d.showErrorBox) {
        statusErrorOpen_ = true;
        services_.dialogs.message(error);
        statusErrorOpen_ = false;
    }
    return true;
}

// An accepted status reply that did not come from the poll of Timer2.
void MarkingForm::status_reply(const QString& reply)
{
    if (!status_reply_accepted(reply))
        return;
    zt_msg_->setText(status_reply_text(zt_msg_->text(), reply));
    auto_save();
    timer2_->start();
    show_status(false, QString());
}

void MarkingForm::Command5_Click()
{
    frame8_->hide();
}

void MarkingForm::Command6_Click()
{
    frame7_->hide();
}

void MarkingForm::Command7_Click()
{
    view_->showPage(app::session().Server_URL + QStringLiteral("cj/tavix_help.html"));
}

// The address of the selection's mobile marking page; nothing is loaded
// from it (the code under the images is drawn when an image page is up).
void MarkingForm::refresh_mobile_code()
{
    mobileAddress_ = marking::refresh_mobile_code(app::session(), state().th_bj);
}

}  // namespace marking
