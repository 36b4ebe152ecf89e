#pragma once
#include "exams/exam_replies.h"

#include <QList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }

namespace exams {

// The exam-selection screen ("KS_list"): the teacher checks one exam in
// ListView1, picks a subject (OptionKM_0, OptionKM_1, ... one per subject
// of the reply) and a work step (OptionBZ_0..2, property "tag" = WORK_id),
// and confirms. Construction loads the exam list; when the session already
// names an exam (the teacher comes back from a work screen), that exam is
// checked again and its subjects are requested without user action.
// Choices go into app::session(); confirm asks the flow for the work screen,
// closing the window asks it for the login screen.
class ExamListForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExamListForm)
public:
    explicit ExamListForm(app::Services& services, QWidget* parent = nullptr);
    ~ExamListForm() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void onPageCompleted(const net::PageResult& result);
    void onExamList(const QString& text);
    void onSubjects(const QString& text);

    void onItemChanged(QTreeWidgetItem* item, int column);
    void onItemClicked(QTreeWidgetItem* item);
    void chooseExam(QTreeWidgetItem* row);
    void uncheckOthers(QTreeWidgetItem* keep);
    QTreeWidgetItem* checkedRow() const;

    void clearSubjects();
    void showSubjects(const QList<Subject>& subjects);
    void setWaiting(bool waiting);

    void onConfirm();

    app::Services& services_;
    net::PageChannel* channel_;

    QGroupBox* frame1_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    QVBoxLayout* subjectLayout_ = nullptr;
    QList<QRadioButton*> subjectOptions_;
    QGroupBox* frame3_ = nullptr;
    QList<QRadioButton*> stepOptions_;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QPushButton* back_ = nullptr;

    bool updatingChecks_ = false;
    bool checkChangedByPress_ = false;
};

}  // namespace exams
