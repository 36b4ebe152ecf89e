// The login screen's rules without widgets: the three reply parsers, the
// forbidden words and the port rule.
#include "login/login_rules.h"
#include "login/lookup_replies.h"
#include "net/page_channel.h"
#include "protocol/gbk.h"
#include "protocol_examples.h"
#include "recorders.h"

#include <QTest>

using namespace login;

namespace {
// An example's reply as the client reads it: GBK bytes shown as inner HTML.
QString shown(const QString& example)
{
    const auto e = testsupport::protocol_example(example);
    return net::present_as_inner_html(protocol::gbk_bytes(e.reply), QStringLiteral("GBK"));
}
}  // namespace

class LoginRulesTest : public QObject {
    Q_OBJECT

private slots:
    void schoolReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("noMatch");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one") << QStringLiteral("School_Name8762349;7,实验中学;remote=x;8.5;") << true << "8.5" << false
                             << QStringList{"7"} << QStringList{"实验中学"};
        QTest::newRow("three, trimmed") << QStringLiteral("  School_Name8762349;1,一中;2,二中;3,三中;  remote=x;9.1;tail")
                                        << true << "9.1" << false << QStringList{"1", "2", "3"}
                                        << QStringList{"一中", "二中", "三中"};
        QTest::newRow("marker only") << QStringLiteral("School_Name8762349;remote=x;8.5;") << true << "8.5" << true
                                     << QStringList{} << QStringList{};
        QTest::newRow("no marker") << QStringLiteral("无法显示网页") << false << "" << false << QStringList{} << QStringList{};
        QTest::newRow("missing fields") << QStringLiteral("School_Name8762349;abc;;remote=") << true << "" << false
                                        << QStringList{"abc", ""} << QStringList{"", ""};
        // Read as inner HTML: "A&B" arrives as "A&amp;B", whose ";" ends no record.
        QTest::newRow("entity in a name") << QStringLiteral("School_Name8762349;4,A&amp;B中学;5,&lt;二中&gt;;remote=x;8.5;")
                                          << true << "8.5" << false << QStringList{"4", "5"}
                                          << QStringList{"A&B中学", "<二中>"};
    }
    void schoolReply()
    {
        QFETCH(QString, text);
        QFETCH(bool, marker);
        QFETCH(QString, version);
        QFETCH(bool, noMatch);
        QFETCH(QStringList, ids);
        QFETCH(QStringList, names);
        const SchoolReply r = parse_school_reply(text);
        QCOMPARE(r.marker, marker);
        QCOMPARE(r.version, version);
        QCOMPARE(r.noMatch, noMatch);
        QStringList gotIds, gotNames;
        for (const auto& rec : r.records) {
            gotIds << rec.id;
            gotNames << rec.name;
        }
        QCOMPARE(gotIds, ids);
        QCOMPARE(gotNames, names);
    }

    void schoolReplyWithoutVersionKeepsNone()
    {
        const SchoolReply r = parse_school_reply(QStringLiteral("School_Name8762349;1,a;"));
        QVERIFY(!r.hasVersion);
        QCOMPARE(r.records.size(), 1);
    }

    // Raw server text as the page channel presents it, then parsed: names
    // with "&" come out as sent, records as many as sent.
    void rawNamesWithAmpersand()
    {
        const auto shown = [](const char* raw) { return net::present_as_inner_html(QByteArray(raw), "GBK"); };
        const SchoolReply s = parse_school_reply(shown("School_Name8762349;1,R&D;2,A&B;3,C;remote=x;8.5;"));
        QCOMPARE(s.records.size(), 3);
        QCOMPARE(s.records.at(0).name, QStringLiteral("R&D"));
        QCOMPARE(s.records.at(1).name, QStringLiteral("A&B"));
        QCOMPARE(parse_teacher_reply(shown("JS87623491,AT&T;2,Li;")).names, (QStringList{"AT&T", "Li"}));
    }

    void schoolTableHoldsFiftyOne()
    {
        QString text = QStringLiteral("School_Name8762349;");
        for (int i = 1; i <= 60; ++i)
            text += QStringLiteral("%1,学校%1;").arg(i);
        const SchoolReply r = parse_school_reply(text + QStringLiteral("remote=x;8.5;"));
        QCOMPARE(r.records.size(), qsizetype(school_list_rows));
        QCOMPARE(r.records.last().name, QStringLiteral("学校51"));
        QCOMPARE(r.dropped, qsizetype(9));
    }

    void teacherReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("noMatch");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one") << QStringLiteral("JS8762349 12,张三;") << true << false << QStringList{"张三"};
        QTest::newRow("two") << QStringLiteral("JS87623491,张三;2,张珊;") << true << false << QStringList{"张三", "张珊"};
        QTest::newRow("marker only") << QStringLiteral(" JS8762349 ") << true << true << QStringList{};
        QTest::newRow("no marker") << QStringLiteral("1,张三;") << false << false << QStringList{};
        QTest::newRow("short record") << QStringLiteral("JS8762349x;") << true << false << QStringList{""};
        QTest::newRow("entity in a name") << QStringLiteral("JS87623491,A&amp;B;2,张三;") << true << false
                                          << QStringList{"A&B", "张三"};
    }
    void teacherReply()
    {
        QFETCH(QString, text);
        QFETCH(bool, marker);
        QFETCH(bool, noMatch);
        QFETCH(QStringList, names);
        const TeacherReply r = parse_teacher_reply(text);
        QCOMPARE(r.marker, marker);
        QCOMPARE(r.noMatch, noMatch);
        QCOMPARE(r.names, names);
    }

    void loginReply_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("userId");
        QTest::addColumn<QString>("name");
        QTest::newRow("accepted") << QStringLiteral("School_Name398685, 42 , 张三 ,x") << true << 42 << "张三";
        QTest::newRow("past 16 bits") << QStringLiteral("School_Name398685,40000,李四") << true << 40000 << "李四";
        QTest::newRow("no name") << QStringLiteral("School_Name398685,5") << true << 5 << "";
        QTest::newRow("entity in the name") << QStringLiteral("School_Name398685,6,A&amp;B,") << true << 6 << "A&B";
        QTest::newRow("no marker") << QStringLiteral("error,42,张三") << false << 0 << "";
        QTest::newRow("id not numeric") << QStringLiteral("School_Name398685,abc,张三") << false << 0 << "";
        QTest::newRow("id missing") << QStringLiteral("School_Name398685") << false << 0 << "";
        QTest::newRow("id fraction") << QStringLiteral("School_Name398685,4.5,张三") << false << 0 << "";
        QTest::newRow("id too big") << QStringLiteral("School_Name398685,99999999999,张三") << false << 0 << "";
    }
    void loginReply()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, userId);
        QFETCH(QString, name);
        const LoginReply r = parse_login_reply(text);
        QCOMPARE(r.accepted, accepted);
        QCOMPARE(r.userId, userId);
        QCOMPARE(r.name, name);
    }

    // The replies of the protocol examples, which the server's tests check.
    void lookupExamples_data()
    {
        QTest::addColumn<QString>("example");
        QTest::addColumn<bool>("noMatch");
        QTest::addColumn<QStringList>("records");  // "id|name" (schools), "name" (teachers)
        QTest::newRow("school list") << "school list" << false
                                     << QStringList{"1|第一中学", "2|实验中学", "3|育才中学"};
        QTest::newRow("school by initials") << "school by initials" << false << QStringList{"2|实验中学"};
        QTest::newRow("school by name") << "school by name" << false << QStringList{"3|育才中学"};
        QTest::newRow("school probe") << "school probe" << true << QStringList{};
        QTest::newRow("teacher list") << "teacher list" << false
                                      << QStringList{"张明", "李华", "王芳", "赵强", "陈静"};
        QTest::newRow("teacher by initials") << "teacher by initials" << false << QStringList{"赵强"};
        QTest::newRow("teacher no match") << "teacher no match" << true << QStringList{};
    }
    void lookupExamples()
    {
        QFETCH(QString, example);
        QFETCH(bool, noMatch);
        QFETCH(QStringList, records);
        QStringList got;
        if (example.startsWith(QLatin1String("school"))) {
            const SchoolReply r = parse_school_reply(shown(example));
            QVERIFY(r.marker);
            QVERIFY(r.hasVersion);
            QCOMPARE(r.version, QStringLiteral("8.5"));
            QCOMPARE(r.noMatch, noMatch);
            for (const auto& rec : r.records)
                got << rec.id + u'|' + rec.name;
        } else {
            const TeacherReply r = parse_teacher_reply(shown(example));
            QVERIFY(r.marker);
            QCOMPARE(r.noMatch, noMatch);
            got = r.names;
        }
        QCOMPARE(got, records);
    }

    void loginExamples()
    {
        const LoginReply ok = parse_login_reply(shown("login"));
        QVERIFY(ok.accepted);
        QCOMPARE(ok.userId, 1);
        QCOMPARE(ok.name, QStringLiteral("张明"));
        QVERIFY(!parse_login_reply(shown("login refused")).accepted);
    }

    void forbiddenWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("clean") << "zhang3" << QStringList{};
        QTest::newRow("capital passes") << "Insert Select" << QStringList{};
        QTest::newRow("two in order") << "selectinto" << QStringList{"select", "into"};
        QTest::newRow("all five") << "deleteinsertintoselectupdate"
                                  << QStringList{"update", "select", "into", "insert", "delete"};
    }
    void forbiddenWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        QCOMPARE(forbidden_words_in(text), found);
        testsupport::RecordingDialogs dialogs;
        QCOMPARE(check_sql_str(text, dialogs), found.isEmpty());
        QCOMPARE(dialogs.messages.size(), found.size());
    }

    void port_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("check");
        const int nn = int(PortCheck::NotNumeric), bad = int(PortCheck::Refused), ok = int(PortCheck::Valid);
        QTest::newRow("empty") << "" << nn;
        QTest::newRow("letters") << "80a" << nn;
        QTest::newRow("8") << "8" << bad;
        QTest::newRow("79") << "79" << bad;
        QTest::newRow("80") << "80" << ok;
        QTest::newRow("65535") << "65535" << ok;
        QTest::newRow("65536") << "65536" << bad;
        QTest::newRow("fraction") << "80.5" << bad;
        QTest::newRow("blank") << " 8080" << bad;
        QTest::newRow("exponent") << "8e3" << bad;
        QTest::newRow("huge") << "9999999999999" << bad;
    }
    void port()
    {
        QFETCH(QString, text);
        QFETCH(int, check);
        QCOMPARE(int(check_port(text)), check);
    }
};

QTEST_GUILESS_MAIN(LoginRulesTest)
#include "test_login_rules.moc"
