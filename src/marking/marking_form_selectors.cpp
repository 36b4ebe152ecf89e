// The work assignment: the selector row for questions or classes, the
// selection (th_bj) and the batch reply with its "work_end" trailer.
#include "marking/marking_form.h"

#include "app/session.h"
#include "marking/work_assignment.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>

namespace marking {

void MarkingForm::clear_selectors()
{
    // Highest index first; element 0 belongs to the layout.
    while (work_.size() > 1)
        delete work_.takeLast();
    while (workBJ_.size() > 1)
        delete workBJ_.takeLast();
    while (captions_.size() > 1)
        delete captions_.takeLast();
}

void MarkingForm::add_selector(bool byClass, const QString& tag, const QString& caption)
{
    const int k = int(captions_.size());
    auto* parent = captions_.first()->parentWidget();
    QLabel* label = nullptr;
    if (k == 0)
        return;
    if (byClass) {
        auto* b = new QRadioButton(parent);
        b->setObjectName(QStringLiteral("WorkBJ_%1").arg(k));
        connect(b, &QRadioButton::clicked, this, [this, k] { WorkBJ_Click(k); });
        b->setProperty("tag", tag);
        selectorLayout_->addWidget(b);
        workBJ_ << b;
        b->show();
    } else {
        auto* b = new QCheckBox(parent);
        b->setObjectName(QStringLiteral("Work_%1").arg(k));
        connect(b, &QCheckBox::clicked, this, [this, k] { Work_Click(k); });
        b->setProperty("tag", tag);
        selectorLayout_->addWidget(b);
        work_ << b;
        b->show();
    }
    label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("ST_TH_%1").arg(k));
    selectorLayout_->addWidget(label);
    label->show();
    captions_ << label;
}

void MarkingForm::get_work_reply(const QString& reply)
{
    const app::Session& s = app::session();
    MarkingState& st = state();
    const Assignment a = parse_assignment(reply);
    if (a.kind == Assignment::NoSet || a.kind == Assignment::NoWork || a.items.isEmpty()) {
        // An assignment without a single item leaves nothing to pick.
        const QString text = a.kind == Assignment::NoSet ? no_set_text(s.KS_Name, s.KM_Name)
                                                         : no_work_text(s.KS_Name, s.KM_Name);
        work_.first()->hide();
        workBJ_.first()->hide();
        captions_.first()->setText(text);
        show_status(true, text);
        return;
    }
    clear_selectors();
    const bool byClass = a.kind == Assignment::ByClass;
    (byClass ? static_cast<QWidget*>(work_.first()) : static_cast<QWidget*>(workBJ_.first()))->hide();
    st.task_type = a.taskType();
    for (qsizetype i = 0; i < a.items.size(); ++i) {
        if (i == 0) {
            QWidget* first = byClass ? static_cast<QWidget*>(workBJ_.first()) : static_cast<QWidget*>(work_.first());
            first->setProperty("tag", a.items.at(0).tag);
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
    const QString earlier = st.th_bj;
    const int n = int(a.items.size());
    for (int i = 0; i < n; ++i) {
        const QString tag = a.items.at(i).tag;
        const bool want = (u',' + earlier + u',').contains(u',' + tag + u',');
        set_selector_value(i, byClass, want);
    }
    if (st.th_bj.isEmpty())
        set_selector_value(0, byClass, true);
}

bool MarkingForm::set_selector_value(int index, bool byClass, bool value)
{
    if (byClass) {
        if (index >= workBJ_.size())
            return false;
        QRadioButton* b = workBJ_.at(index);
        if (b->isChecked() == value)
            return false;
        b->setAutoExclusive(value);
        b->setChecked(value);
        b->setAutoExclusive(true);
        // An option button reports a click only when it becomes selected.
        if (value)
            WorkBJ_Click(index);
        return true;
    }
    if (index >= work_.size())
        return false;
    QCheckBox* b = work_.at(index);
    if (b->isChecked() == value)
        return false;
    b->setChecked(value);
    Work_Click(index);
    return true;
}

void MarkingForm::Work_Click(int)
{
    MarkingState& st = state();
    QString sel;
    for (QCheckBox* b : work_) {
        if (b->isChecked() && !b->isHidden())
            sel += b->property("tag").toString() + u',';
    }
    st.th_bj = sel;
    if (sel.isEmpty())
        return;
    st.th_bj.chop(1);
    show_status(true, QStringLiteral("正在读取批阅试题任务，请等待..."));
    clear_score_box();
    request_batch();
    refresh_mobile_code();
}

void MarkingForm::WorkBJ_Click(int index)
{
    if (index < 0 || index >= workBJ_.size())
        return;
    state().th_bj = workBJ_.at(index)->property("tag").toString();
    show_status(true, QStringLiteral("正在读取批阅试题任务，请等待..."));
    clear_score_box();
    request_batch();
    refresh_mobile_code();
}

// The box is emptied without its change handling: the open row keeps the
// score keyed on it, and the journal keeps it until the server has it.
void MarkingForm::clear_score_box()
{
    muteChange_ = true;
    text1_->clear();
    muteChange_ = false;
}

QString MarkingForm::class_caption(const QString& classId) const
{
    QString caption;
    for (int i = 0; i < workBJ_.size() && i < captions_.size(); ++i) {
        if (workBJ_.at(i)->property("tag").toString() == classId)
            caption = captions_.at(i)->text();
    }
    return caption;
}

void MarkingForm::user_work_reply(const QString& reply)
{
    const app::Session& s = app::session();
    MarkingState& st = state();
    if (reply.contains(QLatin1String("no_set"))) {
        captions_.first()->setText(no_set_text(s.KS_Name, s.KM_Name));
        progress1_->hide();
        label5_->hide();
        return;
    }
    const WorkEnd end = parse_work_end(reply, st.th_bj);
    if (!end.present) {
        fill_buffer_list(reply);
        return;
    }
    const QString status = work_end_status(end, st.task_type, class_caption(end.finished));
    if (end.recordsBefore)
        listView2_->show();
    show_status(true, status);
    fill_buffer_list(end.rest);
}

}  // namespace marking
