// The report pages of the reference server: who sees which students, and
// the figures of a small known state read back from the tables.
#include "demo_data.h"
#include "server_fixture.h"

#include <QRegularExpression>
#include <QTest>

namespace {

// The rows of a page's tables as lists of cell texts (links and tags taken out).
QList<QStringList> rows(const QString& html)
{
    static const QRegularExpression row(QStringLiteral("<TR>(.*?)</TR>"));
    static const QRegularExpression cell(QStringLiteral("<TD[^>]*>(.*?)</TD>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QList<QStringList> out;
    for (auto r = row.globalMatch(html); r.hasNext();) {
        const QString inner = r.next().captured(1);
        QStringList cells;
        for (auto c = cell.globalMatch(inner); c.hasNext();)
            cells << c.next().captured(1).remove(tag);
        out << cells;
    }
    return out;
}

QStringList rowStarting(const QList<QStringList>& table, const QString& first)
{
    for (const QStringList& r : table)
        if (r.value(0) == first) return r;
    return {};
}

std::string report(const char* page, int teacher, int school, const char* more = "")
{
    return std::string("cj/") + page + "?ks_id=1&km_id=1&xx_id=" + std::to_string(school)
           + "&u_id=" + std::to_string(teacher) + more;
}

}  // namespace

class ServerReportsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestServer> t;

private slots:
    void init()
    {
        t = std::make_unique<TestServer>();
        // Two answers of 语文 13 (full mark 4) marked: 4 and 2.
        t->server().exec_sql(
            "INSERT INTO scores(answer_id, teacher_id, score, marked_at) SELECT a.id, 1, "
            "CASE st.kh WHEN '26010101' THEN 4 ELSE 2 END, 1000 FROM answers a JOIN results r ON r.id = a.result_id "
            "JOIN students st ON st.id = r.student_id JOIN questions qu ON qu.id = a.question_id "
            "WHERE r.subject_id = 1 AND qu.number = '13' AND st.kh IN ('26010101', '26010102')");
    }
    void cleanup() { t.reset(); }

    void scope_data()
    {
        QTest::addColumn<int>("teacher");
        QTest::addColumn<int>("school");
        QTest::addColumn<int>("students");
        QTest::newRow("teacher of the school") << velmora::demo::kZhangMing << 1 << 66;
        QTest::newRow("teacher of a school without students") << 6 << 2 << 0;
        // (A report of a school not the teacher's own is refused: the
        // session's school is the one the client asks for.)
        QTest::newRow("subject leader") << velmora::demo::kChenJing << 1 << 66;
    }
    void scope()
    {
        QFETCH(int, teacher);
        QFETCH(int, school);
        QFETCH(int, students);
        const Fetched f = t->get(report("cj_score.asp", teacher, school));
        QCOMPARE(f.status, 200);
        QVERIFY(f.content_type.find("GBK") != std::string::npos);
        QCOMPARE(rows(f.text).size() - 1, students);  // one header row
    }

    void secondSubject()
    {
        // 数学 (subject 2) of exam 1: its own questions, 8 objective and 5 written.
        const auto table = rows(t->text("cj/cj_stnd.asp?ks_id=1&km_id=2&xx_id=1&u_id=1"));
        QCOMPARE(table.size(), 2 + 13);
        QCOMPARE(rowStarting(table, "13").value(2), QStringLiteral("14"));
    }

    void questionFigures()
    {
        const auto table = rows(t->text(report("cj_shitifs.asp", velmora::demo::kZhangMing, 1)));
        // F, n, mean, standard deviation, highest, full marks, zeros, rate
        QCOMPARE(rowStarting(table, "13"), (QStringList{"13", "4", "2", "3.00", "1.00", "4", "1", "0", "75.00%"}));
        QCOMPARE(rowStarting(table, "14").mid(1, 3), (QStringList{"6", "0", "0.00"}));
        const auto difficulty = rows(t->text(report("cj_stnd.asp", velmora::demo::kZhangMing, 1)));
        QCOMPARE(rowStarting(difficulty, "13"), (QStringList{"13", "主观题", "4", "3.00", "0.75", "容易"}));
        QCOMPARE(rowStarting(difficulty, "14").last(), QStringLiteral("未阅"));
    }

    void progress()
    {
        const auto table = rows(t->text("cj/cj_working.asp?ks_id=1&km_id=1&u_id=1"));
        QCOMPARE(rowStarting(table, "13").mid(0, 6), (QStringList{"13", "4", "66", "2", "64", "3.03%"}));
        QCOMPARE(rowStarting(table, "张明").mid(0, 2), (QStringList{"张明", "2"}));
    }

    void objectiveAnswersAddUp()
    {
        const auto table = rows(t->text(report("cj_answer.asp", velmora::demo::kZhangMing, 1)));
        const QStringList q1 = rowStarting(table, "1");
        QCOMPARE(q1.value(1), QStringLiteral("A"));
        int chosen = 0;
        for (int i = 2; i <= 6; ++i) chosen += q1.value(i).toInt();
        QCOMPARE(chosen, 66);  // single choice: every student once
        QCOMPARE(q1.value(7), QStringLiteral("66"));
    }

    void rankingHeadersAndClasses()
    {
        const auto ranking = rows(t->text(report("cj_mc.asp", velmora::demo::kZhangMing, 1)));
        QCOMPARE(ranking.value(1).mid(0, 5), (QStringList{"序号", "考号", "姓名", "班级", "总分"}));
        QCOMPARE(ranking.value(2), (QStringList{"得分", "名次", "得分", "名次", "得分", "名次"}));
        QCOMPARE(ranking.value(3).value(5), QStringLiteral("1"));
        const auto classes = rows(t->text(report("cj_fx.asp", velmora::demo::kZhangMing, 1)));
        QCOMPARE(classes.size(), 2 + 3 + 1);  // title, header, three classes, all
        QCOMPARE(classes.last().mid(0, 2), (QStringList{"合计", "66"}));
        const auto bands = rows(t->text(report("cj_fsd.asp", velmora::demo::kZhangMing, 1)));
        QCOMPARE(bands.last().last(), QStringLiteral("66"));  // the running count ends with everyone
    }

    void answerSheets()
    {
        const QString list = t->text(report("cj_xsdtk.asp", velmora::demo::kZhangMing, 1));
        QVERIFY(!list.contains("Student_DTK"));
        QVERIFY(list.contains("cj_xsdtk.asp?ks_id=1&amp;km_id=1&amp;xx_id=1&amp;u_id=1&amp;xs_id="));
        QVERIFY(t->text(report("cj_xsdtk.asp", velmora::demo::kZhangMing, 1, "&xs_id=99999")).contains("没有这个学生"));
        QVERIFY(t->text(report("cj_xsdtk.asp", 6, 2, "&xs_id=1")).contains("没有这个学生"));  // not in scope
    }

    void pieceRequestsStayInTheStore_data()
    {
        QTest::addColumn<QString>("record");
        QTest::newRow("parent folders") << "D:\\web\\cj\\ks_img\\1_1\\..\\..\\26010101_13.txt,13,1,x,1,";
        QTest::newRow("no exam and subject") << "D:\\web\\cj\\ks_img\\x\\26010101_13.txt,13,1,x,1,";
        QTest::newRow("not a .txt") << "D:\\web\\cj\\ks_img\\1_1\\26010101_13.jpg,13,1,x,1,";
        QTest::newRow("another subject's exam") << "D:\\web\\cj\\ks_img\\2_1\\26010101_13.txt,13,1,x,1,";
        QTest::newRow("too short") << "26010101_13.txt";
    }
    void pieceRequestsStayInTheStore()
    {
        QFETCH(QString, record);
        QCOMPARE(t->text("cj/cj_dtk.asp?dtk=" + enc(record)), QStringLiteral("img_txt_file not find!"));
    }

    void badInputIsAPageError_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("no subject") << "cj/cj_fx.asp?ks_id=1&xx_id=1&u_id=1";
        QTest::newRow("subject of another exam") << "cj/cj_fx.asp?ks_id=2&km_id=1&xx_id=1&u_id=1";
        QTest::newRow("exam that does not exist") << "cj/cj_fx.asp?ks_id=9&km_id=2&xx_id=1&u_id=1";
        QTest::newRow("teacher not a number") << "cj/cj_mc.asp?ks_id=1&km_id=1&xx_id=1&u_id=x";
    }
    void badInputIsAPageError()
    {
        QFETCH(QString, target);
        const Fetched f = t->get(target.toStdString());
        QCOMPARE(f.status, 400);
        QVERIFY(f.text.contains("运行时错误"));
    }
};

QTEST_GUILESS_MAIN(ServerReportsTest)
#include "test_reports.moc"
