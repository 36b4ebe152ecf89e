// Reports on the answer on screen: a faulty image, a wrong full mark, an
// excellent answer, and the replies to them.
#include "marking/marking_form.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/feedback.h"
#include "net/page_channel.h"
#include "ui/image_page_view.h"

#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QRadioButton>
#include <QTableView>

namespace marking {

namespace {

void unselect(QRadioButton* b)
{
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
}

}  // namespace

ReportedAnswer MarkingForm::reported_answer(bool* ok) const
{
    // The selected row's own row number names the answer.
    ReportedAnswer a;
    *ok = false;
    const QModelIndex sel = listView1_->currentIndex();
    if (!sel.isValid())
        return a;
    const int row = app::to_int(buffer_.text(sel.row() + 1, QStringLiteral("行号")));
    if (row < 1 || row > buffer_.rows())
        return a;
    a.cj_id = app::to_int(buffer_.text(row, QStringLiteral("cj_id")));
    a.bj_id = app::to_int(buffer_.text(row, QStringLiteral("BJ_ID")));
    a.cur_gif = state().cur_gif;
    *ok = true;
    return a;
}

void MarkingForm::Command2_Click()
{
    if (frame10_->isVisible()) {
        frame10_->hide();
        frame11_->hide();
        return;
    }
    layout_overlays();
    frame11_->show();
    frame10_->show();
    frame11_->raise();
    frame10_->raise();
}

void MarkingForm::Option3_Click()
{
    auto* option3 = findChild<QRadioButton*>(QStringLiteral("Option3"));
    if (fault_report_refused(state().cur_gif)) {
        services_.dialogs.message(fault_refused_message());
        frame10_->hide();
        frame11_->hide();
        unselect(option3);
        return;
    }
    bool ok = false;
    const ReportedAnswer a = reported_answer(&ok);
    if (!ok) {
        unselect(option3);
        return;
    }
    show_status(true, report_status_text());
    web1_->navigate(fault_image_url(app::session(), a));
    frame10_->hide();
    frame11_->hide();
    unselect(option3);
}

void MarkingForm::Option4_Click()
{
    auto* option4 = findChild<QRadioButton*>(QStringLiteral("Option4"));
    bool ok = false;
    const ReportedAnswer a = reported_answer(&ok);
    if (!ok) {
        unselect(option4);
        return;
    }
    show_status(true, report_status_text());
    web1_->navigate(wrong_full_mark_url(app::session(), a));
    frame10_->hide();
    frame11_->hide();
    unselect(option4);
}

void MarkingForm::Command3_Click()
{
    if (buffer_.rows() == 0)
        return;
    bool ok = false;
    const ReportedAnswer a = reported_answer(&ok);
    if (!ok)
        return;
    show_status(true, report_status_text());
    web1_->navigate(excellent_url(app::session(), a));
}

void MarkingForm::feedback_reply(const QString& reply)
{
    const FeedbackReply f = marking::feedback_reply(reply);
    show_status(false, QStringLiteral(" "));
    if (!f.deleteFile.isEmpty()) {
        const QString path = cache_.path_of(f.deleteFile);
        if (!path.isEmpty() && QFile::exists(path))
            QFile::remove(path);
    }
    services_.dialogs.message(f.message);
    if (!f.warning.isEmpty())
        services_.dialogs.message(f.warning);
    if (f.blankView)
        view_->showPage(QStringLiteral("about:blank"));
}

}  // namespace marking
