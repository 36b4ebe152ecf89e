// The export model: a report page's inner HTML read into sheet cells,
// merges, deleted picture columns and progress figures. Every case runs in
// both spellings of the same page: upper-case tags without blanks, and the
// lower-case indented markup a browser engine serialises.
#include "reports/export_model.h"

#include <QRegularExpression>
#include <QTest>

using namespace reports;

namespace {

// The browser's spelling of a page written in upper case: lower-case tags,
// quoted attribute values, every row and cell on its own indented line and
// the cell text on a line of its own.
QString browserSpelling(const QString& upper)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z]+)([^>]*)>"));
    static const QRegularExpression attr(QStringLiteral("=([^\"'\\s>]+)"));
    QString out;
    qsizetype from = 0;
    for (auto it = tag.globalMatch(upper); it.hasNext();) {
        const auto m = it.next();
        out += upper.mid(from, m.capturedStart() - from);
        const QString name = m.captured(2).toLower();
        QString attrs = m.captured(3);
        attrs.replace(attr, QStringLiteral("=\"\\1\""));
        const bool closing = !m.captured(1).isEmpty();
        if (name == u"tr" || name == u"tbody" || (name == u"table" && closing))
            out += QStringLiteral("\n  ");
        if (name == u"td" && closing)
            out += QStringLiteral("\n    ");
        if (name == u"td" && !closing)
            out += QStringLiteral("\n    ");
        out += u'<' + m.captured(1) + name + attrs + u'>';
        if (name == u"td" && !closing)
            out += QStringLiteral("\n      ");
        from = m.capturedEnd();
    }
    return out + upper.mid(from) + u'\n';
}

// The sheet as rows of "|"-joined cells, columns 1 to the last used.
QStringList grid(const ExportTable& t)
{
    QStringList rows;
    for (int r = 1; r <= t.rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= t.columnCount(); ++c)
            cells << t.text(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}

// Merges as "R2C1:R3C1", in the order they were made.
QStringList merges(const ExportTable& t)
{
    QStringList out;
    for (const Merge& m : t.merges)
        out << QStringLiteral("R%1C%2:R%3C%4").arg(m.firstRow).arg(m.firstCol).arg(m.lastRow).arg(m.lastCol);
    return out;
}

QString table(const QString& rows)
{
    return QStringLiteral("<H3>报表</H3><TABLE border=1><TBODY>") + rows + QStringLiteral("</TBODY></TABLE>");
}

}  // namespace

class TestExportModel : public QObject {
    Q_OBJECT
private slots:
    void export_table_data();
    void export_table();
    void progress_data();
    void progress();
    void strip_links_data();
    void strip_links();
};

void TestExportModel::export_table_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("merged");
    QTest::addColumn<QList<int>>("deleted");

    const QString report = QStringLiteral("http://h:9090/cj/cj_stnd.asp?ks_id=1&km_id=2&xx_id=3&u_id=4");
    struct Case {
        const char* name;
        QString url, html;
        QStringList rows, merged;
        QList<int> deleted;
    };
    const QList<Case> cases = {
        {"plain table, heading outside ignored", report,
         table(u"<TR><TD>姓名</TD><TD>分数</TD></TR><TR><TD>张三</TD><TD>85</TD></TR>"_qs),
         {u"姓名|分数"_qs, u"张三|85"_qs}, {}, {}},
        {"colspan 3 merges and the next cell lands three further", report,
         table(u"<TR><TD colspan=3>第一题</TD><TD>合计</TD></TR><TR><TD>a</TD><TD>b</TD><TD>c</TD><TD>d</TD></TR>"_qs),
         {u"第一题|||合计"_qs, u"a|b|c|d"_qs}, {u"R1C1:R1C3"_qs}, {}},
        {"COLSPAN in capitals, blanks around =", report,
         table(u"<TR><TD align=center COLSPAN = 2>x</TD><TD>y</TD></TR>"_qs), {u"x||y"_qs}, {u"R1C1:R1C2"_qs}, {}},
        {"colspan not a number counts as none", report, table(u"<TR><TD colspan=x>a</TD><TD>b</TD></TR>"_qs),
         {u"a|b"_qs}, {}, {}},
        {"colspan 1 moves one and merges nothing", report, table(u"<TR><TD colspan=1>a</TD><TD>b</TD></TR>"_qs),
         {u"a|b"_qs}, {}, {}},
        {"&nbsp; alone is an empty cell, in any case", report,
         table(u"<TR><TD>&nbsp;</TD><TD>&NBSP;</TD><TD>a&amp;b</TD></TR>"_qs), {u"||a&b"_qs}, {}, {}},
        {"a link row ends the table", report,
         table(u"<TR><TD>a</TD></TR><TR><TD><A href=\"cj_fx.asp?p=2\">下一页</A></TD></TR><TR><TD>b</TD></TR>"_qs),
         {u"a"_qs}, {}, {}},
        {"a link anywhere in a row ends the table at that row's first cell", report,
         table(u"<TR><TD>0</TD></TR><TR><TD>1</TD><TD>2</TD><TD><A href=\"x.asp\">x</A></TD><TD>4</TD></TR>"
               "<TR><TD>5</TD></TR>"_qs),
         {u"0"_qs}, {}, {}},
        {"score report keeps the text around and after links",
         u"http://h/cj/cj_score.asp?ks_id=1"_qs,
         table(u"<TR><TD>考号</TD><TD>姓名</TD><TD>总分</TD></TR>"
               "<TR><TD>0101</TD><TD><A href=\"cj_score.asp?order=1\">张</A>三&nbsp;</TD><TD>85</TD></TR>"
               "<TR><TD>0102</TD><TD>李四</TD><TD><a href=\"cj_xsdtk.asp?xs=2\">看</A></TD><TD>77</TD></TR>"_qs),
         {u"考号|姓名|总分|"_qs, u"0101|三|85|"_qs, u"0102|李四||77"_qs}, {}, {}},
        {"picture column and everything below it disappear", u"http://h/cj/cj_score.asp?ks_id=1"_qs,
         u"<P><A href=\"cj_score.asp?ks_id=1&amp;order=zf\">按总分排序</A></P>"_qs + table(u"<TR><TD colspan=4>成绩</TD></TR>"
               "<TR><TD>姓名</TD><TD>试卷图片</TD><TD>总分</TD><TD>名次</TD></TR>"
               "<TR><TD>张三</TD><TD><A href=\"cj_xsdtk.asp?x=1\">查看</A></TD><TD>85</TD><TD>1</TD></TR>"
               "<TR><TD colspan=2>平均</TD><TD>85</TD></TR>"_qs),
         {u"成绩||"_qs, u"姓名|总分|名次"_qs, u"张三|85|1"_qs, u"平均|85|"_qs}, {u"R1C1:R1C3"_qs}, {2}},
        {"ranking: two header rows merged down, second starts at column 5", u"http://h/cj/cj_mc.asp?ks_id=1"_qs,
         table(u"<TR><TD colspan=6>成绩名次表</TD></TR>"
               "<TR><TD>名次</TD><TD>考号</TD><TD>姓名</TD><TD>班级</TD><TD colspan=2>总分</TD></TR>"
               "<TR><TD>得分</TD><TD>校名次</TD></TR>"
               "<TR><TD>1</TD><TD>0101</TD><TD>张三</TD><TD>一班</TD><TD>95</TD><TD>1</TD></TR>"_qs),
         {u"成绩名次表|||||"_qs, u"名次|考号|姓名|班级|总分|"_qs, u"||||得分|校名次"_qs, u"1|0101|张三|一班|95|1"_qs},
         {u"R1C1:R1C6"_qs, u"R2C1:R3C1"_qs, u"R2C2:R3C2"_qs, u"R2C3:R3C3"_qs, u"R2C4:R3C4"_qs, u"R2C5:R2C6"_qs},
         {}},
        {"paper analysis: row 2 starts at column 2, row 4 at column 7", u"http://h/cj/cj_sjfx.asp?ks_id=1"_qs,
         table(u"<TR><TD colspan=3>试卷分析</TD></TR>"
               "<TR><TD>项目</TD><TD colspan=2>分值</TD></TR>"
               "<TR><TD>满分</TD><TD>均分</TD></TR>"
               "<TR><TD>a</TD><TD>b</TD><TD>c</TD><TD>d</TD><TD>e</TD><TD>f</TD><TD colspan=2>g</TD></TR>"
               "<TR><TD>h</TD><TD>i</TD></TR>"_qs),
         {u"试卷分析|||||||"_qs, u"项目|分值||||||"_qs, u"|满分|均分|||||"_qs, u"a|b|c|d|e|f|g|"_qs,
          u"||||||h|i"_qs},
         {u"R1C1:R1C3"_qs, u"R2C1:R3C1"_qs, u"R2C2:R2C3"_qs, u"R4C1:R5C1"_qs, u"R4C2:R5C2"_qs, u"R4C3:R5C3"_qs,
          u"R4C4:R5C4"_qs, u"R4C5:R5C5"_qs, u"R4C6:R5C6"_qs, u"R4C7:R4C8"_qs},
         {}},
        {"the same rows elsewhere get no header merges", report,
         table(u"<TR><TD>名次</TD><TD>考号</TD></TR><TR><TD>a</TD></TR><TR><TD>b</TD></TR>"_qs),
         {u"名次|考号"_qs, u"a|"_qs, u"b|"_qs}, {}, {}},
        {"no table, no cells", report, u"<P>没有数据</P>"_qs, {}, {}, {}},
    };
    for (const Case& c : cases) {
        QTest::addRow("%s / upper", c.name) << c.url << c.html << c.rows << c.merged << c.deleted;
        QTest::addRow("%s / browser", c.name) << c.url << browserSpelling(c.html) << c.rows << c.merged << c.deleted;
    }
}

void TestExportModel::export_table()
{
    QFETCH(QString, url);
    QFETCH(QString, html);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, merged);
    QFETCH(QList<int>, deleted);

    const ExportTable t = reports::export_table(url, html);
    QCOMPARE(grid(t), rows);
    QCOMPARE(merges(t), merged);
    QCOMPARE(t.deletedColumns, deleted);
}

void TestExportModel::progress_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QList<int>>("percent");
    // One figure per row read: row index over the last row's index; the
    // piece after the last row counts as a row.
    QTest::newRow("two rows") << table(u"<TR><TD>a</TD></TR><TR><TD>b</TD></TR>"_qs) << QList<int>{0, 50, 100};
    QTest::newRow("three rows, rounded")
        << table(u"<TR><TD>a</TD></TR><TR><TD>b</TD></TR><TR><TD>c</TD></TR>"_qs) << QList<int>{0, 33, 67, 100};
    QTest::newRow("no row end: one piece is all of it") << u"<TD>a"_qs << QList<int>{100};
    QTest::newRow("a link row stops the figures")
        << table(u"<TR><TD>a</TD></TR><TR><TD><A HREF=x>n</A></TD></TR><TR><TD>b</TD></TR>"_qs) << QList<int>{0};
}

void TestExportModel::progress()
{
    QFETCH(QString, html);
    QFETCH(QList<int>, percent);
    QCOMPARE(reports::export_table(u"http://h/cj/cj_fx.asp"_qs, html).progress, percent);
    QCOMPARE(reports::export_table(u"http://h/cj/cj_fx.asp"_qs, browserSpelling(html)).progress, percent);
}

void TestExportModel::strip_links_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("link and its text go") << u"a<A href=x>b</A>c"_qs << u"ac"_qs;
    QTest::newRow("any case") << u"a<a HREF=x>b</A>c<A href=y>d</a>e"_qs << u"ace"_qs;
    QTest::newRow("stray closing tag and &nbsp;") << u"a</a>b&nbsp;c&NBSP;"_qs << u"abc"_qs;
    QTest::newRow("an unclosed link stays") << u"a<a href=x>b"_qs << u"a<a href=x>b"_qs;
    QTest::newRow("text after the last link stays") << u"<TD><A href=x>1</A></TD><TD>2</TD>"_qs << u"<TD></TD><TD>2</TD>"_qs;
}

void TestExportModel::strip_links()
{
    QFETCH(QString, html);
    QFETCH(QString, stripped);
    QCOMPARE(reports::strip_links(html), stripped);
}

QTEST_GUILESS_MAIN(TestExportModel)
#include "test_export_model.moc"
