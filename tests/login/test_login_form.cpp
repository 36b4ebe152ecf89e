// The login screen against the stub server: the load and its probe, the
// address and port fields, the school and teacher lookups, the login
// button's checks, the login reply and the upgrade panel.
#include "app/session.h"
#include "login/login_form.h"
#include "login/login_texts.h"
#include "login/upgrade_panel.h"
#include "login/url_settings.h"
#include "net/page_channel.h"
#include "net/url_encode.h"
#include "recorders.h"
#include "stub_server.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <memory>

using testsupport::StubReply;
using testsupport::StubServer;
namespace text = login::text;

namespace {

StubReply gbk(const QString& body)
{
    StubReply r;
    r.body = net::gbk_bytes(body);
    return r;
}

QString schools(int count)
{
    QString t = QStringLiteral("School_Name8762349;");
    for (int i = 1; i <= count; ++i)
        t += QStringLiteral("%1,学校%1;").arg(i * 11);
    return t + QStringLiteral("remote=x;8.5;");
}

const QString probeReply = QStringLiteral("School_Name8762349;remote=x;8.5;");

}  // namespace

class LoginFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::TestServices> ts;
    std::unique_ptr<StubServer> stub;
    std::unique_ptr<login::LoginForm> form;
    // Replies of the school and teacher pages by their q value.
    QHash<QByteArray, QString> schoolReplies, teacherReplies;

    template <class T>
    T* child(const char* name) const
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    net::PageChannel* channel() const { return child<net::PageChannel>("WebBrowser1"); }

    void writeUrlTxt(const QByteArray& content)
    {
        QFile f(ts->paths.file("url.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    // Runs the action and waits until the channel has delivered a reply of
    // the page (one that was not replaced by a newer request).
    template <class F>
    bool completes(const QString& page, F action)
    {
        QSignalSpy spy(channel(), &net::PageChannel::completed);
        action();
        QDeadlineTimer deadline(10000);
        for (qsizetype seen = 0; !deadline.hasExpired();) {
            for (; seen < spy.size(); ++seen) {
                const auto r = spy.at(seen).at(0).value<net::PageResult>();
                if (!r.replaced && r.url.contains(page))
                    return true;
            }
            spy.wait(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return false;
    }

    // A form whose url.txt names the stub, loaded and past its first probe.
    void startForm()
    {
        writeUrlTxt(QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());
        form = std::make_unique<login::LoginForm>(ts->services);
        QVERIFY(completes("net_get_school.asp", [] {}));
        ts->dialogs.messages.clear();
        stub->clearRequests();
    }

    void typeInto(const char* field, const QString& keys)
    {
        QTest::keyClicks(child<QLineEdit>(field), keys);
    }

    // Typing counts as paused only when the test says so: the form's
    // pause timer is held, then fired as it would fire.
    void holdTypingPause() { child<QTimer>("typingPause")->setInterval(24 * 3600 * 1000); }
    void pauseTyping()
    {
        auto* pause = child<QTimer>("typingPause");
        QVERIFY(pause->isActive());
        pause->stop();
        QVERIFY(QMetaObject::invokeMethod(pause, "timeout"));
    }

    void clickRow(QListWidget* list, int row)
    {
        QVERIFY(list->isVisibleTo(form.get()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

private slots:
    void initTestCase() { qRegisterMetaType<net::PageResult>(); }

    void init()
    {
        app::reset_session();
        ts = std::make_unique<testsupport::TestServices>();
        stub = std::make_unique<StubServer>();
        QVERIFY(stub->start());
        schoolReplies.clear();
        teacherReplies.clear();
        stub->setHandler("net_get_school.asp", [this](const QByteArray& target) {
            return gbk(schoolReplies.value(StubServer::queryValue(target, "q"), probeReply));
        });
        stub->setHandler("net_get_js.asp", [this](const QByteArray& target) {
            return gbk(teacherReplies.value(StubServer::queryValue(target, "q"), QStringLiteral("JS8762349")));
        });
    }

    void cleanup()
    {
        form.reset();
        stub.reset();
        ts.reset();
    }

    void loadProbesAndSetsCaption()
    {
        writeUrlTxt(QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());
        ts->clock.set(QDateTime(QDate(2026, 3, 1), QTime(7, 30)));
        app::session().User_ID = 9;
        form = std::make_unique<login::LoginForm>(ts->services);
        QCOMPARE(form->objectName(), QStringLiteral("login_form"));
        QCOMPARE(form->windowTitle(), text::caption);
        QCOMPARE(app::session().Server_URL, stub->baseUrl());
        QCOMPARE(app::session().Start_Time, ts->clock.now());
        QCOMPARE(app::session().User_ID, 0);
        QVERIFY(completes("net_get_school.asp", [] {}));
        QCOMPARE(stub->lastRequestFor("net_get_school.asp"), QByteArray("/cj/net_get_school.asp?q=127.0.0.1"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Velmora——教师登录 Ver:8.5"));
        QCOMPARE(app::session().Ver, QStringLiteral("8.5"));
        QCOMPARE(child<QLabel>("Label3")->text(), text::network_ok);
        QVERIFY(ts->dialogs.messages.isEmpty());
        QCOMPARE(child<QLineEdit>("Text3")->echoMode(), QLineEdit::Password);
    }

    void urlTxtFillsFields_data()
    {
        QTest::addColumn<QByteArray>("content");  // empty: no file
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("remember");
        QTest::newRow("missing") << QByteArray() << "127.0.0.1" << "9090" << "" << false;
        QTest::newRow("one line without CR LF") << QByteArray("127.0.0.2") << "127.0.0.1" << "9090" << "" << false;
        QTest::newRow("two lines") << QByteArray("127.0.0.2\r\n9191\r\n") << "127.0.0.2" << "9191" << "" << false;
        QTest::newRow("fourth not numeric") << QByteArray("127.0.0.2\r\n9191\r\nbdf\r\nx\r\n") << "127.0.0.2" << "9191" << "abc" << false;
        QTest::newRow("remembered password") << QByteArray("127.0.0.2\r\n9191\r\nbdf\r\n1\r\n") << "127.0.0.2" << "9191" << "abc" << true;
    }
    void urlTxtFillsFields()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(bool, remember);
        if (!content.isEmpty())
            writeUrlTxt(content);
        form = std::make_unique<login::LoginForm>(ts->services);
        QCOMPARE(child<QLineEdit>("ServerIP")->text(), address);
        QCOMPARE(child<QLineEdit>("ServerPort")->text(), port);
        QCOMPARE(child<QLineEdit>("Text3")->text(), password);
        QCOMPARE(child<QCheckBox>("Check1")->isChecked(), remember);
        QCOMPARE(app::session().Server_URL, QStringLiteral("http://%1:%2/").arg(address, port));
        QCOMPARE(channel()->pendingUrl(), app::session().Server_URL + "cj/net_get_school.asp?q=127.0.0.1");
    }

    void portKeystrokes()
    {
        startForm();
        auto* port = child<QLineEdit>("ServerPort");
        const QString before = app::session().Server_URL;
        const auto probeOn = [](const QString& p) {
            return QStringLiteral("http://127.0.0.1:%1/cj/net_get_school.asp?q=16600000000").arg(p);
        };
        port->selectAll();
        QTest::keyClick(port, '8');
        QCOMPARE(ts->dialogs.messages, QStringList{text::bad_port});
        QCOMPARE(app::session().Server_URL, before);
        for (const char* typed : {"80", "808", "8080"}) {
            QTest::keyClick(port, typed[qstrlen(typed) - 1]);
            QCOMPARE(port->text(), QString::fromLatin1(typed));
            QCOMPARE(app::session().Server_URL, QStringLiteral("http://127.0.0.1:%1/").arg(typed));
            QCOMPARE(channel()->pendingUrl(), probeOn(typed));
        }
        QCOMPARE(ts->dialogs.messages.size(), 1);

        port->selectAll();
        QTest::keyClick(port, Qt::Key_Backspace);  // empty is not a number
        QCOMPARE(port->text(), QStringLiteral("80"));
        QCOMPARE(channel()->pendingUrl(), probeOn("80"));

        port->setText("65535");
        QCOMPARE(app::session().Server_URL, QStringLiteral("http://127.0.0.1:65535/"));
        for (const char* refused : {"65536", "79"}) {
            ts->dialogs.messages.clear();
            port->setText(refused);
            QCOMPARE(ts->dialogs.messages, QStringList{text::bad_port});
            QCOMPARE(app::session().Server_URL, QStringLiteral("http://127.0.0.1:65535/"));
        }

        // Back to the stub: the probe it records is the edit token.
        ts->dialogs.messages.clear();
        QVERIFY(completes("net_get_school.asp", [&] { port->setText(QString::number(stub->port())); }));
        QCOMPARE(stub->lastRequestFor("net_get_school.asp"), QByteArray("/cj/net_get_school.asp?q=16600000000"));
        QVERIFY(ts->dialogs.messages.isEmpty());
    }

    void addressWithoutDotFallsBack()
    {
        startForm();
        auto* ip = child<QLineEdit>("ServerIP");
        ip->setText("localhost");
        QCOMPARE(app::session().Server_URL, stub->baseUrl());  // typing alone changes nothing
        QVERIFY(completes("net_get_school.asp", [&] {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(ip, &out);
        }));
        QCOMPARE(ts->dialogs.messages, QStringList{text::bad_address});
        QCOMPARE(ip->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(stub->requestsFor("net_get_school.asp"), QList<QByteArray>{"/cj/net_get_school.asp?q=16600000000"});
    }

    void oneSchoolIsTakenWithoutClick()
    {
        startForm();
        schoolReplies["shi"] = QStringLiteral("School_Name8762349;7,实验中学;remote=x;8.5;");
        const QByteArray full = net::url_encode(QStringLiteral("实验中学")).toLatin1();
        schoolReplies[full] = schoolReplies["shi"];
        child<QLineEdit>("Text2")->setText("old");
        holdTypingPause();
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "shi"); }));
        QCOMPARE(child<QLineEdit>("Text2")->text(), QString());  // a new school drops the teacher
        QCOMPARE(app::session().School_ID, 7);
        QVERIFY(child<QListWidget>("List1")->isHidden());
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("shi"));  // typing has not paused yet
        // Taking the name over looks it up once more, and that is the end of it.
        QVERIFY(completes("net_get_school.asp", [&] { pauseTyping(); }));
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("实验中学"));
        QVERIFY(form->listPicked());
        QCOMPARE(stub->lastRequestFor("net_get_school.asp"), "/cj/net_get_school.asp?q=" + full);
        QVERIFY(!channel()->busy());
    }

    // Typed at full speed, each key's reply arrives before the next key.
    // A single match is taken over only once typing has paused, and only
    // while the field still holds the text that reply answers.
    void singleMatchWaitsForThePause_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("shown");  // the field's text once typing has paused
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("schoolId");
        QTest::newRow("school initials") << "Text1" << QStringList{"d", "y", "z", "x"} << QStringLiteral("第一中学") << true << 1;
        QTest::newRow("school name") << "Text1" << QStringList{"第", "一", "中", "学"} << QStringLiteral("第一中学") << true << 1;
        QTest::newRow("teacher initials") << "Text2" << QStringList{"w", "f"} << QStringLiteral("王芳") << true << 5;
        QTest::newRow("last reply no match") << "Text1" << QStringList{"d", "q"} << "dq" << false << 1;
    }
    void singleMatchWaitsForThePause()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, keys);
        QFETCH(QString, shown);
        QFETCH(bool, taken);
        QFETCH(int, schoolId);
        const QString school = QStringLiteral("School_Name8762349;1,第一中学;remote=x;8.5;");
        for (const QString& q : {QStringLiteral("d"), QStringLiteral("dy"), QStringLiteral("dyz"), QStringLiteral("dyzx"),
                                 QStringLiteral("第"), QStringLiteral("第一"), QStringLiteral("第一中"), QStringLiteral("第一中学")})
            schoolReplies[net::url_encode(q).toLatin1()] = school;
        for (const QString& q : {QStringLiteral("w"), QStringLiteral("wf"), QStringLiteral("王芳")})
            teacherReplies[net::url_encode(q).toLatin1()] = QStringLiteral("JS87623493,王芳;");
        startForm();
        if (field == "Text2")
            app::session().School_ID = 5;
        holdTypingPause();

        const QString page = field == "Text1" ? "net_get_school.asp" : "net_get_js.asp";
        auto* f = child<QLineEdit>(field.toLatin1());
        QString typed;
        for (const QString& key : keys) {
            QVERIFY(completes(page, [&] {
                if (key.at(0).unicode() < 128) {
                    QTest::keyClicks(f, key);
                } else {  // Chinese comes from an input method
                    QInputMethodEvent ime;
                    ime.setCommitString(key);
                    QApplication::sendEvent(f, &ime);
                }
            }));
            typed += key;
            QCOMPARE(f->text(), typed);
        }
        QCOMPARE(stub->requestsFor(page).size(), keys.size());  // one lookup per key, as ever
        QVERIFY(child<QListWidget>(field == "Text1" ? "List1" : "List2")->isHidden());

        pauseTyping();
        QCOMPARE(f->text(), shown);
        QCOMPARE(form->listPicked(), taken);
        QCOMPARE(app::session().School_ID, schoolId);
        QVERIFY(ts->dialogs.messages.isEmpty());
    }

    void typingPauseIsShort()
    {
        startForm();
        auto* pause = form->findChild<QTimer*>("typingPause");
        QVERIFY(pause);
        QVERIFY(pause->isSingleShot());
        QVERIFY(pause->interval() >= 200 && pause->interval() <= 400);
    }

    void whatCountsAsTyping_data()
    {
        QTest::addColumn<int>("key");  // 0: an input method commits text
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("typed");
        QTest::newRow("letter") << int(Qt::Key_A) << 0 << true;
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << true;
        QTest::newRow("paste") << int(Qt::Key_V) << int(Qt::ControlModifier) << true;
        QTest::newRow("input method") << 0 << 0 << true;
        QTest::newRow("copy") << int(Qt::Key_C) << int(Qt::ControlModifier) << false;
        QTest::newRow("arrow") << int(Qt::Key_Left) << 0 << false;
    }
    void whatCountsAsTyping()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, typed);
        startForm();
        schoolReplies["yi"] = QStringLiteral("School_Name8762349;1,一中;remote=x;8.5;");
        schoolReplies[net::url_encode(QStringLiteral("一中")).toLatin1()] = schoolReplies["yi"];
        QVERIFY(completes("net_get_school.asp", [&] { child<QLineEdit>("Text1")->setText("yi"); }));
        QVERIFY(form->listPicked());
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        auto* field = child<QLineEdit>("Text1");
        if (key == 0) {
            QInputMethodEvent ime;
            ime.setCommitString(QStringLiteral("实"));
            QApplication::sendEvent(field, &ime);
        } else {
            QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        }
        QCOMPARE(form->listPicked(), !typed);
        QCOMPARE(child<QLineEdit>("Text2")->text(), typed ? QString() : QStringLiteral("张三"));
    }

    void threeSchoolsAndAClickOnTheSecond()
    {
        startForm();
        form->show();
        schoolReplies["z"] = schools(3);
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "z"); }));
        auto* list = child<QListWidget>("List1");
        QCOMPARE(list->count(), 3);
        QVERIFY(list->isVisibleTo(form.get()));
        QCOMPARE(app::session().School_ID, 0);
        clickRow(list, 1);
        QCOMPARE(app::session().School_ID, 22);
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("学校22"));
        QVERIFY(list->isHidden());
        QVERIFY(!channel()->busy());  // a picked name sends no lookup
    }

    void noMatchEntryIsNoSchool()
    {
        startForm();
        form->show();
        schoolReplies["z"] = schools(3);
        schoolReplies["zq"] = probeReply;
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "z"); }));
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "q"); }));
        auto* list = child<QListWidget>("List1");
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), text::no_school_found);
        clickRow(list, 0);
        QCOMPARE(app::session().School_ID, 0);
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("zq"));
        QVERIFY(!form->listPicked());
    }

    void schoolListStopsAtFiftyOne()
    {
        startForm();
        schoolReplies["x"] = schools(60);
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "x"); }));
        QCOMPARE(child<QListWidget>("List1")->count(), 51);
        QVERIFY(ts->dialogs.messages.isEmpty());
    }

    void replyWithoutMarkerMeansUnreachable_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("school") << "Text1";
        QTest::newRow("teacher") << "Text2";
    }
    void replyWithoutMarkerMeansUnreachable()
    {
        QFETCH(QString, field);
        startForm();
        schoolReplies["a"] = QStringLiteral("<p>Server Error</p>");
        teacherReplies["a"] = QStringLiteral("<p>Server Error</p>");
        const QString page = field == "Text1" ? "net_get_school.asp" : "net_get_js.asp";
        QVERIFY(completes(page, [&] { typeInto(field.toLatin1(), "a"); }));
        QCOMPARE(ts->dialogs.messages, QStringList{text::unreachable});
        QCOMPARE(child<QLabel>("Label3")->text(), text::unreachable);
    }

    void teacherLookupBeforeSchoolSendsZero()
    {
        startForm();
        QVERIFY(completes("net_get_js.asp", [&] { typeInto("Text2", "z"); }));
        QCOMPARE(stub->lastRequestFor("net_get_js.asp"), QByteArray("/cj/net_get_js.asp?q=z&xx_id=0"));
        QCOMPARE(child<QListWidget>("List2")->item(0)->text(), text::no_teacher_found);
    }

    void teacherReplies_()
    {
        startForm();
        form->show();
        holdTypingPause();
        app::session().School_ID = 40001;
        teacherReplies["zs"] = QStringLiteral("JS8762349 1,张三;2,张珊;3,赵四;");
        const QByteArray one = net::url_encode(QStringLiteral("张珊")).toLatin1();
        teacherReplies[one] = QStringLiteral("JS87623492,张珊;");
        QVERIFY(completes("net_get_js.asp", [&] { typeInto("Text2", "zs"); }));
        QCOMPARE(stub->lastRequestFor("net_get_js.asp"), QByteArray("/cj/net_get_js.asp?q=zs&xx_id=40001"));
        auto* list = child<QListWidget>("List2");
        QCOMPARE(list->count(), 3);
        clickRow(list, 1);
        QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("张珊"));
        QVERIFY(list->isHidden());
        QVERIFY(!channel()->busy());

        // One match that comes after typing has paused is taken over at once.
        pauseTyping();
        QTest::mouseClick(child<QLineEdit>("Text2"), Qt::LeftButton);
        QVERIFY(!form->listPicked());
        child<QLineEdit>("Text2")->clear();
        QVERIFY(completes("net_get_js.asp", [&] { child<QLineEdit>("Text2")->setText(QStringLiteral("张珊")); }));
        QVERIFY(list->isHidden());
        QVERIFY(form->listPicked());
        QVERIFY(ts->dialogs.messages.isEmpty());
    }

    void loginChecks_data()
    {
        QTest::addColumn<QString>("ver");
        QTest::addColumn<int>("school");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("query");    // sent query, empty: nothing sent
        QTest::addColumn<QString>("shownName");
        QTest::addColumn<QString>("shownPassword");
        QTest::addColumn<QString>("upgrade");  // Label5 of a shown upgrade panel
        const QStringList none;
        const QString sql = text::forbidden_word;
        QTest::newRow("quotes vanish first")
            << "8.5" << 5 << QStringLiteral(" 张'三 ") << " a'b " << none
            << "xx_id=5&js_name=%D5%C5%C8%FD&password=ab" << QStringLiteral("张三") << "ab" << "";
        QTest::newRow("password encoded, blanks inside kept")
            << "8.5" << 40000 << "li" << "  a b&c%#+ " << none
            << "xx_id=40000&js_name=li&password=a+b%26c%25%23%2B" << "li" << "a b&c%#+" << "";
        QTest::newRow("capital word passes") << "8.5" << 5 << "li" << "Insert" << none
                                             << "xx_id=5&js_name=li&password=Insert" << "li" << "Insert" << "";
        QTest::newRow("other version") << "9.0" << 5 << "li" << "pw" << none << "" << "li" << "pw"
                                       << QStringLiteral("《Velmora-网阅系统》已经升级到 9.0，你可以：");
        QTest::newRow("no server answer yet") << "" << 5 << "li" << "pw" << none << "" << "li" << "pw"
                                              << QStringLiteral("《Velmora-网阅系统》已经升级到 ，你可以：");
        QTest::newRow("version before school") << "" << 0 << "" << "" << none << "" << "" << ""
                                               << QStringLiteral("《Velmora-网阅系统》已经升级到 ，你可以：");
        QTest::newRow("no school") << "8.5" << 0 << "li" << "pw" << QStringList{text::need_school} << "" << "li" << "pw" << "";
        QTest::newRow("one message per word") << "8.5" << 5 << "li" << "insertdelete" << QStringList{sql, sql} << ""
                                              << "li" << "insertdelete" << "";
        QTest::newRow("both fields checked") << "8.5" << 5 << "selectinto" << "update" << QStringList{sql, sql, sql}
                                             << "" << "selectinto" << "update" << "";
        QTest::newRow("words before emptiness") << "8.5" << 5 << "" << "select" << QStringList{sql} << "" << ""
                                                << "select" << "";
        QTest::newRow("empty password") << "8.5" << 5 << "li" << "" << QStringList{text::need_name_and_password}
                                        << "" << "li" << "" << "";
        QTest::newRow("blank name") << "8.5" << 5 << "   " << "pw" << QStringList{text::need_name_and_password}
                                    << "" << "" << "pw" << "";
    }
    void loginChecks()
    {
        QFETCH(QString, ver);
        QFETCH(int, school);
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QStringList, messages);
        QFETCH(QString, query);
        QFETCH(QString, shownName);
        QFETCH(QString, shownPassword);
        QFETCH(QString, upgrade);
        startForm();
        app::Session& s = app::session();
        s.Ver = ver;
        s.School_ID = school;
        s.ks_id = "12";
        s.KM_id = 3;
        s.WORK_id = 1;
        child<QLineEdit>("Text2")->setText(name);
        child<QLineEdit>("Text3")->setText(password);
        QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton);

        QCOMPARE(ts->dialogs.messages, messages);
        QCOMPARE(child<QLineEdit>("Text2")->text(), shownName);
        QCOMPARE(child<QLineEdit>("Text3")->text(), shownPassword);
        QCOMPARE(child<QGroupBox>("Frame3")->isVisibleTo(form.get()), !upgrade.isEmpty());
        QCOMPARE(child<QFrame>("Frame2")->isVisibleTo(form.get()), !upgrade.isEmpty());
        if (!upgrade.isEmpty())
            QCOMPARE(child<QLabel>("Label5")->text(), upgrade);
        if (query.isEmpty()) {
            QVERIFY(!channel()->pendingUrl().contains("net_login.asp"));
            QCOMPARE(s.ks_id, QStringLiteral("12"));
        } else {
            QCOMPARE(channel()->pendingUrl(), stub->baseUrl() + "cj/net_login.asp?" + query);
            QCOMPARE(s.ks_id, QStringLiteral("0"));
            QCOMPARE(s.KM_id, 0);
            QCOMPARE(s.WORK_id, 0);
        }
    }

    void enterInPasswordLogsIn_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("return") << int(Qt::Key_Return) << "pw" << true;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << "pw" << true;
        QTest::newRow("checks as the button") << int(Qt::Key_Return) << "" << false;
    }
    void enterInPasswordLogsIn()
    {
        QFETCH(int, key);
        QFETCH(QString, password);
        QFETCH(bool, loggedIn);
        startForm();
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42,张三,"));
        app::session().School_ID = 5;
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        auto* pw = child<QLineEdit>("Text3");
        QTest::keyClicks(pw, password);
        if (loggedIn) {
            QVERIFY(completes("net_login.asp", [&] { QTest::keyClick(pw, Qt::Key(key)); }));
            QCOMPARE(ts->flow.calls, QStringList{"exams"});
            QCOMPARE(stub->lastRequestFor("net_login.asp"), QByteArray("/cj/net_login.asp?xx_id=5&js_name=%D5%C5%C8%FD&password=pw"));
        } else {
            QTest::keyClick(pw, Qt::Key(key));
            QCOMPARE(ts->dialogs.messages, QStringList{text::need_name_and_password});
            QVERIFY(!channel()->pendingUrl().contains("net_login.asp"));
        }
    }

    void loginAccepted()
    {
        startForm();
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42, 张三 ,"));
        app::session().School_ID = 5;
        app::session().KS_Name = QStringLiteral("期中");
        form->show();
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        child<QLineEdit>("Text3")->setText("p&w");
        child<QCheckBox>("Check1")->setChecked(true);
        QVERIFY(completes("net_login.asp", [&] { QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton); }));
        QCOMPARE(ts->flow.calls, QStringList{"exams"});
        QCOMPARE(app::session().User_ID, 42);
        QCOMPARE(app::session().JS_Name, QStringLiteral("张三"));
        QCOMPARE(app::session().KS_Name, QStringLiteral("期中"));  // kept until another exam is chosen
        QVERIFY(form->isHidden());
        QVERIFY(ts->dialogs.messages.isEmpty());

        QFile f(ts->paths.file("url.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QStringLiteral("127.0.0.1\r\n%1\r\n%2\r\n1\r\n").arg(stub->port()).arg(login::pwd_encode("p&w")).toLatin1());
        QCOMPARE(f.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());

        // Coming back from the exam list: the fields as they were.
        form->show();
        QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("张三"));
        QCOMPARE(child<QLineEdit>("Text3")->text(), QStringLiteral("p&w"));
    }

    // Typing that pauses while the login is on its way writes the school's
    // full name into its field; the login is still the one answered.
    void pauseDuringLoginKeepsTheLogin()
    {
        schoolReplies[net::url_encode(QStringLiteral("dy")).toLatin1()] =
            QStringLiteral("School_Name8762349;1,第一中学;remote=x;8.5;");
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42, 张三 ,"));
        startForm();
        holdTypingPause();
        QVERIFY(completes("net_get_school.asp", [&] { typeInto("Text1", "dy"); }));
        app::session().School_ID = 1;
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        child<QLineEdit>("Text3")->setText("pw");
        QVERIFY(completes("net_login.asp", [&] {
            QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton);
            pauseTyping();
            QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("第一中学"));
        }));
        QCOMPARE(ts->flow.calls, QStringList{"exams"});
    }

    // A password that cannot be read back is not remembered, and the
    // teacher hears of it; the login goes on.
    void unrememberablePasswordIsTold()
    {
        startForm();
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42,张三,"));
        app::session().School_ID = 5;
        form->show();
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        child<QLineEdit>("Text3")->setText(QStringLiteral("ab\x01"));
        child<QCheckBox>("Check1")->setChecked(true);
        QVERIFY(completes("net_login.asp", [&] { child<QPushButton>("login")->click(); }));
        QCOMPARE(ts->flow.calls, QStringList{"exams"});
        QCOMPARE(ts->dialogs.messages, QStringList{login::text::password_not_remembered});
        QFile f(ts->paths.file("url.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("\r\n"), 2);  // address and port only
    }

    // The marking clock starts at each successful login: the second teacher
    // of a run does not inherit the minutes since the program started.
    void clockStartsAtEachLogin()
    {
        startForm();
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42,张三,"));
        app::session().School_ID = 5;
        form->show();
        ts->clock.advanceSeconds(8 * 60);
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        child<QLineEdit>("Text3")->setText("pw");
        QVERIFY(completes("net_login.asp", [&] { child<QPushButton>("login")->click(); }));
        QCOMPARE(app::session().Start_Time, ts->clock.now());
        form->show();  // logged out: back at the login screen
        ts->clock.advanceSeconds(20 * 60);
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,43,李华,"));
        QVERIFY(completes("net_login.asp", [&] { child<QPushButton>("login")->click(); }));
        QCOMPARE(app::session().User_ID, 43);
        QCOMPARE(app::session().Start_Time, ts->clock.now());
    }

    // The school and teacher of the last successful login come back at the
    // next start; the school is looked up again, so a server that does not
    // know it chooses none. The password only when it was remembered.
    void lastLoginFilledInAtStart_data()
    {
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("schoolKnown");
        QTest::newRow("password remembered") << true << true;
        QTest::newRow("password not remembered") << false << true;
        QTest::newRow("school unknown to the server") << false << false;
    }
    void lastLoginFilledInAtStart()
    {
        QFETCH(bool, remember);
        QFETCH(bool, schoolKnown);
        const QString school = QStringLiteral("第一中学");
        schoolReplies[net::url_encode(school).toLatin1()] = QStringLiteral("School_Name8762349;1,第一中学;remote=x;8.5;");
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,1,张明,"));
        startForm();
        QVERIFY(completes("net_get_school.asp", [&] { child<QLineEdit>("Text1")->setText(school); }));
        QCOMPARE(app::session().School_ID, 1);
        child<QLineEdit>("Text2")->setText(QStringLiteral("张明"));
        child<QLineEdit>("Text3")->setText("demo123");
        child<QCheckBox>("Check1")->setChecked(remember);
        QVERIFY(completes("net_login.asp", [&] { QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton); }));
        QCOMPARE(ts->flow.calls, QStringList{"exams"});
        QFile url(ts->paths.file("url.txt"));
        QVERIFY(url.open(QIODevice::ReadOnly));
        const QByteArray urlTxt = url.readAll();  // its format is not ours to change

        // The next start.
        form.reset();
        app::reset_session();
        stub->clearRequests();
        if (!schoolKnown)
            schoolReplies.clear();
        form = std::make_unique<login::LoginForm>(ts->services);
        QVERIFY(completes("net_get_school.asp", [] {}));
        QCOMPARE(child<QLineEdit>("Text1")->text(), school);
        QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("张明"));
        QCOMPARE(child<QLineEdit>("Text3")->text(), remember ? QStringLiteral("demo123") : QString());
        QCOMPARE(app::session().School_ID, schoolKnown ? 1 : 0);
        QCOMPARE(app::session().Ver, QStringLiteral("8.5"));  // the lookup answers as the probe would
        QVERIFY(stub->requestsFor("net_get_js.asp").isEmpty());
        QCOMPARE(form->focusWidget(), child<QLineEdit>("Text3"));
        QVERIFY(ts->dialogs.messages.isEmpty());
        // Typed over, the remembered name gives way.
        QTest::keyClick(child<QLineEdit>("Text1"), 'd');
        QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("d"));
        QCOMPARE(urlTxt, remember ? QStringLiteral("127.0.0.1\r\n%1\r\n%2\r\n1\r\n").arg(stub->port()).arg(login::pwd_encode("demo123")).toLatin1()
                                  : QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());
    }

    // The port field may hold a refused value while the login goes to the
    // last valid one; that one is what must be remembered.
    void refusedPortIsNotRemembered()
    {
        startForm();
        stub->setReply("net_login.asp", QStringLiteral("School_Name398685,42,张三,"));
        child<QLineEdit>("ServerPort")->setText("79");
        QCOMPARE(ts->dialogs.messages, QStringList{text::bad_port});
        ts->dialogs.messages.clear();
        app::session().School_ID = 5;
        child<QLineEdit>("Text2")->setText(QStringLiteral("张三"));
        child<QLineEdit>("Text3")->setText("pw");
        QVERIFY(completes("net_login.asp", [&] { QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton); }));
        QCOMPARE(ts->flow.calls, QStringList{"exams"});
        QFile f(ts->paths.file("url.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());
    }

    void loginRefused_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::newRow("no marker") << "fail";
        QTest::newRow("user id not a number") << "School_Name398685,abc,张三";
        QTest::newRow("empty") << "";
    }
    void loginRefused()
    {
        QFETCH(QString, reply);
        startForm();
        stub->setReply("net_login.asp", reply);
        app::session().School_ID = 5;
        child<QLineEdit>("Text2")->setText("li");
        child<QLineEdit>("Text3")->setText("pw");
        QVERIFY(completes("net_login.asp", [&] { QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton); }));
        QCOMPARE(ts->dialogs.messages, QStringList{text::login_refused});
        QCOMPARE(child<QLineEdit>("Text2")->text(), QString());
        QCOMPARE(child<QLineEdit>("Text3")->text(), QString());
        QVERIFY(ts->flow.calls.isEmpty());
        QCOMPARE(app::session().User_ID, 0);
        QFile f(ts->paths.file("url.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QStringLiteral("127.0.0.1\r\n%1\r\n").arg(stub->port()).toLatin1());  // not rewritten
        QVERIFY(!QFile::exists(ts->paths.file("tavix.ini")));  // nothing to remember
    }

    void loginWithoutServerKeepsFields()
    {
        startForm();
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        app::session().Server_URL = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();
        app::session().School_ID = 5;
        child<QLineEdit>("Text2")->setText("li");
        child<QLineEdit>("Text3")->setText("pw");
        QVERIFY(completes("net_login.asp", [&] { QTest::mouseClick(child<QPushButton>("login"), Qt::LeftButton); }));
        QCOMPARE(ts->dialogs.messages, QStringList{text::unreachable});
        QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("li"));
        QCOMPARE(child<QLineEdit>("Text3")->text(), QStringLiteral("pw"));
        QVERIFY(ts->flow.calls.isEmpty());
    }

    void upgradeLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("file");
        QTest::newRow("installer") << "Label6" << "kssetup.exe";
        QTest::newRow("program file") << "Label7" << "tavix.exe";
    }
    void upgradeLinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, file);
        startForm();
        form->show();
        form->show_upgrade("9.0");
        const QString dir = QDir::toNativeSeparators(ts->paths.programDir());
        QCOMPARE(child<QLabel>("Label7")->text(), QStringLiteral("2、点此下载 tavix.exe，覆盖 ") + dir + QStringLiteral("\\ 同名文件。"));
        auto* label = form->findChild<QLabel*>(link);
        QVERIFY(label);

        auto* hint = child<QLabel>("Label8");
        QVERIFY(hint->isHidden());
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(label, &enter);
        QVERIFY(hint->isVisibleTo(form.get()));
        QCOMPARE(hint->pos(), QPoint(label->x() + label->width() / 2, label->y() + 20));
        QCOMPARE(hint->text(), QStringLiteral("点击下载程序......"));

        QSignalSpy end(form.get(), &login::LoginForm::programEnd);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(ts->dialogs.openedUrls, QList<QUrl>{QUrl(stub->baseUrl() + "cj/down/" + file)});
        QCOMPARE(ts->dialogs.messages, QStringList{file == "tavix.exe" ? login::program_file_message(dir)
                                                                     : login::installer_message()});
        QCOMPARE(end.size(), 1);
    }

    void quitEndsTheProgram()
    {
        startForm();
        QSignalSpy end(form.get(), &login::LoginForm::programEnd);
        QTest::mouseClick(child<QPushButton>("quit"), Qt::LeftButton);
        QCOMPARE(end.size(), 1);
        QVERIFY(ts->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(LoginFormTest)
#include "test_login_form.moc"
