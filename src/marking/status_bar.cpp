#include "marking/status_bar.h"

#include "app/clock.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "marking/marking_host.h"
#include "marking/progress.h"
#include "marking/requests.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "ui/image_page_view.h"
#include "ui/widget_names.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace marking {

using ui::named;

StatusBar::StatusBar(MarkingContext& ctx, MarkingHost& host, QWidget* parent)
    : QWidget(parent), ctx_(ctx), host_(host), timer2_(new QTimer(this))
{
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(1000);
    connect(timer2_, &QTimer::timeout, this, &StatusBar::Timer2_Timer);

    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* frame13 = named(new QGroupBox(QStringLiteral("阅卷客户端"), this), "Frame13");
    auto* f13 = new QHBoxLayout(frame13);
    f13->setContentsMargins(6, 2, 6, 2);
    auto* command7 = named(new QPushButton(QStringLiteral("阅卷客户端使用方法"), frame13), "Command7");
    f13->addWidget(command7);
    connect(command7, &QPushButton::clicked, this, &StatusBar::Command7_Click);
    frame13->setFixedWidth(410);
    lay->addWidget(frame13);

    frame12_ = named(new QGroupBox(QStringLiteral("状态栏信息"), this), "Frame12");
    auto* f12 = new QHBoxLayout(frame12_);
    f12->setContentsMargins(6, 2, 6, 2);
    zt_msg_ = named(new QLabel(QStringLiteral("状态栏"), frame12_), "zt_msg");
    f12->addWidget(zt_msg_, 1);
    label3_ = named(new QLabel(frame12_), "Label3");
    label3_->setStyleSheet(QStringLiteral("color: rgb(0,128,128);"));
    f12->addWidget(label3_);
    lay->addWidget(frame12_, 1);
}

void StatusBar::setActivity(const QString& text)
{
    label3_->show();
    label3_->setText(text);
}

void StatusBar::clearActivity()
{
    label3_->clear();
}

void StatusBar::resetClock()
{
    zt_msg_->setText(QStringLiteral("阅卷时长:0时0分0秒；"));
}

void StatusBar::Timer2_Timer()
{
    const app::Session& s = app::session();
    const qint64 seconds = s.Start_Time.secsTo(ctx_.services.clock.now());
    const Timer2Tick t = timer2_tick(seconds, zt_msg_->text(), ztmsg_ticks_);
    zt_msg_->setText(t.zt_msg);
    ztmsg_ticks_ = t.ztmsg_ticks;
    if (!t.request)
        return;
    if (ctx_.web1->busy()) {
        // A batch or a save is out on the request channel: the poll would
        // replace it, so it waits for the next tick instead.
        ztmsg_ticks_ = 30;
        return;
    }
    statusUrl_ = status_url(s, ctx_.state.th_bj, t.minutes, ctx_.state.task_type);
    timer2_->stop();
    ctx_.web1->navigate(statusUrl_);
}

bool StatusBar::status_page(const net::PageResult& r)
{
    if (statusUrl_.isEmpty() || r.url != statusUrl_)
        return false;
    statusUrl_.clear();
    StatusOutcome outcome = StatusOutcome::Replaced;
    QString error;
    if (!r.replaced) {
        error = net::page_error_message(r.url, r.text);
        outcome = !error.isEmpty()              ? StatusOutcome::ErrorPage
                : status_reply_accepted(r.text) ? StatusOutcome::Accepted
                                                : StatusOutcome::NoMarker;
    }
    const StatusDecision d = status_decision(outcome, statusErrorOpen_);
    if (d.updateMessage)
        zt_msg_->setText(status_reply_text(zt_msg_->text(), r.text));
    if (d.autoSave)
        host_.auto_save();
    // Whatever became of the poll, the clock and the automatic save go on.
    if (d.rearm)
        timer2_->start();
    if (d.hideStatusBox)
        host_.show_status(false, QString());
    if (!r.replaced)
        label3_->clear();
    if (d.showErrorBox) {
        statusErrorOpen_ = true;
        ctx_.services.dialogs.message(error);
        statusErrorOpen_ = false;
    }
    return true;
}

void StatusBar::status_reply(const QString& reply)
{
    // The clock must not stop for a reply the poll did not ask for.
    if (!status_reply_accepted(reply)) {
        status_poll_failed();
        return;
    }
    zt_msg_->setText(status_reply_text(zt_msg_->text(), reply));
    host_.auto_save();
    timer2_->start();
    host_.show_status(false, QString());
}

void StatusBar::status_poll_failed()
{
    timer2_->start();
}

void StatusBar::Command7_Click()
{
    ctx_.view->showPage(help_url(app::session()));
}

}  // namespace marking
