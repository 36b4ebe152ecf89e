// The marking screen's pure rules: reply parsing, the list model, image
// names and replies, answer groups, the status box position.
#include "marking/answer_list_model.h"
#include "marking/buffer_rules.h"
#include "marking/image_cache.h"
#include "marking/requests.h"
#include "marking/saving.h"
#include "protocol_examples.h"
#include "app/session.h"
#include "marking/work_assignment.h"
#include "ui/status_box.h"

#include <QFile>
#include <QFrame>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace marking;

class MarkingRepliesTest : public QObject {
    Q_OBJECT
private slots:
    void assignment_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("tags");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("both markers: no_set wins") << "no_work no_set" << int(Assignment::NoSet) << QStringList() << QStringList();
        QTest::newRow("no_work") << "no_work" << int(Assignment::NoWork) << QStringList() << QStringList();
        QTest::newRow("questions") << "th,3,5," << int(Assignment::ByQuestion) << QStringList{"3", "5"}
                                   << QStringList{"第3题", "第5题"};
        QTest::newRow("question with |") << "th,3|x|y," << int(Assignment::ByQuestion) << QStringList{"3"} << QStringList{"第3题"};
        QTest::newRow("classes") << "bj,12|A,13|B," << int(Assignment::ByClass) << QStringList{"12", "13"}
                                 << QStringList{"A班", "B班"};
        QTest::newRow("unknown kind is by class") << "TH,12|A," << int(Assignment::ByClass) << QStringList{"12"} << QStringList{"A班"};
        QTest::newRow("class without a name") << "bj,12," << int(Assignment::ByClass) << QStringList{"12"} << QStringList{"班"};
        QTest::newRow("empty") << "" << int(Assignment::ByClass) << QStringList() << QStringList();
        QTest::newRow("empty items are no selectors") << "th,3,,|x, ,5,," << int(Assignment::ByQuestion)
                                                      << QStringList{"3", "5"} << QStringList{"第3题", "第5题"};
        QTest::newRow("class without an id") << "bj,|A,13|B," << int(Assignment::ByClass) << QStringList{"13"}
                                             << QStringList{"B班"};
    }
    void assignment()
    {
        QFETCH(QString, reply);
        QFETCH(int, kind);
        QFETCH(QStringList, tags);
        QFETCH(QStringList, captions);
        const Assignment a = parse_assignment(reply);
        QCOMPARE(int(a.kind), kind);
        QStringList gotTags, gotCaptions;
        for (const auto& s : a.items) {
            gotTags << s.tag;
            gotCaptions << s.caption;
        }
        QCOMPARE(gotTags, tags);
        QCOMPARE(gotCaptions, captions);
    }

    void workEnd_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("taskType");
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("rest");
        const QString recs = "0,8,45,12,540,300,2,16,3,0;41,9,张三,3,10,1001,0.001,0,1,12;";
        QTest::newRow("two questions") << recs + "work_end;3,5" << "TH" << "3,5"
                                       << "无法同时批阅 3,5题了，请单独批阅某试题。" << recs;
        QTest::newRow("one question done") << recs + "work_end;3" << "TH" << "3" << "第3题已上传的试题已批阅完成。" << recs;
        QTest::newRow("class done") << recs + "work_end;12" << "BJ" << "12" << "A班已上传的试题已批阅完成。" << recs;
        QTest::newRow("nothing uploaded yet") << "work_end;3" << "TH" << "3" << "第3题图片还没有上传，请等待。" << "";
        QTest::newRow("class not uploaded") << "work_end;12" << "BJ" << "12" << "A班图片还没有上传，请等待。" << "";
        QTest::newRow("blanks around the selection") << recs + "work_end; 3 " << "TH" << "3" << "第3题已上传的试题已批阅完成。" << recs;
        QTest::newRow("work_end without ;") << recs + "work_end" << "TH" << "7" << "第7题已上传的试题已批阅完成。" << recs;
    }
    void workEnd()
    {
        QFETCH(QString, reply);
        QFETCH(QString, taskType);
        QFETCH(QString, selection);
        QFETCH(QString, status);
        QFETCH(QString, rest);
        // "7" is the screen's current selection, named when the trailer has none.
        const WorkEnd e = parse_work_end(reply, "7");
        QVERIFY(e.present);
        QCOMPARE(e.finished, selection);
        QCOMPARE(work_end_status(e, taskType, "A班"), status);
        QCOMPARE(e.rest, rest);
    }

    void batchRows()
    {
        const Batch b = parse_batch("0,8,45,12,540,300,2,16,3,1;"
                                    "41,9,张三,3,10,1001,0.001,0,1,12;"
                                    "42,9,张三,5,8,1001,0,1,1,12;"
                                    "43,10,李四,3,10,1002,abc,0;");
        QVERIFY(b.hasProgress);
        QCOMPARE(b.progress, QString("0,8,45,12,540,300,2,16,3,1"));
        QCOMPARE(b.rows.size(), 3);
        QCOMPARE(b.rows.at(0), (QStringList{"1", "3", "10", "", "张三", "1001", "41", "0", "9", "0", "1", "12"}));
        QCOMPARE(b.rows.at(1).at(3), QString("0"));
        QCOMPARE(b.rows.at(2).at(3), QString("abc"));   // not a number: shown as it stands
        QCOMPARE(b.rows.at(2).at(10), QString(""));     // short record: missing fields empty
        QVERIFY(parse_batch("0,8,45,12,540,300,2,16,3,0;").rows.isEmpty());
        QVERIFY(!parse_batch("").hasProgress);
        QVERIFY(!parse_batch("garbage").hasProgress);
    }

    void workedRows()
    {
        const auto rows = parse_worked("41,9,张三,3,10,1001,7.5,1,2026-12-10 08:00,1,12;");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0), (QStringList{"1", "3", "10", "7.5", "1001", "张三", "2026-12-10 08:00", "1", "9", "41", "1", "12"}));
        QVERIFY(parse_worked("no records").isEmpty());
    }

    void listModel()
    {
        AnswerListModel m(ListKind::Buffer);
        QCOMPARE(m.columns(), 12);
        QCOMPARE(m.column(Col::Score), 4);
        QCOMPARE(m.column(Col::MarkedAt), 0);  // the buffer list has no marking time
        // The worked list spells and places the same columns its own way.
        AnswerListModel w(ListKind::Worked);
        QCOMPARE(w.header(w.column(Col::CjId)), QString("CJ_ID"));
        QCOMPARE(m.header(m.column(Col::CjId)), QString("cj_id"));
        QCOMPARE(w.column(Col::Candidate), 5);
        QCOMPARE(m.column(Col::Candidate), 6);
        m.appendRow({"1", "3"});
        m.setText(1, marking::Col::Downed, "1");
        QCOMPARE(m.text(1, marking::Col::Downed), QString("1"));
        QCOMPARE(m.text(1, marking::Col::Question), QString("3"));
        QCOMPARE(m.text(2, marking::Col::Question), QString());  // no such row
        m.setText(5, marking::Col::Downed, "1");              // ignored
        QCOMPARE(m.width(5), 1000);
        QCOMPARE(m.hidden(7), true);
    }

    // Many rows marked at once are one change to the views, spanning only
    // the rows that changed; rows out of range are passed over.
    void listModelManyRows()
    {
        AnswerListModel m(ListKind::Buffer);
        for (int i = 0; i < 5; ++i)
            m.appendRow({QString::number(i + 1)});
        m.setText(2, Col::Downed, "1");
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        m.setTexts({2, 3, 4, 9, 0}, Col::Downed, "1");
        QCOMPARE(changed.size(), 1);
        const int col = m.column(Col::Downed) - 1;
        QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(2, col));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), m.index(3, col));
        for (int row = 1; row <= 5; ++row)
            QCOMPARE(m.text(row, Col::Downed), QString(row >= 2 && row <= 4 ? "1" : ""));
        m.setTexts({2, 3}, Col::Downed, "1");  // nothing new: no change told
        QCOMPARE(changed.size(), 1);
    }

    void imageNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("missing");
        QTest::newRow("name and blank kept") << "img_txt_file:12\\1001_3.txt not find!" << "12\\1001_3.txt ";
        QTest::newRow("no not find!") << "img_txt_file:12\\1001_3.txt" << "未知文件";
        QTest::newRow("no marker") << "nothing here" << "未知文件";
        QTest::newRow("nothing between") << "img_txt_file not find!" << "";
    }
    void imageNames()
    {
        QFETCH(QString, text);
        QFETCH(QString, missing);
        QCOMPARE(img_txt_missing(text), missing);
    }

    void imageReplyAndRefs()
    {
        const ImageReply r = parse_image_reply("TWFu,,,,,tail");
        QVERIFY(r.hasSeparator);
        QCOMPARE(r.data, QString("TWFu"));
        QVERIFY(!r.notFound);
        QVERIFY(!parse_image_reply("TWFu,,,,").hasSeparator);
        QVERIFY(parse_image_reply("img_txt_file:x not find!,,,,,").notFound);
        QCOMPARE(server_ref("12", "1001", "3"), QString("12\\1001_3.txt"));
        QCOMPARE(image_name_of_ref("12\\1001_3.txt"), QString("1001_3.gif"));
        QCOMPARE(not_found_message("img_txt_file:a not find!"), QString("在服务器中没有找到此试题的图片文件[Server img_txt_file: a ]"));
    }

    void cachePaths()
    {
        QTemporaryDir dir;
        ImageCache c(dir.path(), "7", 2);
        QVERIFY(c.make_cache_dirs());
        QCOMPARE(c.folder(), dir.path() + "/ks_data/7/2");
        QCOMPARE(c.path_of("1001_3.gif"), dir.path() + "/ks_data/7/2/1001_3.gif");
        QCOMPARE(c.path_of("../1001_3.gif"), QString());
        QCOMPARE(c.path_of("a/b.gif"), QString());
        QCOMPARE(c.path_of("a\\b.gif"), QString());
        ImageCache bad(dir.path(), "../x", 2);
        QVERIFY(!bad.valid());
        QVERIFY(!bad.make_cache_dirs());
        QCOMPARE(bad.path_of("1001_3.gif"), QString());
    }

    void usableFile_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("50 bytes: fetched again") << 50 << false;
        QTest::newRow("51 bytes: used") << 51 << true;
        QTest::newRow("missing") << -1 << false;
    }
    void usableFile()
    {
        QFETCH(int, bytes);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString path = dir.filePath("a_1.gif");
        if (bytes >= 0) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(bytes, 'x'));
        }
        QCOMPARE(img_file_ok(path), ok);
    }

    // The marking pages' examples, as the server writes them: the screen's
    // requests are built as the examples ask, and its parsers read the replies.
    void protocolExamples()
    {
        using testsupport::protocol_example;
        app::Session s;
        s.Server_URL = QStringLiteral("http://h/");
        s.ks_id = QStringLiteral("1");
        s.KM_id = 1;
        s.User_ID = 1;
        QCOMPARE(get_work_url(s), "http://h/" + protocol_example("work by question").target());
        QCOMPARE(user_work_url(s, "13,14"), "http://h/" + protocol_example("batch").target());
        QCOMPARE(user_worked_url(s), "http://h/" + protocol_example("worked list").target());
        QCOMPARE(down_st_url(s, "1", "1\\26010101_13.txt"), "http://h/" + protocol_example("image").target());

        const Assignment byQuestion = parse_assignment(protocol_example("work by question").reply);
        QCOMPARE(byQuestion.kind, Assignment::ByQuestion);
        QCOMPARE(byQuestion.items.size(), 2);
        QCOMPARE(byQuestion.items.at(1).caption, QString("第14题"));
        const Assignment byClass = parse_assignment(protocol_example("work by class").reply);
        QCOMPARE(byClass.kind, Assignment::ByClass);
        QCOMPARE(byClass.items.at(1).tag, QString("2"));
        QCOMPARE(parse_assignment(protocol_example("no work").reply).kind, Assignment::NoWork);
        QCOMPARE(parse_assignment(protocol_example("no work set").reply).kind, Assignment::NoSet);

        const Batch batch = parse_batch(protocol_example("batch").reply);
        QVERIFY(batch.hasProgress);
        QCOMPARE(batch.rows.size(), 20);
        AnswerListModel list(ListKind::Buffer);
        list.appendRow(batch.rows.first());
        QCOMPARE(list.text(1, Col::Candidate), QString("26010101"));
        QCOMPARE(list.text(1, Col::Question), QString("13"));
        QCOMPARE(list.text(1, Col::FullMark), QString("4"));
        QCOMPARE(list.text(1, Col::Score), QString());  // "0.001": not scored yet
        QCOMPARE(list.text(1, Col::WorkId), QString("1"));
        const WorkEnd end = parse_work_end(protocol_example("batch last").reply, "15");
        QVERIFY(end.present && end.recordsBefore);
        QCOMPARE(end.finished, QString("15"));
        QCOMPARE(parse_batch(end.rest).rows.size(), 6);

        QCOMPARE(parse_worked(protocol_example("worked list").reply).size(), 2);
        const ImageReply missing = parse_image_reply(protocol_example("image not found").reply);
        QVERIFY(missing.notFound);
        QCOMPARE(img_txt_missing(missing.data), QString("3\\26010101_13.txt "));  // up to "not find!"
        QCOMPARE(saved_ids_in(protocol_example("save").reply), std::optional<QStringList>(QStringList{"3", "8"}));
        QCOMPARE(marking::mark_saved(protocol_example("auto save").reply), std::optional<QStringList>(QStringList{"3", "8"}));
    }

    void groups()
    {
        AnswerListModel m(ListKind::Buffer);
        // 行号,题号,满分,得分,姓名,考号,work_id,flag,cj_id,downed,xx_id,BJ_ID
        m.appendRow({"1", "5", "8", "", "甲", "1000", "40", "0", "8", "0", "1", "12"});  // group cut off at the top
        m.appendRow({"2", "3", "10", "", "乙", "1001", "41", "0", "9", "0", "1", "12"});
        m.appendRow({"3", "5", "8", "", "乙", "1001", "42", "0", "9", "0", "1", "12"});
        m.appendRow({"4", "3", "10", "", "丙", "1002", "43", "0", "10", "0", "1", "12"});  // cut short at the end

        const AnswerGroup g = group_for_click(m, 3, "3,5");
        QVERIFY(g.complete);
        QCOMPARE(g.first, 2);
        QCOMPARE(g.refs, (QStringList{"12\\1001_3.txt", "12\\1001_5.txt"}));
        QCOMPARE(g.names, (QStringList{"1001_3.gif", "1001_5.gif"}));
        QVERIFY(!group_for_click(m, 1, "3,5").complete);  // no first question above
        QVERIFY(!group_for_click(m, 4, "3,5").complete);  // group cut short
        QVERIFY(!group_at(m, 3, "3,5").complete);         // not the group's first row
        QVERIFY(group_at(m, 2, "3,5").complete);
        QCOMPARE(group_at(m, 1, "5").names, QStringList{"1000_5.gif"});
        QVERIFY(!group_at(m, 0, "5").complete);
        QVERIFY(!group_at(m, 9, "5").complete);
    }

    void doneLabel()
    {
        QCOMPARE(done_label("已传试题:16道；完成量:3道", 5), QString("已传试题:16道；完成量:5道"));
        QCOMPARE(done_label("", 5), QString(""));
    }

    void statusBoxPosition()
    {
        QCOMPARE(ui::StatusBox::position(QRect(300, 50, 800, 600), 500), QPoint(400, 200));
        QWidget host;
        host.resize(1400, 900);
        ui::StatusBox box(&host);
        box.frame()->resize(500, 60);
        box.show_status(true, "正在读取", QRect(300, 50, 800, 600));
        QCOMPARE(box.frame()->pos(), QPoint(400, 200));
        QCOMPARE(box.shadow()->pos(), QPoint(410, 210));
        QCOMPARE(box.shadow()->size(), box.frame()->size());
        QVERIFY(box.isShown());
        QCOMPARE(box.text(), QString("正在读取"));
        box.show_status(false, " ", QRect(0, 0, 100, 100));
        QVERIFY(!box.isShown());
        QVERIFY(box.shadow()->isHidden());
    }
};

QTEST_MAIN(MarkingRepliesTest)
#include "test_marking_replies.moc"
