#include "correction/entry_panel.h"

#include "correction/question_bar.h"
#include "ui/widget_names.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace correction {

using ui::named;

EntryPanel::EntryPanel(QWidget* parent) : QGroupBox(QStringLiteral("试题得分情况："), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    QWidget* box = this;
    auto* lay = new QVBoxLayout(box);
    questions_ = new QuestionBar(box);
    lay->addWidget(questions_);

    auto* row = new QHBoxLayout;
    row->addWidget(named(new QLabel(QStringLiteral("学生考号："), box), "Label4"));
    text1_ = named(new QLineEdit(box), "Text1");
    text1_->setFixedWidth(160);
    row->addWidget(text1_);
    command1_ = named(new QPushButton(QStringLiteral("确定"), box), "Command1");
    row->addWidget(command1_);
    row->addSpacing(20);
    row->addWidget(named(new QLabel(QStringLiteral("本题得分："), box), "Label5"));
    text2_ = named(new QLineEdit(box), "Text2");
    text2_->setFixedWidth(80);
    row->addWidget(text2_);
    auto* command2 = named(new QPushButton(QStringLiteral("保存得分"), box), "Command2");
    row->addWidget(command2);
    row->addStretch(1);
    lay->addLayout(row);
    // The score line on a row of its own: it names the marker and the
    // student, longer than the space beside the buttons. The sheet's
    // controls go beside it, so the first row fits a narrow window.
    auto* row2 = new QHBoxLayout;
    label7_ = named(new QLabel(box), "Label7");
    label7_->setTextFormat(Qt::PlainText);
    label7_->setWordWrap(true);
    command3_ = named(new QPushButton(QStringLiteral("识别选择题"), box), "Command3");
    check1_ = named(new QCheckBox(QStringLiteral("调整识别块"), box), "Check1");
    check2_ = named(new QCheckBox(QStringLiteral("人工识别选择题"), box), "Check2");
    row2->addWidget(label7_, 1);
    row2->addWidget(command3_);
    row2->addWidget(check1_);
    row2->addWidget(check2_);
    lay->addLayout(row2);
    showSheetControls(false);

    connect(command1_, &QPushButton::clicked, this, &EntryPanel::lookupClicked);
    connect(command2, &QPushButton::clicked, this, &EntryPanel::saveClicked);
    connect(command3_, &QPushButton::clicked, this, &EntryPanel::recogniseClicked);
    connect(check1_, &QCheckBox::toggled, this, &EntryPanel::adjustingToggled);
    connect(check2_, &QCheckBox::toggled, this, &EntryPanel::togglingToggled);
}

QString EntryPanel::examNumber() const { return text1_->text(); }
QString EntryPanel::score() const { return text2_->text(); }
void EntryPanel::setScore(const QString& text) { text2_->setText(text); }
void EntryPanel::setScoreLine(const QString& text) { label7_->setText(text); }
void EntryPanel::setLookupEnabled(bool enabled) { command1_->setEnabled(enabled); }

void EntryPanel::showSheetControls(bool shown)
{
    // Recognition runs from Command3 too, not only after a drag: the
    // button goes with the sheet.
    command3_->setVisible(shown);
    check1_->setVisible(shown);
    check2_->setVisible(shown);
}

}  // namespace correction
