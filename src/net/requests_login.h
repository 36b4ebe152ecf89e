#pragma once
#include <QString>

namespace app { struct Session; }

// The addresses the login and exam-selection screens ask for, one function
// per request. Each starts with Server_URL; free text is form-encoded, ids
// are decimal, ks_id is sent as it is.
namespace net {

// Login screen.
// net_get_school.asp?q= + token: a probe; the token is sent as it is.
QString school_probe_url(const app::Session& s, const QString& token);
// net_get_school.asp?q= + the typed school name, encoded.
QString school_lookup_url(const app::Session& s, const QString& name);
// net_get_js.asp?q= + the typed teacher name, encoded, + &xx_id=School_ID.
QString teacher_lookup_url(const app::Session& s, const QString& name);
// net_login.asp?xx_id=School_ID&js_name=...&password=..., both encoded.
QString login_url(const app::Session& s, const QString& name, const QString& password);
// cj/down/ + file: an upgrade the desktop downloads.
QString download_url(const app::Session& s, const QString& file);

// Exam selection.
// net_ks_list.asp?user_id=User_ID&user_lb=0
QString exam_list_url(const app::Session& s);
// net_ks_km1.asp?ks_id=ks_id&xx_id=School_ID&js_id=User_ID
QString subject_url(const app::Session& s);

}  // namespace net
