// The marking screen's handlers for progress, feedback, saving and the
// mobile-marking code. Kept in one file so they can be filled out (or
// replaced) together without touching the screen's supply line.
#include "marking/marking_form.h"

#include "app/session.h"
#include "app/vbtext.h"
#include "ui/image_page_view.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>

namespace marking {

// The progress record of a batch: the two panels, done_count, hide_name.
// A short record updates up to its first missing field.
void MarkingForm::list_zt(const QString& zt_str)
{
    const app::Session& s = app::session();
    MarkingState& st = state();
    const QStringList f = zt_str.split(u',');
    frame7_->show();
    frame8_->show();
    frame7_->setTitle(s.JS_Name + QStringLiteral(" 阅卷情况"));
    frame8_->setTitle(s.KM_Name + QStringLiteral(" 试题量"));
    if (f.size() < 7)
        return;
    label7_->setText(QStringLiteral("可阅试题:") + f.at(6) + QStringLiteral("小题；工作量:") + f.at(1) + QStringLiteral("道"));
    if (f.size() < 9)
        return;
    label8_->setText(QStringLiteral("已传试题:") + f.at(7) + QStringLiteral("道；完成量:") + f.at(8) + QStringLiteral("道"));
    label9_->setText(QStringLiteral("参考学生:") + f.at(2) + QStringLiteral("人；主观试题:") + f.at(3) + QStringLiteral("小题"));
    label10_->setText(QStringLiteral("试题总量:") + f.at(4) + QStringLiteral("道；已传题量:") + f.at(5) + QStringLiteral("道"));
    st.done_count = app::to_int(f.at(8));
    if (f.size() < 10)
        return;
    st.hide_name = app::to_int(f.at(9));
}

// Reply of a fault report (net_post_err.asp).
void MarkingForm::feedback_reply(const QString&)
{
    show_status(false, QStringLiteral(" "));
}

// An accepted status reply (it holds "满分"): the server's message goes
// after the clock in the status bar.
void MarkingForm::status_reply(const QString& reply)
{
    zt_msg_->setText(zt_msg_->text().section(QStringLiteral("秒；"), 0, 0) + QStringLiteral("秒；") + reply);
    show_status(false, QString());
}

// Reply of the automatic save on WebBrowser3.
void MarkingForm::mark_saved(const QString&) {}

// The mobile-marking address of the selection; nothing is loaded from it.
void MarkingForm::refresh_mobile_code() {}

// An image page (not the help page, not a blank page) was put up.
void MarkingForm::image_page_shown(const QString& url)
{
    if (url.isEmpty() || url == QLatin1String("about:blank") || url.contains(QLatin1String("html")))
        return;
    frame10_->hide();
    frame11_->hide();
}

// A request on WebBrowser1 was replaced by a newer one before it completed.
void MarkingForm::request_replaced(const QString&) {}

// A status request came back as an error page or without "满分".
void MarkingForm::status_poll_failed(const QString&) {}

// The screen is closing (before the exam list is shown again).
void MarkingForm::before_close() {}

// A request on WebBrowser3 was replaced (prefetches re-arm Timer1 already).
void MarkingForm::download_view_replaced(const QString&) {}

// Score entry, saving, feedback and the clock connect their controls here.
void MarkingForm::wire_part_two() {}

void MarkingForm::Timer2_Timer() {}

}  // namespace marking
