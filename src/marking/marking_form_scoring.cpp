// Score entry: the score box Text1, its keys, the pad Number and the
// options of Frame2. The rules are in score_input.h; this file reads the
// controls, asks the rules and applies what they decide.
#include "marking/marking_form.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/vbtext.h"
#include "marking/image_cache.h"
#include "marking/score_input.h"
#include "marking/score_journal.h"
#include "ui/image_page_view.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace marking {

ScoreOptions MarkingForm::score_options() const
{
    ScoreOptions o;
    o.option1 = findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked();
    o.option2 = findChild<QRadioButton*>(QStringLiteral("Option2"))->isChecked();
    o.text2 = findChild<QLineEdit*>(QStringLiteral("Text2"))->text();
    o.check2 = findChild<QCheckBox*>(QStringLiteral("Check2"))->isChecked();
    o.text3 = findChild<QLineEdit*>(QStringLiteral("Text3"))->text();
    o.check1 = findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked();
    return o;
}

bool MarkingForm::image_matches(const QString& key) const
{
    return view_->text().contains(key);
}

QString MarkingForm::row_image_key(int row) const
{
    // With the folder separator and the extension, so that the answer of
    // question 3 is not taken for that of question 31 (…_3 is in …_31.gif).
    return u'/' + image_name(buffer_.text(row, QStringLiteral("考号")), buffer_.text(row, QStringLiteral("题号")));
}

void MarkingForm::set_score(int row, const QString& score, bool markUnsaved)
{
    if (row < 1 || row > buffer_.rows())
        return;
    buffer_.setText(row, QStringLiteral("得分"), score);
    if (markUnsaved)
        buffer_.setText(row, QStringLiteral("flag"), QStringLiteral("0"));
    journal_row(row);
}

void MarkingForm::journal_row(int row)
{
    if (!journal_)
        return;
    const QString score = buffer_.text(row, QStringLiteral("得分"));
    // A saved row (flag 1) whose score did not change has nothing to keep.
    if (app::to_double(buffer_.text(row, QStringLiteral("flag"))) != 0 && app::is_numeric(score))
        return;
    const bool kept = journal_->record({buffer_.text(row, QStringLiteral("work_id")),
                                        buffer_.text(row, QStringLiteral("cj_id")),
                                        buffer_.text(row, QStringLiteral("题号")), score, 0});
    if (!kept && !journalWarned_) {
        // The scores still go out with the saves; only the crash protection is gone.
        journalWarned_ = true;
        services_.dialogs.message(QStringLiteral("无法写入本地得分记录：") + journal_->lastError()
                                  + QStringLiteral("\r\r请及时保存已输入的得分。"));
    }
}

void MarkingForm::finish_caret()
{
    text1_->setCursorPosition(int(text1_->text().size()));
}

void MarkingForm::Text1_Change()
{
    if (muteChange_)
        return;
    MarkingState& st = state();
    const int n = buffer_.rows();
    if (n == 0)
        return;
    // Row 1's image only matters while no answer is open: once one is, a
    // first image the server lacks must not switch off the checks of the
    // scores keyed on the other rows.
    if (st.cur_row == 0) {
        if (app::to_double(buffer_.text(1, QStringLiteral("downed"))) == 0)
            return;
        st.cur_row = 1;
        open_cur_row();
    }
    if (st.cur_row < 1 || st.cur_row > n)
        return;
    const QString box = text1_->text();
    if (box == buffer_.text(st.cur_row, QStringLiteral("得分")))
        return;
    if (!image_matches(row_image_key(st.cur_row))) {
        services_.dialogs.message(wrong_image_message(st.cur_row));
        return;
    }
    select_buffer_row(st.cur_row);
    label4_->show();
    const ScoreChange change{box, buffer_.text(st.cur_row, QStringLiteral("得分")),
                             buffer_.text(st.cur_row, QStringLiteral("满分")), n - st.cur_row};
    apply_score_outcome(score_text_changed(change, score_options()));
}

void MarkingForm::apply_score_outcome(const ScoreOutcome& o)
{
    if (!o.errorMessage.isEmpty()) {
        services_.dialogs.message(o.errorMessage);
        return;
    }
    const int row = state().cur_row;
    muteChange_ = true;
    if (text1_->text() != o.boxText)
        text1_->setText(o.boxText);
    muteChange_ = false;
    if (o.column4)
        set_score(row, *o.column4, o.markUnsaved);
    else if (o.markUnsaved && row >= 1 && row <= buffer_.rows())
        buffer_.setText(row, QStringLiteral("flag"), QStringLiteral("0"));
    if (o.label4Text)
        label4_->setText(*o.label4Text);
    if (o.label4 == Visibility::Show)
        label4_->show();
    else if (o.label4 == Visibility::Hide)
        label4_->hide();
    if (o.caretToEnd)
        finish_caret();
    if (o.showProgress)
        show_progress();
    if (o.commit)
        commit_and_next();
}

// Enter on a box text that is no score for the row (a paste the change
// handling could not read): say why and store nothing.
bool MarkingForm::refuse_enter(const QString& boxText)
{
    const std::optional<QString> why = enter_refusal(boxText, buffer_.text(state().cur_row, QStringLiteral("满分")));
    if (!why)
        return false;
    label4_->setText(*why);
    label4_->show();
    return true;
}

void MarkingForm::commit_and_next()
{
    MarkingState& st = state();
    const QString box = text1_->text();
    const CommitMove m = commit_and_next_move(box, st.cur_row, buffer_.rows());
    if (m == CommitMove::Nothing)
        return;
    set_score(st.cur_row, box, true);
    if (m == CommitMove::Next) {
        st.cur_row += 1;
        open_cur_row();
        text1_->setText(buffer_.text(st.cur_row, QStringLiteral("得分")));
        finish_caret();
    } else {
        save_scores();
    }
    select_buffer_row(st.cur_row);
}

void MarkingForm::move_row(int delta)
{
    MarkingState& st = state();
    st.cur_row += delta;
    if (delta < 0) {
        text1_->setText(buffer_.text(st.cur_row, QStringLiteral("得分")));
        open_cur_row();
    } else {
        open_cur_row();
        text1_->setText(buffer_.text(st.cur_row, QStringLiteral("得分")));
    }
    finish_caret();
}

bool MarkingForm::Text1_KeyDown(int key)
{
    MarkingState& st = state();
    const int n = buffer_.rows();
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
                                         open && image_matches(row_image_key(st.cur_row)));
    if (!d.handled)
        return false;
    if (d.showWrongImage) {
        services_.dialogs.message(wrong_image_message(st.cur_row));
        return true;
    }
    if (d.column4 && refuse_enter(*d.column4))
        return true;
    if (d.column4)
        set_score(st.cur_row, *d.column4, d.markUnsaved);
    switch (d.move) {
    case KeyDecision::Move::Next: move_row(+1); break;
    case KeyDecision::Move::Previous: move_row(-1); break;
    case KeyDecision::Move::Save: save_scores(); break;
    case KeyDecision::Move::None: break;
    }
    if (d.boxText) {
        text1_->setText(*d.boxText);
        finish_caret();
    }
    if (d.selectRow)
        select_buffer_row(st.cur_row);
    return d.suppressKey;
}

void MarkingForm::Number_Click(int index)
{
    MarkingState& st = state();
    text1_->setFocus();
    text1_->setCursorPosition(focus_caret(text1_->text()));
    const int n = buffer_.rows();
    const bool firstDownloaded = n > 0 && app::to_double(buffer_.text(1, QStringLiteral("downed"))) == 1;
    const PadDecision d = pad_click(index, text1_->text(), {st.cur_row, n}, firstDownloaded);
    if (d.openFirstRow) {
        st.cur_row = 1;
        open_cur_row();
    }
    if (d.column4 && refuse_enter(*d.column4))
        return;
    if (d.column4)
        set_score(st.cur_row, *d.column4, false);
    switch (d.move) {
    case PadDecision::Move::Next: move_row(+1); break;
    case PadDecision::Move::Previous: move_row(-1); break;
    case PadDecision::Move::Save: save_scores(); break;
    case PadDecision::Move::None: break;
    }
    if (d.boxText)
        text1_->setText(*d.boxText);
    if (d.markUnsaved && st.cur_row >= 1 && st.cur_row <= n) {
        buffer_.setText(st.cur_row, QStringLiteral("flag"), QStringLiteral("0"));
        journal_row(st.cur_row);
    }
    if (d.label4Text)
        label4_->setText(*d.label4Text);
    if (d.showLabel4)
        label4_->show();
    if (d.finish) {
        if (st.cur_row == 0)
            st.cur_row = 1;
        select_buffer_row(st.cur_row);
        text1_->setFocus();
        finish_caret();
    }
}

void MarkingForm::Option1_Click()
{
    const ModeControls m = score_mode_selected(true, findChild<QLineEdit*>(QStringLiteral("Text2"))->text());
    findChild<QPushButton*>(QStringLiteral("Number_10"))->setEnabled(m.padPointEnabled);
    findChild<QCheckBox*>(QStringLiteral("Check2"))->setEnabled(m.check2Enabled);
    findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(m.text2);
}

void MarkingForm::Option2_Click()
{
    const ModeControls m = score_mode_selected(false, findChild<QLineEdit*>(QStringLiteral("Text2"))->text());
    findChild<QPushButton*>(QStringLiteral("Number_10"))->setEnabled(m.padPointEnabled);
    findChild<QCheckBox*>(QStringLiteral("Check2"))->setEnabled(m.check2Enabled);
    findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(m.text2);
}

void MarkingForm::Text2_LostFocus()
{
    auto* t = findChild<QLineEdit*>(QStringLiteral("Text2"));
    t->setText(text2_after_focus_out(t->text()));
}

void MarkingForm::Text3_LostFocus()
{
    auto* t = findChild<QLineEdit*>(QStringLiteral("Text3"));
    t->setText(text3_after_focus_out(t->text()));
}

}  // namespace marking
