#include "bubble_sheets.h"

#include "outline_font.h"
#include "store.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace velmora {

namespace {

// Halves to even, as the client rounds the cells of a block.
int round_even(double v) { return int(std::nearbyint(v)); }

quint32 seed_of(const std::string& text) { return quint32(qHash(QByteArray::fromStdString(text))); }

// The paper as the scanner sees it: a little grey and warm.
const QColor kPaper(236, 235, 229);
const QColor kPrint(38, 38, 42);

void print_text(QPainter& p, const QString& text, QPointF baseline, double size, const QColor& ink, bool centred)
{
    OutlineFont& font = print_font();
    if (!font.ok()) return;
    double width = 0;
    for (const uint c : text.toUcs4())
        if (const OutlineFont::Glyph* g = font.glyph(c)) width += g->advance * size;
    double x = baseline.x() - (centred ? width / 2 : width);
    for (const uint c : text.toUcs4()) {
        const OutlineFont::Glyph* g = font.glyph(c);
        if (!g) continue;
        QTransform t;
        t.translate(x, baseline.y());
        t.scale(size, size);
        p.fillPath(t.map(g->path), ink);
        x += g->advance * size;
    }
}

// The printed box inside a cell: "[A]", bracket ends drawn as lines.
QRectF box_of(const QRect& cell)
{
    return QRectF(cell.x() + 6, cell.y() + 5, cell.width() - 12, cell.height() - 10);
}

void print_box(QPainter& p, const QRectF& box, char letter)
{
    p.setPen(QPen(kPrint, 1.1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const double serif = 3.5;
    QPainterPath left, right;
    left.moveTo(box.left() + serif, box.top());
    left.lineTo(box.left(), box.top());
    left.lineTo(box.left(), box.bottom());
    left.lineTo(box.left() + serif, box.bottom());
    right.moveTo(box.right() - serif, box.top());
    right.lineTo(box.right(), box.top());
    right.lineTo(box.right(), box.bottom());
    right.lineTo(box.right() - serif, box.bottom());
    p.drawPath(left);
    p.drawPath(right);
    print_text(p, QString(QChar::fromLatin1(letter)), QPointF(box.center().x(), box.bottom() - 3.5), 11, kPrint, true);
}

// Pencil back and forth over the box, left to right, as far as `cover`
// of its width; `strength` 1 is a firm hand. Drawn on the graphite layer:
// strokes overrun the box a little and build up where they cross.
void pencil(QPainter& p, const QRectF& box, double cover, int grey, double strength, QRandomGenerator& rng)
{
    p.save();
    const double step = 1.7 + rng.generateDouble() * 0.9;
    const double right = box.left() + box.width() * cover;
    bool down = true;
    for (double x = box.left() - 0.5 - rng.generateDouble() * 1.5; x < right + 0.5; x += step, down = !down) {
        const double top = box.top() - 1.5 + (rng.generateDouble() - 0.5) * 3;
        const double bottom = box.bottom() + 1.5 + (rng.generateDouble() - 0.5) * 3;
        const double lean = 2.5 + rng.generateDouble() * 1.5;
        const int alpha = std::clamp(int(255 * strength * (0.6 + 0.3 * rng.generateDouble())), 8, 255);
        p.setPen(QPen(QColor(grey, grey, grey + 6, alpha), 2.1 + rng.generateDouble() * 1.1, Qt::SolidLine, Qt::RoundCap));
        if (down) p.drawLine(QPointF(x + lean, top), QPointF(x, bottom));
        else p.drawLine(QPointF(x, bottom), QPointF(x + lean, top));
    }
    // The grain of the paper shows through the graphite.
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    p.setPen(Qt::NoPen);
    const QRectF done(box.left(), box.top(), box.width() * cover, box.height());
    const int grains = int(done.width() * done.height() / 9);
    for (int i = 0; i < grains; ++i)
        p.fillRect(QRectF(done.left() + rng.generateDouble() * done.width(), done.top() + rng.generateDouble() * done.height(),
                          1, 1),
                   QColor(0, 0, 0, 40 + int(rng.bounded(70))));
    p.restore();
}

// Rubbing out lifts most of the graphite (the print stays, it is another
// layer) and smears a little of it around the box.
void rub_out(QPainter& p, const QRectF& box, int grey, QRandomGenerator& rng)
{
    p.save();
    p.setPen(Qt::NoPen);
    const double lift = 0.82 + rng.generateDouble() * 0.14;
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    for (int pass = 0; pass < 3; ++pass) {
        const QRectF patch = box.adjusted(-3 - rng.generateDouble() * 2, -2 - rng.generateDouble(),
                                          3 + rng.generateDouble() * 2, 2 + rng.generateDouble());
        p.setBrush(QColor(0, 0, 0, int(255 * (1 - std::pow(1 - lift, 1.0 / 3)))));
        p.drawRoundedRect(patch.translated((rng.generateDouble() - 0.5) * 2, (rng.generateDouble() - 0.5) * 1.5), 3, 3);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF smear = box.adjusted(-4, -2.5, 4 + rng.generateDouble() * 4, 2.5);
    p.setBrush(QColor(grey, grey, grey, 6 + int(rng.bounded(9))));
    p.drawRoundedRect(smear.translated((rng.generateDouble() - 0.5) * 3, (rng.generateDouble() - 0.5) * 2), 4, 4);
    p.restore();
}

// Paper that is not quite even: a few broad patches a shade lighter or
// darker, blended smoothly across the sheet.
QImage paper(int width, int height, QRandomGenerator* rng)
{
    if (!rng) {
        QImage flat(width, height, QImage::Format_RGB32);
        flat.fill(kPaper);
        return flat;
    }
    const int shade = int(rng->bounded(5)) - 2;  // this sheet's tone
    QImage coarse(6, 3, QImage::Format_RGB32);
    for (int y = 0; y < coarse.height(); ++y)
        for (int x = 0; x < coarse.width(); ++x) {
            const int d = shade + int(rng->bounded(7)) - 3;
            coarse.setPixelColor(x, y, QColor(kPaper.red() + d, kPaper.green() + d, kPaper.blue() + d));
        }
    return coarse.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}

// What the scanner adds: dust, a few fibres, and a grain of noise in every
// pixel.
void scanner(QImage& img, QRandomGenerator& rng)
{
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 30; ++i) {
            const int g = 90 + int(rng.bounded(110));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(g, g, g));
            const double r = 0.4 + rng.generateDouble() * (rng.bounded(6) == 0 ? 1.4 : 0.5);
            p.drawEllipse(QPointF(rng.bounded(img.width()), rng.bounded(img.height())), r, r);
        }
        for (int i = 0; i < 3; ++i) {
            p.setPen(QPen(QColor(200, 200, 196), 0.8));
            const QPointF a(rng.bounded(img.width()), rng.bounded(img.height()));
            p.drawLine(a, a + QPointF(rng.generateDouble() * 30 - 15, rng.generateDouble() * 30 - 15));
        }
    }
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = int(rng.bounded(5)) + int(rng.bounded(5)) - 4;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
}

// The printed form: the frame of the objective part, its heading, and
// every block's question numbers and boxes, in full-sheet pixels.
void print_form(QPainter& p, const std::vector<SheetRegion>& regions, const std::vector<OptionCell>& cells, QPoint corner)
{
    int left = 10000, top = 10000, bottom = 0, right = 0;
    for (const SheetRegion& r : regions) {
        left = std::min(left, r.x1);
        top = std::min(top, r.y1);
        right = std::max(right, r.x2);
        bottom = std::max(bottom, r.y2);
    }
    p.setPen(QPen(kPrint, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(left - 40, top - 34, std::max(right + 60, 1160) - (left - 40), bottom + 22 - (top - 34)));
    print_text(p, QStringLiteral("一、选择题（请用2B铅笔填涂）"), QPointF(left + 160 + 200, top - 16), 13, kPrint, false);
    for (const SheetRegion& r : regions) {
        const int q = int(r.numbers.size());
        for (int k = 0; k < q; ++k) {
            const QString number = QString::fromStdString(r.numbers[size_t(k)]);
            if (r.layout == 0) {
                const int step = round_even(double(r.y2 - r.y1) / q);
                print_text(p, number, QPointF(r.x1 - 4, r.y1 + k * step + step / 2.0 + 5), 13, kPrint, false);
            } else {
                const int step = round_even(double(r.x2 - r.x1) / q);
                print_text(p, number, QPointF(r.x1 + k * step + step / 2.0, r.y1 - 5), 13, kPrint, true);
            }
        }
    }
    for (const OptionCell& c : cells) print_box(p, box_of(c.rect.translated(corner)), c.letter);
}

}  // namespace

std::vector<SheetRegion> load_sheet_regions(Db& db, std::int64_t subject)
{
    std::vector<SheetRegion> out;
    Stmt s = db.prepare("SELECT x1, y1, x2, y2, layout, numbers FROM sheet_regions WHERE subject_id = ? ORDER BY sort, id");
    s.args(subject);
    while (s.step()) {
        SheetRegion r;
        r.x1 = int(s.i64(0));
        r.y1 = int(s.i64(1));
        r.x2 = int(s.i64(2));
        r.y2 = int(s.i64(3));
        r.layout = int(s.i64(4));
        const QStringList numbers = QString::fromStdString(s.text(5)).split(u'|', Qt::SkipEmptyParts);
        for (const QString& n : numbers) r.numbers.push_back(n.toStdString());
        out.push_back(std::move(r));
    }
    for (SheetRegion& r : out) {
        for (const std::string& number : r.numbers) {
            Stmt q = db.prepare("SELECT kind, options, full_mark, partial_mark FROM questions "
                                "WHERE subject_id = ? AND number = ? AND objective = 1");
            q.args(subject, number);
            if (!q.step()) continue;
            if (r.kind.empty()) {
                r.kind = q.text(0);
                r.options = q.text(1);
            }
            r.full.push_back(q.real(2));
            r.partial.push_back(q.real(3));
        }
    }
    // A block naming a question the subject lacks is left out whole: its
    // marks would not line up with its numbers.
    std::erase_if(out, [](const SheetRegion& r) {
        return r.numbers.empty() || r.full.size() != r.numbers.size() || r.options.empty() || r.x2 <= r.x1 || r.y2 <= r.y1;
    });
    return out;
}

QPoint sheet_crop_corner(const std::vector<SheetRegion>& regions)
{
    int x = 3000, y = 3000;
    for (const SheetRegion& r : regions) {
        x = std::min(x, r.x1);
        y = std::min(y, r.y1);
    }
    return QPoint(std::max(1, x - 50), std::max(1, y - 40));
}

std::vector<OptionCell> option_cells(const std::vector<SheetRegion>& regions)
{
    const QPoint corner = sheet_crop_corner(regions);
    std::vector<OptionCell> out;
    for (const SheetRegion& r : regions) {
        const int q = int(r.numbers.size());
        const int n = int(r.options.size());
        const int x1 = r.x1 - corner.x(), y1 = r.y1 - corner.y();
        for (int k = 0; k < q; ++k) {
            for (int i = 0; i < n; ++i) {
                QRect cell;
                if (r.layout == 0) {
                    const int step = round_even(double(r.y2 - r.y1) / q);
                    const int cw = round_even(double(r.x2 - r.x1) / n);
                    cell = QRect(x1 + i * cw, y1 + k * step, cw, step);
                } else {
                    const int step = round_even(double(r.x2 - r.x1) / q);
                    const int ch = round_even(double(r.y2 - r.y1) / n);
                    cell = QRect(x1 + k * step, y1 + i * ch, step, ch);
                }
                out.push_back({r.numbers[size_t(k)], r.options[size_t(i)], cell});
            }
        }
    }
    return out;
}

SheetPlan plan_sheet(const std::string& seed, const std::vector<SheetRegion>& regions, const kgt::Answers& answers)
{
    QRandomGenerator rng(seed_of("sheet:" + seed));
    SheetPlan plan;
    if (rng.bounded(3) == 0) {  // not squarely on the glass
        plan.shift = QPointF(int(rng.bounded(9)) - 4, int(rng.bounded(9)) - 4);
    }
    if (rng.bounded(4) == 0) plan.turn = (rng.generateDouble() - 0.5) * 0.5;
    plan.pencil = 95 + int(rng.bounded(50));  // 2B dark .. HB pale
    for (const SheetRegion& r : regions) {
        for (const std::string& number : r.numbers) {
            const auto it = answers.find(number);
            const std::string chosen = it == answers.end() ? std::string() : it->second;
            std::map<char, Mark>& marks = plan.marks[number];
            bool hard = false;
            for (const char letter : r.options) {
                Mark m = Mark::None;
                if (chosen.find(letter) != std::string::npos) {
                    const double roll = rng.generateDouble();
                    m = roll < 0.04 ? Mark::Light : roll < 0.075 ? Mark::Half : Mark::Firm;
                    if (r.kind == "DAXT" && chosen.size() > 1) m = Mark::Double;
                }
                marks[letter] = m;
                hard = hard || (m != Mark::None && m != Mark::Firm);
            }
            // Now and then an answer changed: the first choice rubbed out.
            if (rng.bounded(28) == 0) {
                std::string free;
                for (char c : r.options)
                    if (chosen.find(c) == std::string::npos) free += c;
                if (!free.empty()) {
                    marks[free[rng.bounded(int(free.size()))]] = Mark::Erased;
                    hard = true;
                }
            }
            if (hard) plan.hard_questions.push_back(number);
        }
    }
    return plan;
}

QImage render_sheet(const std::vector<SheetRegion>& regions, const SheetPlan* plan, const std::string& seed)
{
    const QPoint corner = sheet_crop_corner(regions);
    int right = 0, bottom = 0;
    for (const SheetRegion& r : regions) {
        right = std::max(right, r.x2);
        bottom = std::max(bottom, r.y2);
    }
    // The objective part of an A4 sheet scanned at 150 dpi: 1240 wide.
    const int width = std::max(1240, right + 80) - corner.x();
    const int height = bottom + 40 - corner.y();
    if (regions.empty() || width <= 0 || height <= 0) return {};

    QRandomGenerator rng(seed_of("scan:" + seed));
    QImage img = paper(width, height, plan ? &rng : nullptr);
    const std::vector<OptionCell> cells = option_cells(regions);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-corner.x(), -corner.y());
        if (plan) {
            // The sheet moved and turned on the glass, about the corner.
            p.translate(corner.x() + plan->shift.x(), corner.y() + plan->shift.y());
            p.rotate(plan->turn);
            p.translate(-corner.x(), -corner.y());
        }
        print_form(p, regions, cells, corner);
    }
    if (plan) {
        // Graphite on a layer of its own: an eraser takes it off without
        // taking the print, and it darkens what lies under it.
        QImage layer(img.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter p(&layer);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(plan->shift.x(), plan->shift.y());
            p.rotate(plan->turn);
            p.translate(-corner.x(), -corner.y());
            for (const OptionCell& c : cells) {
                const auto q = plan->marks.find(c.number);
                if (q == plan->marks.end()) continue;
                const auto m = q->second.find(c.letter);
                if (m == q->second.end() || m->second == Mark::None) continue;
                const QRectF box = box_of(c.rect.translated(corner));
                switch (m->second) {
                case Mark::Firm:
                case Mark::Double:
                    pencil(p, box, 0.95 + rng.generateDouble() * 0.1, plan->pencil, 0.85 + rng.generateDouble() * 0.15, rng);
                    break;
                case Mark::Light:
                    pencil(p, box, 0.9 + rng.generateDouble() * 0.1, plan->pencil + 40, 0.3 + rng.generateDouble() * 0.25, rng);
                    break;
                case Mark::Half:
                    pencil(p, box, 0.3 + rng.generateDouble() * 0.3, plan->pencil, 0.8, rng);
                    break;
                case Mark::Erased:
                    pencil(p, box, 1.0, plan->pencil, 0.9, rng);
                    rub_out(p, box, plan->pencil, rng);
                    break;
                case Mark::None:
                    break;
                }
            }
        }
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.drawImage(0, 0, layer);
        p.end();
        scanner(img, rng);
    }
    return img;
}

std::string sheet_jpeg(const QImage& sheet)
{
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    sheet.save(&buf, "JPG", 80);
    return std::string(jpeg.constData(), size_t(jpeg.size()));
}

int cell_grey(const QImage& picture, const QRect& cell, int m)
{
    const int x = cell.x(), y = cell.y(), w = cell.width(), h = cell.height();
    const int divisor = (w - 2 * m) * (h - 2 * m);
    if (divisor <= 0) return 0;
    std::int64_t sum = 0;
    QRgb last = qRgb(0, 0, 0);
    for (int r = y + m; r <= y + h - m; ++r) {
        const int row = r - 1;  // the line read for row r lies one above it
        for (int c = x + m; c <= x + w - m; ++c) {
            if (row >= 0 && row < picture.height() && c >= 0 && c < picture.width()) last = picture.pixel(c, row);
            sum += (11 * qBlue(last) + 59 * qGreen(last) + 30 * qRed(last)) / 100 + 1;
        }
    }
    return int(sum / divisor);
}

std::vector<int> blank_cell_brightness(const std::vector<SheetRegion>& regions)
{
    // The clean form depends only on the blocks: measure it once per layout.
    static std::mutex mu;
    static std::map<std::string, std::vector<int>> known;
    std::string key;
    for (const SheetRegion& r : regions) {
        key += std::to_string(r.x1) + "," + std::to_string(r.y1) + "," + std::to_string(r.x2) + "," + std::to_string(r.y2)
               + "," + std::to_string(r.layout) + "," + std::to_string(r.numbers.size()) + "," + r.options + ";";
        for (const std::string& n : r.numbers) key += n + "|";
    }
    {
        std::lock_guard lock(mu);
        if (const auto it = known.find(key); it != known.end()) return it->second;
    }
    const QImage blank = render_sheet(regions, nullptr, {});
    std::vector<int> out;
    const std::vector<OptionCell> cells = option_cells(regions);
    size_t at = 0;
    for (const SheetRegion& r : regions) {
        const size_t count = r.numbers.size() * r.options.size();
        std::int64_t sum = 0;
        for (size_t i = 0; i < count; ++i) sum += cell_grey(blank, cells[at + i].rect, 2);
        at += count;
        out.push_back(int(std::lround(double(sum) / double(count))));
    }
    std::lock_guard lock(mu);
    known.emplace(key, out);
    return out;
}

std::string render_sheet_jpeg(std::int64_t subject, const std::string& kh, const std::vector<SheetRegion>& regions,
                              const kgt::Answers& answers)
{
    const std::string seed = std::to_string(subject) + ":" + kh;
    const SheetPlan plan = plan_sheet(seed, regions, answers);
    const QImage sheet = render_sheet(regions, &plan, seed);
    if (sheet.isNull()) return {};
    return sheet_jpeg(sheet);
}

}  // namespace velmora
