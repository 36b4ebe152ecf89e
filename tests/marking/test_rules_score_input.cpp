// The score box rules: what typing or pasting leaves in the box, in column 4
// and in Label4, and when a score is confirmed; the Back rule; keys and pad.
#include "marking/score_input.h"

#include <QTest>

using namespace marking;

namespace {

// The screen side of the score box, reduced to what the rules touch: one
// row being marked, the box, Label4, and the rows confirmed so far. A commit
// moves on to an empty next row, as commit_and_next does.
struct Box {
    QString box, col4, flag = QStringLiteral("1"), caption = QStringLiteral("message");
    bool labelVisible = false;
    QStringList committed;
    QString error;

    void apply(const ScoreOutcome& o)
    {
        box = o.boxText;
        if (o.column4)
            col4 = *o.column4;
        if (o.markUnsaved)
            flag = QStringLiteral("0");
        if (o.label4Text)
            caption = *o.label4Text;
        if (o.label4 != Visibility::Leave)
            labelVisible = o.label4 == Visibility::Show;
        if (!o.errorMessage.isEmpty())
            error = o.errorMessage;
        if (o.commit) {
            committed << box;
            box.clear();
            col4.clear();
            flag = QStringLiteral("1");
        }
    }
    void change(const QString& text, const QString& full, const ScoreOptions& opt)
    {
        box = text;
        apply(score_text_changed({box, col4, full, 20}, opt));
    }
};

ScoreOptions options(const QString& flags)
{
    // "I" integer, "D2" two places, "C5" completion with 5, "S" smart switching
    ScoreOptions o;
    for (const QString& part : flags.split(u' ', Qt::SkipEmptyParts)) {
        if (part == u"I") {
            o.option1 = true;
            o.option2 = false;
        } else if (part.startsWith(u'D')) {
            o.text2 = part.mid(1);
        } else if (part.startsWith(u'C')) {
            o.check2 = true;
            o.text3 = part.mid(1);
        } else if (part == u"S") {
            o.check1 = true;
        }
    }
    return o;
}

}  // namespace

class ScoreInputTest : public QObject {
    Q_OBJECT
private slots:
    void entry_data()
    {
        QTest::addColumn<QString>("opts");
        QTest::addColumn<QString>("full");
        QTest::addColumn<bool>("typed");  // one change per character, or one paste
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("col4");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("committed");

        const QString over = msg_over_full(), digits = msg_digits_only(), none = QStringLiteral("message");
        QTest::newRow("smart, full 8: 5 commits") << "I S" << "8" << true << "5" << "" << "" << none << true << "5";
        QTest::newRow("smart, full 10: 1 waits") << "I S" << "10" << true << "1" << "1" << "1" << none << false << "";
        QTest::newRow("smart, full 10: 10 commits") << "I S" << "10" << true << "10" << "" << "" << none << true << "10";
        QTest::newRow("smart, full 10: 0 waits for Enter") << "I S" << "10" << true << "0" << "0" << "0" << none << false << "";
        QTest::newRow("9 over 8 empties the box") << "" << "8" << true << "9" << "" << "" << over << true << "";
        QTest::newRow("85 typed leaves 8, message shown") << "" << "8" << true << "85" << "8" << "8" << over << true << "";
        // pasted: the nested run stores 8; the refusal is still shown
        QTest::newRow("85 pasted stores 8, message shown") << "" << "8" << false << "85" << "8" << "8" << over << true << "";
        QTest::newRow("856 pasted cuts back to 8") << "" << "8" << false << "856" << "8" << "8" << over << true << "";
        QTest::newRow("85 pasted, integer smart: 8 confirmed") << "I S" << "8" << false << "85" << "" << "" << over << true << "8";
        QTest::newRow("7. with completion 5") << "C5" << "10" << true << "7." << "7.5" << "7.5" << none << false << "";
        QTest::newRow("7. with completion 5, smart") << "C5 S" << "10" << true << "7." << "" << "" << none << true << "7.5";
        QTest::newRow("8. completed over full 8 is not confirmed") << "C5 S" << "8" << true << "8." << "8." << "8" << over << true << "";
        QTest::newRow("7.7 within full 7.7") << "" << "7.7" << false << "7.7" << "7.7" << "7.7" << none << false << "";
        QTest::newRow("7.25 cut to 7.2") << "" << "10" << true << "7.25" << "7.2" << "7.2" << none << false << "";
        QTest::newRow("7.25 cut, two places keep it") << "D2" << "10" << true << "7.25" << "7.25" << "7.25" << none << false << "";
        QTest::newRow("smart decimal commits at one place") << "S" << "10" << true << "7.2" << "" << "" << none << true << "7.2";
        QTest::newRow("integer: 7.5 pasted is 75") << "I" << "100" << false << "7.5" << "75" << "75" << none << false << "";
        QTest::newRow("integer: 7.5 pasted over full 10") << "I" << "10" << false << "7.5" << "7" << "7" << over << true << "";
        QTest::newRow("integer: the point vanishes as typed") << "I" << "100" << true << "7.5" << "75" << "75" << none << false << "";
        QTest::newRow("point alone") << "" << "10" << false << "." << "0." << "0." << none << false << "";
        QTest::newRow("blank removed") << "" << "20" << false << "1 2" << "12" << "12" << none << false << "";
        QTest::newRow("comma removed") << "" << "20" << false << "1,5" << "15" << "15" << none << false << "";
        QTest::newRow("full-width digits and point") << "" << "20" << true << "１２。５" << "12.5" << "12.5" << none << false << "";
        QTest::newRow("full-width comma and blank") << "" << "20" << false << "１，５　" << "15" << "15" << none << false << "";
        QTest::newRow("letter into empty box") << "" << "10" << true << "a" << "" << "" << digits << true << "";
        QTest::newRow("letter after a digit") << "" << "10" << true << "5a" << "5" << "5" << digits << false << "";
        QTest::newRow("a tab is no digit") << "" << "10" << false << "5\t" << "5" << "5" << digits << false << "";
    }
    void entry()
    {
        QFETCH(QString, opts);
        QFETCH(QString, full);
        QFETCH(bool, typed);
        QFETCH(QString, input);
        const ScoreOptions o = options(opts);
        Box b;
        if (typed) {
            for (const QChar c : input)
                b.change(b.box + c, full, o);
        } else {
            b.change(input, full, o);
        }
        QTEST(b.box, "box");
        QTEST(b.col4, "col4");
        QTEST(b.caption, "caption");
        QTEST(b.labelVisible, "visible");
        QTEST(b.committed.join(u'|'), "committed");
        QCOMPARE(b.error, QString());
    }

    void storingDetails()
    {
        // A stored score marks the row unsaved, puts the caret at the end and,
        // near the end of the batch, refreshes the progress.
        ScoreOutcome o = score_text_changed({"6", "", "10", 3}, {});
        QCOMPARE(o.column4, std::optional<QString>("6"));
        QVERIFY(o.markUnsaved && o.caretToEnd && o.showProgress);
        QVERIFY(!score_text_changed({"6", "", "10", 10}, {}).showProgress);

        // The program showing a stored score changes nothing.
        o = score_text_changed({"6", "6", "10", 3}, {});
        QVERIFY(!o.column4 && !o.markUnsaved && !o.commit && o.label4 == Visibility::Leave);

        // Deleting the score empties column 4 but leaves column 8 and Label4 shown.
        o = score_text_changed({"", "6", "10", 3}, {});
        QCOMPARE(o.column4, std::optional<QString>(""));
        QVERIFY(!o.markUnsaved);
        QCOMPARE(o.label4, Visibility::Show);
    }

    void unreadableTexts_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("full");
        QTest::newRow("pasted word") << "abc" << "10";
        QTest::newRow("two points") << "1.2.3" << "10";
        QTest::newRow("no full mark") << "5" << "";
        QTest::newRow("huge text") << QString(5000, u'x') << "10";
        QTest::newRow("huge number") << QString(3000, u'9') << "10";
        // They read as numbers, but no score is negative or written with a
        // sign or an exponent (the server refuses them).
        QTest::newRow("negative") << "-3" << "10";
        QTest::newRow("plus sign") << "+5" << "10";
        QTest::newRow("exponent") << "1e1" << "100";
    }
    void unreadableTexts()
    {
        // Reported in a message box; nothing is stored.
        QFETCH(QString, box);
        QFETCH(QString, full);
        const ScoreOutcome o = score_text_changed({box, "4", full, 20}, {});
        QVERIFY(o.errorMessage.startsWith("在函数 Text1_Change 中发生错误！\r\r试一试用键盘输入分数！"));
        QVERIFY(!o.column4 && !o.commit);
    }

    void enterRefusal_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("message");  // empty: Enter may confirm it
        QTest::newRow("empty box: Enter's own rule") << "" << "10" << "";
        QTest::newRow("a score") << "7.5" << "10" << "";
        QTest::newRow("trailing point") << "7." << "10" << "";
        QTest::newRow("the full mark") << "7.7" << "7.7" << "";
        QTest::newRow("no full mark to check") << "7" << "" << "";
        QTest::newRow("over the full mark") << "11" << "10" << msg_over_full();
        QTest::newRow("negative") << "-3" << "10" << msg_digits_only();
        QTest::newRow("pasted word") << "abc" << "10" << msg_digits_only();
        QTest::newRow("exponent") << "1e1" << "100" << msg_digits_only();
    }
    void enterRefusal()
    {
        QFETCH(QString, box);
        QFETCH(QString, full);
        QTEST(enter_refusal(box, full).value_or(QString()), "message");
    }

    void backRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("one decimal goes with its point") << "12.5" << "12";
        QTest::newRow("trailing point") << "12." << "12";
        QTest::newRow("two decimals lose one") << "12.25" << "12.2";
        QTest::newRow("integer") << "12" << "1";
        QTest::newRow("single digit") << "7" << "";
        QTest::newRow("point alone") << "." << "";
    }
    void backRule()
    {
        QFETCH(QString, text);
        QTEST(back_rule(text), "result");
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("cur");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("move");
        QTest::addColumn<bool>("stores");
        QTest::addColumn<QString>("newBox");
        using M = KeyDecision::Move;
        const int enter = int(ScoreKey::Enter), up = int(ScoreKey::Up), down = int(ScoreKey::Down),
                  back = int(ScoreKey::Backspace);
        QTest::newRow("Enter moves on") << enter << "5" << 1 << 5 << int(M::Next) << true << "";
        QTest::newRow("Enter on n-1 of n saves") << enter << "5" << 4 << 5 << int(M::Save) << true << "";
        QTest::newRow("Enter on the last row saves") << enter << "5" << 5 << 5 << int(M::Save) << true << "";
        QTest::newRow("Enter on an empty box") << enter << "" << 1 << 5 << int(M::None) << false << "";
        QTest::newRow("Up on row 1") << up << "5" << 1 << 5 << int(M::None) << false << "";
        QTest::newRow("Up") << up << "5" << 3 << 5 << int(M::Previous) << false << "";
        QTest::newRow("Down on the last row") << down << "5" << 5 << 5 << int(M::None) << false << "";
        QTest::newRow("Down") << down << "5" << 4 << 5 << int(M::Next) << false << "";
        QTest::newRow("Backspace uses the trimmed text") << back << " 12.5 " << 2 << 5 << int(M::None) << false << "12";
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(QString, box);
        QFETCH(int, cur);
        QFETCH(int, count);
        const KeyDecision d = score_key_down(ScoreKey(key), box, {cur, count}, true);
        QVERIFY(d.handled);
        QTEST(int(d.move), "move");
        QTEST(d.column4.has_value() && d.markUnsaved, "stores");
        QTEST(d.boxText.value_or(QString()), "newBox");
    }

    void keyGuards()
    {
        // A confirmed score moves on up to the last row (unlike key Enter), then saves.
        QCOMPARE(commit_and_next_move("5", 4, 5), CommitMove::Next);
        QCOMPARE(commit_and_next_move("5", 5, 5), CommitMove::Save);
        QCOMPARE(commit_and_next_move("", 1, 5), CommitMove::Nothing);

        QVERIFY(!score_key_down(ScoreKey::Enter, "5", {0, 5}, true).handled);
        QVERIFY(!score_key_down(ScoreKey::Other, "5", {1, 0}, true).handled);
        // Another answer on screen: the message only, and the key is swallowed.
        const KeyDecision d = score_key_down(ScoreKey::Enter, "5", {2, 5}, false);
        QVERIFY(d.showWrongImage && d.suppressKey && !d.column4 && d.move == KeyDecision::Move::None);
        QCOMPARE(wrong_image_message(2),
                 QStringLiteral("当前批阅的试题图片文件不正确！\r\r请关闭此提示信息后，点击左侧《当前缓存试题列表>的第 2 行更新试题图片。"));
        // Other keys reach the box and select the row.
        const KeyDecision o = score_key_down(ScoreKey::Other, "5", {2, 5}, true);
        QVERIFY(o.selectRow && !o.suppressKey);
    }

    void pad()
    {
        using M = PadDecision::Move;
        // Digits and the point append; a second point does nothing.
        QCOMPARE(pad_click(7, "1", {1, 5}, true).boxText, std::optional<QString>("17"));
        QCOMPARE(pad_click(10, "1", {1, 5}, true).boxText, std::optional<QString>("1."));
        QVERIFY(!pad_click(10, "1.5", {1, 5}, true).boxText);
        // Enter: empty box asks for a score; otherwise stores (flag untouched) and moves or saves.
        PadDecision d = pad_click(11, "", {1, 5}, true);
        QCOMPARE(d.label4Text, std::optional<QString>(msg_enter_score()));
        QVERIFY(d.showLabel4 && !d.finish);
        d = pad_click(11, "6", {4, 5}, true);
        QCOMPARE(d.column4, std::optional<QString>("6"));
        QVERIFY(!d.markUnsaved);
        QCOMPARE(d.move, M::Save);
        // "下一题" on row n-1 of n moves to row n; on row n it stops.
        QCOMPARE(pad_click(13, "6", {4, 5}, true).move, M::Next);
        QCOMPARE(pad_click(13, "6", {5, 5}, true).move, M::None);
        QCOMPARE(pad_click(12, "6", {1, 5}, true).move, M::None);
        QCOMPARE(pad_click(12, "6", {2, 5}, true).move, M::Previous);
        // Back: the Back rule and the row marked unsaved; nothing on an empty box.
        d = pad_click(14, "12.5", {2, 5}, true);
        QCOMPARE(d.boxText, std::optional<QString>("12"));
        QVERIFY(d.markUnsaved);
        QCOMPARE(pad_click(14, "12", {2, 5}, true).boxText, std::optional<QString>("1"));
        QVERIFY(!pad_click(14, "", {2, 5}, true).boxText);
        // Nothing before the first answer is downloaded; the first row opens on the first click.
        QVERIFY(!pad_click(5, "", {0, 5}, false).finish);
        // Once an answer is open, row 1's image no longer matters.
        QCOMPARE(pad_click(5, "1", {2, 5}, false).boxText, std::optional<QString>("15"));
        QVERIFY(!pad_click(5, "", {0, 0}, true).finish);
        d = pad_click(5, "", {0, 5}, true);
        QVERIFY(d.openFirstRow && d.finish);
    }

    void optionFallbacks()
    {
        QCOMPARE(text2_after_focus_out("2"), QStringLiteral("2"));
        QCOMPARE(text2_after_focus_out("x"), QStringLiteral("1"));
        QCOMPARE(text2_after_focus_out("-1"), QStringLiteral("1"));
        QCOMPARE(text3_after_focus_out(""), QStringLiteral("5"));
        QCOMPARE(text3_after_focus_out("25"), QStringLiteral("25"));
        const ModeControls integer = score_mode_selected(true, "0");
        QVERIFY(!integer.padPointEnabled && !integer.check2Enabled);
        QCOMPARE(integer.text2, QStringLiteral("0"));
        const ModeControls decimal = score_mode_selected(false, "0");
        QVERIFY(decimal.padPointEnabled && decimal.check2Enabled);
        QCOMPARE(decimal.text2, QStringLiteral("1"));
        QCOMPARE(score_mode_selected(false, "2").text2, QStringLiteral("2"));
        QCOMPARE(focus_caret(" 12 "), 2);
    }
};

QTEST_GUILESS_MAIN(ScoreInputTest)
#include "test_rules_score_input.moc"
