#pragma once
#include <QString>
#include <QStringList>

namespace app { class Dialogs; }

// Rules of the login screen that need no widget.
namespace login {

// The words a name or password must not contain, in the order they are
// looked for. Case matters: "Select" passes.
QStringList forbidden_words_in(const QString& text);

// True when the text holds none of the forbidden words; otherwise one
// message per word found. Other screens call it for their own fields.
bool check_sql_str(const QString& text, app::Dialogs& dialogs);

enum class PortCheck {
    NotNumeric,  // the field is set to "80"
    Refused,     // outside 80..65535, or not a plain whole number
    Valid,
};
PortCheck check_port(const QString& text);

// "http://" + host + ":" + port + "/", as typed.
QString server_url(const QString& host, const QString& port);

}  // namespace login
