#pragma once
#include <QGroupBox>
#include <QObject>
#include <QPoint>

class QFrame;
class QLabel;
class QPushButton;
class QRect;
class QTableView;

namespace marking {

class AnswerListModel;
class MarkingHost;
struct MarkingContext;

// The buffer list (Frame1 with ListView1): the batch to mark. A click or a
// key that moves the selection asks the screen to open that row.
class BufferListPanel final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BufferListPanel)
public:
    BufferListPanel(AnswerListModel& buffer, QWidget* parent = nullptr);

    QTableView* view() const { return listView1_; }
    void applyWidths();
    // The selected row (1-based), 0 when none.
    int selectedRow() const;
    void select_buffer_row(int row);
    void clearSelection();
    void ListView1_KeyUp();

signals:
    void rowClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AnswerListModel& buffer_;
    QTableView* listView1_;
    int pressedKey_ = 0;  // the key last pressed in the list
};

// The worked list (ListView2) over the image view, its button Command4 and
// its tool tip (Frame14): the answers the teacher marked before, sorted by
// a column click; a double click puts one back into the buffer list to be
// scored again, a click shows its image.
class WorkedListPanel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorkedListPanel)
public:
    // The list and the tool tip float over `screen`; the button is placed by it.
    WorkedListPanel(MarkingContext& ctx, MarkingHost& host, QWidget* screen);

    QTableView* view() const { return listView2_; }
    QPushButton* button() const { return command4_; }
    bool isShown() const;
    void show() const;
    void applyWidths();
    // Over the right part of the image view, as high as it.
    void place(const QRect& imageView);
    // A mouse move over this widget hides the tool tip.
    void hideTipOnMove(QWidget* w);

    void fill_worked_list(const QString& reply);
    void ListView2_DblClick();
    void ListView2_ColumnClick(int column);
    void ListView2_MouseMove(const QPoint& pos);
    void hide_tool_tip();
    void Command4_Click();
    // The column sort from the keyboard: a menu of the visible columns.
    void showSortMenu();

signals:
    void rowClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MarkingContext& ctx_;
    MarkingHost& host_;
    QTableView* listView2_;
    QFrame* frame14_;
    QLabel* label11_;
    QPushButton* command4_;
    bool descending_ = false;
};

}  // namespace marking
