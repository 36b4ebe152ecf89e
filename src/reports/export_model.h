#pragma once
#include <QList>
#include <QString>

#include <functional>

namespace reports {

// One merged range of the sheet, 1-based and inclusive, as the sheet counts.
struct Merge {
    int firstRow = 0;
    int firstCol = 0;
    int lastRow = 0;
    int lastCol = 0;
    friend bool operator==(const Merge&, const Merge&) = default;
};

struct Cell {
    int row = 0;  // 1-based
    int col = 0;  // 1-based
    QString text;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// The table of a report page as it goes into the spreadsheet, after the
// picture columns are gone: cells in the order they were read, the merges
// (centred when written), the columns that were deleted (sheet columns as
// they were before any deletion, highest first) and the progress the status
// box shows after each row ("正在写入Excel，完成 N%").
struct ExportTable {
    QList<Cell> cells;
    QList<Merge> merges;
    QList<int> deletedColumns;
    QList<int> progress;
    int rowCount() const;
    int columnCount() const;
    // Text of a sheet cell; empty when nothing was written there.
    QString text(int row, int col) const;
};

// The shown page (its address and body inner HTML) read into a table.
// Rows end at "</TD></TR>", cells start at "<TD"; a column span moves the
// next cell that many columns on and merges the cells it covers; a row that
// holds a link from the current cell on ends the table (the navigation
// under a report). On the score report the links are taken out first, so
// its rows stay whole. The ranking and the paper-analysis reports have
// header rows of two lines, merged by fixed rules.
//
// Both spellings of the same page read alike: upper-case tags written
// without blanks, and the lower-case markup a browser engine gives back
// with the line breaks and indents of the source. Tag names, "colspan",
// "<a" and "&nbsp;" are matched in any case; blanks between tags make
// neither cells nor rows; blanks around a cell's text are dropped.
// `rowDone`, when given, hears each row's progress figure as it is read.
ExportTable export_table(const QString& url, const QString& innerHtml,
                         const std::function<void(int)>& rowDone = {});

// Takes out of the score report every link with its text, the stray
// closing link tags and every "&nbsp;" (any case).
QString strip_links(const QString& html);

// The columns the picture column header stood in.
inline const QString kImageColumnHeader = QStringLiteral("试卷图片");

}  // namespace reports
