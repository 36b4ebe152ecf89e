#pragma once
// The base every screen test starts from: the recording services with a
// temporary program folder, the stub server started on a free port, and a
// fresh session that points at it. Screens are found by objectName and
// dialogs answered through the recording Dialogs, never by sleeping.
#include "app/session.h"
#include "recorders.h"
#include "stub_server.h"

#include <QWidget>

namespace testsupport {

class ScreenTest {
public:
    ScreenTest()
    {
        stub.start();
        app::reset_session();
        app::session().Server_URL = stub.baseUrl();
    }
    ScreenTest(const ScreenTest&) = delete;
    ScreenTest& operator=(const ScreenTest&) = delete;

    app::Session& session() const { return app::session(); }

    // The exam the screen tests work in: exam 7 (期末考试), subject 2 (数学),
    // teacher 5 of school 1, by this name.
    void chooseExam(const QString& teacher)
    {
        app::Session& s = session();
        s.ks_id = QStringLiteral("7");
        s.KM_id = 2;
        s.User_ID = 5;
        s.School_ID = 1;
        s.KS_Name = QStringLiteral("期末考试");
        s.KM_Name = QStringLiteral("数学");
        s.JS_Name = teacher;
    }

    // A control of `screen` by its objectName (nullptr when there is none).
    template <typename T>
    static T* control(const QWidget& screen, const QString& name)
    {
        return screen.findChild<T*>(name);
    }

    // What the screen told the teacher, in order.
    const QStringList& messages() const { return t.dialogs.messages; }
    // The next file dialog answers with this name (empty: cancelled).
    void answerFileDialog(const QString& name) { t.dialogs.nextFileName << name; }

    TestServices t;
    StubServer stub;
};

}  // namespace testsupport
