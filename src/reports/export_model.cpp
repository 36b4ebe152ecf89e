#include "reports/export_model.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

const QRegularExpression& rowEnd()
{
    // "</TD></TR>", and the same with blanks a browser keeps between them.
    static const QRegularExpression re(QStringLiteral("</td\\s*>\\s*</tr\\s*>"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& linkStart()
{
    static const QRegularExpression re(QStringLiteral("<a\\s+href"), QRegularExpression::CaseInsensitiveOption);
    return re;
}

// "<td" followed by the end of the tag name (so "<tdx" is not a cell).
qsizetype findCell(QStringView row, qsizetype from)
{
    for (;;) {
        const qsizetype at = row.indexOf(u"<td", from, Qt::CaseInsensitive);
        if (at < 0)
            return -1;
        const qsizetype after = at + 3;
        if (after >= row.size() || !row.at(after).isLetterOrNumber())
            return at;
        from = after;
    }
}

// The number after "colspan" and "=" in a cell's tag; 0 when there is none
// or it is not a number.
int colspanOf(QStringView attrs)
{
    qsizetype i = attrs.indexOf(u"colspan", 0, Qt::CaseInsensitive);
    if (i < 0)
        return 0;
    i += 7;
    auto skipBlanks = [&] {
        while (i < attrs.size() && attrs.at(i).isSpace())
            ++i;
    };
    skipBlanks();
    if (i >= attrs.size() || attrs.at(i) != u'=')
        return 0;
    ++i;
    skipBlanks();
    if (i < attrs.size() && (attrs.at(i) == u'"' || attrs.at(i) == u'\''))
        ++i;
    int n = 0;
    bool any = false;
    while (i < attrs.size() && attrs.at(i).isDigit() && n < 100000) {
        n = n * 10 + attrs.at(i).digitValue();
        any = true;
        ++i;
    }
    return any ? n : 0;
}

QString cellText(QStringView raw)
{
    QString t = raw.trimmed().toString();
    if (t.compare(u"&nbsp;", Qt::CaseInsensitive) == 0)
        return {};
    if (!t.contains(u'&'))
        return t;
    // The inner HTML escapes what the page shows; the sheet wants the text.
    static const QRegularExpression nbsp(QStringLiteral("&nbsp;"), QRegularExpression::CaseInsensitiveOption);
    t.replace(nbsp, QStringLiteral(" "));
    t.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">")).replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return t;
}

int percent(int row, int lastRow)
{
    if (lastRow <= 0)
        return 100;
    return int(std::lround(row * 100.0 / lastRow));
}

bool contains(const QString& url, QLatin1StringView page)
{
    return url.contains(page);
}

void deleteColumn(ExportTable& t, int col)
{
    QList<Cell> cells;
    cells.reserve(t.cells.size());
    for (Cell c : std::as_const(t.cells)) {
        if (c.col == col)
            continue;
        if (c.col > col)
            --c.col;
        cells << c;
    }
    t.cells = std::move(cells);
    QList<Merge> merges;
    for (Merge m : std::as_const(t.merges)) {
        if (m.firstCol > col) {
            --m.firstCol;
            --m.lastCol;
        } else if (m.lastCol >= col) {
            if (m.firstCol == m.lastCol)
                continue;
            --m.lastCol;
        }
        if (m.firstRow == m.lastRow && m.firstCol == m.lastCol)
            continue;
        merges << m;
    }
    t.merges = std::move(merges);
}

}  // namespace

QString strip_links(const QString& html)
{
    QString out;
    out.reserve(html.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = html.indexOf(u"<a", from, Qt::CaseInsensitive);
        if (open < 0)
            break;
        const qsizetype close = html.indexOf(u"</a>", open, Qt::CaseInsensitive);
        if (close < 0)
            break;
        out += QStringView(html).mid(from, open - from);
        from = close + 4;
    }
    out += QStringView(html).mid(from);
    static const QRegularExpression rest(QStringLiteral("</a>|&nbsp;"), QRegularExpression::CaseInsensitiveOption);
    out.remove(rest);
    return out;
}

ExportTable export_table(const QString& url, const QString& innerHtml, const std::function<void(int)>& rowDone)
{
    const bool ranking = contains(url, QLatin1StringView("cj_mc.asp"));
    const bool analysis = contains(url, QLatin1StringView("cj_sjfx.asp"));
    const QString html = innerHtml.contains(u"cj_score.asp") ? strip_links(innerHtml) : innerHtml;

    ExportTable t;
    QList<int> imageColumns;
    const QList<QStringView> rows = QStringView(html).split(rowEnd());
    const int lastRow = int(rows.size()) - 1;
    auto Cell_Merge = [&t](int row, int col, int count, int direction) {
        // From (row, col) to `count` cells further down (direction 1) or right.
        if (direction == 1)
            t.merges << Merge{row, col, row + count, col};
        else
            t.merges << Merge{row, col, row, col + count};
    };

    bool stopped = false;
    for (int r = 0; r <= lastRow && !stopped; ++r) {
        const QStringView row = rows.at(r);
        int c = 0;
        if (ranking && r == 2)
            c = 4;
        if (analysis && r == 2)
            c = 1;
        if (analysis && r == 4)
            c = 6;
        // Where the row's last link starts: a cell at or before it has a
        // link from itself on.
        qsizetype lastLink = -1;
        for (auto it = linkStart().globalMatch(row); it.hasNext();)
            lastLink = it.next().capturedStart();
        for (qsizetype at = findCell(row, 0); at >= 0;) {
            if (at <= lastLink) {
                stopped = true;
                break;
            }
            const qsizetype tagEnd = row.indexOf(u'>', at);
            const QStringView attrs = row.mid(at + 3, tagEnd < 0 ? -1 : tagEnd - at - 3);
            const qsizetype textStart = tagEnd < 0 ? row.size() : tagEnd + 1;
            qsizetype textEnd = row.indexOf(u"</td", textStart, Qt::CaseInsensitive);
            if (textEnd < 0)
                textEnd = row.size();
            const int s = colspanOf(attrs);
            const QString text = cellText(row.mid(textStart, textEnd - textStart));

            t.cells << Cell{r + 1, c + 1, text};
            if (s < 1) {
                c += 1;
            } else {
                Cell_Merge(r + 1, c + 1, s - 1, 0);
                c += s;
            }
            if (ranking && r == 1 && c < 5)
                Cell_Merge(2, c, 1, 1);
            if (analysis && r == 1 && c == 1)
                Cell_Merge(2, c, 1, 1);
            if (analysis && r == 3 && c < 8)
                Cell_Merge(4, c, 1, 1);
            if (text == kImageColumnHeader)
                imageColumns << c;
            at = findCell(row, textEnd);
        }
        if (!stopped) {
            t.progress << percent(r, lastRow);
            if (rowDone)
                rowDone(t.progress.last());
        }
    }

    // Highest first, each once: deleting a column twice would take its
    // neighbour with it.
    std::sort(imageColumns.begin(), imageColumns.end(), std::greater<>());
    imageColumns.erase(std::unique(imageColumns.begin(), imageColumns.end()), imageColumns.end());
    for (int col : std::as_const(imageColumns))
        deleteColumn(t, col);
    t.deletedColumns = imageColumns;
    // A span of one cell ("colspan=1") merges nothing.
    t.merges.removeIf([](const Merge& m) { return m.firstRow == m.lastRow && m.firstCol == m.lastCol; });
    return t;
}

int ExportTable::rowCount() const
{
    int n = 0;
    for (const Cell& c : cells)
        n = std::max(n, c.row);
    for (const Merge& m : merges)
        n = std::max(n, m.lastRow);
    return n;
}

int ExportTable::columnCount() const
{
    int n = 0;
    for (const Cell& c : cells)
        n = std::max(n, c.col);
    for (const Merge& m : merges)
        n = std::max(n, m.lastCol);
    return n;
}

QString ExportTable::text(int row, int col) const
{
    // Later writes to the same cell win, as on a sheet.
    for (auto it = cells.crbegin(); it != cells.crend(); ++it) {
        if (it->row == row && it->col == col)
            return it->text;
    }
    return {};
}

}  // namespace reports
