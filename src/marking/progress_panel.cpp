#include "marking/progress_panel.h"

#include "marking/buffer_rules.h"
#include "marking/marking_state.h"
#include "marking/progress.h"
#include "marking/saving.h"
#include "ui/widget_names.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace marking {

using ui::named;

namespace {

// A panel of two count lines and a close button.
QGroupBox* counts_panel(QWidget* parent, const char* name, const QString& caption, const char* label1,
                        const char* label2, const char* close, QLabel** first, QLabel** second)
{
    auto* frame = named(new QGroupBox(caption, parent), name);
    auto* lay = new QGridLayout(frame);
    *first = named(new QLabel(frame), label1);
    *second = named(new QLabel(frame), label2);
    auto* button = named(new QPushButton(QStringLiteral("×"), frame), close);
    button->setFixedSize(18, 18);
    button->setToolTip(QStringLiteral("关闭"));
    button->setAccessibleName(QStringLiteral("关闭") + caption);
    lay->addWidget(*first, 0, 0);
    lay->addWidget(*second, 1, 0);
    lay->addWidget(button, 0, 1, Qt::AlignTop);
    return frame;
}

}  // namespace

ProgressPanel::ProgressPanel(MarkingState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    progress1_ = named(new QProgressBar(this), "ProgressBar1");
    progress1_->setRange(1, 100);
    progress1_->setFixedWidth(200);
    progress1_->setTextVisible(false);
    lay->addWidget(progress1_);
    label5_ = named(new QLabel(QStringLiteral("工作进度"), this), "Label5");
    lay->addWidget(label5_);
    lay->addStretch(1);
    frame8_ = counts_panel(this, "Frame8", QStringLiteral("学科试题量"), "Label9", "Label10", "Command5", &label9_,
                           &label10_);
    lay->addWidget(frame8_);
    frame7_ = counts_panel(this, "Frame7", QStringLiteral("阅卷任务情况"), "Label7", "Label8", "Command6", &label7_,
                           &label8_);
    lay->addWidget(frame7_);
    connect(frame8_->findChild<QPushButton*>(QStringLiteral("Command5")), &QPushButton::clicked, this,
            &ProgressPanel::Command5_Click);
    connect(frame7_->findChild<QPushButton*>(QStringLiteral("Command6")), &QPushButton::clicked, this,
            &ProgressPanel::Command6_Click);
}

void ProgressPanel::hideAll()
{
    frame7_->hide();
    frame8_->hide();
    progress1_->hide();
}

void ProgressPanel::hideProgress()
{
    progress1_->hide();
    label5_->hide();
}

void ProgressPanel::list_zt(const QString& zt_str, const QString& JS_Name, const QString& KM_Name)
{
    const ProgressPanels p = marking::list_zt(zt_str, JS_Name, KM_Name);
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
        state_.done_count = *p.done_count;
    if (p.hide_name)
        state_.hide_name = *p.hide_name;
}

void ProgressPanel::show_progress()
{
    if (const std::optional<ProgressValue> v = marking::show_progress(state_.done_count, state_.work_count)) {
        label5_->setText(v->label5);
        progress1_->setValue(v->bar);
    }
    progress1_->show();
    label5_->show();
}

void ProgressPanel::showDoneCount(int scoredRows)
{
    label8_->setText(done_label(label8_->text(), state_.done_count + scoredRows));
}

void ProgressPanel::Command5_Click()
{
    frame8_->hide();
}

void ProgressPanel::Command6_Click()
{
    frame7_->hide();
}

}  // namespace marking
