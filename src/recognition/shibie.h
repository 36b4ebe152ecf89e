#pragma once
#include <QByteArray>
#include <QRect>
#include <QString>
#include <QVector>
#include <QtGlobal>

class QImage;

// Mark recognition: which option boxes of one objective question a student
// filled in on the scanned sheet. No widgets: the sheet comes in as an image.
namespace recognition {

// The option cells of one item ("DAXT,x1,y1,x2,y2,1,n,layout,number,A|B|C|D,...")
// in option order, each cell's size rounded halves to even: stacked down for a
// non-zero layout, side by side for layout 0. Empty for an item that does not
// read (too few fields, no options).
QVector<QRect> option_cells(const QString& item);

// The sheet's pixels, copied once per picture. Lines are kept bottom-up (line
// 0 is the picture's bottom line) and a row r of the picture is read from
// line (height - r), so every cell reads exactly the pixels it always read,
// one line below the row it names.
class ShiBie {
public:
    // Copies the picture; returns the number of lines copied.
    int load_bits(const QImage& picture);
    int width() const { return width_; }
    int height() const { return height_; }

    // Brightness of one cell: the grey of every pixel from (x+m, y+m) to
    // (x+w-m, y+h-m) inclusive, plus one each, over (w-2m)*(h-2m). Blank
    // paper reads somewhat above 255. A pixel outside the picture repeats
    // the last pixel read; a zero divisor gives 0.
    qint16 cell_grey(int x, int y, int w, int h, int m) const;

    // The letters marked in one item, in option order; empty when none. `CKK`
    // is the subject's blank-paper brightness (multi-answer items compare
    // against it; 0 marks nothing).
    QString read_answer(const QString& item, qint16 CKK) const;

private:
    QByteArray bits_;  // BGRA per pixel, bottom-up lines
    int width_ = 0;
    int height_ = 0;
};

}  // namespace recognition
