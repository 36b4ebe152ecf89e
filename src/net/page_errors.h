#pragma once
#include <QString>

namespace app { class Dialogs; }

namespace net {

// The explanation of a server error page, or empty text when the page is an
// ordinary reply. Six kinds are told apart by phrases in the page; the
// first phrase found decides.
QString page_error_message(const QString& url, const QString& text);

// True when the completed page may be parsed. False for an empty address,
// a local address ("///"), or an error page, which is explained in one
// message box first.
bool check_page_err(const QString& url, const QString& text, app::Dialogs& dialogs);

}  // namespace net
