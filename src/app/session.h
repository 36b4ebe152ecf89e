#pragma once
#include <QDateTime>
#include <QString>

namespace app {

// The values that carry identity and choices from screen to screen. The
// login screen writes who is logged in, the exam selection what was chosen;
// the work screens only read them. Identifiers are 32-bit: schools and
// teachers past 32767 must not wrap.
struct Session {
    QString Server_URL;      // "http://" + host + ":" + port + "/"
    QString KS_Name;         // chosen exam
    QString KM_Name;         // chosen subject
    QString ks_id;           // exam id as the server sent it (text)
    int School_ID = 0;
    int KM_id = 0;           // 999 is the combined multi-subject paper
    int WORK_id = 0;         // 1 marking, 2 progress query, 3 score correction
    int User_ID = 0;
    QString JS_Name;         // teacher's name as the server spells it
    QString Ver;             // client version the server announces
    QString Tavix_Ver = QStringLiteral("8.5");
    int KS_INPUT = 1;        // 2: marking of the exam is closed
    bool D_HELP = true;      // never changed; keeps the help page up until the first answer is opened
    QDateTime Start_Time = QDateTime::currentDateTime();
};

// The one session of the running program.
Session& session();

// Back to the values of a fresh start (tests, a new login screen).
void reset_session();

}  // namespace app
