// The report screen against the reference server started in-process with
// its demo data (a share of the answers marked): every report page opens
// in the browser view without an error, the ranking exports with its
// header merges, and one student's answer sheet comes with all its pieces.
#include "app/session.h"
#include "reports/report_form.h"
#include "screen_test.h"
#include "ui/web_page_view.h"
#include "server_login.h"
#include "velmora_server.h"
#include "xlsx_reader.h"

#include <QApplication>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class ReportsServerTest : public QObject {
    Q_OBJECT
private slots:
    void everyReportExportAndSheet()
    {
        ui::WebPageView::setEngineEnabled(true);
        QTemporaryDir dbDir;
        velmora::ServerOptions o;
        o.db_path = (dbDir.path() + "/reports.db").toStdString();
        o.port = 0;
        o.demo = true;
        o.demo_marked_percent = 60;
        velmora::Server server(o);
        server.start();

        testsupport::TestServices t;
        app::reset_session();
        app::Session& s = app::session();
        s.Server_URL = QString::fromStdString(server.base_url());
        s.ks_id = QStringLiteral("1");
        s.KM_id = 1;
        s.School_ID = 1;
        // The subject leader sees every school.
        s.User_ID = int(server.query_int("SELECT teacher_id FROM subject_leaders WHERE subject_id = 1 LIMIT 1"));
        s.KS_Name = QStringLiteral("期末考试");
        s.KM_Name = QStringLiteral("语文");
        // Before the screen opens: its browser view takes the session from the channels' cookies.
        QVERIFY(testsupport::logIn(t.network, s.Server_URL, s.School_ID, s.User_ID));

        reports::ReportForm form(t.services);
        form.show();
        auto* view = form.findChild<ui::WebPageView*>(QStringLiteral("WebBrowser1"));
        auto* box = form.findChild<QWidget*>(QStringLiteral("Frame5"));
        QTRY_VERIFY_WITH_TIMEOUT(view->innerHtml().contains(QStringLiteral("按题目统计")), 20000);

        for (int i : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13}) {
            auto* b = form.findChild<QPushButton*>(QStringLiteral("Command%1").arg(i));
            b->click();
            QTRY_VERIFY_WITH_TIMEOUT(box->isHidden(), 20000);
            QVERIFY2(t.dialogs.messages.isEmpty(), qPrintable(t.dialogs.messages.value(0)));
            QVERIFY2(view->innerHtml().contains(QStringLiteral("<td"), Qt::CaseInsensitive), qPrintable(b->text()));
        }

        // The ranking, exported: its title across, the first four headers
        // down two rows, a student in the fourth row.
        form.findChild<QPushButton*>(QStringLiteral("Command9"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(box->isHidden(), 20000);
        const QString file = dbDir.filePath(QStringLiteral("名次.xlsx"));
        t.dialogs.nextFileName << file;
        form.Command8_Click();
        QVERIFY2(t.dialogs.messages.isEmpty(), qPrintable(t.dialogs.messages.value(0)));
        const auto sheet = testsupport::readSheet(file);
        QCOMPARE(sheet.cells.value(QStringLiteral("A1")), QStringLiteral("成绩名次表"));
        QCOMPARE(sheet.cells.value(QStringLiteral("E3")), QStringLiteral("得分"));
        QCOMPARE(sheet.cells.value(QStringLiteral("A4")), QStringLiteral("1"));
        QVERIFY(sheet.merges.contains(QStringLiteral("A2:A3")));
        QVERIFY(sheet.merges.contains(QStringLiteral("E2:F2")));

        // One student's sheet: every marked answer is a piece, fetched once.
        const auto student = server.query_int(
            "SELECT st.id FROM students st JOIN results r ON r.student_id = st.id JOIN answers a ON a.result_id = r.id "
            "JOIN scores sc ON sc.answer_id = a.id WHERE r.subject_id = 1 GROUP BY st.id ORDER BY COUNT(*) DESC LIMIT 1");
        const auto pieces = server.query_int(
            "SELECT COUNT(*) FROM answers a JOIN results r ON r.id = a.result_id JOIN scores sc ON sc.answer_id = a.id "
            "WHERE r.subject_id = 1 AND r.student_id = " + std::to_string(student));
        QVERIFY(pieces > 1);
        view->navigate(s.Server_URL + QStringLiteral("cj/cj_xsdtk.asp?ks_id=1&km_id=1&xx_id=1&u_id=%1&xs_id=%2")
                                          .arg(s.User_ID)
                                          .arg(student));
        QTRY_VERIFY_WITH_TIMEOUT(view->showsWritten() && box->isHidden(), 30000);
        QVERIFY2(t.dialogs.messages.isEmpty(), qPrintable(t.dialogs.messages.value(0)));
        const QDir cache(t.paths.programDir() + QStringLiteral("/ks_data/1/1"));
        const QStringList files = cache.entryList({QStringLiteral("*.gif")}, QDir::Files);
        QCOMPARE(files.size(), int(pieces));
        for (const QString& f : files)
            QVERIFY2(QImageReader(cache.filePath(f)).canRead(), qPrintable(f));
        QCOMPARE(view->innerHtml().count(QStringLiteral("<IMG src=")), int(pieces));
        QVERIFY(view->innerHtml().contains(QStringLiteral("小题得:")));

        // Export refused while the sheet is shown.
        form.Command8_Click();
        QCOMPARE(t.dialogs.messages, QStringList{QStringLiteral("答题卡图片不方便导入到 Excel 中！")});
    }
};

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ReportsServerTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_reports_server.moc"
