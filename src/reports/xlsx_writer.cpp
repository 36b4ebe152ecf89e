#include "reports/xlsx_writer.h"

#include "app/vbtext.h"

#include <QDir>
#include <QHash>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace reports {

namespace {

bool isWide(char32_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
           || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
           || (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

// A text the sheet should hold as a number: numeric and written plainly,
// without a leading zero that a number would lose.
bool asNumber(const QString& text, double* value)
{
    if (text.isEmpty() || text != text.trimmed() || !app::is_numeric(text))
        return false;
    QStringView digits(text);
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.size() > 1 && digits.at(0) == u'0' && digits.at(1) != u'.')
        return false;
    if (digits.size() > 15)
        return false;
    *value = app::to_double(text);
    return true;
}

bool overlaps(const Merge& a, const Merge& b)
{
    return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstCol <= b.lastCol && b.firstCol <= a.lastCol;
}

QByteArray utf8(const QString& text)
{
    // The most a cell holds.
    return text.left(32767).toUtf8();
}

}  // namespace

int text_width(const QString& text)
{
    int w = 0;
    for (char32_t u : text.toUcs4())
        w += isWide(u) ? 2 : 1;
    return w;
}

QList<double> column_widths(const ExportTable& table)
{
    QList<int> widest(table.columnCount(), 0);
    auto spansColumns = [&table](int row, int col) {
        return std::any_of(table.merges.cbegin(), table.merges.cend(), [&](const Merge& m) {
            return m.firstCol != m.lastCol && row >= m.firstRow && row <= m.lastRow && col >= m.firstCol
                   && col <= m.lastCol;
        });
    };
    for (const Cell& c : table.cells) {
        if (c.col < 1 || c.text.isEmpty() || spansColumns(c.row, c.col))
            continue;
        widest[c.col - 1] = std::max(widest[c.col - 1], text_width(c.text));
    }
    QList<double> widths;
    widths.reserve(widest.size());
    for (int w : std::as_const(widest))
        widths << std::clamp(w + 2.0, 6.0, 100.0);
    return widths;
}

bool write_xlsx(const ExportTable& table, const QString& path, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo target(path);
    QTemporaryFile part(target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX.part").arg(target.fileName())));
    if (!part.open())
        return fail(QStringLiteral("无法在 %1 中建立文件：%2").arg(target.absolutePath(), part.errorString()));
    const QByteArray partName = QFile::encodeName(part.fileName());
    part.close();

    lxw_workbook* wb = workbook_new(partName.constData());
    if (!wb)
        return fail(QStringLiteral("无法建立工作簿"));
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    lxw_format* centred = workbook_add_format(wb);
    format_set_align(centred, LXW_ALIGN_CENTER);
    format_set_align(centred, LXW_ALIGN_VERTICAL_CENTER);

    // A spreadsheet cannot hold two merges over one cell; the first stands.
    QList<Merge> merges;
    for (const Merge& m : table.merges) {
        if (std::none_of(merges.cbegin(), merges.cend(), [&m](const Merge& k) { return overlaps(k, m); }))
            merges << m;
    }
    auto covered = [&merges](int row, int col) {
        return std::any_of(merges.cbegin(), merges.cend(), [&](const Merge& m) {
            return row >= m.firstRow && row <= m.lastRow && col >= m.firstCol && col <= m.lastCol;
        });
    };

    lxw_error err = LXW_NO_ERROR;
    auto put = [&](int row, int col, const QString& text, lxw_format* fmt) {
        double v = 0;
        lxw_error e = asNumber(text, &v) ? worksheet_write_number(ws, row - 1, col - 1, v, fmt)
                                         : worksheet_write_string(ws, row - 1, col - 1, utf8(text).constData(), fmt);
        if (e != LXW_NO_ERROR && err == LXW_NO_ERROR)
            err = e;
    };
    // The last text written to each cell stands, as on a sheet.
    QHash<qint64, qsizetype> last;
    last.reserve(table.cells.size());
    auto key = [](int row, int col) { return (qint64(row) << 32) | quint32(col); };
    for (qsizetype i = 0; i < table.cells.size(); ++i)
        last.insert(key(table.cells.at(i).row, table.cells.at(i).col), i);
    auto textAt = [&](int row, int col) {
        const auto it = last.constFind(key(row, col));
        return it == last.cend() ? QString() : table.cells.at(*it).text;
    };
    for (qsizetype i = 0; i < table.cells.size(); ++i) {
        const Cell& c = table.cells.at(i);
        if (c.row < 1 || c.col < 1 || c.text.isEmpty() || last.value(key(c.row, c.col)) != i || covered(c.row, c.col))
            continue;
        put(c.row, c.col, c.text, nullptr);
    }
    for (const Merge& m : merges) {
        lxw_error e = worksheet_merge_range(ws, m.firstRow - 1, m.firstCol - 1, m.lastRow - 1, m.lastCol - 1, "",
                                            centred);
        if (e != LXW_NO_ERROR && err == LXW_NO_ERROR)
            err = e;
        const QString text = textAt(m.firstRow, m.firstCol);
        if (!text.isEmpty())
            put(m.firstRow, m.firstCol, text, centred);
    }
    const QList<double> widths = column_widths(table);
    for (int i = 0; i < widths.size(); ++i)
        worksheet_set_column(ws, lxw_col_t(i), lxw_col_t(i), widths.at(i), nullptr);

    const lxw_error closed = workbook_close(wb);
    if (err == LXW_NO_ERROR)
        err = closed;
    if (err != LXW_NO_ERROR)
        return fail(QString::fromUtf8(lxw_strerror(err)));

    // A temporary file is private to its owner; the export is an ordinary file.
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    // Renaming replaces the chosen file in one step.
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(partName.toStdString()),
                            std::filesystem::path(QFile::encodeName(target.absoluteFilePath()).toStdString()), ec);
    if (ec)
        return fail(QString::fromStdString(ec.message()));
    part.setAutoRemove(false);
    return true;
}

}  // namespace reports
