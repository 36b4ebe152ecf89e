#pragma once
#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace marking {

class MarkingHost;
struct MarkingContext;
class ScoreOptionsBox;
struct ScoreOutcome;
enum class RowMove;

// The score panel: the score box Text1 with its save button and keypad
// (Frame3), the score options (Frame2, a room of its own), and the message under the image
// (Label4, placed by the form). Every change of the box is normalised and
// checked by the rules of score_input.h and stored on the open buffer row;
// Enter moves to the next row.
class ScorePanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScorePanel)
public:
    ScorePanel(MarkingContext& ctx, MarkingHost& host, QWidget* parent = nullptr);

    // Label4, for the form to place under the image view.
    QLabel* messageLabel() const { return label4_; }

    QString boxText() const;
    // The box shows a text, caret at the end.
    void showScore(const QString& score);
    // The box shows the score of the row just opened, selected: the first
    // key typed replaces it.
    void showRowScore(const QString& score);
    // The caption names the question of a group the box is for (empty: a
    // single answer).
    void setScoredQuestion(const QString& question);
    // Label4 is emptied and hidden.
    void clearMessage();
    // Empties the box without its change handling: the open row keeps the
    // score keyed on it.
    void clearBox();

    void Text1_Change();
    bool Text1_KeyDown(int key);  // true: the box must not act on the key
    void Number_Click(int index);
    void commit_and_next();
    ScoreOptionsBox& options() const { return *options_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildScoreBox();
    void apply_score_outcome(const ScoreOutcome& outcome);
    bool refuse_enter(const QString& boxText);
    void move_row(int delta);
    void applyMove(RowMove move);
    void finish_caret();

    MarkingContext& ctx_;
    MarkingHost& host_;
    bool muteChange_ = false;

    QGroupBox* frame3_ = nullptr;
    QLineEdit* text1_ = nullptr;
    ScoreOptionsBox* options_ = nullptr;
    QPushButton* padPoint_ = nullptr;  // Number_10
    QLabel* label4_ = nullptr;
};

}  // namespace marking
