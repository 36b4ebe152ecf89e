// The report screen against the stub server: the buttons and their
// addresses, the status box, error pages, the export and the assembled
// answer sheet. Pages show in the plain view here; the browser engine is
// exercised against the reference server.
#include "test_images.h"
#include "net/page_channel.h"
#include "net/url_encode.h"
#include "reports/report_form.h"
#include "screen_test.h"
#include "ui/web_page_view.h"
#include "ui/work_screens.h"
#include "xlsx_reader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <memory>

using reports::ReportForm;

namespace {

QString jpegBase64(int w, int h)
{
    return QString::fromLatin1(testsupport::image_bytes(w, h, Qt::white, "JPG").toBase64());
}

// One record of the answer-sheet reply.
QString piece(const QString& file, const QString& question, int height, const QString& score,
              const QString& extra = {})
{
    return QStringLiteral("E:\\web\\cj\\ks_img\\7\\%1,%2,%3,王老师,%4,%5").arg(file, question).arg(height).arg(score, extra);
}

const QString kTimeoutPage = QStringLiteral("<H1>Active Server Pages 错误 'ASP 0113'</H1>脚本超时");

}  // namespace

class ReportFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ScreenTest> st;
    std::unique_ptr<ReportForm> form;

    ui::WebPageView* view() const { return form->findChild<ui::WebPageView*>(QStringLiteral("WebBrowser1")); }
    QPushButton* button(int i) const { return form->findChild<QPushButton*>(QStringLiteral("Command%1").arg(i)); }
    QWidget* statusBox() const { return form->findChild<QWidget*>(QStringLiteral("Frame5")); }
    QString statusText() const { return form->findChild<QLabel*>(QStringLiteral("Label6"))->text(); }
    QString cacheDir() const { return st->t.paths.programDir() + QStringLiteral("/ks_data/7/2"); }

    void open()
    {
        form = std::make_unique<ReportForm>(st->t.services);
        form->show();
        QVERIFY(st->stub.waitForRequest(QStringLiteral("cj_working.asp")));
        QTRY_COMPARE(view()->innerHtml(), QStringLiteral("<p>进度</p>"));
    }

    // Opens the answer sheet of a student and waits for its end.
    void openSheet(const QString& reply)
    {
        st->stub.setReply(QStringLiteral("cj_xsdtk.asp"), reply);
        button(6)->click();
        QTRY_VERIFY(statusBox()->isHidden());
    }

private slots:
    void init()
    {
        ui::WebPageView::setEngineEnabled(false);
        st = std::make_unique<testsupport::ScreenTest>();
        app::Session& s = st->session();
        s.ks_id = QStringLiteral("7");
        s.KM_id = 2;
        s.School_ID = 3;
        s.User_ID = 5;
        s.KS_Name = QStringLiteral("期末考试");
        s.KM_Name = QStringLiteral("数学");
        st->stub.setReply(QStringLiteral("cj_working.asp"), QStringLiteral("<p>进度</p>"));
        open();
    }
    void cleanup()
    {
        form.reset();
        st.reset();
    }

    void controls()
    {
        QCOMPARE(form->objectName(), QStringLiteral("Form5"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Velmora—《查询客观题答题情况》 【Ver：8.5】"));
        QCOMPARE(button(8)->text(), QStringLiteral("保存到Excel"));
        QVERIFY(!button(14));
        QVERIFY(form->findChild<QObject*>(QStringLiteral("WebBrowser2")));
        QVERIFY(statusBox()->isHidden());  // the first page shows without it
        // The view fills the window right of and below its place.
        QCOMPARE(view()->geometry().bottomRight(), form->rect().bottomRight());
        const QRect box = statusBox()->geometry();
        QCOMPARE(box.center().x(), form->rect().center().x());
        QCOMPARE(form->findChild<QWidget*>(QStringLiteral("Frame4"))->pos(), box.topLeft() + QPoint(15, 15));
    }

    void reportButtons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("target");
        const QString four = QStringLiteral("?ks_id=7&km_id=2&xx_id=3&u_id=5");
        QTest::newRow("1") << 1 << "答题情况" << "/cj/cj_answer.asp" + four;
        QTest::newRow("2") << 2 << "试卷图片" << "/cj/cj_score.asp" + four;
        QTest::newRow("3 progress: no school") << 3 << "考试进度" << "/cj/cj_working.asp?ks_id=7&km_id=2&u_id=5";
        QTest::newRow("4") << 4 << "得分情况" << "/cj/cj_shitifs.asp" + four;
        QTest::newRow("5") << 5 << "优秀答题卡" << "/cj/cj_yxdtk.asp" + four;
        QTest::newRow("6") << 6 << "考生答题卡" << "/cj/cj_xsdtk.asp" + four;
        QTest::newRow("7") << 7 << "试题难度" << "/cj/cj_stnd.asp" + four;
        QTest::newRow("9") << 9 << "成绩名次表" << "/cj/cj_mc.asp" + four;
        QTest::newRow("10") << 10 << "成绩分数段" << "/cj/cj_fsd.asp" + four;
        QTest::newRow("11") << 11 << "试卷分析" << "/cj/cj_sjfx.asp" + four;
        QTest::newRow("12") << 12 << "试题区分度" << "/cj/cj_stqfd.asp" + four;
        QTest::newRow("13") << 13 << "成绩分析表" << "/cj/cj_fx.asp" + four;
    }

    void reportButtons()
    {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(QString, target);
        const QString page = target.section(u'/', 2).section(u'?', 0, 0);
        st->stub.setReply(page, QStringLiteral("<TABLE><TR><TD>%1</TD></TR></TABLE>").arg(caption));
        st->stub.clearRequests();
        QCOMPARE(button(index)->text(), caption);
        button(index)->click();
        QVERIFY(statusBox()->isVisible());
        QCOMPARE(statusText(), QStringLiteral("正在读取数据，请等待..."));
        QTRY_VERIFY(statusBox()->isHidden());
        QCOMPARE(st->stub.requests(), QList<QByteArray>{target.toUtf8()});
        QVERIFY(view()->innerHtml().contains(caption));
        QVERIFY(st->messages().isEmpty());
    }

    void errorPageLeavesTheStatusBox()
    {
        st->stub.setReply(QStringLiteral("cj_stnd.asp"), kTimeoutPage);
        button(7)->click();
        QTRY_COMPARE(st->messages().size(), 1);
        QVERIFY(st->messages().first().startsWith(QStringLiteral("   访问服务器时发生错误，可能的原因：\r\r运行网站文件时发生“脚本超时”错误。")));
        QVERIFY(statusBox()->isVisible());
        QCOMPARE(statusText(), QStringLiteral("正在读取数据，请等待..."));
    }

    void missingServerGivesTheChannelsText()
    {
        st->stub.setReply(QStringLiteral("cj_fsd.asp"), QStringLiteral("gone"), 404);
        button(10)->click();
        QTRY_COMPARE(st->messages().size(), 1);
        QVERIFY(st->messages().first().contains(QStringLiteral("1、访问的页面文件不存在！")));
        QVERIFY(statusBox()->isVisible());
    }

    void exportWritesTheTableAndOpensIt()
    {
        st->stub.setReply(QStringLiteral("cj_mc.asp"),
                          QStringLiteral("<TABLE><TBODY><TR><TD colspan=3>成绩名次表</TD></TR>"
                                         "<TR><TD>名次</TD><TD>姓名</TD><TD>总分</TD></TR><TR><TD></TD></TR>"
                                         "<TR><TD>1</TD><TD>张三</TD><TD>95</TD></TR></TBODY></TABLE>"));
        button(9)->click();
        QTRY_VERIFY(statusBox()->isHidden());
        const QString file = st->t.paths.programDir() + QStringLiteral("/名次");
        st->answerFileDialog(file);
        button(8)->click();
        QCOMPARE(st->t.dialogs.suggestedNames, QStringList{QStringLiteral("成绩名次表_期末考试_数学.xlsx")});
        QVERIFY(st->messages().isEmpty());
        QCOMPARE(st->t.dialogs.openedUrls, QList<QUrl>{QUrl::fromLocalFile(file + QStringLiteral(".xlsx"))});
        const auto sheet = testsupport::readSheet(file + QStringLiteral(".xlsx"));
        QCOMPARE(sheet.cells.value(QStringLiteral("B4")), QStringLiteral("张三"));
        QCOMPARE(sheet.merges, (QStringList{"A1:C1", "A2:A3", "B2:B3", "C2:C3"}));
        QVERIFY(statusBox()->isHidden());
        QCOMPARE(statusText(), QStringLiteral("正在写入Excel，完成 100%"));
    }

    void exportCancelledWritesNothing()
    {
        button(8)->click();  // the dialog answers with no name
        QCOMPARE(st->t.dialogs.suggestedNames.size(), 1);
        QVERIFY(st->t.dialogs.openedUrls.isEmpty());
        QVERIFY(statusBox()->isHidden());
    }

    void exportToAnUnwritablePlaceSaysWhy()
    {
        st->answerFileDialog(st->t.paths.programDir() + QStringLiteral("/no/such/folder/a.xlsx"));
        button(8)->click();
        QCOMPARE(st->messages().size(), 1);
        QVERIFY(st->messages().first().startsWith(QStringLiteral("数据导入到 Excel 文档时出错！\r\r")));
        QVERIFY(statusBox()->isHidden());
        QVERIFY(st->t.dialogs.openedUrls.isEmpty());
    }

    void exportOfAnAnswerSheetIsRefused()
    {
        openSheet(QStringLiteral("<p>张三</p>Student_DTKNo Record;"));
        st->answerFileDialog(st->t.paths.programDir() + QStringLiteral("/x.xlsx"));
        button(8)->click();
        QCOMPARE(st->messages(), QStringList{QStringLiteral("答题卡图片不方便导入到 Excel 中！")});
        QVERIFY(st->t.dialogs.suggestedNames.isEmpty());
    }

    void noRecordShowsTheRedNotice()
    {
        openSheet(QStringLiteral("<p>张三</p>Student_DTKNo Record;"));
        QCOMPARE(view()->innerHtml(), QStringLiteral("<p>张三</p>") + reports::kNothingMarked
                                          + QStringLiteral("</td></tr></TBODY></table>"));
        QVERIFY(st->stub.requestsFor(QStringLiteral("cj_dtk.asp")).isEmpty());
    }

    void replyWithoutMarkerLeavesThePage()
    {
        st->stub.setReply(QStringLiteral("cj_xsdtk.asp"), QStringLiteral("请先选择学生"));
        button(6)->click();
        QTRY_COMPARE(view()->innerHtml(), QStringLiteral("请先选择学生"));
        QVERIFY(!view()->showsWritten());
        QVERIFY(statusBox()->isHidden());
    }

    void answerSheetFetchesEachPieceOnceThenFromCache()
    {
        const QString a = piece(QStringLiteral("1001_00.txt"), QStringLiteral("00"), 300, QStringLiteral("40"),
                                QStringLiteral("A B C"));
        const QString b = piece(QStringLiteral("1001_13.txt"), QStringLiteral("13"), 200, QStringLiteral("8"));
        const QString reply = QStringLiteral("<p>张三</p>Student_DTK") + a + u';' + b + u';';
        // One at a time: each request comes after the reply before it was
        // written into the cache.
        QList<int> cachedWhenAsked;
        st->stub.setHandler(QStringLiteral("cj_dtk.asp"), [&](const QByteArray&) {
            cachedWhenAsked << int(QDir(cacheDir()).entryList(QDir::Files).size());
            testsupport::StubReply r;
            r.body = jpegBase64(60, 40).toLatin1();
            return r;
        });
        openSheet(reply);
        const auto requests = st->stub.requestsFor(QStringLiteral("cj_dtk.asp"));
        QCOMPARE(requests.size(), 2);
        QCOMPARE(cachedWhenAsked, (QList<int>{0, 1}));
        // The record goes form-encoded, marker's name and backslashes too.
        QCOMPARE(QByteArray::fromPercentEncoding(testsupport::StubServer::queryValue(requests.at(0), "dtk")),
                 QByteArray::fromPercentEncoding(net::url_encode(a).toLatin1()));
        QVERIFY(QFile::exists(cacheDir() + QStringLiteral("/1001_00.gif")));
        QVERIFY(QFile::exists(cacheDir() + QStringLiteral("/1001_13.gif")));
        const QString html = view()->innerHtml();
        QVERIFY(html.startsWith(QStringLiteral("<p>张三</p><IMG src=") + cacheDir() + QStringLiteral("/1001_00.gif><br>\r")));
        QVERIFY(html.contains(QStringLiteral("top:260;left:500;z-index:10;font-size:36pt;color:red;white-space:nowrap;'>"
                                             "客观题得:40 分，阅卷人:王老师</div>")));
        QVERIFY(html.contains(QStringLiteral("top:330;left:500;z-index:10;font-size:16pt;white-space:nowrap;'>A B C</div>")));
        QVERIFY(html.contains(QStringLiteral("top:460;left:500;") ));
        QVERIFY(html.contains(QStringLiteral(">13小题得:8 分，阅卷人:王老师</div>")));
        QVERIFY(html.endsWith(QStringLiteral("</td></tr></table>")));

        // Again: every piece from the cache, no request.
        st->stub.clearRequests();
        button(3)->click();
        QTRY_VERIFY(!view()->showsWritten());
        openSheet(reply);
        QVERIFY(st->stub.requestsFor(QStringLiteral("cj_dtk.asp")).isEmpty());
        QCOMPARE(view()->innerHtml(), html.chopped(18) + QStringLiteral("</td></tr></TBODY></table>"));
    }

    void notAJpegSkipsThePiece()
    {
        st->stub.setReply(QStringLiteral("cj_dtk.asp"), QStringLiteral("img_txt_file not find!"));
        openSheet(QStringLiteral("Student_DTK") + piece(QStringLiteral("1001_13.txt"), QStringLiteral("13"), 200, "8")
                  + u';');
        QCOMPARE(view()->innerHtml(), QStringLiteral("</td></tr></table>"));
        QVERIFY(QDir(cacheDir()).isEmpty());
    }

    void pieceAfterLeavingTheSheetIsDropped()
    {
        testsupport::StubReply held;
        held.hold = true;
        st->stub.setRawReply(QStringLiteral("cj_working.asp"), held);
        // The teacher goes on to the progress page while a piece is on its way.
        st->stub.setHandler(QStringLiteral("cj_dtk.asp"), [&](const QByteArray&) {
            button(3)->click();
            testsupport::StubReply r;
            r.body = jpegBase64(60, 40).toLatin1();
            return r;
        });
        st->stub.setReply(QStringLiteral("cj_xsdtk.asp"), QStringLiteral("Student_DTK")
                                                             + piece(QStringLiteral("1001_13.txt"), QStringLiteral("13"), 200, "8")
                                                             + u';');
        button(6)->click();
        QVERIFY(st->stub.waitForRequest(QStringLiteral("cj_dtk.asp")));
        // The piece's reply has come back and been dealt with.
        auto* channel = form->findChild<net::PageChannel*>(QStringLiteral("WebBrowser2"));
        QTRY_VERIFY(!channel->busy());
        QVERIFY(!view()->showsWritten());
        QVERIFY(!QFile::exists(cacheDir() + QStringLiteral("/1001_13.gif")));
        QVERIFY(statusBox()->isVisible());  // the progress page is still loading
    }

    void unsafePieceNameTouchesNoFile()
    {
        openSheet(QStringLiteral("Student_DTK") + piece(QStringLiteral("../../x.txt"), QStringLiteral("13"), 200, "8")
                  + u';');
        QCOMPARE(st->messages().size(), 1);
        QVERIFY(st->messages().first().contains(QStringLiteral("../../x.txt")));
        QVERIFY(st->stub.requestsFor(QStringLiteral("cj_dtk.asp")).isEmpty());
    }

    void linkToAnAnswerSheetBuildsIt()
    {
        st->stub.setReply(QStringLiteral("cj_score.asp"),
                          QStringLiteral("<TABLE><TR><TD>张三</TD><TD><A href=\"cj_xsdtk.asp?ks_id=7&amp;xs_id=9\">查看</A>"
                                         "</TD></TR></TABLE>"));
        st->stub.setReply(QStringLiteral("cj_xsdtk.asp"), QStringLiteral("<p>张三的答题卡</p>Student_DTKNo Record;"));
        button(2)->click();
        QTRY_VERIFY(statusBox()->isHidden());
        auto* plain = view()->findChild<QTextBrowser*>(QStringLiteral("plainPage"));
        emit plain->anchorClicked(QUrl(QStringLiteral("cj_xsdtk.asp?ks_id=7&xs_id=9")));
        QTRY_VERIFY(view()->showsWritten());
        QCOMPARE(st->stub.lastRequestFor(QStringLiteral("cj_xsdtk.asp")), QByteArray("/cj/cj_xsdtk.asp?ks_id=7&xs_id=9"));
        QVERIFY(view()->innerHtml().contains(QStringLiteral("此学生的主观试题还没批阅！")));
    }

    void workStepTwoIsThisScreen()
    {
        ui::WorkScreenMemory memory;
        std::unique_ptr<QWidget> screen(ui::create_work_screen(2, st->t.services, memory));
        QVERIFY(screen);
        QCOMPARE(screen->objectName(), QStringLiteral("Form5"));
    }

    void closingShowsTheExamList()
    {
        form->close();
        QCOMPARE(st->t.flow.calls, QStringList{QStringLiteral("exams")});
    }
};

QTEST_MAIN(ReportFormTest)
#include "test_report_form.moc"
