// Recognition of a whole objective sheet (the pixels copied, then every item
// read) against copying the pixels alone, in the same run: the ratio says
// what reading the cells adds to the load. The sheet is a 1600 x 900 grey
// JPEG of 50 questions of 4 options, decoded once before timing, with
// bubbles drawn, some filled, and scanner noise.
#include "correction/objective_rules.h"
#include "recognition/shibie.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QRect kReference(10, 10, 40, 30);  // the size of every option cell

// Five regions of ten questions; the third and fifth take several answers.
QString region_reply()
{
    QString reply = QStringLiteral("CKK,0;");
    for (int r = 0; r < 5; ++r) {
        const int x = 200 + r * 290, y = 200;
        const bool multi = r == 2 || r == 4;
        QStringList numbers, full, partial;
        for (int q = 1; q <= 10; ++q) {
            numbers << QString::number(r * 10 + q);
            full << QStringLiteral("2");
            partial << QStringLiteral("1");
        }
        reply += QStringLiteral("%1,%2,%3,%4,%5,10,4,0,%6,A|B|C|D,%7")
                     .arg(multi ? "DXDX" : "DAXT")
                     .arg(x)
                     .arg(y)
                     .arg(x + 160)
                     .arg(y + 300)
                     .arg(numbers.join(u'|'), full.join(u'|'));
        if (multi)
            reply += u',' + partial.join(u'|');
        reply += u';';
    }
    return reply;
}

struct Sheet {
    QByteArray jpeg;
    QString expected;  // the answer list as drawn
};

Sheet draw_sheet(const QString& item_str)
{
    QImage img(1600, 900, QImage::Format_RGB32);
    img.fill(qRgb(238, 238, 232));
    QRandomGenerator gen(7);
    QString expected;
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        // The reference bubble the blank-paper brightness is taken from.
        p.setPen(QPen(QColor(120, 120, 120), 1.5));
        p.drawEllipse(kReference.adjusted(6, 6, -6, -6));
        for (const QString& item : correction::items_of(item_str)) {
            const auto it = correction::parse_item(item);
            const QVector<QRect> cells = recognition::option_cells(item);
            QString marked;
            if (it->kind == QLatin1String("DAXT")) {
                if (gen.bounded(10) != 0)  // one in ten left blank
                    marked = it->letters.at(gen.bounded(4));
            } else {
                for (const QString& l : it->letters)
                    if (gen.bounded(3) == 0)
                        marked += l;
            }
            expected += it->key() + u'-' + marked + u';';
            for (int k = 0; k < cells.size(); ++k) {
                const QRect bubble = cells.at(k).adjusted(6, 6, -6, -6);
                p.setPen(QPen(QColor(120, 120, 120), 1.5));
                p.setBrush(marked.contains(it->letters.at(k)) ? QBrush(QColor(40, 40, 45)) : QBrush(Qt::NoBrush));
                p.drawEllipse(bubble);
            }
        }
    }
    // Scanner noise: a speck in every twentieth pixel or so.
    for (int y = 0; y < img.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (gen.bounded(20) == 0) {
                const int g = std::max(0, qGray(line[x]) - int(gen.bounded(60)));
                line[x] = qRgb(g, g, g);
            }
        }
    }
    Sheet sheet;
    QBuffer buf(&sheet.jpeg);
    buf.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_Grayscale8).save(&buf, "JPG", 85);
    sheet.expected = expected;
    return sheet;
}

double median(const std::vector<double>& v) { return v[v.size() / 2]; }

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = 400;

    const correction::BoxReply box = correction::read_box(region_reply());
    const QStringList items = correction::items_of(box.item_str);
    const Sheet sheet = draw_sheet(box.item_str);
    const QImage picture = QImage::fromData(sheet.jpeg, "JPG");
    if (picture.isNull()) {
        std::fprintf(stderr, "the JPEG did not decode\n");
        return 1;
    }

    // The blank bubble's brightness, as a CKK entry would give it.
    recognition::ShiBie probe;
    probe.load_bits(picture);
    const qint16 CKK = probe.cell_grey(kReference.x(), kReference.y(), kReference.width(), kReference.height(), 2);
    const QString read = correction::recognise_list(probe, box.item_str, CKK);
    const auto want = correction::answer_table(sheet.expected);
    const auto got = correction::answer_table(read);
    int right = 0;
    for (const auto& row : want)
        right += correction::answer_of(got, row.first) == row.second ? 1 : 0;

    // The screen keeps one reader and loads each new sheet into it, so the
    // runs do too. The two figures are taken turn about, so both see the
    // same load on a shared machine.
    volatile qsizetype sink = 0;
    recognition::ShiBie sb;
    sb.load_bits(picture);
    const QImage colour = picture.convertToFormat(QImage::Format_RGB32);
    std::vector<double> loadOnly, whole, itemsOnly, decode, loadColour;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        sink = sink + sb.load_bits(picture);
        loadOnly.push_back(t.nsecsElapsed() / 1000.0);

        t.restart();
        sb.load_bits(picture);
        for (const QString& item : items)
            sink = sink + sb.read_answer(item, CKK).size();
        whole.push_back(t.nsecsElapsed() / 1000.0);

        t.restart();
        for (const QString& item : items)
            sink = sink + sb.read_answer(item, CKK).size();
        itemsOnly.push_back(t.nsecsElapsed() / 1000.0);

        t.restart();
        sink = sink + sb.load_bits(colour);
        loadColour.push_back(t.nsecsElapsed() / 1000.0);

        if (i % 8 == 0) {
            t.restart();
            sink = sink + QImage::fromData(sheet.jpeg, "JPG").width();
            decode.push_back(t.nsecsElapsed() / 1000.0);
        }
    }
    for (auto* v : {&loadOnly, &whole, &itemsOnly, &decode, &loadColour})
        std::sort(v->begin(), v->end());

    std::printf("sheet: %dx%d grey JPEG, %lld KB, decoded as format %d; %lld items of 4 options; %d runs\n",
        picture.width(), picture.height(), static_cast<long long>(sheet.jpeg.size() / 1024), int(picture.format()),
        static_cast<long long>(items.size()), runs);
    std::printf("answers read as drawn: %d of %lld (CKK %d)\n", right, static_cast<long long>(want.size()), int(CKK));
    std::printf("JPEG decode (for scale, not in the figures) median %8.3f ms\n", median(decode) / 1000.0);
    std::printf("load_bits alone                         median %8.3f ms\n", median(loadOnly) / 1000.0);
    std::printf("load_bits of the same sheet in RGB32    median %8.3f ms\n", median(loadColour) / 1000.0);
    std::printf("every item read, pixels already loaded  median %8.3f ms\n", median(itemsOnly) / 1000.0);
    std::printf("whole sheet: load_bits + every item     median %8.3f ms   (target < 30 ms)\n", median(whole) / 1000.0);
    std::printf("ratio whole sheet / load_bits alone     %.2f\n", median(whole) / median(loadOnly));
    return right == want.size() ? 0 : 2;
}
