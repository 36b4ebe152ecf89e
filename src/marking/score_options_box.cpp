#include "marking/score_options_box.h"

#include "marking/score_input.h"
#include "ui/widget_names.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace marking {

using ui::named;

ScoreOptionsBox::ScoreOptionsBox(QPushButton* padPoint, QWidget* parent)
    : QGroupBox(QStringLiteral("分数输入控制"), parent), padPoint_(padPoint)
{
    setObjectName(QStringLiteral("Frame2"));
    auto* f2 = new QGridLayout(this);
    check1_ = named(new QCheckBox(QStringLiteral("智能换题"), this), "Check1");
    f2->addWidget(check1_, 0, 0);
    check2_ = named(new QCheckBox(QStringLiteral("小数点后自动补:"), this), "Check2");
    f2->addWidget(check2_, 0, 1);
    text3_ = named(new QLineEdit(QStringLiteral("5"), this), "Text3");
    text3_->setFixedWidth(36);
    text3_->setAccessibleName(QStringLiteral("小数点后自动补"));
    f2->addWidget(text3_, 0, 2);
    option1_ = named(new QRadioButton(QStringLiteral("整数分数"), this), "Option1");
    option2_ = named(new QRadioButton(QStringLiteral("小数分数小数位:"), this), "Option2");
    auto* options = new QButtonGroup(this);
    options->addButton(option1_);
    options->addButton(option2_);
    option2_->setChecked(true);
    f2->addWidget(option1_, 1, 0);
    f2->addWidget(option2_, 1, 1);
    text2_ = named(new QLineEdit(QStringLiteral("1"), this), "Text2");
    text2_->setFixedWidth(36);
    text2_->setAccessibleName(QStringLiteral("小数位"));
    f2->addWidget(text2_, 1, 2);

    text2_->installEventFilter(this);
    text3_->installEventFilter(this);
    connect(option1_, &QRadioButton::clicked, this, &ScoreOptionsBox::Option1_Click);
    connect(option2_, &QRadioButton::clicked, this, &ScoreOptionsBox::Option2_Click);
}

ScoreOptions ScoreOptionsBox::options() const
{
    ScoreOptions o;
    o.option1 = option1_->isChecked();
    o.option2 = option2_->isChecked();
    o.text2 = text2_->text();
    o.check2 = check2_->isChecked();
    o.text3 = text3_->text();
    o.check1 = check1_->isChecked();
    return o;
}

bool ScoreOptionsBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == text2_)
            Text2_LostFocus();
        else if (watched == text3_)
            Text3_LostFocus();
    }
    return QGroupBox::eventFilter(watched, event);
}

void ScoreOptionsBox::scoreModeSelected(bool integer)
{
    const ModeControls m = score_mode_selected(integer, text2_->text());
    padPoint_->setEnabled(m.padPointEnabled);
    check2_->setEnabled(m.check2Enabled);
    text2_->setText(m.text2);
}

void ScoreOptionsBox::Option1_Click()
{
    scoreModeSelected(true);
}

void ScoreOptionsBox::Option2_Click()
{
    scoreModeSelected(false);
}

void ScoreOptionsBox::Text2_LostFocus()
{
    text2_->setText(text2_after_focus_out(text2_->text()));
}

void ScoreOptionsBox::Text3_LostFocus()
{
    text3_->setText(text3_after_focus_out(text3_->text()));
}

}  // namespace marking
