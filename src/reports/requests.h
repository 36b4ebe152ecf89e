#pragma once
#include "protocol/pages.h"

#include <QString>

namespace app { struct Session; }

// The addresses the report screen asks for, one function per request.
namespace reports {

// A report page: ks_id, km_id, xx_id and u_id in that order; the progress
// page (cj_working.asp) covers every school and sends no xx_id.
QString report_url(const app::Session& s, protocol::Page page);

// cj_dtk.asp?dtk= + one record of the answer-sheet reply, form-encoded
// (it holds a marker's Chinese name and the path's backslashes).
QString answer_piece_url(const app::Session& s, const QString& record);

}  // namespace reports
