// The marking screen's image cache against the stub server: the prefetch
// tick, the download replies, opening answers and answer groups.
#include "marking_fixture.h"

#include "net/page_channel.h"
#include "ui/status_box.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

using markingtest::answer;
using markingtest::batch;
using markingtest::Fixture;
using markingtest::image_reply;
using markingtest::png_bytes;
using testsupport::StubServer;

class MarkingCacheTest : public QObject {
    Q_OBJECT

    // A screen with no assignment yet, given a batch directly.
    static void openWithBatch(Fixture& f, const QStringList& answers, const QString& th_bj = "3")
    {
        f.stub.setReply("net_get_work.asp", "no_work");
        f.open();
        f.form->state().th_bj = th_bj;
        f.form->fill_buffer_list(batch(answers));
        f.form->fetcher().timer1().stop();  // ticks are driven by the test
    }

    static QList<QByteArray> downloads(const Fixture& f) { return f.stub.requestsFor("net_down_st.asp"); }

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    void firstTickMarksCachedRowsAndFetchesTheNext()
    {
        Fixture f;
        const QByteArray img = png_bytes();
        f.writeCached("1001_3.gif", img);
        f.writeCached("1002_3.gif", QByteArray(51, 'x'));  // 51 bytes: usable
        f.writeCached("1003_3.gif", img);
        f.writeCached("1004_3.gif", QByteArray(50, 'x'));  // 50 bytes: fetched again
        f.stub.setReply("net_down_st.asp", image_reply(img));
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002"), answer(43, 11, "3", "1003"),
                          answer(44, 12, "3", "1004"), answer(45, 13, "3", "1005")});
        auto& b = f.form->bufferList();
        f.form->fetcher().Timer1_Timer();
        QCOMPARE(b.text(1, marking::Col::Downed), QString("1"));
        QCOMPARE(b.text(2, marking::Col::Downed), QString("1"));
        QCOMPARE(b.text(3, marking::Col::Downed), QString("1"));
        QCOMPARE(b.text(4, marking::Col::Downed), QString("0"));
        QVERIFY(!f.form->fetcher().timer1().isActive());
        QCOMPARE(f.form->state().down_cj_id, 12);
        QCOMPARE(f.form->state().down_th, QString("3"));
        QCOMPARE(f.find<QLabel>("Label3")->text(), QString("正在从服务器缓存试题图片....."));
        QTRY_COMPARE(downloads(f).size(), 1);
        QCOMPARE(downloads(f).first(), QByteArray("/cj/net_down_st.asp?xx_id=1&ks_id=7&km_id=2&img_txt=12%5C1004_3.txt"));

        // The reply is decoded into the cache and the prefetch goes on.
        QTRY_COMPARE(b.text(4, marking::Col::Downed), QString("1"));
        QCOMPARE(QFileInfo(f.cached("1004_3.gif")).size(), img.size());
        QVERIFY(f.form->fetcher().timer1().isActive());
        QCOMPARE(f.find<QLabel>("Label3")->text(), QString());
        // Nothing has been opened: the help page stays until the teacher opens an answer.
        QVERIFY(!f.form->imageView().showsImages());
    }

    // Two rows of one record and question (a server's mistake): each
    // download is written for the row it was sent for, under its own name.
    void downloadBelongsToItsOwnRow()
    {
        Fixture f;
        const QByteArray first = png_bytes(40, 30, Qt::red), second = png_bytes(40, 30, Qt::green);
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 9, "3", "1002")});
        auto& b = f.form->bufferList();
        f.stub.setReply("net_down_st.asp", image_reply(first));
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(b.text(1, marking::Col::Downed), QString("1"));
        f.stub.setReply("net_down_st.asp", image_reply(second));
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(b.text(2, marking::Col::Downed), QString("1"));
        QCOMPARE(downloads(f).size(), 2);
        QFile a(f.cached("1001_3.gif")), c(f.cached("1002_3.gif"));
        QVERIFY(a.open(QIODevice::ReadOnly) && c.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), first);
        QCOMPARE(c.readAll(), second);
    }

    void scoredRowsCountInTheProgressLabel()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        openWithBatch(f, {answer(41, 9, "3", "1001", "7"), answer(42, 10, "3", "1002")});
        f.form->fetcher().Timer1_Timer();
        // done_count 3 from the progress record, one scored row visited.
        QCOMPARE(f.find<QLabel>("Label8")->text(), QString("已传试题:16道；完成量:4道"));
    }

    void imageReplyFailures()
    {
        Fixture f;
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002"), answer(43, 11, "3", "1003")});
        auto& b = f.form->bufferList();

        f.stub.setReply("net_down_st.asp", "img_txt_file:12\\1001_3.txt not find!,,,,,");
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(f.t.dialogs.messages.size(), 1);
        QCOMPARE(f.t.dialogs.messages.last(), QString("在服务器中没有找到此试题的图片文件[Server img_txt_file: 12\\1001_3.txt ]"));
        QCOMPARE(b.text(1, marking::Col::Downed), QString("0"));
        QVERIFY(f.form->fetcher().timer1().isActive());

        // The failed row is passed over: the next tick asks for the second.
        f.stub.setReply("net_down_st.asp", "not base64 at all!,,,,,");
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(f.t.dialogs.messages.size(), 2);
        QCOMPARE(f.t.dialogs.messages.last(), "生成本地文件：" + f.cached("1002_3.gif") + " 出错！");
        QCOMPARE(b.text(2, marking::Col::Downed), QString("0"));

        // Without the separator: the address is reported and the prefetch pauses.
        f.stub.setReply("net_down_st.asp", "half a reply");
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(f.t.dialogs.messages.size(), 3);
        QVERIFY(f.t.dialogs.messages.last().startsWith("访问地址：" + f.stub.baseUrl() + "cj/net_down_st.asp?"));
        QVERIFY(f.t.dialogs.messages.last().endsWith(" 时发生错误！"));
        QVERIFY(!f.form->fetcher().timer1().isActive());
    }

    // An image the server lacks holds up neither the rows after it nor the
    // teacher: told once, it is asked for again when the teacher clicks its
    // row or a new batch arrives.
    void failedImageIsPassedOver()
    {
        Fixture f;
        const QByteArray img = image_reply(png_bytes()).toLatin1();
        f.stub.setHandler("net_down_st.asp", [img](const QByteArray& target) {
            testsupport::StubReply r;
            r.body = target.contains("1001_3") ? QByteArray("img_txt_file:12\\1001_3.txt not find!,,,,,") : img;
            return r;
        });
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")});
        auto& b = f.form->bufferList();
        f.form->fetcher().Timer1_Timer();
        QTRY_VERIFY(f.form->fetcher().timer1().isActive());
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(b.text(2, marking::Col::Downed), QString("1"));
        f.form->fetcher().Timer1_Timer();  // all else is cached: nothing asked, nothing told
        QCOMPARE(downloads(f).size(), 2);
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(!f.form->webBrowser3().busy());

        f.form->ListView1_ItemClick(1);  // "not downloaded yet, please wait"
        QCOMPARE(f.t.dialogs.messages.size(), 2);
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(f.t.dialogs.messages.size(), 3);
        QCOMPARE(downloads(f).size(), 3);

        f.form->fill_buffer_list(batch({answer(41, 9, "3", "1001")}));
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(downloads(f).size(), 4);
        QVERIFY(downloads(f).last().contains("1001_3.txt"));
    }

    // The list was refilled while the download was in flight and no longer
    // holds that answer: the late reply deletes and writes nothing.
    void lateReplyAfterRefill()
    {
        Fixture f;
        f.writeCached("1001_3.gif", QByteArray(10, 'x'));  // too small: to be fetched
        f.stub.setReply("net_down_st.asp", image_reply(png_bytes()));
        openWithBatch(f, {answer(41, 9, "3", "1001")});
        f.form->fetcher().Timer1_Timer();
        QVERIFY(f.form->webBrowser3().busy());
        f.form->fill_buffer_list(batch({answer(51, 20, "3", "2001")}));
        f.form->fetcher().timer1().stop();
        QTRY_VERIFY(f.form->fetcher().timer1().isActive());
        QCOMPARE(QFileInfo(f.cached("1001_3.gif")).size(), 10);
        QVERIFY(!QFileInfo::exists(f.cached("2001_3.gif")));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("0"));
        QVERIFY(f.t.dialogs.messages.isEmpty());
    }

    // The automatic save takes WebBrowser3 from a download: the prefetch
    // must not stop for good.
    void replacedPrefetchRearmsTimer1()
    {
        Fixture f;
        testsupport::StubReply hold;
        hold.hold = true;
        f.stub.setRawReply("net_down_st.asp", hold);
        f.stub.setReply("net_save_fs.asp", "saved_ids=");
        openWithBatch(f, {answer(41, 9, "3", "1001")});
        f.form->fetcher().Timer1_Timer();
        QVERIFY(!f.form->fetcher().timer1().isActive());
        f.form->webBrowser3().navigate(f.stub.baseUrl() + "cj/net_save_fs.asp?auto_save=1&ks_id=7");
        QTRY_VERIFY(f.form->fetcher().timer1().isActive());
    }

    void unsafeCandidateNumberIsRefused()
    {
        Fixture f;
        f.stub.setReply("net_down_st.asp", image_reply(png_bytes()));
        const QString outside = f.t.paths.programDir() + "/ks_data/7/x_3.gif";
        openWithBatch(f, {answer(41, 9, "3", "../x"), answer(42, 10, "3", "1002")});
        f.form->fetcher().Timer1_Timer();
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(f.t.dialogs.messages.first().contains("../x_3.gif"));
        // The next row is fetched; the refused one is not asked for.
        QTRY_COMPARE(f.form->bufferList().text(2, marking::Col::Downed), QString("1"));
        QCOMPARE(downloads(f).size(), 1);
        QVERIFY(downloads(f).first().contains("1002_3"));
        f.form->fetcher().Timer1_Timer();  // told once, not every tick
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("0"));
        QVERIFY(!QFileInfo::exists(outside));

        // Opening it shows nothing.
        f.form->bufferList().setText(1, marking::Col::Downed, "1");
        f.form->ListView1_ItemClick(1);
        QVERIFY(!f.form->imageView().showsImages());
    }

    void clickOpensACachedAnswer()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes(40, 30));
        openWithBatch(f, {answer(41, 9, "3", "1001", "6"), answer(42, 10, "3", "1002")});
        f.form->fetcher().Timer1_Timer();
        f.form->show_status(true, "wait");
        f.form->ListView1_ItemClick(1);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(f.form->state().cur_gif, QString("1001_3.gif"));
        QCOMPARE(f.form->state().shown_files, f.cached("1001_3.gif"));
        // The image, then the mobile-marking code block.
        QVERIFY(f.form->imageView().text().startsWith("<IMG src=" + f.cached("1001_3.gif") + "><hr><center>"));
        QCOMPARE(f.form->imageView().shownSize(0), QSize(40, 30));
        QCOMPARE(f.find<QLineEdit>("Text1")->text(), QString("6"));
        QVERIFY(!f.form->state().help_on_top);
        QVERIFY(!f.form->statusBox().isShown());
        QVERIFY(!f.find<QWidget>("Frame6")->isHidden());

        // A row not yet cached: the teacher is asked to wait, prefetch on.
        f.form->fetcher().timer1().stop();
        f.form->ListView1_ItemClick(2);
        QCOMPARE(f.t.dialogs.messages, QStringList{"当前试题没有下载！请等待......\r\r若较长时间没有完成，请检查网络是否正常？"});
        QVERIFY(f.form->fetcher().timer1().isActive());

        // A cached file that went missing is marked for download again.
        QFile::remove(f.cached("1001_3.gif"));
        f.form->ListView1_ItemClick(1);
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("0"));
    }

    // While the teacher reads an answer, the next one is decoded; a file
    // replaced meanwhile is read again, never shown from the old decoding.
    void nextAnswerIsDecodedWhileThisOneIsRead()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes(40, 30));
        f.writeCached("1002_3.gif", png_bytes(50, 20));
        f.writeCached("1003_3.gif", png_bytes(30, 30));
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002"), answer(43, 11, "3", "1003"),
                          answer(44, 12, "3", "1004")});
        f.form->fetcher().Timer1_Timer();
        auto& view = f.form->imageView();
        f.form->ListView1_ItemClick(1);
        QTRY_COMPARE(view.decodingAhead(), QStringList{f.cached("1002_3.gif")});
        f.form->ListView1_ItemClick(2);
        QCOMPARE(view.shownSize(0), QSize(50, 20));
        QCOMPARE(view.decodedAheadUsed(), 1);

        QTRY_COMPARE(view.decodingAhead(), QStringList{f.cached("1003_3.gif")});
        f.writeCached("1003_3.gif", png_bytes(60, 25));  // downloaded again meanwhile
        f.form->ListView1_ItemClick(3);
        QCOMPARE(view.shownSize(0), QSize(60, 25));
        QCOMPARE(view.decodedAheadUsed(), 1);
        // The next one is not cached: nothing to decode ahead.
        QTRY_COMPARE(view.decodingAhead(), QStringList());
    }

    void groupOpensFromItsFirstRow()
    {
        Fixture f;
        for (const char* n : {"1001_3.gif", "1001_5.gif", "1002_3.gif", "1002_5.gif"})
            f.writeCached(n, png_bytes());
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 9, "5", "1001"), answer(43, 10, "3", "1002"),
                          answer(44, 10, "5", "1002"), answer(45, 11, "3", "1003")}, "3,5");
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(4);
        QCOMPARE(f.form->state().cur_row, 3);
        QCOMPARE(f.find<QTableView>("ListView1")->currentIndex().row(), 2);
        QCOMPARE(f.form->state().cur_gif, QString("1002_3.gif,1002_5.gif"));
        QCOMPARE(f.form->state().shown_files, f.cached("1002_3.gif") + "," + f.cached("1002_5.gif"));
        QVERIFY(f.form->imageView().text().startsWith(
            "<IMG src=" + f.cached("1002_3.gif") + "><br><hr><IMG src=" + f.cached("1002_5.gif") + "><br><hr><hr><center>"));
        QCOMPARE(f.form->imageView().accessibleName(), QString("考号1002，第3题、第5题"));  // what a screen reader says

        // Arrow keys on the list open what they move to: row 2 is the
        // second row of the first group.
        QTest::keyClick(f.find<QTableView>("ListView1"), Qt::Key_Up);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(f.form->state().cur_gif, QString("1001_3.gif,1001_5.gif"));

        // The last row starts a group cut short: nothing opens, nothing
        // fails, and the list goes back to the group on screen, so a report
        // names that answer, not the row clicked.
        const QString before = f.form->imageView().text();
        f.form->bufferList().setText(5, marking::Col::Downed, "1");
        auto* list = f.find<QTableView>("ListView1");
        list->setCurrentIndex(f.form->bufferList().index(4, 0));  // what the click does to the view
        f.form->ListView1_ItemClick(5);
        QCOMPARE(f.form->imageView().text(), before);
        QCOMPARE(f.form->state().cur_row, 1);
        QCOMPARE(list->currentIndex().row(), 0);
        QCOMPARE(f.form->state().cur_gif, QString("1001_3.gif,1001_5.gif"));
        f.stub.setRawReply("net_post_err.asp", {"", 200, "text/html; charset=GBK", true});
        f.form->feedback().Option4_Click();
        QTRY_COMPARE(f.stub.requestsFor("net_post_err.asp").size(), 1);
        const QByteArray sent = f.stub.lastRequestFor("net_post_err.asp");
        QCOMPARE(StubServer::queryValue(sent, "cj_id"), QByteArray("9"));
        QCOMPARE(StubServer::queryValue(sent, "img_str"), QByteArray("1001_3.gif,1001_5.gif"));
        // A later row of a group opens the group it belongs to: the image
        // always shows the row's answer.
        f.form->state().cur_row = 4;
        f.form->open_cur_row();
        QVERIFY(f.form->imageView().text().startsWith("<IMG src=" + f.cached("1002_3.gif")));
        QCOMPARE(f.form->imageView().marked(), 1);
    }

    void automaticOpeningOnceTheTeacherOpenedOne_data()
    {
        QTest::addColumn<QString>("th_bj");
        QTest::addColumn<bool>("row2Cached");
        QTest::addColumn<bool>("opens");
        QTest::newRow("one question, row 1 cached") << "3" << false << true;
        QTest::newRow("two questions, row 2 missing") << "3,5" << false << false;
        QTest::newRow("two questions, row 2 cached") << "3,5" << true << true;
    }
    void automaticOpeningOnceTheTeacherOpenedOne()
    {
        QFETCH(QString, th_bj);
        QFETCH(bool, row2Cached);
        QFETCH(bool, opens);
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        if (row2Cached)
            f.writeCached("1001_5.gif", png_bytes());
        testsupport::StubReply hold;
        hold.hold = true;
        f.stub.setRawReply("net_down_st.asp", hold);
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 9, "5", "1001")}, th_bj);
        f.form->fetcher().Timer1_Timer();
        QVERIFY(!f.form->imageView().showsImages());  // the help page stays on top
        f.form->state().help_on_top = false;
        f.form->fetcher().Timer1_Timer();
        QCOMPARE(f.form->imageView().showsImages(), opens);
        QCOMPARE(f.form->state().cur_row, opens ? 1 : 0);
        // The answer opened is the selected one, the one a report names.
        QCOMPARE(f.find<QTableView>("ListView1")->currentIndex().row(), opens ? 0 : -1);
        f.stub.setRawReply("net_post_ok.asp", hold);
        f.form->feedback().Command3_Click();
        if (opens) {
            QTRY_COMPARE(f.stub.requestsFor("net_post_ok.asp").size(), 1);
            QCOMPARE(StubServer::queryValue(f.stub.lastRequestFor("net_post_ok.asp"), "cj_id"), QByteArray("9"));
        }
    }

    void workedRowImage()
    {
        Fixture f;
        const QByteArray img = png_bytes(20, 10);
        f.stub.setReply("net_down_sted.asp", image_reply(img));
        openWithBatch(f, {});
        f.form->workedPanel().fill_worked_list("41,9,张三,3,10,1001,7,1,t,1,12;42,9,张三,5,10,../1001,7,1,t,1,12;");
        f.form->fetcher().fetchWorked(1);
        QCOMPARE(f.find<QLabel>("Label3")->text(), QString("正在从服务器下载试题图片....."));
        QTRY_VERIFY(f.form->imageView().showsImages());
        QCOMPARE(f.stub.lastRequestFor("net_down_sted.asp"),
                 QByteArray("/cj/net_down_sted.asp?xx_id=1&ks_id=7&km_id=2&img_txt=12%5C1001_3.txt"));
        QCOMPARE(f.form->imageView().imagePaths(), QStringList{f.cached("1001_3.gif")});
        QVERIFY(f.form->fetcher().timer1().isActive());
        // Cached now: shown without a request.
        f.stub.clearRequests();
        f.form->fetcher().fetchWorked(1);
        QVERIFY(!f.form->webBrowser3().busy());
        // An unsafe name is refused before anything is sent.
        f.form->fetcher().fetchWorked(2);
        QCOMPARE(f.t.dialogs.messages.size(), 1);
        QVERIFY(!f.form->webBrowser3().busy());
    }

    // A buffer answer opened while a worked answer's image is on its way:
    // the image goes to the worked answer's file, and the buffer answer
    // stays on screen with its own file untouched.
    void workedImageArrivingLate()
    {
        Fixture f;
        const QByteArray own = png_bytes(40, 30, Qt::darkBlue);
        const QByteArray worked = png_bytes(20, 10, Qt::red);
        f.writeCached("2001_3.gif", own);
        f.stub.setReply("net_down_sted.asp", image_reply(worked));
        openWithBatch(f, {answer(41, 9, "3", "2001")});
        f.form->fetcher().Timer1_Timer();
        f.form->workedPanel().fill_worked_list("51,8,张三,3,10,1001,7,1,t,1,12;");
        f.form->fetcher().fetchWorked(1);
        f.form->ListView1_ItemClick(1);
        QTRY_VERIFY(!f.form->webBrowser3().busy());
        QFile file(f.cached("2001_3.gif"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), own);
        QFile got(f.cached("1001_3.gif"));
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(got.readAll(), worked);
        QCOMPARE(f.form->imageView().imagePaths(), QStringList{f.cached("2001_3.gif")});
        QVERIFY(f.t.dialogs.messages.isEmpty());
    }

    void downloadAgain()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        openWithBatch(f, {answer(41, 9, "3", "1001")});
        f.form->fetcher().Timer1_Timer();
        f.form->ListView1_ItemClick(1);
        f.find<QWidget>("Frame10")->show();
        f.form->feedback().Option5_Click();
        QVERIFY(!QFileInfo::exists(f.cached("1001_3.gif")));
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("0"));
        QVERIFY(f.find<QWidget>("Frame10")->isHidden());
        QCOMPARE(f.t.dialogs.messages,
                 QStringList{"此道试题已经重新下载，请点击左侧《当前缓冲试题列表》中第 1 行，刷新......"});
        // The folder was listed when the batch came, with the image in it:
        // the next tick fetches it all the same.
        f.stub.setReply("net_down_st.asp", image_reply(png_bytes()));
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(downloads(f).size(), 1);
        QVERIFY(downloads(f).first().contains("1001_3.txt"));
    }

    // An image gone from the cache after the batch arrived: opening the
    // answer finds it missing, and the next tick fetches it.
    void imageGoneAfterTheListing()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        openWithBatch(f, {answer(41, 9, "3", "1001")});
        f.form->fetcher().Timer1_Timer();
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("1"));
        QVERIFY(QFile::remove(f.cached("1001_3.gif")));
        f.form->ListView1_ItemClick(1);
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("0"));
        f.stub.setReply("net_down_st.asp", image_reply(png_bytes()));
        f.form->fetcher().Timer1_Timer();
        QTRY_COMPARE(downloads(f).size(), 1);
        QTRY_COMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("1"));
    }

    // An image cached after the batch arrived (and the folder was listed)
    // is found by the tick, not fetched again.
    void imageCachedAfterTheListing()
    {
        Fixture f;
        f.writeCached("1001_3.gif", png_bytes());
        openWithBatch(f, {answer(41, 9, "3", "1001"), answer(42, 10, "3", "1002")});
        f.writeCached("1002_3.gif", png_bytes());
        f.form->fetcher().Timer1_Timer();
        QCOMPARE(f.form->bufferList().text(1, marking::Col::Downed), QString("1"));
        QCOMPARE(f.form->bufferList().text(2, marking::Col::Downed), QString("1"));
        QVERIFY(!f.form->webBrowser3().busy());
    }
};

QTEST_MAIN(MarkingCacheTest)
#include "test_marking_cache.moc"
