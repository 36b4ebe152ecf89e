// The screen flow: exam list created anew, work screens in place of the exam
// list, back to the exam list when a work screen closes, and a plain message
// for a step that has no screen yet.
#include "app/session.h"
#include "login/login_form.h"
#include "recorders.h"
#include "stub_server.h"
#include "ui/screen_flow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
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

    // The real start-up screen: a login brings the exam list with the
    // teacher's name, back brings the login screen, a second login a new list.
    void withTheLoginScreen()
    {
        stub->setReply("net_get_school.asp", QStringLiteral("School_Name8762349;remote=x;8.5;"));
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42, 张三 ,"));
        {
            QFile f(ts->paths.file("url.txt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());
        }
        login::LoginForm form(*services);
        flow->setLoginScreen(&form);
        form.show();
        QTRY_COMPARE(app::session().Ver, QStringLiteral("8.5"));
        app::session().School_ID = 5;

        QPointer<QWidget> previous;
        for (int round = 0; round < 2; ++round) {
            form.findChild<QLineEdit*>("Text2")->setText(QStringLiteral("张三"));
            form.findChild<QLineEdit*>("Text3")->setText("pw");
            form.findChild<QAbstractButton*>("login")->click();
            QTRY_VERIFY(flow->examList());
            QVERIFY(flow->examList()->isVisible());
            QVERIFY(form.isHidden());
            QVERIFY(flow->examList()->windowTitle().endsWith(QStringLiteral("当前用户：张三【Ver：8.5】")));
            QTRY_COMPARE(flow->examList()->findChild<QTreeWidget*>("ListView1")->topLevelItemCount(), 1);

            previous = flow->examList();
            previous->findChild<QAbstractButton*>("Command2")->click();
            QVERIFY(form.isVisible());
            QTRY_VERIFY(!flow->examList());
        }
        QCOMPARE(stub->requestsFor("net_login.asp").size(), 2);
        QCOMPARE(ts->dialogs.messages, QStringList{});
        flow->setLoginScreen(nullptr);
    }
};

QTEST_MAIN(ProgramFlowTest)
#include "test_program_flow.moc"
