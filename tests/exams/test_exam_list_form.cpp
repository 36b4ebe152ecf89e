// The exam-selection screen against the stub server: the list, checking an
// exam, the subject options, the steps, confirm, back and the return path.
#include "app/session.h"
#include "exams/exam_list_form.h"
#include "net/page_errors.h"
#include "net/url_encode.h"
#include "recorders.h"
#include "stub_server.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using exams::ExamListForm;
using testsupport::StubReply;
using testsupport::StubServer;
using testsupport::TestServices;

namespace {

const QString kExamList = QStringLiteral("12,期末考试,x,1;13,月考,x,2;ks_name;");
const QString kConfirmRefusal = QStringLiteral("请从考试列表中选取某次考试、考试科目，同时选定相应操作步骤！");

}  // namespace

class ExamListFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StubServer> stub;
    std::unique_ptr<TestServices> ts;

    // Subjects per exam id; an exam without an entry gets an empty list.
    QHash<QByteArray, QString> subjectsOf;

    std::unique_ptr<ExamListForm> open()
    {
        auto form = std::make_unique<ExamListForm>(ts->services);
        form->show();
        return form;
    }

    static QTreeWidget* list(QWidget& f) { return f.findChild<QTreeWidget*>("ListView1"); }
    static QLabel* label(QWidget& f, const char* name) { return f.findChild<QLabel*>(name); }
    static QRadioButton* option(QWidget& f, const QString& name) { return f.findChild<QRadioButton*>(name); }
    static void press(QWidget& f, const char* name) { f.findChild<QAbstractButton*>(name)->click(); }
    qsizetype subjectRequests() const { return stub->requestsFor("net_ks_km1.asp").size(); }

    static void check(QWidget& f, int row, bool on = true)
    {
        list(f)->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
    static QList<bool> checks(QWidget& f)
    {
        QList<bool> r;
        for (int i = 0; i < list(f)->topLevelItemCount(); ++i)
            r << (list(f)->topLevelItem(i)->checkState(0) == Qt::Checked);
        return r;
    }

    // The form with the exam list shown and, when asked, exam `row` chosen
    // and its subjects shown.
    std::unique_ptr<ExamListForm> openWithList()
    {
        auto form = open();
        [&] { QTRY_COMPARE(list(*form)->topLevelItemCount(), 2); }();
        return form;
    }
    std::unique_ptr<ExamListForm> openWithSubjects(int row)
    {
        auto form = openWithList();
        check(*form, row);
        [&] { QTRY_VERIFY(option(*form, "OptionKM_0")); }();
        return form;
    }

private slots:
    void init()
    {
        stub = std::make_unique<StubServer>();
        QVERIFY(stub->start());
        ts = std::make_unique<TestServices>();
        app::reset_session();
        app::Session& s = app::session();
        s.Server_URL = stub->baseUrl();
        s.User_ID = 7;
        s.School_ID = 3;
        s.JS_Name = QStringLiteral("张老师");
        s.ks_id = QStringLiteral("0");
        s.WORK_id = 2;
        stub->setReply("net_ks_list.asp", kExamList);
        subjectsOf = {{"12", QStringLiteral("3,语文;Studen_Number=60;")},
                      {"13", QStringLiteral("999,0;Studen_Number=60;")},
                      {"14", QStringLiteral("4,数学;3,语文;5,英语;Studen_Number=60;")}};
        stub->setHandler("net_ks_km1.asp", [this](const QByteArray& target) {
            StubReply r;
            r.body = net::gbk_bytes(subjectsOf.value(StubServer::queryValue(target, "ks_id")));
            return r;
        });
    }

    void cleanup()
    {
        ts.reset();
        stub.reset();
    }

    void loadShowsTheList()
    {
        auto form = open();
        QCOMPARE(form->objectName(), QStringLiteral("KS_list"));
        QCOMPARE(form->windowTitle(),
                 QStringLiteral("Velmora——《选取考试名称、科目和操作步骤》当前用户：张老师【Ver：8.5】"));
        QCOMPARE(app::session().WORK_id, 0);
        QVERIFY(label(*form, "Label2")->isVisible());
        QTRY_COMPARE(list(*form)->topLevelItemCount(), 2);
        QCOMPARE(stub->requests(), QList<QByteArray>{"/cj/net_ks_list.asp?user_id=7&user_lb=0"});

        QTreeWidget* l = list(*form);
        QCOMPARE(l->headerItem()->text(1), QStringLiteral("考试名称"));
        const QTreeWidgetItem* second = l->topLevelItem(1);
        QCOMPARE((QStringList{second->text(0), second->text(1), second->text(2), second->text(3)}),
                 (QStringList{"2", QStringLiteral("月考"), "13", "2"}));
        QCOMPARE(checks(*form), (QList<bool>{false, false}));
        QVERIFY(!label(*form, "Label2")->isVisible());
        QCOMPARE(label(*form, "Label1")->text(), QStringLiteral("请选取考试名称，考试科目，确定操作步骤，按 确定 继续..."));
        QCOMPARE(subjectRequests(), 0);

        const QStringList steps{QStringLiteral("批阅主观试题"), QStringLiteral("查询阅卷情况"), QStringLiteral("学科组长修改得分")};
        for (int i = 0; i < 3; ++i) {
            QRadioButton* step = option(*form, QStringLiteral("OptionBZ_%1").arg(i));
            QVERIFY(step);
            QCOMPARE(step->text(), steps.at(i));
            step->click();
            QCOMPARE(app::session().WORK_id, i + 1);
        }
    }

    void checkingAnExamTakesItAndAsksForItsSubjects()
    {
        auto form = openWithList();
        check(*form, 1);
        app::Session& s = app::session();
        QCOMPARE(s.ks_id, QStringLiteral("13"));
        QCOMPARE(s.KS_Name, QStringLiteral("月考"));
        QCOMPARE(s.KS_INPUT, 2);
        QVERIFY(label(*form, "Label2")->isVisible());
        QTRY_COMPARE(subjectRequests(), 1);
        QCOMPARE(stub->lastRequestFor("net_ks_km1.asp"), QByteArray("/cj/net_ks_km1.asp?ks_id=13&xx_id=3&js_id=7"));

        // One checked row at a time; unchecking changes no session field.
        check(*form, 0);
        QCOMPARE(checks(*form), (QList<bool>{true, false}));
        QCOMPARE(s.ks_id, QStringLiteral("12"));
        QCOMPARE(s.KS_INPUT, 1);
        check(*form, 0, false);
        QCOMPARE(checks(*form), (QList<bool>{false, false}));
        QCOMPARE(s.ks_id, QStringLiteral("12"));

        // A click beside the check box toggles it as well.
        QTreeWidget* l = list(*form);
        const QRect r = l->visualItemRect(l->topLevelItem(1));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, QPoint(l->columnViewportPosition(1) + 20, r.center().y()));
        QCOMPARE(checks(*form), (QList<bool>{false, true}));
        QCOMPARE(s.ks_id, QStringLiteral("13"));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, QPoint(l->columnViewportPosition(1) + 20, r.center().y()));
        QCOMPARE(checks(*form), (QList<bool>{false, false}));
    }

    void subjectOptions_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<int>>("tags");
        QTest::newRow("combined paper") << 1 << QString() << QStringList{QStringLiteral("综合[多科合卷]")} << QList<int>{999};
        QTest::newRow("one per subject, in order")
            << 0 << QStringLiteral("4,数学;3,语文&amp;作文;Studen_Number=60;")
            << QStringList{QStringLiteral("数学"), QStringLiteral("语文&作文")} << QList<int>{4, 3};
    }

    void subjectOptions()
    {
        QFETCH(int, row);
        QFETCH(QString, reply);
        QFETCH(QStringList, captions);
        QFETCH(QList<int>, tags);
        if (!reply.isEmpty())
            subjectsOf["12"] = reply;
        auto form = openWithSubjects(row);
        QVERIFY(!label(*form, "Label2")->isVisible());
        for (int i = 0; i < captions.size(); ++i) {
            QRadioButton* o = option(*form, QStringLiteral("OptionKM_%1").arg(i));
            QVERIFY(o);
            QVERIFY(o->isVisible());
            QCOMPARE(o->text().replace("&&", "&"), captions.at(i));
            QCOMPARE(o->property("tag").toInt(), tags.at(i));
        }
        QVERIFY(!option(*form, QStringLiteral("OptionKM_%1").arg(captions.size())));

        QRadioButton* last = option(*form, QStringLiteral("OptionKM_%1").arg(captions.size() - 1));
        last->click();
        QCOMPARE(app::session().KM_id, tags.last());
        QCOMPARE(app::session().KM_Name, captions.last());
    }

    void anotherExamDropsTheSubject()
    {
        auto form = openWithSubjects(0);
        option(*form, "OptionKM_0")->click();
        QCOMPARE(app::session().KM_id, 3);
        check(*form, 1);
        QCOMPARE(app::session().KM_id, 0);
        QVERIFY(!option(*form, "OptionKM_0"));  // the old exam's subject is gone at once
        QTRY_COMPARE(option(*form, "OptionKM_0") ? option(*form, "OptionKM_0")->property("tag").toInt() : 0, 999);
        QVERIFY(!option(*form, "OptionKM_0")->isChecked());
    }

    void missingMarkers_data()
    {
        QTest::addColumn<QString>("examReply");
        QTest::addColumn<QString>("subjectReply");
        QTest::addColumn<QString>("label1");
        QTest::newRow("exam list") << QStringLiteral("12,期末考试,x,1;;") << QString()
                                   << QStringLiteral("服务器上没有需要网上阅卷的考试，或是网络异常？");
        QTest::newRow("subjects") << kExamList << QStringLiteral("3,语文;")
                                  << QStringLiteral("本次考试科目数据为空？或是网络异常，没有读取到考试科目。");
        QTest::newRow("subjects empty") << kExamList << QStringLiteral("")
                                        << QStringLiteral("本次考试科目数据为空？或是网络异常，没有读取到考试科目。");
        QTest::newRow("subjects marker only") << kExamList << QStringLiteral("Studen_Number=0;")
                                              << QStringLiteral("本次考试科目数据为空？或是网络异常，没有读取到考试科目。");
    }

    void missingMarkers()
    {
        QFETCH(QString, examReply);
        QFETCH(QString, subjectReply);
        QFETCH(QString, label1);
        stub->setReply("net_ks_list.asp", examReply);
        subjectsOf["12"] = subjectReply;
        auto form = open();
        if (examReply == kExamList) {
            QTRY_COMPARE(list(*form)->topLevelItemCount(), 2);
            check(*form, 0);
        }
        QTRY_COMPARE(label(*form, "Label1")->text(), label1);
        QTRY_VERIFY(!label(*form, "Label2")->isVisible());
        QVERIFY(!option(*form, "OptionKM_0"));
        QCOMPARE(app::session().KM_id, 0);
        QVERIFY(ts->dialogs.messages.isEmpty());
    }

    void errorPageIsExplainedAndWaitingStays()
    {
        const QString page = QStringLiteral("<body>运行时错误 '800a000d'</body>");
        stub->setReply("net_ks_list.asp", page, 500);
        auto form = open();
        QTRY_COMPARE(ts->dialogs.messages.size(), 1);
        const QString url = stub->baseUrl() + "cj/net_ks_list.asp?user_id=7&user_lb=0";
        QCOMPARE(ts->dialogs.messages.first(), net::page_error_message(url, QStringLiteral("运行时错误 '800a000d'")));
        QVERIFY(label(*form, "Label2")->isVisible());
        QCOMPARE(list(*form)->topLevelItemCount(), 0);
    }

    void confirmRefusesIncompleteChoices_data()
    {
        QTest::addColumn<bool>("exam");
        QTest::addColumn<bool>("subject");
        QTest::addColumn<bool>("step");
        QTest::addColumn<bool>("uncheck");
        QTest::newRow("nothing") << false << false << false << false;
        QTest::newRow("no exam") << false << false << true << false;
        QTest::newRow("no subject") << true << false << true << false;
        QTest::newRow("no step") << true << true << false << false;
        QTest::newRow("exam unchecked again") << true << true << true << true;
    }

    void confirmRefusesIncompleteChoices()
    {
        QFETCH(bool, exam);
        QFETCH(bool, subject);
        QFETCH(bool, step);
        QFETCH(bool, uncheck);
        auto form = exam ? openWithSubjects(0) : openWithList();
        if (subject)
            option(*form, "OptionKM_0")->click();
        if (step)
            option(*form, "OptionBZ_0")->click();
        if (uncheck)
            check(*form, 0, false);
        press(*form, "Command1");
        QCOMPARE(ts->dialogs.messages, QStringList{kConfirmRefusal});
        QVERIFY(ts->flow.calls.isEmpty());
    }

    void confirmOpensTheChosenStep()
    {
        auto form = openWithSubjects(1);
        option(*form, "OptionKM_0")->click();
        option(*form, "OptionBZ_0")->click();
        press(*form, "Command1");
        QVERIFY(ts->dialogs.messages.isEmpty());
        QCOMPARE(ts->flow.calls, QStringList{"work1"});
        const app::Session& s = app::session();
        QCOMPARE((QStringList{s.ks_id, QString::number(s.KM_id), s.KM_Name, QString::number(s.WORK_id)}),
                 (QStringList{"13", "999", QStringLiteral("综合[多科合卷]"), "1"}));
    }

    void backAndCloseShowTheLogin()
    {
        auto form = openWithList();
        press(*form, "Command2");
        QCOMPARE(ts->flow.calls, QStringList{"login"});
        QVERIFY(!form->isVisible());

        form->show();
        form->close();
        QCOMPARE(ts->flow.calls, (QStringList{"login", "login"}));
    }

    void returnPathTakesTheExamAgain_data()
    {
        QTest::addColumn<QString>("subjects");
        QTest::addColumn<int>("kmId");  // KM_id after the subjects arrived
        QTest::newRow("subject still offered") << QStringLiteral("4,数学;3,语文;5,英语;Studen_Number=60;") << 3;
        QTest::newRow("subject withdrawn") << QStringLiteral("4,数学;Studen_Number=60;") << 0;
    }

    void returnPathTakesTheExamAgain()
    {
        QFETCH(QString, subjects);
        QFETCH(int, kmId);
        stub->setReply("net_ks_list.asp", QStringLiteral("12,期末考试,x,1;14,联考,x,2;13,月考,x,1;ks_name;"));
        subjectsOf["14"] = subjects;
        app::Session& s = app::session();
        s.ks_id = QStringLiteral("14");
        s.KM_id = 3;
        s.KS_INPUT = 1;

        auto form = open();
        QTRY_COMPARE(subjectRequests(), 1);
        QCOMPARE(stub->lastRequestFor("net_ks_km1.asp"), QByteArray("/cj/net_ks_km1.asp?ks_id=14&xx_id=3&js_id=7"));
        QCOMPARE(checks(*form), (QList<bool>{false, true, false}));
        QCOMPARE(s.KS_INPUT, 2);  // the state as the server sends it now
        QTRY_VERIFY(option(*form, "OptionKM_0"));
        QCOMPARE(s.KM_id, kmId);
        // The subject chosen before shows checked while it is offered.
        QList<int> checkedTags;
        for (QRadioButton* o : form->findChildren<QRadioButton*>()) {
            if (o->objectName().startsWith("OptionKM_") && o->isChecked())
                checkedTags << o->property("tag").toInt();
        }
        QCOMPARE(checkedTags, kmId ? QList<int>{kmId} : QList<int>{});
    }

    void returnPathWithAnExamNoLongerListed()
    {
        app::session().ks_id = QStringLiteral("99");
        auto form = openWithList();
        QCOMPARE(checks(*form), (QList<bool>{false, false}));
        QVERIFY(!label(*form, "Label2")->isVisible());  // nothing asked for
        QCOMPARE(app::session().ks_id, QStringLiteral("99"));
    }
};

QTEST_MAIN(ExamListFormTest)
#include "test_exam_list_form.moc"
