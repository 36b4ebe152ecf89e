// The exam-list and subject replies read into rows, and the confirm rule.
#include "app/session.h"
#include "exams/exam_choice.h"
#include "exams/exam_replies.h"
#include "net/page_channel.h"
#include "protocol/gbk.h"
#include "protocol_examples.h"

#include <QTest>

class ExamRepliesTest : public QObject {
    Q_OBJECT

private slots:
    void examList_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QStringList>("rows");  // "id|name|state"

        QTest::newRow("two records and trailer")
            << QStringLiteral("12,期末考试,x,1;13,月考,x,2;ks_name;") << true
            << QStringList{QStringLiteral("12|期末考试|1"), QStringLiteral("13|月考|2")};
        QTest::newRow("no marker") << QStringLiteral("12,期末考试,x,1;;") << false << QStringList{};
        QTest::newRow("empty") << QString() << false << QStringList{};
        QTest::newRow("marker only") << QStringLiteral("ks_name;") << true << QStringList{};
        QTest::newRow("separators only") << QStringLiteral(";;;,,,;ks_name;;;") << true << QStringList{};
        // Without the final ";" the marker piece is one of the last two and
        // the record before it is the trailer.
        QTest::newRow("no final separator") << QStringLiteral("12,a,x,1;ks_name") << true << QStringList{};
        QTest::newRow("short record") << QStringLiteral("12,a;ks_name;") << true << QStringList{QStringLiteral("12|a|")};
        QTest::newRow("blank and non-numeric ids left out")
            << QStringLiteral(";abc,b,x,1;,c,x,1;7,d,x,1;ks_name;") << true << QStringList{QStringLiteral("7|d|1")};
        QTest::newRow("entities in a name")
            << QStringLiteral("5,A&amp;B &lt;1&gt; &#20013;&#x6587; &bogus; &amp,x,1;ks_name;") << true
            << QStringList{QStringLiteral("5|A&B <1> 中文 &bogus; &amp|1")};
        QTest::newRow("marker inside a name") << QStringLiteral("5,ks_name,x,1;t;") << true
                                              << QStringList{QStringLiteral("5|ks_name|1")};
    }

    void examList()
    {
        QFETCH(QString, reply);
        QFETCH(bool, marker);
        QFETCH(QStringList, rows);
        const exams::ExamListReply r = exams::parse_exam_list(reply);
        QCOMPARE(r.hasMarker, marker);
        QStringList got;
        for (const auto& e : r.exams)
            got << e.id + u'|' + e.name + u'|' + e.state;
        QCOMPARE(got, rows);
    }

    void subjects_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QStringList>("subjects");  // "id|name"

        QTest::newRow("one subject, marker trailer")
            << QStringLiteral("3,语文;Studen_Number=60;") << true << QStringList{QStringLiteral("3|语文")};
        QTest::newRow("combined paper")
            << QStringLiteral("999,0;Studen_Number=60;") << true << QStringList{QStringLiteral("999|综合[多科合卷]")};
        QTest::newRow("several in record order")
            << QStringLiteral("4,数学;3,语文;Studen_Number;") << true
            << QStringList{QStringLiteral("4|数学"), QStringLiteral("3|语文")};
        QTest::newRow("no marker") << QStringLiteral("3,语文;") << false << QStringList{};
        QTest::newRow("empty") << QString() << false << QStringList{};
        QTest::newRow("ids that are no subject")
            << QStringLiteral("x,a;0,b;-2,c;1.5,d;99999999999,e;,f;;5,g;Studen_Number;") << true
            << QStringList{QStringLiteral("5|g")};
        QTest::newRow("entity in a subject name") << QStringLiteral("3,语文&amp;作文;Studen_Number;") << true
                                                  << QStringList{QStringLiteral("3|语文&作文")};
        QTest::newRow("999 with a real name stays") << QStringLiteral("999,理综;Studen_Number;") << true
                                                    << QStringList{QStringLiteral("999|理综")};
    }

    void subjects()
    {
        QFETCH(QString, reply);
        QFETCH(bool, marker);
        QFETCH(QStringList, subjects);
        const exams::SubjectReply r = exams::parse_subject_list(reply);
        QCOMPARE(r.hasMarker, marker);
        QStringList got;
        for (const auto& s : r.subjects)
            got << QString::number(s.id) + u'|' + s.name;
        QCOMPARE(got, subjects);
    }

    // The replies of the protocol examples, which the server's tests check,
    // read as the client reads them: GBK bytes shown as inner HTML.
    void examples()
    {
        const auto shown = [](const char* example) {
            const auto e = testsupport::protocol_example(QString::fromUtf8(example));
            return net::present_as_inner_html(protocol::gbk_bytes(e.reply), QStringLiteral("GBK"));
        };
        const exams::ExamListReply list = exams::parse_exam_list(shown("exam list"));
        QVERIFY(list.hasMarker);
        QCOMPARE(list.exams.size(), 1);
        QCOMPARE(list.exams.first().id, QStringLiteral("1"));
        QCOMPARE(list.exams.first().name, QStringLiteral("2026年秋季期末考试"));
        QCOMPARE(list.exams.first().state, QStringLiteral("1"));
        const exams::ExamListReply none = exams::parse_exam_list(shown("exam list empty"));
        QVERIFY(none.hasMarker);
        QVERIFY(none.exams.isEmpty());

        const exams::SubjectReply marked = exams::parse_subject_list(shown("subjects by question"));
        QVERIFY(marked.hasMarker);
        QCOMPARE(marked.subjects.size(), 2);
        QCOMPARE(marked.subjects.at(0).id, 1);
        QCOMPARE(marked.subjects.at(0).name, QStringLiteral("语文"));
        QCOMPARE(marked.subjects.at(1).id, 2);
        const exams::SubjectReply byClass = exams::parse_subject_list(shown("subjects by class"));
        QCOMPARE(byClass.subjects.size(), 2);
        QCOMPARE(byClass.subjects.at(0).id, 2);
        QCOMPARE(byClass.subjects.at(0).name, QStringLiteral("数学"));
    }

    void hugeReplies()
    {
        QString exams;
        for (int i = 1; i <= 20000; ++i)
            exams += QStringLiteral("%1,考试%1,x,1;").arg(i);
        const QString longName(300000, QChar(u'名'));
        exams += QStringLiteral("7,") + longName + QStringLiteral(",x,2;ks_name;");
        const auto list = exams::parse_exam_list(exams);
        QCOMPARE(list.exams.size(), 20001);
        QCOMPARE(list.exams.last().name.size(), longName.size());

        const auto subjects = exams::parse_subject_list(QString(500000, QChar(u';')) + QStringLiteral("Studen_Number;"));
        QVERIFY(subjects.hasMarker);
        QVERIFY(subjects.subjects.isEmpty());
    }

    void choiceComplete_data()
    {
        QTest::addColumn<QString>("ksId");
        QTest::addColumn<int>("kmId");
        QTest::addColumn<int>("workId");
        QTest::addColumn<bool>("complete");
        QTest::newRow("all chosen") << "12" << 3 << 1 << true;
        QTest::newRow("no exam") << "0" << 3 << 1 << false;
        QTest::newRow("exam not a number") << "" << 3 << 1 << false;
        QTest::newRow("no subject") << "12" << 0 << 1 << false;
        QTest::newRow("no step") << "12" << 3 << 0 << false;
    }

    void choiceComplete()
    {
        QFETCH(QString, ksId);
        QFETCH(int, kmId);
        QFETCH(int, workId);
        QFETCH(bool, complete);
        app::Session s;
        s.ks_id = ksId;
        s.KM_id = kmId;
        s.WORK_id = workId;
        QCOMPARE(exams::choice_complete(s), complete);
    }
};

QTEST_GUILESS_MAIN(ExamRepliesTest)
#include "test_exam_replies.moc"
