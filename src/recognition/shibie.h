#pragma once
#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class QImage;

// Mark recognition: which option boxes of one objective question a student
// filled in on the scanned sheet. No widgets: the sheet comes in as an image.
namespace recognition {

// The option cells of one item ("DAXT,x1,y1,x2,y2,1,n,layout,number,A|B|C|D,...")
// in option order, each cell's size rounded halves to even: stacked down for a
// non-zero layout, side by side for layout 0. The sizes divide the box by the
// item's n; an option without a letter gets no cell. Empty for an item that
// does not read (too few fields, a coordinate that is no number, no options,
// no questions).
QVector<QRect> option_cells(const QString& item);

// The letters marked, given the cells' brightness in option order. One answer
// (DAXT): the first darkest cell, when the rounded average of the others is
// more than 10 above it; a single option has nothing to compare with and
// reads unmarked. Several answers: every cell more than 10 below CKK.
QString marked_letters(bool oneAnswer, const QVector<qint16>& values, const QStringList& letters, qint16 CKK);

// The sheet's pixels, copied once per picture. Lines are kept bottom-up (line
// 0 is the picture's bottom line) and a row r of the picture is read from
// line (height - r), so every cell reads exactly the pixels it always read,
// one line below the row it names.
class ShiBie {
public:
    // Copies the picture; returns the number of lines copied (0 for a null
    // picture, which leaves nothing to read).
    int load_bits(const QImage& picture);
    int width() const { return width_; }
    int height() const { return height_; }

    // Brightness of one cell: the grey of every pixel from (x+m, y+m) to
    // (x+w-m, y+h-m) inclusive, plus one each, over (w-2m)*(h-2m). Grey is
    // the whole part of 0.11 B + 0.59 G + 0.30 R, taken exactly. Blank paper
    // reads somewhat above 255. A pixel outside the picture repeats the last
    // pixel read (black before the first); a divisor of 0 or less gives 0
    // (a cell too small to have an inside).
    qint16 cell_grey(int x, int y, int w, int h, int m) const;

    // The letters marked in one item, in option order; empty when none. `CKK`
    // is the subject's blank-paper brightness (multi-answer items compare
    // against it; 0 marks nothing). An item whose cells are too small to
    // have an inside (under five pixels with the margin of 2) reads empty.
    QString read_answer(const QString& item, qint16 CKK) const;

private:
    QByteArray bits_;  // BGRA per pixel, bottom-up lines
    int width_ = 0;
    int height_ = 0;
};

}  // namespace recognition
