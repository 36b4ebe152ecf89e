#include "marking/feedback_panel.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/feedback.h"
#include "marking/marking_host.h"
#include "marking/requests.h"
#include "net/page_channel.h"
#include "ui/image_page_view.h"
#include "ui/widget_names.h"

#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace marking {

using ui::named;

void unselect(QRadioButton* b)
{
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
}

FeedbackPanel::FeedbackPanel(MarkingContext& ctx, MarkingHost& host, QWidget* screen)
    : QGroupBox(QStringLiteral("反馈"), screen), ctx_(ctx), host_(host)
{
    setObjectName(QStringLiteral("Frame9"));
    auto* f9 = new QHBoxLayout(this);
    auto* command2 = named(new QPushButton(QStringLiteral("异常试题"), this), "Command2");
    auto* command3 = named(new QPushButton(QStringLiteral("优秀解答"), this), "Command3");
    f9->addWidget(command2);
    f9->addWidget(command3);
    connect(command2, &QPushButton::clicked, this, &FeedbackPanel::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &FeedbackPanel::Command3_Click);

    frame11_ = named(new QFrame(screen), "Frame11");
    frame11_->setStyleSheet(QStringLiteral("QFrame#Frame11 { background: rgb(192,192,192); }"));
    frame11_->resize(200, 120);
    frame11_->hide();
    frame10_ = named(new QGroupBox(QStringLiteral("反馈异常试题"), screen), "Frame10");
    frame10_->setAutoFillBackground(true);
    auto* f10 = new QVBoxLayout(frame10_);
    option3_ = named(new QRadioButton(QStringLiteral("试题图像错误"), frame10_), "Option3");
    option4_ = named(new QRadioButton(QStringLiteral("试题满分不正确"), frame10_), "Option4");
    option5_ = named(new QRadioButton(QStringLiteral("重新下载本题图片"), frame10_), "Option5");
    f10->addWidget(option3_);
    f10->addWidget(option4_);
    f10->addWidget(option5_);
    frame10_->resize(190, 110);
    frame10_->hide();
    connect(option3_, &QRadioButton::clicked, this, &FeedbackPanel::Option3_Click);
    connect(option4_, &QRadioButton::clicked, this, &FeedbackPanel::Option4_Click);
    connect(option5_, &QRadioButton::clicked, this, &FeedbackPanel::Option5_Click);
}

void FeedbackPanel::place(const QRect& v)
{
    frame10_->move(v.right() - frame10_->width() - 30, v.top() + 10);
    frame11_->move(v.right() - frame11_->width() - 20, v.top() + 20);
    frame11_->stackUnder(frame10_);
}

void FeedbackPanel::hideFaultPanel()
{
    frame10_->hide();
    frame11_->hide();
}

bool FeedbackPanel::reported_answer(ReportedAnswer& a) const
{
    // The selected row's own row number names the answer.
    const int sel = host_.selectedBufferRow();
    if (sel == 0)
        return false;
    const int row = app::to_int(ctx_.buffer.text(sel, Col::RowNo));
    if (row < 1 || row > ctx_.buffer.rows())
        return false;
    a.cj_id = app::to_int(ctx_.buffer.text(row, Col::CjId));
    a.bj_id = app::to_int(ctx_.buffer.text(row, Col::BjId));
    a.cur_gif = ctx_.state.cur_gif;
    return true;
}

void FeedbackPanel::send(const QString& url)
{
    host_.show_status(true, report_status_text());
    ctx_.web1->navigate(url);
}

void FeedbackPanel::Command2_Click()
{
    if (frame10_->isVisible()) {
        hideFaultPanel();
        return;
    }
    place(ctx_.view->geometry());
    frame11_->show();
    frame10_->show();
    frame11_->raise();
    frame10_->raise();
}

// A faulty image or a wrong full mark: the fault panel closes either way.
void FeedbackPanel::report(QRadioButton* option, bool faultyImage)
{
    if (faultyImage && fault_report_refused(ctx_.state.cur_gif)) {
        ctx_.services.dialogs.message(fault_refused_message());
        hideFaultPanel();
        unselect(option);
        return;
    }
    ReportedAnswer a;
    if (!reported_answer(a)) {
        unselect(option);
        return;
    }
    const app::Session& s = app::session();
    send(faultyImage ? fault_image_url(s, a) : wrong_full_mark_url(s, a));
    hideFaultPanel();
    unselect(option);
}

void FeedbackPanel::Option3_Click()
{
    report(option3_, true);
}

void FeedbackPanel::Option4_Click()
{
    report(option4_, false);
}

void FeedbackPanel::Option5_Click()
{
    const int row = ctx_.state.cur_row;
    emit redownloadAsked(row);
    unselect(option5_);
    hideFaultPanel();
    ctx_.services.dialogs.message(QStringLiteral("此道试题已经重新下载，请点击左侧《当前缓冲试题列表》中第 ")
                                  + QString::number(row) + QStringLiteral(" 行，刷新......"));
}

void FeedbackPanel::Command3_Click()
{
    if (ctx_.buffer.rows() == 0)
        return;
    ReportedAnswer a;
    if (reported_answer(a))
        send(excellent_url(app::session(), a));
}

void FeedbackPanel::feedback_reply(const QString& reply)
{
    const FeedbackReply f = marking::feedback_reply(reply);
    host_.show_status(false, QStringLiteral(" "));
    if (!f.deleteFile.isEmpty()) {
        const QString path = ctx_.cache.path_of(f.deleteFile);
        if (!path.isEmpty() && QFile::exists(path))
            QFile::remove(path);
    }
    ctx_.services.dialogs.message(f.message);
    if (!f.warning.isEmpty())
        ctx_.services.dialogs.message(f.warning);
    if (f.blankView)
        ctx_.view->showPage(QStringLiteral("about:blank"));
}

}  // namespace marking
