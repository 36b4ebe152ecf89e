#pragma once
#include "reports/export_model.h"

#include <QString>

namespace reports {

// Display width of a text in character cells: CJK and other wide
// characters count two, everything else one.
int text_width(const QString& text);

// The sheet's column widths (index 0 is column 1): the widest text that
// sits in that column alone, plus a margin. Merged cells over several
// columns are left out, as a spreadsheet's own fitting does.
QList<double> column_widths(const ExportTable& table);

// Writes the table as the first sheet of a new .xlsx at `path`: texts,
// numbers where a cell reads as a plain number (no leading zero, so
// candidate numbers stay text), merged ranges centred, fitted widths.
// The workbook is written beside `path` under a temporary name and renamed
// over it only when complete, so `path` is never a half-written file.
// False with a reason in `error` when it could not be written.
bool write_xlsx(const ExportTable& table, const QString& path, QString* error = nullptr);

}  // namespace reports
