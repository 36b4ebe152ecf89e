#include "recognition/shibie.h"

#include "app/vbtext.h"

#include <QImage>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace recognition {

namespace {

constexpr int kMargin = 2;  // every caller reads a cell inside a border of two pixels
constexpr int kMinContrast = 10;

// Cells and sums are computed wide: a cell from an item file may be any size,
// and a pixel outside the picture still counts.
using Wide = __int128;

struct ItemGeometry {
    QString kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double q = 0, n = 0;
    bool stacked = false;
    QStringList letters;
};

std::optional<ItemGeometry> read_geometry(const QString& item)
{
    const QStringList f = item.split(u',');
    if (f.size() < 10)
        return std::nullopt;
    ItemGeometry g;
    g.kind = f.at(0);
    bool ok[7] = {};
    // The corner is a whole number; the far corner is used as it reads.
    g.x1 = app::to_int(f.at(1), &ok[0]);
    g.y1 = app::to_int(f.at(2), &ok[1]);
    g.x2 = app::to_double(f.at(3), &ok[2]);
    g.y2 = app::to_double(f.at(4), &ok[3]);
    g.q = app::to_double(f.at(5), &ok[4]);
    g.n = app::round_half_even(app::to_double(f.at(6), &ok[5]));
    g.stacked = app::to_double(f.at(7), &ok[6]) != 0.0;
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    if (g.q <= 0 || g.n < 1)
        return std::nullopt;
    g.letters = f.at(9).split(u'|');
    return g;
}

bool fits_int(double v)
{
    // Room for QRect's right/bottom edge (x + w - 1) as well.
    constexpr double lim = std::numeric_limits<int>::max() / 4;
    return std::isfinite(v) && v > -lim && v < lim;
}

// Whole part of 0.11 B + 0.59 G + 0.30 R, exactly: in doubles 26 of the
// 256 plain greys (237, 245, 252 among them) would read one lower.
inline int grey_of(const uchar* px) { return (11 * px[0] + 59 * px[1] + 30 * px[2]) / 100; }

}  // namespace

QVector<QRect> option_cells(const QString& item)
{
    const auto g = read_geometry(item);
    if (!g)
        return {};
    const double cw = app::round_half_even((g->x2 - g->x1) / (g->stacked ? g->q : g->n));
    const double ch = app::round_half_even((g->y2 - g->y1) / (g->stacked ? g->n : g->q));
    const qsizetype count = std::min<qsizetype>(static_cast<qsizetype>(g->n), g->letters.size());
    const double lastX = g->x1 + (g->stacked ? 0 : cw * double(count));
    const double lastY = g->y1 + (g->stacked ? ch * double(count) : 0);
    if (!fits_int(cw) || !fits_int(ch) || !fits_int(lastX) || !fits_int(lastY))
        return {};
    QVector<QRect> cells;
    cells.reserve(count);
    const int x1 = int(g->x1), y1 = int(g->y1), w = int(cw), h = int(ch);
    for (int i = 0; i < count; ++i) {
        if (g->stacked)
            cells.append(QRect(x1, y1 + i * h, w, h));
        else
            cells.append(QRect(x1 + i * w, y1, w, h));
    }
    return cells;
}

QString marked_letters(bool oneAnswer, const QVector<qint16>& values, const QStringList& letters, qint16 CKK)
{
    const qsizetype n = std::min(values.size(), letters.size());
    QString marked;
    if (!oneAnswer) {
        for (qsizetype i = 0; i < n; ++i) {
            if (int(CKK) - int(values.at(i)) > kMinContrast)
                marked += letters.at(i);
        }
        return marked;
    }
    if (n < 2)
        return marked;  // one option: no other cell to compare it with
    qsizetype m = 0;
    for (qsizetype i = 1; i < n; ++i) {
        if (values.at(i) < values.at(m))
            m = i;
    }
    qint64 others = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (i != m)
            others += values.at(i);
    }
    const double avg = app::round_half_even(double(others) / double(n - 1));
    if (avg - values.at(m) > kMinContrast)
        marked = letters.at(m);
    return marked;
}

int ShiBie::load_bits(const QImage& picture)
{
    if (picture.isNull()) {
        bits_.clear();
        width_ = height_ = 0;
        return 0;
    }
    width_ = picture.width();
    height_ = picture.height();
    const qsizetype lineBytes = qsizetype(width_) * 4;
    bits_.resize(lineBytes * height_);
    uchar* out = reinterpret_cast<uchar*>(bits_.data());

    // A grey scan, as a grey JPEG decodes, widens straight into the lines.
    if (picture.format() == QImage::Format_Grayscale8) {
        for (int line = 0; line < height_; ++line) {
            const uchar* in = picture.constScanLine(height_ - 1 - line);
            quint32* o = reinterpret_cast<quint32*>(out + line * lineBytes);
            for (int c = 0; c < width_; ++c)
                o[c] = qToLittleEndian(0xFF000000u | in[c] * 0x010101u);  // B, G, R = grey
        }
        return height_;
    }

    // RGB32 is BGRA in memory on a little-endian machine; an RGB32 or ARGB32
    // picture converts without a copy, so the lines below are the one copy.
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    for (int line = 0; line < height_; ++line) {
        const uchar* in = img.constScanLine(height_ - 1 - line);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        std::memcpy(out + line * lineBytes, in, size_t(lineBytes));
#else
        const QRgb* px = reinterpret_cast<const QRgb*>(in);
        uchar* o = out + line * lineBytes;
        for (int c = 0; c < width_; ++c, o += 4) {
            o[0] = uchar(qBlue(px[c]));
            o[1] = uchar(qGreen(px[c]));
            o[2] = uchar(qRed(px[c]));
            o[3] = 0xFF;
        }
#endif
    }
    return height_;
}

qint16 ShiBie::cell_grey(int x, int y, int w, int h, int m) const
{
    const Wide cols = Wide(w) - 2 * Wide(m);
    const Wide rows = Wide(h) - 2 * Wide(m);
    const Wide divisor = cols * rows;
    // Zero: nothing to divide by. Negative: one side has no pixels to visit
    // at all, so the sum is 0 and so is the value.
    if (divisor <= 0)
        return 0;

    // The pixels visited: columns c0..c1 and rows r0..r1, inclusive, so one
    // more each way than the divisor counts. Row r reads line (height - r).
    const qint64 c0 = qint64(x) + m, c1 = qint64(x) + w - m;
    const qint64 r0 = qint64(y) + m, r1 = qint64(y) + h - m;
    if (c1 < c0 || r1 < r0)
        return 0;
    const Wide visitedCols = Wide(c1 - c0 + 1);

    // The part of each visited row inside the buffer, and the rows whose
    // line lies inside it (lines 0..height-1 are rows height..1).
    const qint64 ic0 = std::max<qint64>(c0, 0), ic1 = std::min<qint64>(c1, qint64(width_) - 1);
    const qint64 ir0 = std::max<qint64>(r0, 1), ir1 = std::min<qint64>(r1, height_);
    const bool anyInside = ic0 <= ic1 && ir0 <= ir1;

    // A pixel outside the buffer repeats the grey of the last pixel read;
    // before the first one read that is black.
    int grey = 0;
    Wide sum = 0;
    if (!anyInside) {
        sum = visitedCols * Wide(r1 - r0 + 1) * (grey + 1);
    } else {
        const Wide before = Wide(ic0 - c0), after = Wide(c1 - ic1);
        sum += Wide(ir0 - r0) * visitedCols * (grey + 1);  // rows above the buffer, read first
        const uchar* base = reinterpret_cast<const uchar*>(bits_.constData());
        const qsizetype lineBytes = qsizetype(width_) * 4;
        for (qint64 r = ir0; r <= ir1; ++r) {
            qint64 rowSum = qint64(before) * (grey + 1);
            const uchar* px = base + (qint64(height_) - r) * lineBytes + ic0 * 4;
            for (qint64 c = ic0; c <= ic1; ++c, px += 4) {
                grey = grey_of(px);
                rowSum += grey + 1;
            }
            sum += rowSum + after * (grey + 1);
        }
        sum += Wide(r1 - ir1) * visitedCols * (grey + 1);  // rows below it, read last
    }
    const Wide value = sum / divisor;
    return qint16(std::min<Wide>(value, std::numeric_limits<qint16>::max()));
}

QString ShiBie::read_answer(const QString& item, qint16 CKK) const
{
    const QVector<QRect> cells = option_cells(item);
    if (cells.isEmpty())
        return {};
    const QRect& first = cells.first();
    if (first.width() - 2 * kMargin <= 0 || first.height() - 2 * kMargin <= 0)
        return {};  // no inside to read: every cell would read 0, as if filled
    QVector<qint16> values;
    values.reserve(cells.size());
    for (const QRect& c : cells)
        values.append(cell_grey(c.x(), c.y(), c.width(), c.height(), kMargin));
    const QString kind = item.section(u',', 0, 0);
    const QStringList letters = item.section(u',', 9, 9).split(u'|');
    return marked_letters(kind == QLatin1String("DAXT"), values, letters, CKK);
}

}  // namespace recognition
