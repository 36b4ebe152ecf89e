// Mark recognition on pictures built pixel by pixel: the cells of an item,
// the brightness of one cell (with the row it really reads, the extra pixel
// each way and the pixels outside the picture), the rule that decides, and
// whole items read from a sheet.
#include "recognition/shibie.h"

#include <QImage>
#include <QTest>

using recognition::ShiBie;

namespace {

QImage filled(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QRgb grey(int g) { return qRgb(g, g, g); }

// A sheet of white paper with the listed cells of an item filled dark.
QImage sheet_with(const QString& item, const QString& filled_letters, int w = 200, int h = 120)
{
    QImage img = filled(w, h, grey(255));
    const QVector<QRect> cells = recognition::option_cells(item);
    const QStringList letters = item.section(u',', 9, 9).split(u'|');
    for (int i = 0; i < cells.size(); ++i) {
        if (filled_letters.contains(letters.at(i))) {
            const QRect c = cells.at(i);
            for (int y = c.top(); y <= c.bottom(); ++y)
                for (int x = c.left(); x <= c.right(); ++x)
                    img.setPixel(x, y, grey(40));
        }
    }
    return img;
}

}  // namespace

Q_DECLARE_METATYPE(QVector<QRect>)
Q_DECLARE_METATYPE(QVector<qint16>)

class RecognitionTest : public QObject {
    Q_OBJECT

private slots:
    void optionCells_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QVector<QRect>>("cells");
        QTest::newRow("side by side") << "DAXT,10,20,90,40,1,4,0,1,A|B|C|D,2"
                                      << QVector<QRect> {
                                             {10, 20, 20, 20}, {30, 20, 20, 20}, {50, 20, 20, 20}, {70, 20, 20, 20}};
        QTest::newRow("stacked down") << "DXDX,10,20,30,100,1,4,1,5,A|B|C|D,2,1"
                                      << QVector<QRect> {
                                             {10, 20, 20, 20}, {10, 40, 20, 20}, {10, 60, 20, 20}, {10, 80, 20, 20}};
        QTest::newRow("12.5 wide rounds down to even")
            << "DAXT,0,0,50,10,1,4,0,1,A|B|C|D,2"
            << QVector<QRect> {{0, 0, 12, 10}, {12, 0, 12, 10}, {24, 0, 12, 10}, {36, 0, 12, 10}};
        QTest::newRow("17.5 wide rounds up to even")
            << "DAXT,0,0,70,10,1,4,0,1,A|B|C|D,2"
            << QVector<QRect> {{0, 0, 18, 10}, {18, 0, 18, 10}, {36, 0, 18, 10}, {54, 0, 18, 10}};
        QTest::newRow("7.5 high rounds up to even")
            << "DAXT,0,0,10,15,1,2,1,1,A|B,2" << QVector<QRect> {{0, 0, 10, 8}, {0, 8, 10, 8}};
        QTest::newRow("a region of two questions halves its width")
            << "DAXT,0,0,40,30,2,3,1,1|2,A|B|C,2|2"
            << QVector<QRect> {{0, 0, 20, 10}, {0, 10, 20, 10}, {0, 20, 20, 10}};
        QTest::newRow("n beyond the letters: lettered cells only")
            << "DAXT,0,0,40,10,1,4,0,1,A|B,2" << QVector<QRect> {{0, 0, 10, 10}, {10, 0, 10, 10}};
        QTest::newRow("too few fields") << "DAXT,0,0,40,10,1,4,0,1" << QVector<QRect> {};
        QTest::newRow("coordinate no number") << "DAXT,a,0,40,10,1,4,0,1,A|B|C|D,2" << QVector<QRect> {};
        QTest::newRow("no options") << "DAXT,0,0,40,10,1,0,0,1,A|B|C|D,2" << QVector<QRect> {};
        QTest::newRow("no questions") << "DAXT,0,0,40,10,0,4,0,1,A|B|C|D,2" << QVector<QRect> {};
        QTest::newRow("empty") << "" << QVector<QRect> {};
    }
    void optionCells()
    {
        QFETCH(QString, item);
        QFETCH(QVector<QRect>, cells);
        QCOMPARE(recognition::option_cells(item), cells);
    }

    // Figures worked by hand from the reading rule: visited pixels over the
    // smaller divisor, one added per pixel, row r read from row r - 1.
    void cellGrey_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QRect>("cell");
        QTest::addColumn<int>("value");

        // 5x5 pixels visited (rows 3..7 read from 2..6), divisor 4x4: 25 * 101 / 16.
        QTest::newRow("uniform grey 100") << filled(12, 12, grey(100)) << QRect(1, 1, 8, 8) << 157;
        // A 5x5 cell visits 2x2 pixels over a divisor of 1: four times grey + 1.
        QTest::newRow("blue weighs 0.11") << filled(8, 8, qRgb(0, 0, 255)) << QRect(0, 1, 5, 5) << 4 * 29;
        QTest::newRow("green weighs 0.59") << filled(8, 8, qRgb(0, 255, 0)) << QRect(0, 1, 5, 5) << 4 * 151;
        QTest::newRow("red weighs 0.30") << filled(8, 8, qRgb(255, 0, 0)) << QRect(0, 1, 5, 5) << 4 * 77;
        QTest::newRow("grey 237 is 237, not 236") << filled(8, 8, grey(237)) << QRect(0, 1, 5, 5) << 4 * 238;
        QTest::newRow("white") << filled(8, 8, grey(255)) << QRect(0, 1, 5, 5) << 4 * 256;
        {
            // Rows 4 and 5 are visited; they read picture rows 3 and 4, and row 3 is black.
            QImage img = filled(8, 10, grey(200));
            for (int x = 0; x < 8; ++x)
                img.setPixel(x, 3, grey(0));
            QTest::newRow("row r reads the row above it") << img << QRect(0, 2, 6, 5) << (3 * 1 + 3 * 201) / 2;
        }
        {
            // Columns 5..7 of a 6 wide picture: 6 and 7 repeat column 5.
            QImage img = filled(6, 6, grey(200));
            for (int y = 0; y < 6; ++y)
                img.setPixel(5, y, grey(100));
            QTest::newRow("past the right edge repeats the last pixel") << img << QRect(3, 1, 6, 5) << 2 * 3 * 101 / 2;
        }
        {
            // Rows 6 and 7 of a 6 high picture: row 6 reads line 0 (row 5), row 7 repeats it.
            QImage img = filled(6, 6, grey(200));
            for (int x = 0; x < 6; ++x)
                img.setPixel(x, 5, grey(100));
            QTest::newRow("below the bottom repeats the last pixel") << img << QRect(0, 4, 5, 5) << 4 * 101;
        }
        // Row 0 has no line: read before any pixel, it counts as black.
        QTest::newRow("row 0 before any pixel read is black")
            << filled(6, 6, grey(200)) << QRect(0, -2, 5, 5) << 2 * 1 + 2 * 201;
        QTest::newRow("four wide: divisor 0") << filled(8, 8, grey(100)) << QRect(0, 1, 4, 8) << 0;
        QTest::newRow("three wide: divisor negative") << filled(8, 8, grey(100)) << QRect(0, 1, 3, 8) << 0;
        QTest::newRow("three by three: both sides negative") << filled(8, 8, grey(100)) << QRect(0, 1, 3, 3) << 0;
        QTest::newRow("negative width") << filled(8, 8, grey(100)) << QRect(5, 1, -10, 8) << 0;
        QTest::newRow("wholly outside, far away")
            << filled(8, 8, grey(100)) << QRect(100000, 100000, 1000, 1000) << (997 * 997) / (996 * 996);
    }
    void cellGrey()
    {
        QFETCH(QImage, picture);
        QFETCH(QRect, cell);
        QFETCH(int, value);
        ShiBie sb;
        QCOMPARE(sb.load_bits(picture), picture.height());
        QCOMPARE(int(sb.cell_grey(cell.x(), cell.y(), cell.width(), cell.height(), 2)), value);
    }

    void hugeCellsNeitherHangNorOverflow()
    {
        ShiBie sb;
        sb.load_bits(filled(50, 50, grey(255)));
        const qint16 v = sb.cell_grey(-2000000000, -2000000000, 2100000000, 2100000000, 2);
        QVERIFY(v >= 0);
    }

    void decision_data()
    {
        QTest::addColumn<bool>("oneAnswer");
        QTest::addColumn<QVector<qint16>>("values");
        QTest::addColumn<int>("CKK");
        QTest::addColumn<QString>("marked");
        const QVector<qint16> v1 {248, 239, 240, 251};
        QTest::newRow("several: 11 below CKK marks, 10 does not") << false << v1 << 250 << "B";
        QTest::newRow("several: in option order") << false << QVector<qint16> {200, 250, 190, 100} << 250 << "ACD";
        QTest::newRow("several: CKK 0 marks nothing") << false << QVector<qint16> {0, 5, 100, 300} << 0 << "";
        QTest::newRow("one: first minimum, others avg 244")
            << true << QVector<qint16> {250, 230, 230, 251} << 250 << "B";
        QTest::newRow("one: all equal") << true << QVector<qint16> {250, 250, 250, 250} << 250 << "";
        QTest::newRow("one: 10 below the avg is not enough") << true << QVector<qint16> {240, 250, 250, 250} << 0 << "";
        QTest::newRow("one: 11 below") << true << QVector<qint16> {250, 250, 239, 250} << 0 << "C";
        // (241 + 240) / 2 = 240.5 reads 240, even: 10 above 230.
        QTest::newRow("one: avg half rounds to even, down") << true << QVector<qint16> {230, 241, 240} << 0 << "";
        // (243 + 240) / 2 = 241.5 reads 242: 12 above 230.
        QTest::newRow("one: avg half rounds to even, up") << true << QVector<qint16> {230, 243, 240} << 0 << "A";
        QTest::newRow("one: a single option") << true << QVector<qint16> {100} << 250 << "";
        QTest::newRow("one: CKK plays no part") << true << QVector<qint16> {300, 250, 300, 300} << 0 << "B";
    }
    void decision()
    {
        QFETCH(bool, oneAnswer);
        QFETCH(QVector<qint16>, values);
        QFETCH(int, CKK);
        QFETCH(QString, marked);
        const QStringList letters = QStringList {"A", "B", "C", "D"}.mid(0, values.size());
        QCOMPARE(recognition::marked_letters(oneAnswer, values, letters, qint16(CKK)), marked);
    }

    // Whole items on a white sheet. A blank 20x12 cell reads 256 * 17 * 9 / (16 * 8) = 306.
    void readAnswer_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<int>("CKK");
        QTest::addColumn<QString>("answer");
        const QString daxt = "DAXT,20,30,100,42,1,4,0,3,A|B|C|D,2";
        const QString dxdx = "DXDX,20,30,100,42,1,4,0,4,A|B|C|D,3,1";
        QTest::newRow("one answer, side by side") << daxt << "C" << 306 << "C";
        QTest::newRow("one answer, nothing filled") << daxt << "" << 306 << "";
        QTest::newRow("one answer, two filled: the first") << daxt << "BD" << 306 << "B";
        QTest::newRow("one answer, stacked") << "DAXT,40,10,60,58,1,4,1,7,A|B|C|D,2"
                                             << "D" << 306 << "D";
        QTest::newRow("several") << dxdx << "BD" << 306 << "BD";
        QTest::newRow("several, none") << dxdx << "" << 306 << "";
        QTest::newRow("several, CKK 0") << dxdx << "ABCD" << 0 << "";
        QTest::newRow("several, stacked") << "DUXT,40,10,60,58,1,4,1,8,A|B|C|D,3,1"
                                          << "AC" << 306 << "AC";
        QTest::newRow("cells 4 wide: one answer") << "DAXT,20,30,36,42,1,4,0,3,A|B|C|D,2"
                                                  << "A" << 306 << "";
        QTest::newRow("cells 4 wide: several") << "DXDX,20,30,36,42,1,4,0,3,A|B|C|D,2,1"
                                               << "A" << 306 << "";
        QTest::newRow("cells 3 high") << "DXDX,20,30,100,33,1,4,0,3,A|B|C|D,2,1"
                                      << "A" << 306 << "";
        QTest::newRow("one option") << "DAXT,20,30,40,42,1,1,0,3,A,2"
                                    << "A" << 306 << "";
        QTest::newRow("an item that does not read") << "DAXT,20,30"
                                                    << "" << 306 << "";
    }
    void readAnswer()
    {
        QFETCH(QString, item);
        QFETCH(QString, filled);
        QFETCH(int, CKK);
        QFETCH(QString, answer);
        ShiBie sb;
        sb.load_bits(sheet_with(item, filled));
        QCOMPARE(sb.read_answer(item, qint16(CKK)), answer);
    }

    void blankCellReadsAsTheCommentSays()
    {
        ShiBie sb;
        sb.load_bits(filled(200, 120, grey(255)));
        QCOMPARE(int(sb.cell_grey(20, 30, 20, 12, 2)), 306);
    }

    // A decoded scan may come grey, with alpha, or packed: each reads the same.
    void everyPictureFormatReadsAlike_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("grey 8") << int(QImage::Format_Grayscale8);
        QTest::newRow("ARGB32") << int(QImage::Format_ARGB32);
        QTest::newRow("RGB888") << int(QImage::Format_RGB888);
        QTest::newRow("indexed 8") << int(QImage::Format_Indexed8);
    }
    void everyPictureFormatReadsAlike()
    {
        QFETCH(int, format);
        QImage sheet = filled(60, 40, grey(255));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x)
                sheet.setPixel(x, y, grey((x * 7 + y * 13) % 256));
        ShiBie rgb, other;
        rgb.load_bits(sheet);
        QCOMPARE(other.load_bits(sheet.convertToFormat(QImage::Format(format))), 40);
        QCOMPARE(other.width(), 60);
        for (int y = -3; y < 40; y += 4)
            for (int x = -3; x < 60; x += 5)
                QCOMPARE(other.cell_grey(x, y, 9, 7, 2), rgb.cell_grey(x, y, 9, 7, 2));
    }

    void aNullPictureCopiesNothing()
    {
        ShiBie sb;
        sb.load_bits(filled(10, 10, grey(0)));
        QCOMPARE(sb.load_bits(QImage()), 0);
        QCOMPARE(sb.width(), 0);
        QCOMPARE(sb.height(), 0);
        QCOMPARE(sb.read_answer("DAXT,0,0,80,12,1,4,0,1,A|B|C|D,2", 306), QString());
    }
};

QTEST_GUILESS_MAIN(RecognitionTest)
#include "test_recognition.moc"
