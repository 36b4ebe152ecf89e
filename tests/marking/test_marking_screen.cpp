// The marking screen against the stub server: opening, the dispatcher of
// WebBrowser1, the selectors and the two lists.
#include "marking_fixture.h"

#include "net/page_channel.h"
#include "ui/status_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

using markingtest::answer;
using markingtest::batch;
using markingtest::Fixture;

class MarkingScreenTest : public QObject {
    Q_OBJECT

    static QByteArray query(const QByteArray& target, const char* key)
    {
        return testsupport::StubServer::queryValue(target, key);
    }

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    void openingSteps()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        QCOMPARE(f.form->objectName(), QString("Form4"));
        QCOMPARE(f.form->windowTitle(),
                 QString("Velmora——《批阅主观试题》 考试名称：期末考试； 科目：数学； 当前用户：王老师【Ver：8.5】"));
        QCOMPARE(f.find<QLabel>("zt_msg")->text(), QString("阅卷时长:0时0分0秒；"));
        QVERIFY(f.form->statusBox().isShown());
        QCOMPARE(f.form->statusBox().text(), QString(" 正在从服务器读取阅卷任务，请等待... (Load...)"));
        QVERIFY(QDir(f.cacheDir()).exists());
        QVERIFY(f.find<QLabel>("Label4")->isHidden());
        QVERIFY(f.find<QWidget>("Frame7")->isHidden());
        QVERIFY(f.find<QWidget>("Frame8")->isHidden());
        QVERIFY(f.find<QWidget>("ProgressBar1")->isHidden());
        QVERIFY(f.find<QWidget>("ListView2")->isHidden());
        QVERIFY(!f.form->fetcher().timer1().isActive());
        QCOMPARE(f.form->fetcher().timer1().interval(), 500);
        QCOMPARE(f.form->statusBar().timer2().interval(), 1000);
        QCOMPARE(f.form->imageView().currentUrl(), f.stub.baseUrl() + "cj/tavix_help.html");
        QCOMPARE(f.form->state().zoom_pct, 100);
        QVERIFY(f.form->findChild<net::PageChannel*>("WebBrowser1"));
        QVERIFY(f.form->findChild<net::PageChannel*>("WebBrowser3"));
        QTRY_VERIFY(!f.stub.requestsFor("net_get_work.asp").isEmpty());
        QCOMPARE(f.stub.lastRequestFor("net_get_work.asp"), QByteArray("/cj/net_get_work.asp?ks_id=7&km_id=2&js_id=5"));
        // no_work: both selector kinds hidden, the message in ST_TH_0 and the box.
        const QString msg = "期末考试，数学 没有给你分配阅卷任务！";
        QTRY_COMPARE(f.find<QLabel>("ST_TH_0")->text(), msg);
        QVERIFY(f.find<QWidget>("Work_0")->isHidden());
        QVERIFY(f.find<QWidget>("WorkBJ_0")->isHidden());
        QCOMPARE(f.form->statusBox().text(), msg);

        QCloseEvent close;
        QApplication::sendEvent(f.form.get(), &close);
        QCOMPARE(f.t.flow.calls, QStringList{"exams"});
        QCOMPARE(f.stub.requests().size(), 1);  // nothing sent on closing
    }

    void noSetWinsOverNoWork()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_set,no_work");
        f.open();
        QTRY_COMPARE(f.find<QLabel>("ST_TH_0")->text(), QString("考试创建者还没有就 期末考试 数学 进行阅卷任务分配！"));
    }

    // Every page name reaches its own row; Label3 is cleared after handling.
    void dispatcherRows()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        QTRY_VERIFY(f.find<QLabel>("ST_TH_0")->text().contains("没有给你分配"));
        auto* label3 = f.find<QLabel>("Label3");
        auto& ch = f.form->webBrowser1();
        QSignalSpy done(&ch, &net::PageChannel::completed);

        // net_user_worked.asp is not net_user_work.asp: the worked list fills,
        // the buffer list is not touched.
        f.stub.setReply("net_user_worked.asp", "41,9,张三,3,10,1001,7,1,t,1,12;");
        label3->setText("busy");
        ch.navigate(f.stub.baseUrl() + "cj/net_user_worked.asp?ks_id=7");
        QTRY_COMPARE(f.form->workedList().rows(), 1);
        QCOMPARE(f.form->bufferList().rows(), 0);
        QCOMPARE(label3->text(), QString());

        // A page name inside a query value selects its row too.
        f.stub.setReply("x.asp", "41,9,张三,3,10,1001,7,1,t,1,12;42,9,张三,5,10,1001,7,1,t,1,12;");
        ch.navigate(f.stub.baseUrl() + "cj/x.asp?p=net_user_worked.asp");
        QTRY_COMPARE(f.form->workedList().rows(), 2);

        // A rejected reply: one message, Label3 keeps its text.
        f.stub.setReply("net_user_work.asp", "运行时错误 '800a'");
        label3->setText("busy");
        done.clear();
        ch.navigate(f.stub.baseUrl() + "cj/net_user_work.asp?ks_id=7");
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(label3->text(), QString("busy"));
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(f.t.dialogs.messages.first().startsWith("   访问服务器时发生错误"));

        // Status poll without "满分": only Label3 is cleared.
        f.stub.setReply("net_get_ztmsg.asp", "ok");
        done.clear();
        ch.navigate(f.stub.baseUrl() + "cj/net_get_ztmsg.asp?ks_id=7");
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(label3->text(), QString());
        QCOMPARE(f.find<QLabel>("zt_msg")->text(), QString("阅卷时长:0时0分0秒；"));
        f.stub.setReply("net_get_ztmsg.asp", "本题满分10分");
        ch.navigate(f.stub.baseUrl() + "cj/net_get_ztmsg.asp?ks_id=7");
        QTRY_COMPARE(f.find<QLabel>("zt_msg")->text(), QString("阅卷时长:0时0分0秒；本题满分10分"));

        // Post OK and its failure.
        f.stub.setReply("net_post_ok.asp", "Post OK");
        f.form->show_status(true, "wait");
        ch.navigate(f.stub.baseUrl() + "cj/net_post_ok.asp?xx_id=-2");
        QTRY_COMPARE(f.t.dialogs.messages.size(), 2);
        QCOMPARE(f.t.dialogs.messages.last(), QString("系统已经记载了您推荐的优秀答案！"));
        QVERIFY(!f.form->statusBox().isShown());
        f.stub.setReply("net_post_ok.asp", "nope");
        f.form->show_status(true, "wait");
        ch.navigate(f.stub.baseUrl() + "cj/net_post_ok.asp?xx_id=-2");
        QTRY_COMPARE(f.t.dialogs.messages.size(), 3);
        QCOMPARE(f.t.dialogs.messages.last(), QString("操作失败！"));
        QVERIFY(f.form->statusBox().isShown());

        // After a save the next batch is requested for the same selection.
        f.form->state().th_bj = "3,5";
        f.stub.setReply("net_save_fs.asp", "whatever");
        f.stub.setReply("net_user_work.asp", batch({}));
        f.stub.clearRequests();
        ch.navigate(f.stub.baseUrl() + "cj/net_save_fs.asp?ks_id=7");
        QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
        QCOMPARE(f.stub.lastRequestFor("net_user_work.asp"),
                 QByteArray("/cj/net_user_work.asp?ks_id=7&km_id=2&js_id=5&th_bj=3%2C5"));
        QCOMPARE(f.form->statusBox().text(), QString(" 正在读取批阅试题任务，请等待... (work...)"));

        // An empty address does nothing at all.
        QTRY_VERIFY(!ch.busy());
        label3->setText("busy");
        done.clear();
        ch.navigate(QString());
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(label3->text(), QString("busy"));
    }

    void questionSelectors()
    {
        Fixture f;
        f.openWith("th,3,5,", batch({answer(41, 9, "3", "1001")}));
        QTRY_COMPARE(f.form->bufferList().rows(), 1);
        auto* w0 = f.find<QCheckBox>("Work_0");
        auto* w1 = f.find<QCheckBox>("Work_1");
        QVERIFY(w0 && w1);
        QCOMPARE(f.find<QLabel>("ST_TH_0")->text(), QString("第3题"));
        QCOMPARE(f.find<QLabel>("ST_TH_1")->text(), QString("第5题"));
        QVERIFY(f.find<QWidget>("WorkBJ_0")->isHidden());
        QVERIFY(w0->isChecked());
        QCOMPARE(f.form->state().task_type, QString("TH"));
        QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("3"));

        f.stub.clearRequests();
        w1->click();
        QCOMPARE(f.form->state().th_bj, QString("3,5"));
        QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
        QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("3%2C5"));
        QCOMPARE(f.form->statusBox().text(), QString("正在读取批阅试题任务，请等待..."));

        w0->click();
        QCOMPARE(f.form->state().th_bj, QString("5"));
        const QString pending = f.form->webBrowser1().pendingUrl();
        QVERIFY(pending.endsWith("th_bj=5"));
        w1->click();  // none checked: nothing is sent
        QCOMPARE(f.form->state().th_bj, QString());
        QCOMPARE(f.form->webBrowser1().pendingUrl(), pending);
    }

    void classSelectorsAndRestoredSelection()
    {
        marking::MarkingState kept;  // what the program flow keeps for the next opening
        {
            Fixture f;
            f.openWith("bj,12|A,13|B,", batch({answer(41, 9, "3", "1001")}));
            QTRY_COMPARE(f.form->bufferList().rows(), 1);
            QCOMPARE(f.find<QLabel>("ST_TH_0")->text(), QString("A班"));
            QCOMPARE(f.find<QLabel>("ST_TH_1")->text(), QString("B班"));
            QVERIFY(f.find<QWidget>("Work_0")->isHidden());
            QVERIFY(f.find<QRadioButton>("WorkBJ_0")->isChecked());
            QCOMPARE(f.form->state().th_bj, QString("12"));
            QCOMPARE(f.form->state().task_type, QString("BJ"));
            QCOMPARE(f.form->selectors().class_caption("13"), QString("B班"));
            QCOMPARE(f.form->selectors().class_caption("99"), QString());
            f.find<QRadioButton>("WorkBJ_1")->click();
            QCOMPARE(f.form->state().th_bj, QString("13"));
            QVERIFY(!f.find<QRadioButton>("WorkBJ_0")->isChecked());
            kept = f.memory;
        }
        // The next opening in the same run selects class 13 again.
        Fixture f;
        f.memory = kept;
        f.openWith("bj,12|A,13|B,", batch({answer(41, 9, "3", "1001")}));
        QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
        QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("13"));
        QVERIFY(f.find<QRadioButton>("WorkBJ_1")->isChecked());
        QVERIFY(!f.find<QRadioButton>("WorkBJ_0")->isChecked());
        QCOMPARE(f.stub.requestsFor("net_user_work.asp").size(), 1);
    }

    void restoredQuestionsAndNoMatch()
    {
        {
            Fixture f;
            f.memory.th_bj = "5";
            f.openWith("th,3,5,", batch({}));
            QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
            QVERIFY(!f.find<QCheckBox>("Work_0")->isChecked());
            QVERIFY(f.find<QCheckBox>("Work_1")->isChecked());
            QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("5"));
        }
        // A group of questions comes back whole.
        {
            Fixture f;
            f.memory.th_bj = "3,5";
            f.openWith("th,3,5,", batch({}));
            QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
            QTRY_VERIFY(!f.form->webBrowser1().busy());
            QVERIFY(f.find<QCheckBox>("Work_0")->isChecked());
            QVERIFY(f.find<QCheckBox>("Work_1")->isChecked());
            QCOMPARE(f.form->state().th_bj, QString("3,5"));
            QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("3%2C5"));
        }
        // A selection that matches no selector selects nothing and asks for nothing.
        Fixture f;
        f.memory.th_bj = "9";
        f.openWith("th,3,5,", batch({}));
        QTRY_VERIFY(f.find<QCheckBox>("Work_1") != nullptr);
        QVERIFY(!f.find<QCheckBox>("Work_0")->isChecked());
        QVERIFY(!f.find<QCheckBox>("Work_1")->isChecked());
        QVERIFY(f.stub.requestsFor("net_user_work.asp").isEmpty());
    }

    // What survives a reopen belongs to one teacher, exam and subject: the
    // next teacher of the run starts with the first selector.
    void anotherTeacherStartsAfresh()
    {
        marking::MarkingState kept;
        {
            Fixture f;
            f.openWith("bj,12|A,13|B,", batch({answer(41, 9, "3", "1001")}));
            QTRY_COMPARE(f.form->bufferList().rows(), 1);
            f.find<QRadioButton>("WorkBJ_1")->click();
            QCOMPARE(f.form->state().th_bj, QString("13"));
            kept = f.memory;
        }
        Fixture f;
        f.memory = kept;
        f.session().User_ID = 6;
        f.openWith("th,13,14,", batch({answer(41, 9, "13", "1001")}));
        QTRY_VERIFY(!f.stub.requestsFor("net_user_work.asp").isEmpty());
        QCOMPARE(query(f.stub.lastRequestFor("net_user_work.asp"), "th_bj"), QByteArray("13"));
        QVERIFY(f.find<QCheckBox>("Work_0")->isChecked());
        QCOMPARE(f.form->state().task_type, QString("TH"));
        QTRY_COMPARE(f.form->bufferList().rows(), 1);
        QCOMPARE(f.form->state().th_bj, QString("13"));
    }

    // Only a key pressed in the buffer list opens its row on release: the
    // release of the Enter that closed a message box does not.
    void keyReleaseFromElsewhereOpensNothing()
    {
        Fixture f;
        f.writeCached("1001_3.gif", markingtest::png_bytes());
        f.openWith("th,3,", batch({answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")}));
        QTRY_COMPARE(f.form->bufferList().rows(), 2);
        f.form->fetcher().timer1().stop();
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(1);
        auto* list = f.find<QTableView>("ListView1");
        list->setCurrentIndex(f.form->bufferList().index(1, 0));  // row 2: not downloaded
        f.t.dialogs.messages.clear();
        QTest::keyRelease(list, Qt::Key_Return);
        QVERIFY(f.t.dialogs.messages.isEmpty());
        QCOMPARE(f.form->state().cur_row, 1);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(f.form->state().cur_row, 1);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(f.t.dialogs.messages.size(), 1);  // row 2 is asked for: "当前试题没有下载！..."
    }

    void workEndOnScreen()
    {
        Fixture f;
        f.openWith("bj,12|A,13|B,", batch({answer(41, 9, "3", "1001")}) + "work_end; 12 ");
        QTRY_COMPARE(f.form->bufferList().rows(), 1);
        QCOMPARE(f.form->statusBox().text(), QString("A班已上传的试题已批阅完成。"));
        QVERIFY(f.form->statusBox().isShown());
        QVERIFY(!f.find<QWidget>("ListView2")->isHidden());
        // A visible worked list follows the batch.
        QTRY_VERIFY(!f.stub.requestsFor("net_user_worked.asp").isEmpty());

        // Nothing before the trailer: an empty buffer list and the waiting text.
        f.form->user_work_reply("work_end;13");
        QCOMPARE(f.form->bufferList().rows(), 0);
        QCOMPARE(f.form->statusBox().text(), QString("B班图片还没有上传，请等待。"));

        // no_set keeps the buffer list and hides the progress display.
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001")}));
        f.form->user_work_reply("no_set");
        QCOMPARE(f.form->bufferList().rows(), 1);
        QVERIFY(f.find<QWidget>("ProgressBar1")->isHidden());
        QVERIFY(f.find<QWidget>("Label5")->isHidden());
        QCOMPARE(f.find<QLabel>("ST_TH_0")->text(), QString("考试创建者还没有就 期末考试 数学 进行阅卷任务分配！"));
    }

    void bufferFilling()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        auto& b = f.form->bufferList();
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001", "0.001"), answer(42, 10, "3", "1002", "0"),
                                        answer(43, 11, "3", "1003", "x7")}));
        QCOMPARE(b.rows(), 3);
        QCOMPARE(b.text(1, marking::Col::Score), QString());
        QCOMPARE(b.text(2, marking::Col::Score), QString("0"));
        QCOMPARE(b.text(3, marking::Col::Score), QString("x7"));
        QCOMPARE(b.text(1, marking::Col::Downed), QString("0"));
        QCOMPARE(b.text(2, marking::Col::RowNo), QString("2"));
        QCOMPARE(f.form->state().work_count, 8);
        QCOMPARE(f.form->state().done_count, 3);
        QVERIFY(f.form->fetcher().timer1().isActive());
        QCOMPARE(f.find<QLabel>("Label7")->text(), QString("可阅试题:2小题；工作量:8道"));
        auto* lv1 = f.find<QTableView>("ListView1");
        QVERIFY(!lv1->isColumnHidden(4));
        QVERIFY(lv1->isColumnHidden(6));

        // Only the progress record: empty list, Timer1 as it was.
        f.form->fetcher().timer1().stop();
        f.form->fill_buffer_list(batch({}));
        QCOMPARE(b.rows(), 0);
        QVERIFY(!f.form->fetcher().timer1().isActive());

        // hide_name 1 hides the names of both lists.
        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001")}, "0,8,45,12,540,300,2,16,3,1"));
        QCOMPARE(f.form->state().hide_name, 1);
        QCOMPARE(b.width(5), 0);
        QVERIFY(lv1->isColumnHidden(4));
        f.form->workedPanel().fill_worked_list("41,9,张三,3,10,1001,7,1,t,1,12;");
        QCOMPARE(f.form->workedList().width(6), 0);
        QVERIFY(f.find<QTableView>("ListView2")->isColumnHidden(5));
        QCOMPARE(f.form->workedList().width(5), 80);
    }

    void workedSortAndRescore()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        auto& w = f.form->workedList();
        f.form->workedPanel().fill_worked_list("1,21,甲,3,10,12,7,1,t,1,12;2,22,乙,3,10,3,6,1,t,1,12;3,23,丙,3,10,45,5,1,t,1,12;"
                                 "4,24,丁,3,10,100,4,1,t,1,12;5,25,戊,3,10,07,3,1,t,1,12;"
                                 "6,26,己,3,10,12345678901234567891,2,1,t,1,12;7,27,庚,3,10,12345678901234567890,2,1,t,1,12;");
        auto candidates = [&] {
            QStringList c;
            for (int r = 1; r <= w.rows(); ++r)
                c << w.text(r, marking::Col::Candidate);
            return c;
        };
        auto numbers = [&] {
            QStringList c;
            for (int r = 1; r <= w.rows(); ++r)
                c << w.text(r, marking::Col::RowNo);
            return c;
        };
        f.form->workedPanel().ListView2_ColumnClick(1);  // "行号": nothing
        const QString long1 = "12345678901234567891", long0 = "12345678901234567890";
        QCOMPARE(candidates(), (QStringList{"12", "3", "45", "100", "07", long1, long0}));
        // Number order from the first click, and the candidate numbers stay
        // as the server sent them (they name the answers' images).
        f.form->workedPanel().ListView2_ColumnClick(5);
        QCOMPARE(candidates(), (QStringList{long1, long0, "100", "45", "12", "07", "3"}));
        QCOMPARE(numbers(), (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
        f.form->workedPanel().ListView2_ColumnClick(5);
        QCOMPARE(candidates(), (QStringList{"3", "07", "12", "45", "100", long0, long1}));
        QCOMPARE(numbers(), (QStringList{"1", "2", "3", "4", "5", "6", "7"}));

        // Re-scoring: the selected row's number names the source row.
        auto* lv2 = f.find<QTableView>("ListView2");
        auto& b = f.form->bufferList();
        f.form->fill_buffer_list(batch({answer(41, 23, "3", "45")}));
        lv2->setCurrentIndex(w.index(3, 0));  // row 4: candidate 45, cj 23, already in the buffer
        f.form->workedPanel().ListView2_DblClick();
        QCOMPARE(f.t.dialogs.messages, QStringList{"此试题在《缓冲试题列表》已经存在！"});
        QCOMPARE(b.rows(), 1);
        lv2->setCurrentIndex(w.index(4, 0));  // row 5: candidate 100
        f.form->workedPanel().ListView2_DblClick();
        QCOMPARE(b.rows(), 2);
        QCOMPARE(b.rowTexts(2), (QStringList{"2", "3", "10", "4", "丁", "100", "4", "1", "24", "0", "1", "12"}));
        QCOMPARE(f.find<QTableView>("ListView1")->currentIndex().row(), 1);

        // From the keyboard: the context-menu key sorts as a header click does.
        QTest::keyClick(lv2, Qt::Key_Menu);
        auto* menu = lv2->findChild<QMenu*>("SortMenu");
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 6);  // 题号 满分 得分 考号 姓名 阅卷时间
        menu->actions().at(3)->trigger();     // 考号: descending, as a first click
        QCOMPARE(candidates(), (QStringList{long1, long0, "100", "45", "12", "07", "3"}));
        menu->close();
        f.form->workedPanel().ListView2_ColumnClick(5);  // back to ascending

        // From the keyboard: Enter on a worked row is its double click.
        lv2->setCurrentIndex(w.index(1, 0));  // row 2: candidate 07
        QTest::keyClick(lv2, Qt::Key_Return);
        QCOMPARE(b.rows(), 3);
        QCOMPARE(b.text(3, marking::Col::Candidate), QString("07"));
    }

    void toolTipAndWorkedButton()
    {
        Fixture f;
        f.stub.setReply("net_get_work.asp", "no_work");
        f.stub.setReply("net_user_worked.asp", "");
        f.open();
        f.form->workedPanel().Command4_Click();
        auto* lv2 = f.find<QTableView>("ListView2");
        QVERIFY(!lv2->isHidden());
        QTRY_VERIFY(!f.stub.requestsFor("net_user_worked.asp").isEmpty());
        QCOMPARE(f.stub.lastRequestFor("net_user_worked.asp"), QByteArray("/cj/net_user_worked.asp?ks_id=7&km_id=2&js_id=5"));
        QTRY_VERIFY(!f.form->webBrowser1().busy());
        QCOMPARE(f.form->workedList().rows(), 0);  // a reply without ";" leaves it empty

        auto* tip = f.find<QFrame>("Frame14");
        f.form->workedPanel().ListView2_MouseMove(QPoint(10, 5));
        QVERIFY(!tip->isHidden());
        QCOMPARE(f.find<QLabel>("Label11")->text(), QString("点击，按此列排序..."));
        QCOMPARE(tip->height(), 40);
        QCOMPARE(tip->pos(), lv2->pos() + QPoint(10, 30));
        f.form->workedPanel().ListView2_MouseMove(QPoint(10, 100));
        QCOMPARE(tip->height(), 60);
        QVERIFY(f.find<QLabel>("Label11")->text().startsWith("双击，加入缓存试题列表，"));
        f.form->workedPanel().hide_tool_tip();
        QVERIFY(tip->isHidden());
        f.form->workedPanel().Command4_Click();
        QVERIFY(lv2->isHidden());
    }
};

QTEST_MAIN(MarkingScreenTest)
#include "test_marking_screen.moc"
