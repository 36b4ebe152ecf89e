// The screen flow: exam list created anew, work screens in place of the exam
// list, back to the exam list when a work screen closes, and a plain message
// for a step that has no screen yet.
#include "app/session.h"
#include "recorders.h"
#include "stub_server.h"
#include "ui/screen_flow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using testsupport::StubServer;
using testsupport::TestServices;

namespace {

// A work screen as the contract wants it: its accepted close asks for the
// exam list.
class FakeWorkScreen final : public QWidget {
public:
    explicit FakeWorkScreen(app::Services& s) : services(s) {}
    app::Services& services;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        services.flow.showExamList();
        e->accept();
    }
};

}  // namespace

class ProgramFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StubServer> stub;
    std::unique_ptr<TestServices> ts;
    std::unique_ptr<QWidget> login;
    QList<int> asked;     // steps the factory was asked for
    bool haveScreen = false;

    std::unique_ptr<ui::ProgramFlow> flow;
    std::unique_ptr<app::Services> services;

    void makeFlow()
    {
        flow = std::make_unique<ui::ProgramFlow>([this](int workId, app::Services& s) -> QWidget* {
            asked << workId;
            return haveScreen ? new FakeWorkScreen(s) : nullptr;
        });
        services = std::make_unique<app::Services>(
            app::Services{ts->network, ts->dialogs, ts->clock, ts->paths, *flow});
        flow->setServices(*services);
        flow->setLoginScreen(login.get());
    }

    // Checks the first exam, its subject and `step` on the shown exam list,
    // then confirms.
    void chooseAndConfirm(int step)
    {
        QWidget* list = flow->examList();
        auto* exams = list->findChild<QTreeWidget*>("ListView1");
        QTRY_COMPARE(exams->topLevelItemCount(), 1);
        exams->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QTRY_VERIFY(list->findChild<QRadioButton*>("OptionKM_0"));
        list->findChild<QRadioButton*>("OptionKM_0")->click();
        list->findChild<QRadioButton*>(QStringLiteral("OptionBZ_%1").arg(step - 1))->click();
        list->findChild<QAbstractButton*>("Command1")->click();
    }

private slots:
    void init()
    {
        stub = std::make_unique<StubServer>();
        QVERIFY(stub->start());
        stub->setReply("net_ks_list.asp", QStringLiteral("12,期末考试,x,1;ks_name;"));
        stub->setReply("net_ks_km1.asp", QStringLiteral("3,语文;Studen_Number=60;"));
        ts = std::make_unique<TestServices>();
        app::reset_session();
        app::session().Server_URL = stub->baseUrl();
        app::session().ks_id = QStringLiteral("0");
        login = std::make_unique<QWidget>();
        login->show();
        asked.clear();
        haveScreen = false;
        makeFlow();
    }

    void cleanup()
    {
        flow.reset();
        services.reset();
        login.reset();
        ts.reset();
        stub.reset();
    }

    void examListIsCreatedAnew()
    {
        flow->showExamList();
        QPointer<QWidget> first = flow->examList();
        QVERIFY(first && first->isVisible());
        QCOMPARE(first->objectName(), QStringLiteral("KS_list"));
        QVERIFY(!login->isVisible());

        flow->showExamList();
        QVERIFY(flow->examList() != first.data());
        QVERIFY(flow->examList()->isVisible());
        QTRY_VERIFY(!first);
        QTRY_COMPARE(stub->requestsFor("net_ks_list.asp").size(), 2);
    }

    void stepWithoutScreenSaysSoAndStays()
    {
        flow->showExamList();
        QPointer<QWidget> list = flow->examList();
        chooseAndConfirm(2);
        QCOMPARE(asked, QList<int>{2});
        QCOMPARE(ts->dialogs.messages, QStringList{QStringLiteral("此功能尚未开放：查询阅卷情况")});
        QCOMPARE(flow->examList(), list.data());
        QVERIFY(list->isVisible());
        QVERIFY(!login->isVisible());
        QVERIFY(!list->findChild<QWidget*>("Label2")->isVisible());
    }

    void workScreenReplacesTheListAndComesBack()
    {
        haveScreen = true;
        flow->showExamList();
        QPointer<QWidget> list = flow->examList();
        chooseAndConfirm(1);
        QPointer<QWidget> work = flow->workScreen();
        QVERIFY(work && work->isVisible());
        QVERIFY(!login->isVisible());
        QTRY_VERIFY(!list);  // gone without showing the login screen
        QVERIFY(!login->isVisible());

        // Closing the work screen brings a fresh exam list that takes the
        // exam again.
        const qsizetype subjectsBefore = stub->requestsFor("net_ks_km1.asp").size();
        work->close();
        QTRY_VERIFY(!work);
        QVERIFY(flow->examList() && flow->examList()->isVisible());
        QVERIFY(!login->isVisible());
        QTRY_COMPARE(stub->requestsFor("net_ks_km1.asp").size(), subjectsBefore + 1);
        QCOMPARE(ts->dialogs.messages, QStringList{});
    }

    void closingTheListShowsTheLogin()
    {
        flow->showExamList();
        QPointer<QWidget> list = flow->examList();
        list->findChild<QAbstractButton*>("Command2")->click();
        QVERIFY(login->isVisible());
        QTRY_VERIFY(!list);
        QVERIFY(!flow->examList());
    }
};

QTEST_MAIN(ProgramFlowTest)
#include "test_program_flow.moc"
