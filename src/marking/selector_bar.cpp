#include "marking/selector_bar.h"

#include "marking/marking_state.h"
#include "marking/work_assignment.h"
#include "ui/widget_names.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

namespace marking {

using ui::named;

SelectorBar::SelectorBar(MarkingState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(named(new QLabel(QStringLiteral("批阅："), this), "Label1"));
    selectors_ = new QWidget(this);
    selectorLayout_ = new QHBoxLayout(selectors_);
    selectorLayout_->setContentsMargins(0, 0, 0, 0);
    selectorLayout_->setSpacing(4);
    // Element 0 has both kinds of selector; the assignment hides one.
    work_ << named(new QCheckBox(selectors_), "Work_0");
    workBJ_ << named(new QRadioButton(selectors_), "WorkBJ_0");
    captions_ << named(new QLabel(selectors_), "ST_TH_0");
    selectorLayout_->addWidget(work_.first());
    selectorLayout_->addWidget(workBJ_.first());
    selectorLayout_->addWidget(captions_.first());
    connect(work_.first(), &QCheckBox::clicked, this, [this] { Work_Click(0); });
    connect(workBJ_.first(), &QRadioButton::clicked, this, [this] { WorkBJ_Click(0); });
    lay->addWidget(selectors_);
    // A click on a caption reaches the selectors' common parent, since
    // labels pass mouse presses on.
    selectors_->installEventFilter(this);
}

bool SelectorBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == selectors_ && event->type() == QEvent::MouseButtonRelease) {
        const QWidget* hit = selectors_->childAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (hit && hit->objectName().startsWith(QLatin1String("ST_TH_")))
            emit captionClicked();
    }
    return QWidget::eventFilter(watched, event);
}

void SelectorBar::clear_selectors()
{
    // Highest index first; element 0 stays.
    while (work_.size() > 1)
        delete work_.takeLast();
    while (workBJ_.size() > 1)
        delete workBJ_.takeLast();
    while (captions_.size() > 1)
        delete captions_.takeLast();
}

void SelectorBar::add_selector(bool byClass, const QString& tag, const QString& caption)
{
    const int k = int(captions_.size());
    // One kind of selector per assignment: classes are chosen one at a
    // time, questions several at once.
    auto add = [&](auto* b, const char* prefix, auto& list, auto click) {
        b->setObjectName(QString::fromLatin1(prefix) + QString::number(k));
        connect(b, &QAbstractButton::clicked, this, [this, k, click] { (this->*click)(k); });
        b->setProperty("tag", tag);
        b->setAccessibleName(caption);  // the caption beside it is a label of its own
        selectorLayout_->addWidget(b);
        list << b;
        b->show();
    };
    if (byClass)
        add(new QRadioButton(selectors_), "WorkBJ_", workBJ_, &SelectorBar::WorkBJ_Click);
    else
        add(new QCheckBox(selectors_), "Work_", work_, &SelectorBar::Work_Click);
    auto* label = new QLabel(caption, selectors_);
    label->setObjectName(QStringLiteral("ST_TH_%1").arg(k));
    selectorLayout_->addWidget(label);
    label->show();
    captions_ << label;
}

void SelectorBar::showNoWork(const QString& text)
{
    work_.first()->hide();
    workBJ_.first()->hide();
    captions_.first()->setText(text);
}

void SelectorBar::setFirstCaption(const QString& text)
{
    captions_.first()->setText(text);
}

void SelectorBar::showAssignment(const Assignment& a)
{
    clear_selectors();
    const bool byClass = a.kind == Assignment::ByClass;
    (byClass ? static_cast<QWidget*>(work_.first()) : static_cast<QWidget*>(workBJ_.first()))->hide();
    state_.task_type = a.taskType();
    for (qsizetype i = 0; i < a.items.size(); ++i) {
        if (i == 0) {
            QWidget* first = byClass ? static_cast<QWidget*>(workBJ_.first()) : static_cast<QWidget*>(work_.first());
            first->setProperty("tag", a.items.at(0).tag);
            first->setAccessibleName(a.items.at(0).caption);
            first->show();
            captions_.first()->setText(a.items.at(0).caption);
        } else {
            add_selector(byClass, a.items.at(i).tag, a.items.at(i).caption);
        }
    }

    // Select again what was selected at the last opening; each change runs
    // its click handling, which recomputes th_bj. The selectors are compared
    // with the selection as it was: against the recomputed one, a group of
    // questions would come back as its first question only.
    const QString earlier = state_.th_bj;
    const int n = int(a.items.size());
    for (int i = 0; i < n; ++i) {
        const QString tag = a.items.at(i).tag;
        const bool want = (u',' + earlier + u',').contains(u',' + tag + u',');
        set_selector_value(i, byClass, want);
    }
    if (state_.th_bj.isEmpty())
        set_selector_value(0, byClass, true);
}

bool SelectorBar::set_selector_value(int index, bool byClass, bool value)
{
    QAbstractButton* b = nullptr;
    if (byClass ? index < workBJ_.size() : index < work_.size())
        b = byClass ? static_cast<QAbstractButton*>(workBJ_.at(index)) : work_.at(index);
    if (!b || b->isChecked() == value)
        return false;
    if (!byClass) {
        b->setChecked(value);
        Work_Click(index);
        return true;
    }
    b->setAutoExclusive(value);
    b->setChecked(value);
    b->setAutoExclusive(true);
    // An option button reports a click only when it becomes selected.
    if (value)
        WorkBJ_Click(index);
    return true;
}

void SelectorBar::Work_Click(int)
{
    QString sel;
    for (QCheckBox* b : work_) {
        if (b->isChecked() && !b->isHidden())
            sel += b->property("tag").toString() + u',';
    }
    state_.th_bj = sel;
    if (sel.isEmpty())
        return;
    state_.th_bj.chop(1);
    emit selected();
}

void SelectorBar::WorkBJ_Click(int index)
{
    if (index < 0 || index >= workBJ_.size())
        return;
    state_.th_bj = workBJ_.at(index)->property("tag").toString();
    emit selected();
}

QString SelectorBar::class_caption(const QString& classId) const
{
    QString caption;
    for (int i = 0; i < workBJ_.size() && i < captions_.size(); ++i) {
        if (workBJ_.at(i)->property("tag").toString() == classId)
            caption = captions_.at(i)->text();
    }
    return caption;
}

}  // namespace marking
