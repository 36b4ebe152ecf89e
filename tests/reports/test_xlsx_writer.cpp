// The .xlsx writer: cells, centred merges and fitted widths read back from
// the written package; the chosen file is replaced only by a whole workbook.
#include "reports/xlsx_writer.h"
#include "xlsx_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace reports;
using testsupport::readSheet;

class TestXlsxWriter : public QObject {
    Q_OBJECT
private slots:
    void text_width_data();
    void text_width();
    void widths_leave_out_merges_over_columns();
    void cells_and_merges_read_back();
    void overlapping_merges_keep_the_first();
    void replaces_an_existing_file_whole();
    void unwritable_place_leaves_nothing();
};

void TestXlsxWriter::text_width_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("latin") << u"85.5"_qs << 4;
    QTest::newRow("CJK counts double") << u"张三"_qs << 4;
    QTest::newRow("mixed") << u"一班A1"_qs << 6;
    QTest::newRow("full-width punctuation") << u"（满分）"_qs << 8;
    QTest::newRow("astral CJK is one wide char") << QString::fromUcs4(U"\U00020000") << 2;
}

void TestXlsxWriter::text_width()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QCOMPARE(reports::text_width(text), width);
}

void TestXlsxWriter::widths_leave_out_merges_over_columns()
{
    ExportTable t;
    t.cells = {{1, 1, u"一个很长很长的标题"_qs}, {2, 1, u"姓名"_qs}, {2, 2, u"85"_qs}, {3, 1, u"abcdefghij"_qs},
               {2, 3, u"名次"_qs}, {3, 3, u"1"_qs}};
    t.merges = {{1, 1, 1, 3}, {2, 3, 3, 3}};
    // Column 1: the title spans three columns and does not count; column 3:
    // a merge down one column still does.
    QCOMPARE(column_widths(t), (QList<double>{12.0, 6.0, 6.0}));
    t.cells << Cell{4, 2, u"一二三四五六七八"_qs};
    QCOMPARE(column_widths(t).at(1), 18.0);
}

void TestXlsxWriter::cells_and_merges_read_back()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"成绩名次表.xlsx"_qs);
    const ExportTable t = export_table(u"http://h/cj/cj_mc.asp"_qs,
                                       u"<TABLE><TR><TD colspan=3>成绩名次表</TD></TR>"
                                       "<TR><TD>名次</TD><TD>考号</TD><TD>总分</TD></TR>"
                                       "<TR><TD></TD></TR>"
                                       "<TR><TD>1</TD><TD>0101</TD><TD>95.5</TD></TR>"
                                       "<TR><TD>2</TD><TD>0102</TD><TD>a&amp;b</TD></TR></TABLE>"_qs);
    QString error;
    QVERIFY2(write_xlsx(t, file, &error), qPrintable(error));

    const auto sheet = readSheet(file);
    QVERIFY(sheet.ok);
    // An ordinary file, not the private one a temporary file starts as.
    QVERIFY(QFileInfo(file).permissions() & QFileDevice::ReadOther);
    QCOMPARE(sheet.cells.value(u"A1"_qs), u"成绩名次表"_qs);
    QCOMPARE(sheet.cells.value(u"B2"_qs), u"考号"_qs);
    QCOMPARE(sheet.cells.value(u"A4"_qs), u"1"_qs);           // a number
    QCOMPARE(sheet.cells.value(u"B4"_qs), u"0101"_qs);        // keeps its zero: text
    QCOMPARE(sheet.cells.value(u"C4"_qs), u"95.5"_qs);
    QCOMPARE(sheet.cells.value(u"C5"_qs), u"a&b"_qs);
    QVERIFY(!sheet.cells.contains(u"B1"_qs));
    // Header merges down rows 2 and 3 for the first columns; the title across.
    QCOMPARE(sheet.merges, (QStringList{u"A1:C1"_qs, u"A2:A3"_qs, u"B2:B3"_qs, u"C2:C3"_qs}));
    // The package stores the width with the cell padding added (6 -> 6.71).
    QVERIFY(qAbs(sheet.widths.value(2) - 6.0) < 1.0);

    // Merged cells are centred: the styles hold a centred alignment.
    QVERIFY(testsupport::unzipEntry(file, u"xl/styles.xml"_qs).contains("horizontal=\"center\""));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"成绩名次表.xlsx"_qs});
}

void TestXlsxWriter::overlapping_merges_keep_the_first()
{
    // A span across a cell that a fixed header rule also merges down: a
    // sheet holds only one of them, the first made.
    QTemporaryDir dir;
    const QString file = dir.filePath(u"x.xlsx"_qs);
    ExportTable t;
    t.cells = {{1, 1, u"a"_qs}, {1, 2, u"b"_qs}, {2, 3, u"c"_qs}};
    t.merges = {{1, 1, 1, 3}, {1, 2, 2, 2}, {2, 3, 3, 3}};
    QVERIFY(write_xlsx(t, file));
    const auto sheet = readSheet(file);
    QCOMPARE(sheet.merges, (QStringList{u"A1:C1"_qs, u"C2:C3"_qs}));
    QCOMPARE(sheet.cells.value(u"A1"_qs), u"a"_qs);
    QVERIFY(!sheet.cells.contains(u"B1"_qs));  // under the first merge
    QCOMPARE(sheet.cells.value(u"C2"_qs), u"c"_qs);
}

void TestXlsxWriter::replaces_an_existing_file_whole()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"report.xlsx"_qs);
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("an older export");
    }
    ExportTable t;
    t.cells = {{1, 1, u"新"_qs}};
    QVERIFY(write_xlsx(t, file));
    QCOMPARE(readSheet(file).cells.value(u"A1"_qs), u"新"_qs);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"report.xlsx"_qs});
}

void TestXlsxWriter::unwritable_place_leaves_nothing()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"missing/report.xlsx"_qs);
    QString error;
    QVERIFY(!write_xlsx(ExportTable{}, file, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(file));
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

QTEST_GUILESS_MAIN(TestXlsxWriter)
#include "test_xlsx_writer.moc"
