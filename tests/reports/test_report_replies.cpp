// The report screen's requests and the answer-sheet reply, against the
// protocol examples the reference server is tested with, and the cache
// name of a piece.
#include "app/session.h"
#include "protocol_examples.h"
#include "reports/answer_sheet.h"
#include "reports/requests.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace reports;
using testsupport::protocol_example;

class ReportRepliesTest : public QObject {
    Q_OBJECT
private slots:
    void pieceFileName_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("name");
        QTest::newRow("six elements: element 5") << "D:\\web\\cj\\ks_img\\1_1\\26010101_13.txt,13,250,张明,3.5," << "26010101_13.gif";
        // Checked and written under the same name, whatever the depth.
        QTest::newRow("deeper path: the last element") << "D:\\a\\b\\c\\d\\e\\f\\2601_14.txt,14,9,x,1," << "2601_14.gif";
        QTest::newRow("shallow path") << "2601_15.txt,15,9,x,1," << "2601_15.gif";
        QTest::newRow("doubled separators") << "D:\\\\web\\\\2601_16.txt,16,9,x,1," << "2601_16.gif";
        QTest::newRow("a slash in the name") << "D:\\web\\..\\../x.txt,13,9,x,1," << "";
        QTest::newRow("dot-dot") << "D:\\web\\..,13,9,x,1," << "";
        QTest::newRow("empty last element") << "D:\\web\\,13,9,x,1," << "";
    }
    void pieceFileName()
    {
        QFETCH(QString, record);
        QFETCH(QString, name);
        QCOMPARE(piece_file_name(record), name);
    }

    void pieceRequestIsTheExample()
    {
        const auto e = protocol_example(QStringLiteral("answer sheet piece"));
        app::Session s;
        s.Server_URL = QStringLiteral("http://h:9090/");
        const QString record = QStringLiteral("D:\\web\\cj\\ks_img\\1_1\\26010101_13.txt,13,250,张明,3.5,");
        QCOMPARE(answer_piece_url(s, record), s.Server_URL + QStringLiteral("cj/") + e.page + u'?' + e.query);
    }

    void nothingMarkedShowsTheNotice()
    {
        QTemporaryDir dir;
        AnswerSheet sheet(dir.filePath(QStringLiteral("ks_data/1/1")));
        bool started = false;
        const auto step = sheet.begin(protocol_example(QStringLiteral("answer sheet, nothing marked")).reply, &started);
        QVERIFY(started);
        QVERIFY(step.done);
        QVERIFY(step.fetch.isEmpty());
        QVERIFY(step.markup.contains(kNothingMarked));
        QVERIFY(step.markup.startsWith(QStringLiteral("<table><tbody><tr><td><font size=4>26010101")));
        QVERIFY(QDir(dir.filePath(QStringLiteral("ks_data/1/1"))).exists());
    }

    void markedPieceIsFetchedThenShown()
    {
        QTemporaryDir dir;
        const QString cache = dir.filePath(QStringLiteral("ks_data/1/1"));
        AnswerSheet sheet(cache);
        QString reply = protocol_example(QStringLiteral("answer sheet")).reply;
        reply.replace(QStringLiteral("…"), QStringLiteral("250"));
        auto step = sheet.begin(reply);
        QVERIFY(!step.done);
        QCOMPARE(step.fetch, QStringLiteral("D:\\web\\cj\\ks_img\\1_1\\26010101_13.txt,13,250,张明,3.5,"));
        QVERIFY(sheet.fetching());

        // A reply that is not a JPEG skips the piece and ends the walk.
        AnswerSheet other(cache);
        other.begin(reply);
        step = other.imageReply(protocol_example(QStringLiteral("answer sheet piece not found")).reply);
        QVERIFY(step.done);
        QVERIFY(!step.markup.contains(QStringLiteral("<IMG")));

        // A JPEG is written under the cache name and shown at 250 - 40.
        const QString jpeg = QStringLiteral("/9j/4AAQSkZJRgABAQ==");
        step = sheet.imageReply(jpeg);
        QVERIFY(step.done);
        QVERIFY(QFile::exists(cache + QStringLiteral("/26010101_13.gif")));
        QVERIFY(step.markup.startsWith(QStringLiteral("<IMG src=") + cache + QStringLiteral("/26010101_13.gif><br>\r")));
        QVERIFY(step.markup.contains(QStringLiteral("top:210;left:500;")));
        QVERIFY(step.markup.contains(QStringLiteral(">13小题得:3.5 分，阅卷人:张明</div>")));
        QCOMPARE(sheet.runningTop(), 210);
        // A late image reply with nothing asked changes nothing.
        QVERIFY(sheet.imageReply(jpeg).markup.isEmpty());
    }

    void objectivePieceHasItsSecondBlock()
    {
        SheetPiece p = parse_piece(QStringLiteral("x\\2601_00.txt,00,300,系统,40,1:A 2:B"));
        QCOMPARE(piece_markup(p, QStringLiteral("/c/2601_00.gif"), 100),
                 QStringLiteral("<IMG src=/c/2601_00.gif><br>\r"
                                "<div style='position:absolute;top:100;left:500;z-index:10;font-size:36pt;color:red;"
                                "white-space:nowrap;'>客观题得:40 分，阅卷人:系统</div>"
                                "<div style='position:absolute;top:170;left:500;z-index:10;font-size:16pt;"
                                "white-space:nowrap;'>1:A 2:B</div>"));
        p.extra.clear();
        QVERIFY(!piece_markup(p, QStringLiteral("/c/2601_00.gif"), 100).contains(QStringLiteral("16pt")));
    }
};

QTEST_GUILESS_MAIN(ReportRepliesTest)
#include "test_report_replies.moc"
