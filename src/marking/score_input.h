#pragma once
#include <QString>
#include <optional>

// The rules of the score box Text1, the pad and the score options, as pure
// functions: the screen hands in plain values, applies the outcome and does
// the list work (select, open, save) itself.
namespace marking {

// The options panel Frame2, read at the moment of each check.
struct ScoreOptions {
    bool option1 = false;          // integer scores: every "." is removed
    bool option2 = true;           // decimal scores, Text2 places
    QString text2 = QStringLiteral("1");  // decimal places
    bool check2 = false;           // append Text3 to a text ending in "."
    QString text3 = QStringLiteral("5");  // the completion text
    bool check1 = false;           // smart switching: commit once complete
};

// What the change handling reads besides the options. The screen has
// already made the checks that need the list and the image view (an answer
// is open and the image on screen belongs to it).
struct ScoreChange {
    QString boxText;        // Text1 as it is now
    QString storedScore;    // column 4 of cur_row
    QString fullMark;       // column 3 of cur_row
    int rowsAfterCurrent = 0;  // buffer rows − cur_row
};

enum class Visibility { Leave, Show, Hide };

// The outcome of one change, with every nested re-run already folded in.
// Apply in this order, with the change handling muted: box text, column 4,
// column 8, Label4, caret, show_progress(); then, when commit is set,
// commit_and_next() once.
struct ScoreOutcome {
    QString boxText;                    // the box text to show
    std::optional<QString> column4;     // new column 4, or leave it
    bool markUnsaved = false;           // column 8 = "0"
    std::optional<QString> label4Text;  // new Label4 caption, or leave it
    Visibility label4 = Visibility::Leave;
    bool caretToEnd = false;
    bool showProgress = false;
    bool commit = false;                // call commit_and_next()
    QString errorMessage;               // message box text when the text can't be read
};

// The Label4 messages.
QString msg_enter_score();   // "请输入试题得分！"
QString msg_digits_only();   // "只能输入数字！"
QString msg_over_full();     // "输入分数大于满分！"

// A text the box may hold as a score: digits with at most one point (7,
// 7.5, 7., .5); no blanks, sign or exponent.
bool is_score_text(const QString& text);

// Enter (key or pad) on this box text: nullopt when it may be confirmed
// (or the box is empty), else the Label4 message. A text the change
// handling could not settle (a paste it failed to read) is not stored.
std::optional<QString> enter_refusal(const QString& boxText, const QString& fullMark);

// The change handling of Text1, run to the fixed point the nested re-runs
// reach. The screen first does what needs the list and the image view:
// nothing while the list is empty, or no row is open and row 1 is not
// downloaded; cur_row 0 opens row 1; nothing when the box equals column 4;
// the image message (wrong_image_message) when the image view shows another
// answer. Then it calls this and applies the outcome.
ScoreOutcome score_text_changed(const ScoreChange& change, const ScoreOptions& options);

// commit_and_next(): nothing for an empty box; otherwise column 4 = box
// text and column 8 = "0", then the next row while one follows, else save.
enum class CommitMove { Nothing, Next, Save };
// Where a key or a pad button takes the open row.
enum class RowMove { None, Next, Previous, Save };
CommitMove commit_and_next_move(const QString& boxText, int curRow, int rowCount);

// Backspace and pad "Back": 12.5 → 12, 12. → 12, 12.25 → 12.2, 12 → 1.
QString back_rule(const QString& text);

// The message when the image on screen is not the current row's answer.
QString wrong_image_message(int curRow);

// Key-down of Text1, decided before the box sees the key.
enum class ScoreKey { Enter, Up, Down, Backspace, Other };

struct KeyDecision {
    using Move = RowMove;
    bool handled = false;          // false: nothing at all (no row select either)
    bool suppressKey = false;      // the box must not act on the key itself
    std::optional<QString> column4;  // store the box text in column 4 ...
    bool markUnsaved = false;      // ... and column 8 = "0"
    Move move = Move::None;        // then move (box text = column 4 of the new row) or save
    std::optional<QString> boxText;  // Backspace: the new box text (its change handling follows)
    bool selectRow = false;        // select row cur_row afterwards
    bool showWrongImage = false;   // show wrong_image_message(cur_row), nothing else
};

struct RowPosition {
    int curRow = 0;     // 1-based; 0 = none opened
    int rowCount = 0;
};

// Key-down in Text1. imageMatches: the image view shows the answer of
// cur_row; when it does not, the decision is showWrongImage (and the key is
// swallowed, so one key press gives one message).
KeyDecision score_key_down(ScoreKey key, const QString& boxText, RowPosition rows, bool imageMatches);

// The pad Number, buttons 0 to 14.
struct PadDecision {
    using Move = RowMove;
    bool openFirstRow = false;       // cur_row 0 → 1 and open_cur_row() first
    std::optional<QString> boxText;  // new box text (its change handling follows)
    std::optional<QString> column4;  // pad Enter: column 4 = box text (column 8 untouched)
    bool markUnsaved = false;        // pad Back: column 8 = "0" after the new text
    std::optional<QString> label4Text;  // pad Enter on an empty box
    bool showLabel4 = false;
    Move move = Move::None;
    bool finish = false;             // cur_row 0 → 1, select row, focus, caret to end
};

// firstDownloaded: column 10 of row 1 reads as 1 (looked at while cur_row is 0).
PadDecision pad_click(int index, const QString& boxText, RowPosition rows, bool firstDownloaded);

// Option fall-backs.
QString text2_after_focus_out(const QString& text);  // not a number or negative → "1"
QString text3_after_focus_out(const QString& text);  // not a number or negative → "5"

struct ModeControls {
    bool padPointEnabled = true;   // Number(10) "."
    bool check2Enabled = true;
    QString text2;
};
// Option1 (integer = true) or Option2 clicked; Option2 turns a Text2 of 0 into "1".
ModeControls score_mode_selected(bool integer, const QString& text2);

// Caret position when the box gets the focus: after the trimmed text.
int focus_caret(const QString& boxText);

}  // namespace marking
