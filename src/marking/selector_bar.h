#pragma once
#include <QList>
#include <QString>
#include <QWidget>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;

namespace marking {

struct Assignment;
struct MarkingState;

// The selector bar: "批阅：" and one selector per item of the teacher's
// assignment, check boxes for questions (Work_i, several at once) or
// option buttons for classes (WorkBJ_i, one at a time), each with its
// caption ST_TH_i. Element 0 always exists. The selection is written to
// th_bj as it changes; selected() asks for its batch.
class SelectorBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectorBar)
public:
    SelectorBar(MarkingState& state, QWidget* parent = nullptr);

    // No selector: the first caption shows why.
    void showNoWork(const QString& text);
    void setFirstCaption(const QString& text);
    // One selector per item, then the selection of the last opening is
    // selected again, or else the first selector.
    void showAssignment(const Assignment& a);

    // The caption of the class selector with this id (empty when none).
    QString class_caption(const QString& classId) const;

    void Work_Click(int index);
    void WorkBJ_Click(int index);

signals:
    // th_bj holds a new selection.
    void selected();
    // A caption was clicked.
    void captionClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clear_selectors();
    void add_selector(bool byClass, const QString& tag, const QString& caption);
    bool set_selector_value(int index, bool byClass, bool value);

    MarkingState& state_;
    QWidget* selectors_;
    QHBoxLayout* selectorLayout_;
    QList<QCheckBox*> work_;       // Work_i
    QList<QRadioButton*> workBJ_;  // WorkBJ_i
    QList<QLabel*> captions_;      // ST_TH_i
};

}  // namespace marking
