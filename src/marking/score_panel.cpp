#include "marking/score_panel.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/vbtext.h"
#include "marking/marking_host.h"
#include "marking/score_input.h"
#include "marking/score_options_box.h"
#include "ui/widget_names.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace marking {

using ui::named;

ScorePanel::ScorePanel(MarkingContext& ctx, MarkingHost& host, QWidget* parent)
    : QWidget(parent), ctx_(ctx), host_(host)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(buildScoreBox());
    options_ = new ScoreOptionsBox(padPoint_, this);
    lay->addWidget(options_);
    label4_ = named(new QLabel(QStringLiteral("message")), "Label4");
    label4_->setStyleSheet(QStringLiteral("color: red;"));

    connect(text1_, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    text1_->installEventFilter(this);
}

QWidget* ScorePanel::buildScoreBox()
{
    auto* frame3 = frame3_ = named(new QGroupBox(QStringLiteral("分数输入面板"), this), "Frame3");
    auto* f3 = new QGridLayout(frame3);
    auto* fsLabel = named(new QLabel(QStringLiteral("本题得分"), frame3), "FS_label");
    f3->addWidget(fsLabel, 0, 0, 1, 2);
    text1_ = named(new QLineEdit(frame3), "Text1");
    fsLabel->setBuddy(text1_);
    QFont big = text1_->font();
    big.setPointSize(16);
    text1_->setFont(big);
    f3->addWidget(text1_, 0, 2, 1, 2);
    auto* command1 = named(new QPushButton(QStringLiteral("保存"), frame3), "Command1");
    command1->setStyleSheet(QStringLiteral("QPushButton:pressed { background: rgb(255,0,0); }"));
    connect(command1, &QPushButton::clicked, this, [this] { host_.save_scores(); });
    f3->addWidget(command1, 0, 4);

    const QStringList pad{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                          QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                          QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("."), QStringLiteral("Enter"),
                          QStringLiteral("上一题"), QStringLiteral("下一题"), QStringLiteral("Back")};
    // A calculator's keypad: 7 8 9 on top, Back and Enter on the right,
    // the two moves below.
    struct Place { int row, col, rows, cols; };
    const Place place[15] = {{3, 0, 1, 1}, {2, 0, 1, 1}, {2, 1, 1, 1}, {2, 2, 1, 1}, {1, 0, 1, 1},
                             {1, 1, 1, 1}, {1, 2, 1, 1}, {0, 0, 1, 1}, {0, 1, 1, 1}, {0, 2, 1, 1},
                             {3, 1, 1, 2}, {2, 3, 2, 1}, {4, 0, 1, 2}, {4, 2, 1, 2}, {0, 3, 2, 1}};
    auto* padBox = new QWidget(frame3);
    auto* padLay = new QGridLayout(padBox);
    padLay->setContentsMargins(0, 0, 0, 0);
    padLay->setSpacing(3);
    for (int i = 0; i < 15; ++i) {
        auto* b = new QPushButton(pad.at(i), padBox);
        b->setObjectName(QStringLiteral("Number_%1").arg(i));
        b->setMinimumHeight(30);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QStringLiteral("QPushButton:pressed { background: rgb(255,0,255); }"));
        if (place[i].rows > 1)
            b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        padLay->addWidget(b, place[i].row, place[i].col, place[i].rows, place[i].cols);
        connect(b, &QPushButton::clicked, this, [this, i] { Number_Click(i); });
        if (i == 10)
            padPoint_ = b;
    }
    f3->addWidget(padBox, 1, 0, 1, 5);
    return frame3;
}

bool ScorePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text1_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // A modifier alone (an input-method switch) is no key press of a score.
        if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta)
            return false;
        return Text1_KeyDown(key);
    }
    if (watched == text1_ && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, text1_, [this] {
            // Coming back to an opened row's score keeps it ready to be replaced.
            const MarkingState& st = ctx_.state;
            const QString score = ctx_.buffer.text(st.cur_row, Col::Score);
            if (!score.isEmpty() && text1_->text() == score)
                text1_->selectAll();
            else
                text1_->setCursorPosition(int(text1_->text().trimmed().size()));
        });
    }
    return QWidget::eventFilter(watched, event);
}

QString ScorePanel::boxText() const
{
    return text1_->text();
}

void ScorePanel::showScore(const QString& score)
{
    text1_->setText(score);
    finish_caret();
}

void ScorePanel::showRowScore(const QString& score)
{
    text1_->setText(score);
    if (score.isEmpty())
        finish_caret();
    else
        text1_->selectAll();
}

void ScorePanel::setScoredQuestion(const QString& question)
{
    frame3_->setTitle(question.isEmpty() ? QStringLiteral("分数输入面板")
                                         : QStringLiteral("分数输入面板：第") + question + QStringLiteral("题"));
}

void ScorePanel::clearMessage()
{
    label4_->clear();
    label4_->hide();
}

void ScorePanel::clearBox()
{
    muteChange_ = true;
    text1_->clear();
    muteChange_ = false;
}

void ScorePanel::finish_caret()
{
    text1_->setCursorPosition(int(text1_->text().size()));
}

void ScorePanel::Text1_Change()
{
    if (muteChange_)
        return;
    MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    const int n = buffer.rows();
    if (n == 0)
        return;
    // Row 1's image only matters while no answer is open: once one is, a
    // first image the server lacks must not switch off the checks of the
    // scores keyed on the other rows.
    if (st.cur_row == 0) {
        if (app::to_double(buffer.text(1, Col::Downed)) == 0)
            return;
        st.cur_row = 1;
        host_.open_cur_row();
    }
    if (st.cur_row < 1 || st.cur_row > n)
        return;
    const QString box = text1_->text();
    if (box == buffer.text(st.cur_row, Col::Score))
        return;
    if (!host_.answerShown(st.cur_row)) {
        ctx_.services.dialogs.message(wrong_image_message(st.cur_row));
        return;
    }
    host_.select_buffer_row(st.cur_row);
    label4_->clear();
    label4_->show();
    const ScoreChange change{box, buffer.text(st.cur_row, Col::Score), buffer.text(st.cur_row, Col::FullMark),
                             n - st.cur_row};
    apply_score_outcome(score_text_changed(change, options_->options()));
}

void ScorePanel::apply_score_outcome(const ScoreOutcome& o)
{
    if (!o.errorMessage.isEmpty()) {
        ctx_.services.dialogs.message(o.errorMessage);
        return;
    }
    const int row = ctx_.state.cur_row;
    muteChange_ = true;
    if (text1_->text() != o.boxText)
        text1_->setText(o.boxText);
    muteChange_ = false;
    if (o.column4)
        host_.storeScore(row, *o.column4, o.markUnsaved);
    else if (o.markUnsaved && row >= 1 && row <= ctx_.buffer.rows())
        ctx_.buffer.setText(row, Col::Flag, QStringLiteral("0"));
    if (o.label4Text)
        label4_->setText(*o.label4Text);
    if (o.label4 == Visibility::Show)
        label4_->show();
    else if (o.label4 == Visibility::Hide)
        label4_->hide();
    if (o.caretToEnd)
        finish_caret();
    if (o.showProgress)
        host_.show_progress();
    if (o.commit)
        commit_and_next();
}

// Enter on a box text that is no score for the row (a paste the change
// handling could not read): say why and store nothing.
bool ScorePanel::refuse_enter(const QString& boxText)
{
    const std::optional<QString> why = enter_refusal(boxText, ctx_.buffer.text(ctx_.state.cur_row, Col::FullMark));
    if (!why)
        return false;
    label4_->setText(*why);
    label4_->show();
    return true;
}

void ScorePanel::commit_and_next()
{
    MarkingState& st = ctx_.state;
    const QString box = text1_->text();
    const CommitMove m = commit_and_next_move(box, st.cur_row, ctx_.buffer.rows());
    if (m == CommitMove::Nothing)
        return;
    host_.storeScore(st.cur_row, box, true);
    if (m == CommitMove::Next) {
        st.cur_row += 1;
        host_.open_cur_row();
        showRowScore(ctx_.buffer.text(st.cur_row, Col::Score));
    } else {
        host_.save_scores();
    }
    host_.select_buffer_row(st.cur_row);
}

void ScorePanel::move_row(int delta)
{
    MarkingState& st = ctx_.state;
    st.cur_row += delta;
    if (delta < 0) {
        showRowScore(ctx_.buffer.text(st.cur_row, Col::Score));
        host_.open_cur_row();
    } else {
        host_.open_cur_row();
        showRowScore(ctx_.buffer.text(st.cur_row, Col::Score));
    }
}

void ScorePanel::applyMove(RowMove move)
{
    switch (move) {
    case RowMove::Next: move_row(+1); break;
    case RowMove::Previous: move_row(-1); break;
    case RowMove::Save: host_.save_scores(); break;
    case RowMove::None: break;
    }
}

bool ScorePanel::Text1_KeyDown(int key)
{
    MarkingState& st = ctx_.state;
    const int n = ctx_.buffer.rows();
    ScoreKey k = ScoreKey::Other;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        k = ScoreKey::Enter;
    else if (key == Qt::Key_Up)
        k = ScoreKey::Up;
    else if (key == Qt::Key_Down)
        k = ScoreKey::Down;
    else if (key == Qt::Key_Backspace)
        k = ScoreKey::Backspace;
    const bool open = st.cur_row >= 1 && st.cur_row <= n;
    const KeyDecision d = score_key_down(k, text1_->text(), {open ? st.cur_row : 0, n},
                                         open && host_.answerShown(st.cur_row));
    if (!d.handled)
        return false;
    if (d.showWrongImage) {
        ctx_.services.dialogs.message(wrong_image_message(st.cur_row));
        return true;
    }
    if (d.column4 && refuse_enter(*d.column4))
        return true;
    if (d.column4)
        host_.storeScore(st.cur_row, *d.column4, d.markUnsaved);
    applyMove(d.move);
    if (d.boxText)
        showScore(*d.boxText);
    if (d.selectRow)
        host_.select_buffer_row(st.cur_row);
    return d.suppressKey;
}

void ScorePanel::Number_Click(int index)
{
    MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    text1_->setFocus();
    text1_->setCursorPosition(focus_caret(text1_->text()));
    const int n = buffer.rows();
    const bool firstDownloaded = n > 0 && app::to_double(buffer.text(1, Col::Downed)) == 1;
    const PadDecision d = pad_click(index, text1_->text(), {st.cur_row, n}, firstDownloaded);
    if (d.openFirstRow) {
        st.cur_row = 1;
        host_.open_cur_row();
    }
    if (d.column4 && refuse_enter(*d.column4))
        return;
    if (d.column4)
        host_.storeScore(st.cur_row, *d.column4, false);
    applyMove(d.move);
    if (d.boxText)
        text1_->setText(*d.boxText);
    if (d.markUnsaved && st.cur_row >= 1 && st.cur_row <= n) {
        buffer.setText(st.cur_row, Col::Flag, QStringLiteral("0"));
        host_.journalRow(st.cur_row);
    }
    if (d.label4Text)
        label4_->setText(*d.label4Text);
    if (d.showLabel4)
        label4_->show();
    if (d.finish) {
        if (st.cur_row == 0)
            st.cur_row = 1;
        host_.select_buffer_row(st.cur_row);
        text1_->setFocus();
        finish_caret();
    }
    // Moved to another row: its score is ready to be replaced by a key.
    if ((d.move == RowMove::Next || d.move == RowMove::Previous) && !text1_->text().isEmpty())
        text1_->selectAll();
}

}  // namespace marking
