#pragma once
#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;

namespace marking {

struct MarkingState;

// The progress panel of the top row: the teacher's progress bar and
// percentage (ProgressBar1, Label5), the subject's counts (Frame8) and the
// teacher's task counts (Frame7), each with a close button.
class ProgressPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressPanel)
public:
    ProgressPanel(MarkingState& state, QWidget* parent = nullptr);

    // The screen opens: nothing to show yet.
    void hideAll();
    // The selection has no answers set up: no progress to show.
    void hideProgress();
    // The progress record of a batch.
    void list_zt(const QString& zt_str, const QString& JS_Name, const QString& KM_Name);
    // The bar and percentage from done_count and work_count.
    void show_progress();
    // Label8's completed count with the scored rows of the batch added.
    void showDoneCount(int scoredRows);

    void Command5_Click();
    void Command6_Click();

private:
    MarkingState& state_;
    QProgressBar* progress1_;
    QLabel* label5_;
    QGroupBox* frame7_;
    QGroupBox* frame8_;
    QLabel* label7_;
    QLabel* label8_;
    QLabel* label9_;
    QLabel* label10_;
};

}  // namespace marking
