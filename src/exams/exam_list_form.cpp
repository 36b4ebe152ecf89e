#include "exams/exam_list_form.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "exams/exam_choice.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "net/requests_login.h"
#include "protocol/pages.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace exams {

namespace {

enum Column { NumberColumn = 0, NameColumn = 1, IdColumn = 2, StateColumn = 3 };

QString instruction_text()
{
    return QStringLiteral("请选取考试名称，考试科目，确定操作步骤，按 确定 继续...");
}

// A caption shown as it is: "&" would otherwise become a mnemonic.
QString plain_caption(QString text)
{
    return text.replace(u'&', QLatin1String("&&"));
}

}  // namespace

ExamListForm::ExamListForm(app::Services& services, QWidget* parent)
    : QWidget(parent), services_(services), channel_(new net::PageChannel(services.network, this))
{
    setObjectName(QStringLiteral("KS_list"));
    buildControls();
    connect(channel_, &net::PageChannel::completed, this, &ExamListForm::onPageCompleted);

    app::Session& s = app::session();
    setWaiting(true);
    channel_->navigate(net::exam_list_url(s));
    s.WORK_id = 0;
    setWindowTitle(QStringLiteral("Velmora——《选取考试名称、科目和操作步骤》") + QStringLiteral("当前用户：")
                   + s.JS_Name + QStringLiteral("【Ver：") + s.Tavix_Ver + QStringLiteral("】"));
}

ExamListForm::~ExamListForm() = default;

void ExamListForm::buildControls()
{
    frame1_ = new QGroupBox(QStringLiteral("考试列表"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    list_ = new QTreeWidget(frame1_);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setAccessibleName(QStringLiteral("考试列表"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("考试名称"), QStringLiteral("ID"), QStringLiteral("NET")});
    list_->setColumnWidth(NumberColumn, 64);
    list_->setColumnWidth(NameColumn, 300);
    list_->setColumnWidth(IdColumn, 56);
    list_->setColumnWidth(StateColumn, 48);
    auto* frame1Layout = new QVBoxLayout(frame1_);
    frame1Layout->addWidget(list_);
    connect(list_, &QTreeWidget::itemChanged, this, &ExamListForm::onItemChanged);
    connect(list_, &QTreeWidget::itemPressed, this, [this] { checkChangedByPress_ = false; });
    connect(list_, &QTreeWidget::itemClicked, this, &ExamListForm::onItemClicked);

    // Subjects: as many options as the reply has subjects, so a scroll area.
    frame2_ = new QGroupBox(QStringLiteral("考试科目"), this);
    frame2_->setObjectName(QStringLiteral("Frame2"));
    auto* scroll = new QScrollArea(frame2_);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* subjectBox = new QWidget(scroll);
    subjectLayout_ = new QVBoxLayout(subjectBox);
    subjectLayout_->setContentsMargins(0, 0, 0, 0);
    subjectLayout_->addStretch(1);
    scroll->setWidget(subjectBox);
    scroll->viewport()->setAutoFillBackground(false);
    subjectBox->setAutoFillBackground(false);
    auto* frame2Layout = new QVBoxLayout(frame2_);
    frame2Layout->addWidget(scroll);
    clearSubjects();

    frame3_ = new QGroupBox(QStringLiteral("操作步骤"), this);
    frame3_->setObjectName(QStringLiteral("Frame3"));
    auto* frame3Layout = new QVBoxLayout(frame3_);
    frame3Layout->setSpacing(10);
    const QStringList steps = work_step_captions();
    for (int i = 0; i < steps.size(); ++i) {
        auto* option = new QRadioButton(steps.at(i), frame3_);
        option->setObjectName(QStringLiteral("OptionBZ_%1").arg(i));
        option->setProperty("index", i);
        option->setProperty("tag", i + 1);
        connect(option, &QRadioButton::clicked, this, [i] { app::session().WORK_id = i + 1; });
        frame3Layout->addWidget(option);
        stepOptions_.append(option);
    }

    label1_ = new QLabel(instruction_text(), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setWordWrap(true);
    label2_ = new QLabel(QStringLiteral(" 程序正在读取数据，请稍后..."), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setStyleSheet(QStringLiteral("color: #b00000;"));
    QSizePolicy keepPlace = label2_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    label2_->setSizePolicy(keepPlace);

    confirm_ = new QPushButton(QStringLiteral("确 定"), this);
    confirm_->setObjectName(QStringLiteral("Command1"));
    confirm_->setDefault(true);
    back_ = new QPushButton(QStringLiteral("返 回"), this);
    back_->setObjectName(QStringLiteral("Command2"));
    connect(confirm_, &QPushButton::clicked, this, &ExamListForm::onConfirm);
    connect(back_, &QPushButton::clicked, this, &QWidget::close);

    auto* right = new QVBoxLayout;
    right->addWidget(frame2_, 1);
    right->addWidget(frame3_);
    auto* top = new QHBoxLayout;
    top->addWidget(frame1_, 3);
    top->addLayout(right, 1);

    auto* labels = new QVBoxLayout;
    labels->addWidget(label1_);
    labels->addWidget(label2_);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(labels, 1);
    bottom->addWidget(confirm_);
    bottom->addWidget(back_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    resize(820, 480);
}

void ExamListForm::setWaiting(bool waiting)
{
    label2_->setVisible(waiting);
}

void ExamListForm::onPageCompleted(const net::PageResult& result)
{
    if (result.replaced || result.url.isEmpty())
        return;
    if (!net::check_page_err(result.url, result.text, services_.dialogs))
        return;  // already explained; the waiting label stays as it was
    // Each of the screen's two pages that the address names is answered,
    // not only the first: this screen has always tested them one by one.
    for (const protocol::Page page : protocol::pages_in(result.url)) {
        switch (page) {
        case protocol::Page::KsList: onExamList(result.text); break;
        case protocol::Page::KsKm1: onSubjects(result.text); break;
        default: break;
        }
    }
}

void ExamListForm::onExamList(const QString& text)
{
    setWaiting(false);
    const ExamListReply reply = parse_exam_list(text);
    if (!reply.hasMarker) {
        label1_->setText(QStringLiteral("服务器上没有需要网上阅卷的考试，或是网络异常？"));
        return;
    }

    app::Session& s = app::session();
    const bool examChosenBefore = app::to_int(s.ks_id) > 0;
    QTreeWidgetItem* chosenBefore = nullptr;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(reply.exams.size());
    for (qsizetype w = 0; w < reply.exams.size(); ++w) {
        const ExamRecord& exam = reply.exams.at(w);
        auto* row = new QTreeWidgetItem({QString::number(w + 1), exam.name, exam.id, exam.state});
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        const bool again = examChosenBefore && !chosenBefore && exam.id == s.ks_id;
        row->setCheckState(NumberColumn, again ? Qt::Checked : Qt::Unchecked);
        if (again)
            chosenBefore = row;
        rows.append(row);
    }
    updatingChecks_ = true;
    list_->clear();
    list_->addTopLevelItems(rows);
    updatingChecks_ = false;
    label1_->setText(instruction_text());

    // Back from a work screen: the exam chosen before is taken again. An exam
    // that left the list is not offered any more, so nothing is requested.
    if (chosenBefore)
        chooseExam(chosenBefore);
}

void ExamListForm::onItemChanged(QTreeWidgetItem* item, int column)
{
    if (updatingChecks_ || column != NumberColumn)
        return;
    checkChangedByPress_ = true;
    uncheckOthers(item);
    if (item->checkState(NumberColumn) == Qt::Checked)
        chooseExam(item);
}

// A click beside the check box toggles the check like a click on it.
void ExamListForm::onItemClicked(QTreeWidgetItem* item)
{
    if (checkChangedByPress_)
        return;
    item->setCheckState(NumberColumn, item->checkState(NumberColumn) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void ExamListForm::uncheckOthers(QTreeWidgetItem* keep)
{
    updatingChecks_ = true;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list_->topLevelItem(i);
        if (row != keep && row->checkState(NumberColumn) != Qt::Unchecked)
            row->setCheckState(NumberColumn, Qt::Unchecked);
    }
    updatingChecks_ = false;
}

QTreeWidgetItem* ExamListForm::checkedRow() const
{
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->checkState(NumberColumn) == Qt::Checked)
            return list_->topLevelItem(i);
    }
    return nullptr;
}

void ExamListForm::chooseExam(QTreeWidgetItem* row)
{
    app::Session& s = app::session();
    // A subject belongs to its exam: taking another exam drops it, coming
    // back to the same one keeps it.
    if (row->text(IdColumn) != s.ks_id)
        s.KM_id = 0;
    s.ks_id = row->text(IdColumn);
    s.KS_Name = row->text(NameColumn);
    s.KS_INPUT = app::to_int(row->text(StateColumn));
    list_->setCurrentItem(row);
    // The subjects shown belong to the exam checked before.
    clearSubjects();
    setWaiting(true);
    channel_->navigate(net::subject_url(s));
}

void ExamListForm::clearSubjects()
{
    qDeleteAll(subjectOptions_);
    subjectOptions_.clear();
}

void ExamListForm::showSubjects(const QList<Subject>& subjects)
{
    app::Session& s = app::session();
    bool chosenOffered = false;
    for (qsizetype i = 0; i < subjects.size(); ++i) {
        const Subject subject = subjects.at(i);
        auto* option = new QRadioButton(plain_caption(subject.name), subjectLayout_->parentWidget());
        option->setObjectName(QStringLiteral("OptionKM_%1").arg(i));
        option->setProperty("index", int(i));
        option->setProperty("tag", subject.id);
        connect(option, &QRadioButton::clicked, this, [subject] {
            app::session().KM_id = subject.id;
            app::session().KM_Name = subject.name;
        });
        subjectLayout_->insertWidget(subjectLayout_->count() - 1, option);
        subjectOptions_.append(option);
        if (subject.id == s.KM_id && !chosenOffered) {
            option->setChecked(true);
            chosenOffered = true;
        }
    }
    // A subject the server no longer offers must not travel on.
    if (!chosenOffered)
        s.KM_id = 0;
}

void ExamListForm::onSubjects(const QString& text)
{
    setWaiting(false);
    clearSubjects();
    const SubjectReply reply = parse_subject_list(text);
    if (reply.subjects.isEmpty()) {
        app::session().KM_id = 0;
        label1_->setText(QStringLiteral("本次考试科目数据为空？或是网络异常，没有读取到考试科目。"));
        return;
    }
    showSubjects(reply.subjects);
}

void ExamListForm::onConfirm()
{
    app::Session& s = app::session();
    const QTreeWidgetItem* row = checkedRow();
    // What is checked on the screen is what opens: an exam unchecked again
    // is no choice, even though ks_id still names it.
    if (!choice_complete(s) || !row || row->text(IdColumn) != s.ks_id) {
        services_.dialogs.message(incomplete_choice_message());
        return;
    }
    if (s.WORK_id < 1 || s.WORK_id > 3)
        return;
    setWaiting(true);
    services_.flow.openWorkScreen(s.WORK_id);
    setWaiting(false);
}

void ExamListForm::closeEvent(QCloseEvent* event)
{
    services_.flow.showLogin();
    event->accept();
}

}  // namespace exams
