#include "marking/score_input.h"

#include "app/vbtext.h"

#include <QRegularExpression>
#include <climits>
#include <cmath>

namespace marking {

QString msg_enter_score() { return QStringLiteral("请输入试题得分！"); }
QString msg_digits_only() { return QStringLiteral("只能输入数字！"); }
QString msg_over_full() { return QStringLiteral("输入分数大于满分！"); }

bool is_score_text(const QString& text)
{
    // Only what the server stores: a sign or an exponent reads as a number
    // too, but "-3" would pass the full-mark check and "1e1" would be
    // refused by the server long after the teacher has moved on.
    static const QRegularExpression re(QStringLiteral(R"(^([0-9]+\.?[0-9]*|\.[0-9]+)$)"));
    return re.match(text).hasMatch();
}

std::optional<QString> enter_refusal(const QString& boxText, const QString& fullMark)
{
    if (boxText.isEmpty())
        return std::nullopt;
    if (!is_score_text(boxText))
        return msg_digits_only();
    bool fullOk = false;
    const float full = app::to_single(fullMark, &fullOk);
    if (fullOk && static_cast<float>(app::to_double(boxText)) - full > 0.0f)
        return msg_over_full();
    return std::nullopt;
}

namespace {

// A Chinese input method in full-width mode types "８．５" and "。": read
// them as the digits and point they stand for.
QString ascii_digits(QString s)
{
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(u - 0xFF10 + u'0');
        else if (u == 0xFF0E || u == 0x3002)
            c = u'.';
        else if (u == 0xFF0C)
            c = u',';
        else if (u == 0x3000)
            c = u' ';
    }
    return s;
}

const QString kErrorHead = QStringLiteral("在函数 Text1_Change 中发生错误！\r\r试一试用键盘输入分数！");

// Text2 as a count of places: the focus-out fall-back makes it a
// non-negative number; while it is not one, one place is assumed.
double places_of(const QString& text2)
{
    bool ok = false;
    const double v = app::to_double(text2, &ok);
    return ok && v >= 0 ? v : 1.0;
}

int cut_count(double places)
{
    const double r = app::round_half_even(places);
    return r > INT_MAX ? INT_MAX : static_cast<int>(r);
}

// The written handler re-enters itself whenever it sets the box to a new
// text. This runs the same steps, nesting the same way, on plain values.
// Once a run has committed, the list belongs to the next row: later writes
// of column 4 and 8 are dropped (the written handler would have put them on
// the next row, or committed twice).
class ChangeRun {
public:
    ChangeRun(const ScoreChange& c, const ScoreOptions& o) : o_(o), rowsAfter_(c.rowsAfterCurrent)
    {
        out_.boxText = c.boxText;
        col4_ = c.storedScore;
        fullText_ = c.fullMark;
        full_ = app::to_single(c.fullMark, &fullOk_);
    }

    ScoreOutcome result()
    {
        run(0);
        return out_;
    }

private:
    void setBox(const QString& t, int depth)
    {
        if (t == out_.boxText)
            return;
        out_.boxText = t;
        run(depth + 1);
    }
    void setColumn4(const QString& t)
    {
        if (out_.commit)
            return;
        col4_ = t;
        out_.column4 = t;
    }
    void markUnsaved()
    {
        if (!out_.commit)
            out_.markUnsaved = true;
    }
    void fail(const QString& why)
    {
        out_.errorMessage = kErrorHead + u'\r' + why;
    }
    // Over the full mark, compared in single precision like the save does,
    // so a full mark of 7.7 admits a score of 7.7.
    bool above(double value) const { return static_cast<float>(value) - full_ > 0.0f; }

    void run(int depth)
    {
        // Each nested run cuts the text or settles it; a pasted text too
        // long to settle within this many runs is no score.
        if (depth > 1024) {
            fail(QStringLiteral("输入的内容太长。"));
            return;
        }
        if (out_.boxText == col4_)
            return;
        if (!fullOk_) {
            fail(QStringLiteral("本题满分“") + fullText_ + QStringLiteral("”不是数字。"));
            return;
        }
        out_.label4 = Visibility::Show;

        QString s = ascii_digits(out_.boxText);
        s.remove(u',');
        s.remove(u' ');
        if (o_.option1)
            s.remove(u'.');
        if (s == QStringLiteral("."))
            s = QStringLiteral("0.");
        if (o_.option2 && o_.check2 && s.endsWith(u'.'))
            s += o_.text3;

        const double places = places_of(o_.text2);
        if (o_.option2 && s.contains(u'.')) {
            const QStringList parts = s.split(u'.');
            if (parts.at(1).size() - places > 0)
                s = parts.at(0) + u'.' + parts.at(1).left(cut_count(places));
        }
        if (o_.option2 && s.contains(u'.') && places > 0 && o_.check1) {
            const QStringList parts = s.split(u'.');
            // Only a readable score within the full mark is confirmed; the
            // written handler confirmed "8.5" on a full mark of 8 here.
            const bool numeric = is_score_text(s);
            const double v = app::to_double(s);
            if (parts.at(1).size() >= places && numeric && !above(v)) {
                setBox(s, depth);
                out_.commit = true;
                return;
            }
        }
        if (s.isEmpty()) {
            setBox(QString(), depth);
            setColumn4(QString());
            return;
        }
        if (!is_score_text(s)) {
            s.chop(1);
            out_.label4Text = msg_digits_only();
            if (s.isEmpty()) {
                setBox(QString(), depth);
                setColumn4(QString());
                return;
            }
        }
        if (!is_score_text(s)) {
            fail(QStringLiteral("“") + s + QStringLiteral("”不是数字。"));
            return;
        }
        const double v = app::to_double(s);
        if (above(v)) {
            s.chop(1);
            setBox(s, depth);
            // Shown even when the cut-back text stored a score and hid it.
            out_.label4Text = msg_over_full();
            out_.label4 = Visibility::Show;
            out_.caretToEnd = true;
            return;
        }
        if (o_.option1 && o_.check1 && above(v * 10.0)) {
            setBox(s, depth);
            out_.commit = true;
            return;
        }
        setBox(s, depth);
        setColumn4(s);
        markUnsaved();
        if (!s.isEmpty())
            out_.caretToEnd = true;
        if (rowsAfter_ < 10)
            out_.showProgress = true;
        out_.label4 = Visibility::Hide;
    }

    const ScoreOptions& o_;
    int rowsAfter_;
    ScoreOutcome out_;
    QString col4_;
    QString fullText_;
    float full_ = 0;
    bool fullOk_ = false;
};

}  // namespace

ScoreOutcome score_text_changed(const ScoreChange& change, const ScoreOptions& options)
{
    return ChangeRun(change, options).result();
}

CommitMove commit_and_next_move(const QString& boxText, int curRow, int rowCount)
{
    if (boxText.isEmpty())
        return CommitMove::Nothing;
    return curRow < rowCount ? CommitMove::Next : CommitMove::Save;
}

QString back_rule(const QString& text)
{
    if (!text.contains(u'.'))
        return text.left(text.size() - 1);
    const QStringList parts = text.split(u'.');
    const QString second = parts.at(1).isEmpty() ? QStringLiteral("1") : parts.at(1);
    if (app::to_double(second) >= 10)
        return text.left(text.size() - 1);
    return parts.at(0);
}

QString wrong_image_message(int curRow)
{
    return QStringLiteral("当前批阅的试题图片文件不正确！\r\r请关闭此提示信息后，点击左侧《当前缓存试题列表>的第 ")
        + QString::number(curRow) + QStringLiteral(" 行更新试题图片。");
}

namespace {
// Handled without effect: the key is kept from the box and no row is selected.
KeyDecision swallowed()
{
    KeyDecision d;
    d.handled = true;
    d.suppressKey = true;
    return d;
}
}  // namespace

KeyDecision score_key_down(ScoreKey key, const QString& boxText, RowPosition rows, bool imageMatches)
{
    KeyDecision d;
    if (rows.curRow == 0 || rows.rowCount == 0)
        return d;
    d.handled = true;
    if (!imageMatches) {
        d.showWrongImage = true;
        d.suppressKey = true;
        return d;
    }
    switch (key) {
    case ScoreKey::Enter:
        d.suppressKey = true;
        if (boxText.isEmpty())
            return swallowed();
        d.column4 = boxText;
        d.markUnsaved = true;
        d.move = rows.rowCount - rows.curRow > 1 ? KeyDecision::Move::Next : KeyDecision::Move::Save;
        break;
    case ScoreKey::Up:
        d.suppressKey = true;
        if (rows.curRow == 1)
            return swallowed();
        d.move = KeyDecision::Move::Previous;
        break;
    case ScoreKey::Down:
        d.suppressKey = true;
        if (rows.curRow >= rows.rowCount)
            return swallowed();
        d.move = KeyDecision::Move::Next;
        break;
    case ScoreKey::Backspace: {
        d.suppressKey = true;
        const QString t = app::trim(boxText);
        if (t.isEmpty())
            return swallowed();
        d.boxText = back_rule(t);
        break;
    }
    case ScoreKey::Other:
        break;
    }
    d.selectRow = true;
    return d;
}

PadDecision pad_click(int index, const QString& boxText, RowPosition rows, bool firstDownloaded)
{
    PadDecision d;
    // Row 1's image gates the pad only while no answer is open.
    if (rows.rowCount == 0 || (rows.curRow == 0 && !firstDownloaded) || index < 0 || index > 14)
        return d;
    int cur = rows.curRow;
    if (cur == 0) {
        d.openFirstRow = true;
        cur = 1;
    }
    switch (index) {
    case 11:
        if (boxText.isEmpty()) {
            d.label4Text = msg_enter_score();
            d.showLabel4 = true;
            return d;
        }
        d.column4 = boxText;
        d.move = rows.rowCount - cur > 1 ? PadDecision::Move::Next : PadDecision::Move::Save;
        break;
    case 10:
        if (!boxText.contains(u'.'))
            d.boxText = boxText + u'.';
        break;
    case 12:
        if (cur == 1)
            return d;
        d.move = PadDecision::Move::Previous;
        break;
    case 13:
        if (cur >= rows.rowCount)
            return d;
        d.move = PadDecision::Move::Next;
        break;
    case 14:
        if (boxText.isEmpty())
            return d;
        d.boxText = back_rule(boxText);
        d.markUnsaved = true;
        break;
    default:
        d.boxText = boxText + QString::number(index);
        break;
    }
    d.finish = true;
    return d;
}

namespace {
QString fall_back(const QString& text, const char* fallback)
{
    bool ok = false;
    const double v = app::to_double(text, &ok);
    return ok && v >= 0 ? text : QString::fromLatin1(fallback);
}
}  // namespace

QString text2_after_focus_out(const QString& text) { return fall_back(text, "1"); }
QString text3_after_focus_out(const QString& text) { return fall_back(text, "5"); }

ModeControls score_mode_selected(bool integer, const QString& text2)
{
    if (integer)
        return {false, false, text2};
    bool ok = false;
    const double v = app::to_double(text2, &ok);
    return {true, true, ok && v != 0 ? text2 : QStringLiteral("1")};
}

int focus_caret(const QString& boxText)
{
    return static_cast<int>(app::trim(boxText).size());
}

}  // namespace marking
