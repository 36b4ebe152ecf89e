// Every control a person operates has a name a screen reader reads out:
// the accessibility tree of each screen is walked as an assistive
// technology sees it (Qt's QAccessible interfaces, offscreen).
#include "correction/correction_form.h"
#include "exams/exam_list_form.h"
#include "login/login_form.h"
#include "marking/marking_form.h"
#include "reports/report_form.h"
#include "protocol_examples.h"
#include "screen_test.h"
#include "ui/image_page_view.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QTreeWidget>
#include <functional>

namespace {

// The roles a person operates; their children (cells, items) carry their
// own texts.
bool operable(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Graphic:
        return true;
    default:
        return false;
    }
}

bool opaque(QAccessible::Role role)
{
    return role == QAccessible::Table || role == QAccessible::List || role == QAccessible::Tree
        || role == QAccessible::ScrollBar;
}

// "objectName (role)" of every shown, operable control without a name.
QStringList unnamed(QWidget* screen)
{
    QStringList out;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* iface) {
        if (!iface || iface->state().invisible)
            return;
        const QAccessible::Role role = iface->role();
        if (operable(role) && iface->text(QAccessible::Name).trimmed().isEmpty()) {
            QObject* o = iface->object();
            out << QStringLiteral("%1 (role %2)").arg(o ? o->objectName() : QStringLiteral("?")).arg(int(role));
        }
        if (opaque(role))
            return;
        for (int i = 0; i < iface->childCount(); ++i)
            walk(iface->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(screen));
    return out;
}

QString nameOf(QWidget* w)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

void expectAllNamed(QWidget* screen)
{
    const QStringList missing = unnamed(screen);
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("without a name: ") + missing.join(QStringLiteral(", "))));
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::ImagePageView::setWebContentEnabled(false); }

    void loginScreen()
    {
        testsupport::ScreenTest s;
        login::LoginForm form(s.t.services);
        form.show();
        expectAllNamed(&form);
        QCOMPARE(nameOf(s.control<QWidget>(form, "Text1")), QStringLiteral("学校名称："));
        QCOMPARE(nameOf(s.control<QWidget>(form, "Text2")), QStringLiteral("教师姓名："));
        QCOMPARE(nameOf(s.control<QWidget>(form, "Text3")), QStringLiteral("登录密码："));
    }

    void examScreen()
    {
        testsupport::ScreenTest s;
        s.session().User_ID = 5;
        s.stub.setReply("net_ks_list.asp", testsupport::protocol_example("exam list").reply);
        s.stub.setReply("net_ks_km1.asp", testsupport::protocol_example("subjects by question").reply);
        exams::ExamListForm form(s.t.services);
        form.show();
        auto* exams = s.control<QTreeWidget>(form, "ListView1");
        QTRY_VERIFY(exams->topLevelItemCount() > 0);
        exams->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QTRY_VERIFY(s.control<QWidget>(form, "OptionKM_1") != nullptr);
        expectAllNamed(&form);
    }

    void markingScreen()
    {
        testsupport::ScreenTest s;
        app::Session& session = s.session();
        session.ks_id = QStringLiteral("7");
        session.KM_id = 2;
        session.User_ID = 5;
        s.stub.setReply("net_get_work.asp", "th,3,5,");
        s.stub.setReply("net_user_work.asp", "0,8,45,12,540,300,2,16,3,0;41,9,学生9,3,10,1001,0.001,0,1,12;");
        marking::MarkingState memory;
        marking::MarkingForm form(s.t.services, memory);
        form.show();
        QTRY_COMPARE(form.bufferList().rows(), 1);
        expectAllNamed(&form);
        QCOMPARE(nameOf(s.control<QWidget>(form, "Work_0")), QStringLiteral("第3题"));
        QCOMPARE(nameOf(s.control<QWidget>(form, "Text1")), QStringLiteral("本题得分"));
    }

    void correctionScreen()
    {
        testsupport::ScreenTest s;
        app::Session& session = s.session();
        session.ks_id = QStringLiteral("1");
        session.KM_id = 1;
        session.User_ID = 6;
        s.stub.setReply("net_get_th.asp", testsupport::protocol_example("question list").reply);
        correction::CorrectionForm form(s.t.services);
        form.show();
        QTRY_VERIFY(!s.stub.requestsFor("net_get_th.asp").isEmpty());
        QTRY_VERIFY(!form.webBrowser1().busy());
        expectAllNamed(&form);
    }

    void reportScreen()
    {
        testsupport::ScreenTest s;
        app::Session& session = s.session();
        session.ks_id = QStringLiteral("1");
        session.KM_id = 1;
        session.User_ID = 6;
        reports::ReportForm form(s.t.services);
        form.show();
        expectAllNamed(&form);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
