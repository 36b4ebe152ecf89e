#include "answer_images.h"

#include "answer_content.h"
#include "outline_font.h"
#include "store.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <list>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <unordered_map>
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


// The writing of one student: the same in every answer they give.
struct Hand {
    double size;     // em in pixels
    double slant;    // rightward lean per unit of height
    double weight;   // extra pen width in pixels: a heavy hand
    double neat;     // 0 hasty .. 1 neat: how much each character strays
    double spacing;  // advance factor
    double margin;   // where lines start
    QColor ink;
};

Hand hand_of(const std::string& kh)
{
    QRandomGenerator rng(quint32(qHash(QByteArray::fromStdString("hand:" + kh))));
    const QColor inks[] = {QColor(28, 36, 92), QColor(22, 22, 28), QColor(24, 58, 160), QColor(52, 52, 60)};
    Hand h;
    h.size = 22 + rng.generateDouble() * 9;
    h.slant = -0.05 + rng.generateDouble() * 0.25;
    h.weight = rng.generateDouble() < 0.4 ? rng.generateDouble() * 0.9 : 0;
    // Stronger students tend to write more neatly, not always.
    h.neat = std::clamp(0.5 * demo_ability(kh) + 0.5 * rng.generateDouble(), 0.0, 1.0);
    h.spacing = 0.9 + rng.generateDouble() * 0.18;
    h.margin = 26 + rng.generateDouble() * 18;
    h.ink = inks[rng.bounded(4)];
    return h;
}

// Text from font outlines. In the text "^c" is c raised and small, "_c"
// lowered and small (x^2, x_1). With a hand and a generator every
// character strays a little in size, angle and height, as written ones do;
// without, it is print.
class Pen {
public:
    Pen(QPainter& p, OutlineFont& font, double size, QColor ink, const Hand* hand = nullptr,
        QRandomGenerator* rng = nullptr)
        : p_(p), font_(font), size_(size), ink_(ink), hand_(hand), rng_(rng)
    {
    }

    // The width of the text as it would be written, without the strays.
    double width(const QString& text) const
    {
        double w = 0;
        walk(text, [&](char32_t c, double scale, double) { w += advance(c) * scale; });
        return w;
    }

    // Writes the text with its baseline at `at`; gives where it ends.
    double write(const QString& text, QPointF at)
    {
        double x = at.x();
        walk(text, [&](char32_t c, double scale, double rise) { x += put(c, QPointF(x, at.y()), scale, rise); });
        return x;
    }

private:
    template <class F>
    void walk(const QString& text, F f) const
    {
        const QList<uint> chars = text.toUcs4();
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const char32_t c = chars[i];
            if ((c == U'^' || c == U'_') && i + 1 < chars.size()) {
                f(U' ', 0.25, 0.0);  // a hair of room before it
                f(chars[++i], 0.6, c == U'^' ? -0.42 : 0.16);
                continue;
            }
            f(c, 1.0, 0.0);
        }
    }

    const OutlineFont::Glyph* glyph(char32_t c) const
    {
        // A sign the face lacks comes from the other face.
        const OutlineFont::Glyph* g = font_.glyph(c);
        if (!g) g = (&font_ == &hand_font() ? print_font() : hand_font()).glyph(c);
        return g;
    }

    double factor() const { return hand_ ? hand_->spacing : 1.0; }

    double advance(char32_t c) const
    {
        if (c == U' ') return size_ * 0.3 * factor();
        const OutlineFont::Glyph* g = glyph(c);
        return (g ? g->advance : 0.5) * size_ * factor();
    }

    double stray(double amount) { return rng_ ? (rng_->generateDouble() - 0.5) * amount : 0.0; }

    double put(char32_t c, QPointF at, double scale, double rise)
    {
        const double step = advance(c) * scale;
        const OutlineFont::Glyph* g = c == U' ' ? nullptr : glyph(c);
        if (!g) return step;
        const double messy = hand_ ? 1 - hand_->neat : 0;
        const double s = size_ * scale * (1 + stray(0.06 + 0.16 * messy));
        QTransform t;
        t.translate(at.x() + stray(1.5 * messy), at.y() + rise * size_ + stray(1 + 4 * messy));
        t.rotate(stray(2 + 8 * messy));
        if (hand_) t.shear(-hand_->slant, 0);
        t.scale(s, s);
        const QPainterPath path = t.map(g->path);
        QColor ink = ink_;
        if (hand_) ink.setAlpha(205 + int(rng_ ? rng_->bounded(51) : 50));  // the pressure varies
        p_.fillPath(path, ink);
        if (hand_ && hand_->weight > 0) p_.strokePath(path, QPen(ink, hand_->weight * scale));
        return step + stray(0.08 * size_);
    }

    QPainter& p_;
    OutlineFont& font_;
    double size_;
    QColor ink_;
    const Hand* hand_;
    QRandomGenerator* rng_;
};

// Breaks text into lines no wider than `width`. Chinese breaks between any
// two characters, but a comma or full stop never starts a line; worked
// steps break only at blanks.
QStringList wrap(const Pen& pen, const QString& text, double width, bool at_blanks)
{
    QStringList lines;
    QString line;
    auto closing = [](QChar c) { return QStringLiteral("，。；：、）”！？").contains(c); };
    const QStringList pieces = at_blanks ? text.split(u' ') : QStringList();
    if (at_blanks) {
        for (const QString& piece : pieces) {
            const QString next = line.isEmpty() ? piece : line + u' ' + piece;
            if (!line.isEmpty() && pen.width(next) > width) {
                lines << line;
                line = piece;
            } else {
                line = next;
            }
        }
    } else {
        auto latin = [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); };
        for (QChar c : text) {
            if (!line.isEmpty() && pen.width(line + c) > width && !closing(c)) {
                // A Latin word or a number moves down whole.
                qsizetype cut = line.size();
                while (cut > 0 && latin(c) && latin(line.at(cut - 1))) --cut;
                if (cut == 0) cut = line.size();
                lines << line.left(cut);
                line = line.mid(cut);
            }
            line += c;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

// The sheet: paper, scan specks, the printed question and the candidate
// number box. Gives the answer box.
QRectF draw_sheet(QPainter& p, const std::string& kh, const QString& prompt, int width, int height,
                  QRandomGenerator& rng)
{
    p.setPen(QPen(QColor(200, 200, 195), 1));
    for (int i = 0; i < 160 * height / 250; ++i) p.drawPoint(int(rng.bounded(width)), int(rng.bounded(height)));

    p.setPen(QPen(QColor(60, 60, 60), 1.6));
    p.drawRect(QRectF(560, 10, 225, 40));
    for (int i = 1; i < 10; ++i) p.drawLine(QPointF(560 + i * 22.5, 44), QPointF(560 + i * 22.5, 50));
    draw_text(p, kh, QPointF(572, 20), 12, 22, 0, rng);

    double y = 30;
    if (print_font().ok()) {
        Pen print(p, print_font(), 15, QColor(50, 50, 50));
        // Beside the number box first, then the whole width.
        const QStringList first = wrap(print, prompt, 530, false);
        print.write(first.value(0), QPointF(20, y));
        const QStringList rest = wrap(print, first.mid(1).join(QString()), 760, false);
        for (const QString& line : rest) print.write(line, QPointF(20, y += 21));
    }
    const double top = std::max(y + 14, 58.0);
    const QRectF box(14, top, width - 28, height - top - 8);
    p.setPen(QPen(QColor(185, 185, 180), 1));
    p.drawRect(box);
    return box;
}

// A short false start, struck out with two wavy lines; gives where it ends.
double struck_out(QPainter& p, Pen& pen, const QString& text, QPointF at, const Hand& hand, QRandomGenerator& rng)
{
    const double end = pen.write(text, at);
    QPen strike(hand.ink, 1.4 + hand.weight, Qt::SolidLine, Qt::RoundCap);
    p.setPen(strike);
    for (int k = 0; k < 2; ++k) {
        QPainterPath path;
        const double y = at.y() - hand.size * (0.28 + 0.12 * k);
        path.moveTo(at.x() - 3, y);
        for (double x = at.x(); x < end + 3; x += 7)
            path.quadTo(QPointF(x + 3.5, y + (rng.generateDouble() - 0.5) * 5), QPointF(x + 7, y));
        p.drawPath(path);
    }
    return end;
}

// The answer, written into the box as large as the student writes and as
// small as it must be to fit.
void draw_answer(QPainter& p, const DemoAnswer& answer, const QRectF& box, const Hand& hand_in, QRandomGenerator& rng)
{
    if (answer.lines.isEmpty()) return;  // left blank
    Hand hand = hand_in;
    const double right = box.right() - 12;
    const double left = box.left() + hand.margin - 14;
    const auto line_height = [&] { return hand.size * (answer.steps ? 1.55 : 1.45); };
    QStringList lines;
    for (;;) {
        Pen pen(p, hand_font(), hand.size, hand.ink, &hand);
        lines.clear();
        // Room at the end for a closing mark and the strays of the hand.
        for (const QString& l : answer.lines) lines << wrap(pen, l, right - left - hand.size * 0.9, answer.steps);
        if (hand.size <= 14 || box.top() + hand.size * 1.3 + (lines.size() - 1) * line_height() < box.bottom() - 6) break;
        hand.size *= 0.92;  // the box runs out: smaller writing
    }
    Pen pen(p, hand_font(), hand.size, hand.ink, &hand, &rng);

    // A hasty student sometimes starts a line wrongly and strikes it out,
    // where the line leaves room for it.
    const QStringList slips = answer.steps ? QStringList{QStringLiteral("x = 7"), QStringLiteral("= 5"), QStringLiteral("3x")}
                                           : QStringList{QStringLiteral("因为"), QStringLiteral("写了"), QStringLiteral("表达")};
    const QString false_text = slips.at(int(rng.bounded(int(slips.size()))));
    int false_start = -1;
    if (rng.generateDouble() < 0.45 * (1 - hand.neat)) {
        const int i = int(rng.bounded(int(lines.size())));
        if (pen.width(false_text + lines[i]) + hand.size * 1.6 < right - left) false_start = i;
    }

    double baseline = box.top() + hand.size * 1.3;
    for (int i = 0; i < lines.size(); ++i) {
        const double drift = (rng.generateDouble() - 0.5) * 4 * (1 - hand.neat);
        double x = left + (rng.generateDouble() - 0.5) * 6;
        p.save();
        // Lines wander a little off the horizontal.
        p.translate(x, baseline + drift);
        p.rotate((rng.generateDouble() - 0.5) * 1.6 * (1 - hand.neat));
        p.translate(-x, -(baseline + drift));
        if (i == false_start) x = struck_out(p, pen, false_text, QPointF(x, baseline + drift), hand, rng) + hand.size * 0.6;
        pen.write(lines[i], QPointF(x, baseline + drift));
        p.restore();
        baseline += line_height();
    }
}

// Without any CJK font: loops and humps in place of words.
void draw_scribbles(QPainter& p, const QRectF& box, QRandomGenerator& rng)
{
    p.setPen(QPen(QColor(25, 35, 95), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int lines = std::max(1, std::min(2 + int(rng.bounded(3)), int((box.height() - 20) / 36)));
    for (int l = 0; l < lines; ++l) {
        const double base = box.top() + 36 + l * 36 + rng.generateDouble() * 4;
        double x = box.left() + 26 + rng.generateDouble() * 30;
        const double end = l == lines - 1 ? box.left() + 286 + rng.generateDouble() * 400 : box.right() - 46;
        while (x < end) x += draw_word(p, QPointF(x, base), 9 + rng.generateDouble() * 3, rng) + 14 + rng.generateDouble() * 10;
    }
}

}  // namespace

std::string render_answer_jpeg(std::int64_t subject, const std::string& kh, const std::string& th, double full_mark)
{
    const DemoAnswer answer = demo_answer(subject, kh, th, full_mark);
    QRandomGenerator rng(quint32(qHash(QByteArray::fromStdString(std::to_string(subject) + ":" + kh + "_" + th))));
    const int width = 800;
    QImage img(width, answer.height, QImage::Format_RGB32);
    img.fill(QColor(247, 246, 240));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = draw_sheet(p, kh, answer.prompt, width, answer.height, rng);
    if (hand_font().ok()) {
        draw_answer(p, answer, box, hand_of(kh), rng);
    } else {
        static std::once_flag told;
        std::call_once(told, [] {
            std::fputs("velmora-server: no CJK font found (fonts-arphic-ukai or fonts-noto-cjk); "
                       "demo answers are drawn as scribbles\n", stderr);
        });
        draw_scribbles(p, box, rng);
    }
    p.end();

    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 80);
    return std::string(jpeg.constData(), size_t(jpeg.size()));
}

bool write_answer_image(const std::filesystem::path& file, std::int64_t subject, const std::string& kh,
                        const std::string& th, double full_mark)
{
    return write_image_file(file, render_answer_jpeg(subject, kh, th, full_mark));
}

bool read_image_file(const std::filesystem::path& file, std::string& out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

bool write_image_file(const std::filesystem::path& file, const std::string& jpeg)
{
    static std::atomic<unsigned> serial{0};
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

namespace {

class ImageReplies {
public:
    std::optional<std::string> find(const std::filesystem::path& file)
    {
        const auto stamp = stamp_of(file);
        if (!stamp) return std::nullopt;
        std::lock_guard lock(mu_);
        const auto it = entries_.find(file.string());
        if (it == entries_.end()) return std::nullopt;
        if (it->second.stamp != *stamp) {
            drop(it);
            return std::nullopt;
        }
        used_.splice(used_.begin(), used_, it->second.use);
        return *it->second.text;
    }

    void keep(const std::filesystem::path& file, const std::string& text)
    {
        const auto stamp = stamp_of(file);
        if (!stamp || text.size() > kLimit / 4) return;
        std::lock_guard lock(mu_);
        const std::string key = file.string();
        if (const auto it = entries_.find(key); it != entries_.end()) drop(it);
        used_.push_front(key);
        entries_.emplace(key, Entry{std::make_shared<const std::string>(text), *stamp, used_.begin()});
        bytes_ += text.size();
        while (bytes_ > kLimit && !used_.empty()) drop(entries_.find(used_.back()));
    }

private:
    static constexpr size_t kLimit = 64u << 20;
    struct Stamp {
        std::uintmax_t size;
        std::filesystem::file_time_type time;
        bool operator!=(const Stamp& o) const { return size != o.size || time != o.time; }
    };
    struct Entry {
        std::shared_ptr<const std::string> text;
        Stamp stamp;
        std::list<std::string>::iterator use;
    };

    static std::optional<Stamp> stamp_of(const std::filesystem::path& file)
    {
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        if (ec) return std::nullopt;
        const auto time = std::filesystem::last_write_time(file, ec);
        if (ec) return std::nullopt;
        return Stamp{size, time};
    }

    void drop(std::unordered_map<std::string, Entry>::iterator it)
    {
        bytes_ -= it->second.text->size();
        used_.erase(it->second.use);
        entries_.erase(it);
    }

    std::mutex mu_;
    std::unordered_map<std::string, Entry> entries_;
    std::list<std::string> used_;  // most recently used first
    size_t bytes_ = 0;
};

ImageReplies& image_replies()
{
    static ImageReplies replies;
    return replies;
}

}  // namespace

std::optional<std::string> cached_image_reply(const std::filesystem::path& file)
{
    return image_replies().find(file);
}

void keep_image_reply(const std::filesystem::path& file, const std::string& text)
{
    image_replies().keep(file, text);
}

}  // namespace velmora
