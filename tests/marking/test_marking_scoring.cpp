// Score entry and saving on the marking screen against the stub server:
// keys, pad, the image check, both saves, and the journal that keeps
// every keyed score until the server has it.
#include "marking_fixture.h"

#include "marking/saving.h"
#include "marking/score_input.h"
#include "marking/score_journal.h"
#include "net/page_channel.h"
#include "ui/status_box.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QCloseEvent>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using markingtest::answer;
using markingtest::batch;
using markingtest::Fixture;
using markingtest::png_bytes;

namespace {

// A batch of n answers (work ids 41.., cj ids 9.., question 3, full mark
// 10), every image cached, row 1 open.
void openMarking(Fixture& f, int n = 3)
{
    QStringList answers;
    for (int i = 0; i < n; ++i) {
        const QString kh = QString::number(1001 + i);
        f.writeCached(kh + "_3.gif", png_bytes());
        answers << answer(41 + i, 9 + i, "3", kh);
    }
    f.stub.setReply("net_get_work.asp", "no_work");
    f.stub.setReply("net_user_work.asp", batch({answer(90, 99, "3", "2001")}));
    f.open();
    QTRY_VERIFY(!f.form->webBrowser1().busy());
    f.form->state().th_bj = "3";
    f.form->fill_buffer_list(batch(answers));
    f.form->fetcher().timer1().stop();
    f.form->fetcher().Timer1_Timer();
    f.form->ListView1_ItemClick(1);
    QCOMPARE(f.form->state().cur_row, 1);
}

QLineEdit* box(Fixture& f) { return f.find<QLineEdit>("Text1"); }

void key(Fixture& f, const QString& text)
{
    QTest::keyClicks(box(f), text);
}

void enter(Fixture& f) { QTest::keyClick(box(f), Qt::Key_Return); }

QByteArray fs_str_of(const QByteArray& target)
{
    return testsupport::StubServer::queryValue(target, "fs_str");
}

}  // namespace

class MarkingScoringTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    // Enter on row n−1 of n saves (the score string holds both rows), the
    // box is cleared but the row keeps its score, and the next batch follows.
    void keyEnterOnLastButOneSaves()
    {
        Fixture f;
        openMarking(f, 3);
        f.stub.setReply("net_save_fs.asp", "save_ok");
        key(f, "5");
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("5"));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Flag), QString("0"));
        enter(f);
        QCOMPARE(f.form->state().cur_row, 2);
        key(f, "7.5");
        enter(f);
        QCOMPARE(f.form->state().cur_row, 2);  // saved, not moved
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(f.form->bufferList().text(2, marking::Col::Score), QString("7.5"));
        QCOMPARE(f.form->statusBox().text(), QString("正在保存试卷(主观题)得分......"));
        // The journal holds both until the new batch comes after the save.
        QCOMPARE(f.form->saver().journal()->pending().size(), 2);
        QTRY_COMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
        const QByteArray target = f.stub.lastRequestFor("net_save_fs.asp");
        QVERIFY(target.startsWith("/cj/net_save_fs.asp?ks_id=7&km_id=2&js_id=5&js_name="));
        QCOMPARE(fs_str_of(target), QByteArray("0,;41,5;42,7.5;"));
        QTRY_COMPARE(f.form->bufferList().text(1, marking::Col::WorkId), QString("90"));
        QVERIFY(f.form->saver().journal()->pending().isEmpty());
    }

    // A manual save that fails (error page) keeps the row's score in the
    // list and in the journal.
    void failedSaveKeepsTheScore()
    {
        Fixture f;
        openMarking(f, 2);
        f.stub.setReply("net_save_fs.asp", "gone", 404);
        key(f, "6");
        f.find<QPushButton>("Command1")->click();
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("6"));
        QTRY_COMPARE(f.t.dialogs.messages.size(), 1);
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("6"));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::WorkId), QString("41"));
        QCOMPARE(f.form->saver().journal()->pending().size(), 1);
        QVERIFY(f.stub.requestsFor("net_user_work.asp").size() <= 1);
    }

    void padMovesAndEnter()
    {
        Fixture f;
        openMarking(f, 3);
        auto& b = f.form->bufferList();
        // "下一题" on row n−1 moves to row n (key Enter would save).
        f.form->scorePanel().Number_Click(13);
        QCOMPARE(f.form->state().cur_row, 2);
        f.form->scorePanel().Number_Click(13);
        QCOMPARE(f.form->state().cur_row, 3);
        f.form->scorePanel().Number_Click(13);
        QCOMPARE(f.form->state().cur_row, 3);
        f.form->scorePanel().Number_Click(12);
        QCOMPARE(f.form->state().cur_row, 2);
        // Digits and Back from the pad.
        f.form->scorePanel().Number_Click(8);
        f.form->scorePanel().Number_Click(10);
        f.form->scorePanel().Number_Click(5);
        QCOMPARE(box(f)->text(), QString("8.5"));
        QCOMPARE(b.text(2, marking::Col::Score), QString("8.5"));
        f.form->scorePanel().Number_Click(14);
        QCOMPARE(box(f)->text(), QString("8"));
        QCOMPARE(b.text(2, marking::Col::Score), QString("8"));
        // Pad Enter on an empty box asks for a score.
        f.form->scorePanel().Number_Click(14);
        f.form->scorePanel().Number_Click(14);
        QCOMPARE(box(f)->text(), QString());
        f.form->scorePanel().Number_Click(11);
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("请输入试题得分！"));
        QVERIFY(!f.find<QLabel>("Label4")->isHidden());
        QCOMPARE(f.form->state().cur_row, 2);
    }

    // Key Enter marks a saved row unsaved again; pad Enter leaves its flag.
    void enterOnASavedRow()
    {
        Fixture f;
        openMarking(f, 4);
        auto& b = f.form->bufferList();
        b.setText(1, marking::Col::Score, "6");
        b.setText(1, marking::Col::Flag, "1");
        box(f)->setText("6");
        f.form->scorePanel().Number_Click(11);
        QCOMPARE(b.text(1, marking::Col::Flag), QString("1"));
        QCOMPARE(f.form->state().cur_row, 2);
        QTest::keyClick(box(f), Qt::Key_Up);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(box(f)->text(), QString("6"));
        enter(f);
        QCOMPARE(b.text(1, marking::Col::Flag), QString("0"));
        QCOMPARE(f.form->state().cur_row, 2);
        QCOMPARE(f.form->saver().journal()->pending().size(), 1);
    }

    void typedScoresMeetTheRules()
    {
        Fixture f;
        openMarking(f, 3);
        auto& b = f.form->bufferList();
        key(f, "11");  // full mark 10
        QCOMPARE(box(f)->text(), QString("1"));
        QCOMPARE(b.text(1, marking::Col::Score), QString("1"));
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("输入分数大于满分！"));
        QTest::keyClick(box(f), Qt::Key_Backspace);
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(b.text(1, marking::Col::Score), QString());
        key(f, "a");
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("只能输入数字！"));
        // Smart switching: "10" cannot grow, so it is confirmed at once.
        f.find<QRadioButton>("Option1")->click();
        f.find<QCheckBox>("Check1")->setChecked(true);
        key(f, "1");
        QCOMPARE(f.form->state().cur_row, 1);
        key(f, "0");
        QCOMPARE(b.text(1, marking::Col::Score), QString("10"));
        QCOMPARE(f.form->state().cur_row, 2);
        QVERIFY(f.t.dialogs.messages.isEmpty());
    }

    // A pasted text the change handling can't read stays in the box but
    // is no score: neither Enter stores it or moves on.
    void enterRefusesAnUnreadBox()
    {
        Fixture f;
        openMarking(f, 3);
        auto& b = f.form->bufferList();
        key(f, "6");
        box(f)->setText("-3");
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(f.t.dialogs.messages.first().startsWith("在函数 Text1_Change 中发生错误！"));
        QCOMPARE(b.text(1, marking::Col::Score), QString("6"));
        enter(f);
        f.form->scorePanel().Number_Click(11);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(b.text(1, marking::Col::Score), QString("6"));
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("只能输入数字！"));
        QVERIFY(!f.find<QLabel>("Label4")->isHidden());
        QCOMPARE(f.form->saver().journal()->pending().first().score, QString("6"));
    }

    void scoreOptions()
    {
        Fixture f;
        openMarking(f, 2);
        auto* text2 = f.find<QLineEdit>("Text2");
        f.find<QRadioButton>("Option1")->click();
        QVERIFY(!f.find<QPushButton>("Number_10")->isEnabled());
        QVERIFY(!f.find<QCheckBox>("Check2")->isEnabled());
        key(f, "7.5");  // "." is dropped: 75 is over the full mark 10 and cut back
        QCOMPARE(box(f)->text(), QString("7"));
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("输入分数大于满分！"));
        text2->setText("0");
        f.find<QRadioButton>("Option2")->click();
        QCOMPARE(text2->text(), QString("1"));
        QVERIFY(f.find<QPushButton>("Number_10")->isEnabled());
        QVERIFY(f.find<QCheckBox>("Check2")->isEnabled());
        // Focus leaving Text2 / Text3 with a bad value falls back.
        text2->setText("-2");
        f.form->scorePanel().options().Text2_LostFocus();
        QCOMPARE(text2->text(), QString("1"));
        f.find<QLineEdit>("Text3")->setText("x");
        f.form->scorePanel().options().Text3_LostFocus();
        QCOMPARE(f.find<QLineEdit>("Text3")->text(), QString("5"));
    }

    // Another answer's image in the view: keys and changes say so and
    // store nothing. Question 3's key must not match question 31's image.
    void wrongImage()
    {
        Fixture f;
        openMarking(f, 2);
        f.writeCached("1001_31.gif", png_bytes());
        f.form->imageView().showImages({f.cached("1001_31.gif")});
        const QString msg = marking::wrong_image_message(1);
        key(f, "5");
        QCOMPARE(f.t.dialogs.messages, QStringList{msg});
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString());
        box(f)->setText("4");
        QCOMPARE(f.t.dialogs.messages, QStringList({msg, msg}));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString());
        enter(f);
        QCOMPARE(f.t.dialogs.messages.size(), 3);
        QTest::keyClick(box(f), Qt::Key_Shift);  // an input-method switch says nothing
        QCOMPARE(f.t.dialogs.messages.size(), 3);
        QCOMPARE(f.form->state().cur_row, 1);
        QVERIFY(f.form->saver().journal()->pending().isEmpty());
    }

    void closedExam()
    {
        Fixture f;
        openMarking(f, 2);
        key(f, "5");
        app::session().KS_INPUT = 2;
        f.form->save_scores();
        QCOMPARE(f.t.dialogs.messages, QStringList{marking::closed_exam_message()});
        f.form->auto_save();
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(!f.form->webBrowser1().busy());
        QVERIFY(!f.form->webBrowser3().busy());
        f.form->bufferList().clearRows();
        f.form->save_scores();
        QCOMPARE(f.t.dialogs.messages.size(), 1);
    }

    // The automatic save's reply: saved_ids marks exactly its rows; the
    // one sent but not listed is reported; a reply not starting with
    // "save" changes nothing; an empty list marks nothing.
    void markSavedReplies()
    {
        Fixture f;
        openMarking(f, 3);
        auto& b = f.form->bufferList();
        key(f, "5");
        enter(f);
        key(f, "7");
        QCOMPARE(b.text(2, marking::Col::Score), QString("7"));
        QStringList replies{"ok", "saved_ids=", "saved_ids=41"};
        f.stub.setHandler("net_save_fs.asp", [&replies](const QByteArray&) {
            return testsupport::StubReply{replies.takeFirst().toUtf8()};
        });
        for (int i = 0; i < 3; ++i) {
            f.form->auto_save();
            QTRY_COMPARE(f.stub.requestsFor("net_save_fs.asp").size(), i + 1);
            QCOMPARE(fs_str_of(f.stub.lastRequestFor("net_save_fs.asp")), QByteArray("0,;41,5;42,7;"));
            QVERIFY(f.stub.lastRequestFor("net_save_fs.asp").startsWith("/cj/net_save_fs.asp?auto_save=1&ks_id=7"));
            QTRY_VERIFY(!f.form->webBrowser3().busy());
        }
        QCOMPARE(b.text(1, marking::Col::Flag), QString("1"));
        QCOMPARE(b.text(2, marking::Col::Flag), QString("0"));
        QCOMPARE(b.text(3, marking::Col::Flag), QString("0"));
        // "saved_ids=" refused both (one message), then 42 again: told once.
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(f.t.dialogs.messages.first().startsWith("以下得分服务器没有接受："));
        QVERIFY(f.t.dialogs.messages.first().contains("得分 7"));
        QVERIFY(f.form->saver().journal()->pending().isEmpty());
    }

    // A journal that can't be written is said once; the score is still stored.
    void unwritableJournalIsToldOnce()
    {
        Fixture f;
        QDir().mkpath(f.cached(marking::ScoreJournal::fileName(5)));  // a folder where the file goes
        openMarking(f, 3);
        key(f, "5");
        enter(f);
        key(f, "6");
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(f.t.dialogs.messages.first().startsWith("无法写入本地得分记录："));
        QCOMPARE(f.form->bufferList().text(2, marking::Col::Score), QString("6"));
    }

    // A batch that replaced the list before its scores were saved: the
    // automatic save still sends them, from the journal.
    void autoSaveSendsScoresOfAnEarlierBatch()
    {
        Fixture f;
        openMarking(f, 2);
        key(f, "5");
        f.form->fill_buffer_list(batch({answer(60, 20, "3", "1001")}));
        f.stub.setReply("net_save_fs.asp", "saved_ids=41");
        f.form->auto_save();
        QTRY_COMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
        QCOMPARE(fs_str_of(f.stub.lastRequestFor("net_save_fs.asp")), QByteArray("0,;41,5;"));
        QTRY_VERIFY(f.form->saver().journal()->pending().isEmpty());
        QVERIFY(f.t.dialogs.messages.isEmpty());
    }

    // Row 1's image missing on the server: the other rows are still
    // checked against their full mark, from the keyboard and from the pad.
    void firstImageMissingKeepsTheChecks()
    {
        Fixture f;
        f.writeCached("1002_3.gif", png_bytes());
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        f.form->state().th_bj = "3";
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")}));
        f.form->fetcher().timer1().stop();
        auto& b = f.form->bufferList();
        b.setText(2, marking::Col::Downed, "1");  // row 1 stays "0": the server has no image for it
        f.form->ListView1_ItemClick(2);
        QCOMPARE(f.form->state().cur_row, 2);
        key(f, "15");  // full mark 10
        QCOMPARE(box(f)->text(), QString("1"));
        QCOMPARE(b.text(2, marking::Col::Score), QString("1"));
        QCOMPARE(f.find<QLabel>("Label4")->text(), QString("输入分数大于满分！"));
        f.form->scorePanel().Number_Click(0);
        QCOMPARE(box(f)->text(), QString("10"));
        QCOMPARE(b.text(2, marking::Col::Score), QString("10"));
        QCOMPARE(b.text(1, marking::Col::Score), QString());
    }

    // Clicking the second row of an answer group opens the group from its
    // first row: the box shows that row's score, and the clicked row's
    // score is not copied onto it.
    void groupClickShowsTheFirstRowsScore()
    {
        Fixture f;
        for (const char* n : {"1001_3.gif", "1001_5.gif"})
            f.writeCached(n, png_bytes());
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        f.form->state().th_bj = "3,5";
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001"), answer(42, 9, "5", "1001", "6")}));
        f.form->fetcher().timer1().stop();
        f.form->fetcher().Timer1_Timer();
        auto& b = f.form->bufferList();
        f.form->ListView1_ItemClick(2);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(b.text(1, marking::Col::Score), QString());
        QCOMPARE(b.text(2, marking::Col::Score), QString("6"));
        QVERIFY(f.form->saver().journal()->pending().isEmpty());
    }

    // A row opened with a score shows it selected: the first digit typed
    // replaces it ("3" then "4" is 4, not 34). Backspace and the pad act on
    // the text as before.
    void rescoringReplacesTheOpenedScore()
    {
        Fixture f;
        openMarking(f, 3);
        key(f, "3");
        enter(f);
        QCOMPARE(f.form->state().cur_row, 2);
        QTest::keyClick(box(f), Qt::Key_Up);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(box(f)->selectedText(), QString("3"));
        key(f, "4");
        QCOMPARE(box(f)->text(), QString("4"));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("4"));
        QVERIFY(f.t.dialogs.messages.isEmpty());

        f.form->ListView1_ItemClick(2);
        f.form->ListView1_ItemClick(1);
        QCOMPARE(box(f)->selectedText(), QString("4"));
        f.form->scorePanel().Number_Click(7);  // the pad appends, as before
        QCOMPARE(box(f)->text(), QString("4"));  // 47 is over the full mark: cut back
        QCOMPARE(f.find<QLabel>("Label4")->text(), marking::msg_over_full());
        f.form->ListView1_ItemClick(1);
        QTest::keyClick(box(f), Qt::Key_Backspace);
        QCOMPARE(box(f)->text(), QString());
    }

    // With two questions ticked, "上一题" back onto the previous student shows
    // that student's answers, and the answer being scored is framed and
    // named.
    void groupMovesKeepRowAndImageTogether()
    {
        Fixture f;
        for (const char* n : {"1001_3.gif", "1001_5.gif", "1002_3.gif", "1002_5.gif"})
            f.writeCached(n, png_bytes());
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        f.form->state().th_bj = "3,5";
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001"), answer(42, 9, "5", "1001"),
                                        answer(43, 10, "3", "1002"), answer(44, 10, "5", "1002")}));
        f.form->fetcher().timer1().stop();
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(1);
        auto* frame3 = f.find<QGroupBox>("Frame3");
        QCOMPARE(f.form->imageView().marked(), 0);
        QCOMPARE(frame3->title(), QString("分数输入面板：第3题"));
        key(f, "6");
        enter(f);
        QCOMPARE(f.form->state().cur_row, 2);
        QCOMPARE(f.form->imageView().marked(), 1);
        QCOMPARE(frame3->title(), QString("分数输入面板：第5题"));
        key(f, "7");
        enter(f);
        QCOMPARE(f.form->state().cur_row, 3);
        QVERIFY(f.form->imageView().text().startsWith("<IMG src=" + f.cached("1002_3.gif")));
        QCOMPARE(f.form->imageView().marked(), 0);

        f.form->scorePanel().Number_Click(12);  // 上一题
        QCOMPARE(f.form->state().cur_row, 2);
        QVERIFY(f.form->imageView().text().startsWith("<IMG src=" + f.cached("1001_3.gif")));
        QCOMPARE(f.form->imageView().marked(), 1);
        QCOMPARE(f.form->state().cur_gif, QString("1001_3.gif,1001_5.gif"));
        key(f, "5");
        QCOMPARE(f.form->bufferList().text(2, marking::Col::Score), QString("5"));
        QVERIFY(f.t.dialogs.messages.isEmpty());  // no "当前批阅的试题图片文件不正确！"
    }

    // A score above the full mark is always refused with the message; the
    // message goes when the box changes or another selection is made.
    void refusalIsToldAndThenCleared()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        f.openWith("th,3,5,", batch({answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")}));
        QTRY_COMPARE(f.form->bufferList().rows(), 2);
        f.form->fetcher().timer1().stop();
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(1);
        auto* label4 = f.find<QLabel>("Label4");
        box(f)->setText("85");  // pasted: the cut-back 8 is stored
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("8"));
        QCOMPARE(label4->text(), marking::msg_over_full());
        QVERIFY(!label4->isHidden());
        box(f)->clear();
        QVERIFY(label4->isHidden() || label4->text().isEmpty());
        key(f, "99");
        QCOMPARE(label4->text(), marking::msg_over_full());
        QVERIFY(!label4->isHidden());
        f.find<QCheckBox>("Work_1")->click();
        QVERIFY(label4->isHidden());
        QCOMPARE(label4->text(), QString());
    }

    // Picking another question empties the box for the new batch; the score
    // keyed on the open row stays in the list and in the journal.
    void selectorClickKeepsTheKeyedScore()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        testsupport::StubReply hold;
        hold.hold = true;
        f.openWith("th,3,5,", batch({answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")}));
        QTRY_COMPARE(f.form->bufferList().rows(), 2);
        f.form->fetcher().timer1().stop();
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(1);
        key(f, "7");
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("7"));
        f.stub.setRawReply("net_user_work.asp", hold);
        f.find<QCheckBox>("Work_1")->click();
        QCOMPARE(box(f)->text(), QString());
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("7"));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Flag), QString("0"));
        QCOMPARE(f.form->saver().journal()->pending().size(), 1);
        QCOMPARE(f.form->saver().journal()->pending().first().score, QString("7"));
    }

    // A score changed while the automatic save was out stays unsaved.
    void scoreChangedDuringAutoSave()
    {
        Fixture f;
        openMarking(f, 2);
        f.stub.setRawReply("net_save_fs.asp", {"saved_ids=41", 200, "text/html; charset=GBK", false});
        key(f, "5");
        f.form->auto_save();
        QTest::keyClick(box(f), Qt::Key_Backspace);
        key(f, "6");
        QTRY_VERIFY(!f.form->webBrowser3().busy());
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Score), QString("6"));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Flag), QString("0"));
        QCOMPARE(f.form->saver().journal()->pending().size(), 1);
        QCOMPARE(f.form->saver().journal()->pending().first().score, QString("6"));
    }

    // The prefetch waits while an automatic save is out on the channel they share.
    void prefetchWaitsForAnAutoSave()
    {
        Fixture f;
        openMarking(f, 2);
        QFile::remove(f.cached("1002_3.gif"));
        f.form->bufferList().setText(2, marking::Col::Downed, "0");
        testsupport::StubReply silent;
        silent.hold = true;
        f.stub.setRawReply("net_save_fs.asp", silent);
        key(f, "5");
        f.form->auto_save();
        QVERIFY(f.stub.waitForRequest("net_save_fs.asp"));
        f.form->fetcher().Timer1_Timer();
        QVERIFY(f.form->webBrowser3().pendingUrl().contains("net_save_fs.asp"));
        QVERIFY(f.stub.requestsFor("net_down_st.asp").isEmpty());
    }

    // ... and the automatic save waits for a worked answer's image the
    // teacher asked for.
    void autoSaveWaitsForAWorkedImage()
    {
        Fixture f;
        openMarking(f, 2);
        testsupport::StubReply silent;
        silent.hold = true;
        f.stub.setRawReply("net_down_sted.asp", silent);
        f.form->workedPanel().fill_worked_list("30,8,张三,3,10,3001,7,1,t,1,12;");
        f.form->fetcher().fetchWorked(1);
        QVERIFY(f.stub.waitForRequest("net_down_sted.asp"));
        f.form->ListView1_ItemClick(1);
        key(f, "5");
        f.form->auto_save();
        QVERIFY(f.form->webBrowser3().pendingUrl().contains("net_down_sted.asp"));
        QVERIFY(f.stub.requestsFor("net_save_fs.asp").isEmpty());
        QCOMPARE(f.form->saver().journal()->pending().size(), 1);
    }

    // Closing with unsaved rows sends them first; the next opening of the
    // same exam and subject sends what the journal still holds.
    void closeSendsAndReopenResends()
    {
        Fixture f;
        openMarking(f, 2);
        f.stub.setReply("net_save_fs.asp", "ok");  // not a confirmation
        key(f, "5");
        const QString path = f.form->saver().journal()->filePath();
        QCloseEvent close;
        QApplication::sendEvent(f.form.get(), &close);
        QCOMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
        QCOMPARE(fs_str_of(f.stub.lastRequestFor("net_save_fs.asp")), QByteArray("0,;41,5;"));
        QCOMPARE(f.t.flow.calls, QStringList{"exams"});
        f.form.reset();
        QVERIFY(QFile::exists(path));

        f.stub.clearRequests();
        f.stub.setReply("net_save_fs.asp", "saved_ids=41");
        f.open();
        QTRY_COMPARE(f.stub.requestsFor("net_save_fs.asp").size(), 1);
        QVERIFY(f.stub.lastRequestFor("net_save_fs.asp").startsWith("/cj/net_save_fs.asp?auto_save=1&"));
        QCOMPARE(fs_str_of(f.stub.lastRequestFor("net_save_fs.asp")), QByteArray("0,;41,5;"));
        QTRY_VERIFY(f.form->saver().journal()->pending().isEmpty());
        QVERIFY(!QFile::exists(path));
        QVERIFY(f.t.dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(MarkingScoringTest)
#include "test_marking_scoring.moc"
