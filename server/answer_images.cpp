#include "answer_images.h"

#include "store.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <atomic>
#include <cmath>
#include <fstream>
#include <thread>
#include <vector>

namespace velmora {

namespace {

using Stroke = std::vector<QPointF>;

// Digits as pen strokes in a unit box (x right, y down).
std::vector<Stroke> glyph(char c)
{
    switch (c) {
    case '0': return {{{.5, 0}, {.9, .2}, {1, .5}, {.9, .8}, {.5, 1}, {.1, .8}, {0, .5}, {.1, .2}, {.5, 0}}};
    case '1': return {{{.25, .2}, {.6, 0}, {.6, 1}}};
    case '2': return {{{.05, .25}, {.3, .02}, {.7, .02}, {.95, .25}, {.9, .5}, {.05, 1}, {1, 1}}};
    case '3': return {{{.05, .1}, {.5, 0}, {.9, .15}, {.9, .35}, {.45, .5}, {.95, .65}, {.95, .85}, {.5, 1}, {.05, .9}}};
    case '4': return {{{.75, 1}, {.75, 0}, {0, .7}, {1, .7}}};
    case '5': return {{{.95, 0}, {.15, 0}, {.1, .45}, {.6, .4}, {.95, .6}, {.9, .9}, {.5, 1}, {.05, .9}}};
    case '6':
        return {{{.85, .05}, {.45, 0}, {.1, .35}, {.05, .7}, {.3, 1}, {.75, .98}, {.95, .75}, {.8, .5}, {.4, .48}, {.08, .65}}};
    case '7': return {{{0, 0}, {1, 0}, {.35, 1}}};
    case '8':
        return {{{.5, .48}, {.1, .3}, {.2, .05}, {.5, 0}, {.8, .05}, {.9, .3}, {.5, .48}, {.05, .72}, {.2, .97},
                 {.5, 1}, {.8, .97}, {.95, .72}, {.5, .48}}};
    case '9':
        return {{{.92, .35}, {.6, .5}, {.2, .45}, {.05, .2}, {.3, 0}, {.7, 0}, {.92, .3}, {.9, .7}, {.6, 1}, {.2, .95}}};
    case '.': return {{{.45, .92}, {.55, .92}, {.55, 1}, {.45, 1}, {.45, .92}}};
    case '-': return {{{.1, .55}, {.9, .55}}};
    case '=': return {{{.1, .4}, {.9, .4}}, {{.1, .7}, {.9, .7}}};
    case '+': return {{{.1, .55}, {.9, .55}}, {{.5, .15}, {.5, .95}}};
    case 'x': return {{{.1, .35}, {.9, 1}}, {{.9, .35}, {.1, 1}}};
    case '(': return {{{.7, 0}, {.35, .3}, {.3, .7}, {.7, 1}}};
    case ')': return {{{.3, 0}, {.65, .3}, {.7, .7}, {.3, 1}}};
    case '_': return {{{0, 1.05}, {1, 1.05}}};
    default: return {};
    }
}

// A text of glyphs; `wobble` > 0 makes it look written by hand.
void draw_text(QPainter& p, const std::string& text, QPointF at, double w, double h, double wobble,
               QRandomGenerator& rng)
{
    auto jitter = [&] { return wobble > 0 ? (rng.generateDouble() - .5) * wobble : 0.0; };
    double x = at.x();
    for (char c : text) {
        const double slant = wobble > 0 ? .18 : 0;
        const double dy = jitter() * 2;
        for (const Stroke& s : glyph(c)) {
            QPainterPath path;
            for (size_t i = 0; i < s.size(); ++i) {
                const QPointF pt(x + s[i].x() * w + (1 - s[i].y()) * h * slant + jitter(),
                                 at.y() + dy + s[i].y() * h + jitter());
                if (i == 0) {
                    path.moveTo(pt);
                } else if (wobble > 0) {
                    const QPointF prev = path.currentPosition();
                    path.quadTo(QPointF((prev.x() + pt.x()) / 2 + jitter(), (prev.y() + pt.y()) / 2 + jitter()), pt);
                } else {
                    path.lineTo(pt);
                }
            }
            p.drawPath(path);
        }
        x += w * 1.35 + (wobble > 0 ? rng.generateDouble() * w * .3 : 0);
    }
}

// One handwritten word: a run of loops and humps along a baseline.
double draw_word(QPainter& p, QPointF at, double xheight, QRandomGenerator& rng)
{
    const int letters = 2 + int(rng.bounded(5));
    QPainterPath path;
    double x = at.x();
    const double base = at.y();
    path.moveTo(x, base);
    for (int i = 0; i < letters; ++i) {
        const double w = xheight * (.6 + rng.generateDouble() * .6);
        const double up = rng.bounded(4) == 0 ? xheight * 2.1 : xheight * (.8 + rng.generateDouble() * .4);
        switch (rng.bounded(3)) {
        case 0:  // a loop
            path.cubicTo(x + w * .9, base - up * .2, x + w * .9, base - up, x + w * .45, base - up);
            path.cubicTo(x, base - up, x + w * .1, base, x + w, base);
            break;
        case 1:  // a hump
            path.cubicTo(x + w * .1, base - up, x + w * .9, base - up, x + w, base);
            break;
        default:  // a dipping stroke
            path.cubicTo(x + w * .3, base + xheight * .5, x + w * .6, base - up * .7, x + w, base);
        }
        x += w;
    }
    p.drawPath(path);
    return x - at.x();
}

}  // namespace

std::string render_answer_jpeg(const std::string& kh, const std::string& th, double full_mark)
{
    const std::string key = kh + "_" + th;
    QRandomGenerator rng(quint32(qHash(QByteArray::fromStdString(key))));
    QImage img(800, 250, QImage::Format_RGB32);
    img.fill(QColor(247, 246, 240));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Scan noise and the sheet's printed ruling.
    p.setPen(QPen(QColor(225, 225, 218), 1));
    for (int y = 70; y < 250; y += 36) p.drawLine(20, y, 780, y);
    p.setPen(QPen(QColor(200, 200, 195), 1));
    for (int i = 0; i < 160; ++i) p.drawPoint(int(rng.bounded(800)), int(rng.bounded(250)));

    // Header: question number in a circle, candidate number in a box.
    p.setPen(QPen(QColor(60, 60, 60), 1.6));
    p.drawEllipse(QPointF(34, 30), 20, 20);
    draw_text(p, th, QPointF(34 - th.size() * 6.5, 21), 9, 18, 0, rng);
    p.drawRect(QRectF(560, 10, 225, 40));
    for (int i = 1; i < 10; ++i) p.drawLine(QPointF(560 + i * 22.5, 44), QPointF(560 + i * 22.5, 50));
    draw_text(p, kh, QPointF(572, 20), 12, 22, 0, rng);
    draw_text(p, "(" + [&] {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%g", full_mark);
        return std::string(buf);
    }() + ")", QPointF(64, 21), 8, 18, 0, rng);

    // The answer: a few lines of handwriting with some figures in it.
    p.setPen(QPen(QColor(25, 35, 95), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int lines = 2 + int(rng.bounded(3));
    for (int l = 0; l < lines; ++l) {
        const double base = 100 + l * 36 + rng.generateDouble() * 4;
        double x = 40 + rng.generateDouble() * 30;
        const double end = l == lines - 1 ? 300 + rng.generateDouble() * 400 : 740;
        while (x < end) {
            if (rng.bounded(5) == 0) {
                std::string figure = std::to_string(rng.bounded(1000));
                if (rng.bounded(2)) figure += "=" + std::to_string(rng.bounded(100));
                draw_text(p, figure, QPointF(x, base - 20), 10, 20, 2.2, rng);
                x += double(figure.size()) * 14 + 18;
            } else {
                x += draw_word(p, QPointF(x, base), 9 + rng.generateDouble() * 3, rng) + 14 + rng.generateDouble() * 10;
            }
        }
    }
    p.end();

    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 80);
    return std::string(jpeg.constData(), size_t(jpeg.size()));
}

bool write_answer_image(const std::filesystem::path& file, const std::string& kh, const std::string& th,
                        double full_mark)
{
    static std::atomic<unsigned> serial{0};
    const std::string jpeg = render_answer_jpeg(kh, th, full_mark);
    if (jpeg.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::filesystem::path tmp = file;
    tmp += ".tmp" + std::to_string(serial++) + "-" + std::to_string(std::hash<std::thread::id>()(std::this_thread::get_id()));
    {
        std::ofstream out(tmp, std::ios::binary);
        if (!out) return false;
        out.write(jpeg.data(), std::streamsize(jpeg.size()));
        if (!out) return false;
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return std::filesystem::exists(file);
    }
    return true;
}

bool demo_images_enabled(Store& store)
{
    auto db = store.acquire();
    return db->count("SELECT COUNT(*) FROM meta WHERE key = 'demo_images' AND value = '1'") > 0;
}

}  // namespace velmora
