// The rules client and server share: which page an address is for, GBK and
// the form encoding both ways, records written and read back, and the
// examples file both sides are tested against.
#include "protocol/gbk.h"
#include "protocol/pages.h"
#include "protocol/records.h"
#include "protocol_examples.h"

#include <QTest>

using protocol::Page;

Q_DECLARE_METATYPE(Page)

class ProtocolRulesTest : public QObject {
    Q_OBJECT

private slots:
    void pageOf_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<Page>("page");
        QTest::newRow("login") << "http://h:9090/cj/net_login.asp?xx_id=1" << Page::Login;
        QTest::newRow("down_st is not down_sted") << "http://h/cj/net_down_st.asp?x=1" << Page::DownSt;
        QTest::newRow("down_sted") << "http://h/cj/net_down_sted.asp?x=1" << Page::DownSted;
        QTest::newRow("user_work is not user_worked") << "http://h/cj/net_user_work.asp" << Page::UserWork;
        // "net_user_worked.asp" holds no "net_user_work.asp": the dot differs.
        QTest::newRow("user_worked") << "http://h/cj/net_user_worked.asp" << Page::UserWorked;
        QTest::newRow("name in the query: the earlier page wins")
            << "http://h/cj/net_save_fs.asp?x=net_get_work.asp" << Page::GetWork;
        QTest::newRow("name in the host") << "http://net_get_school.asp:80/cj/net_login.asp" << Page::GetSchool;
        QTest::newRow("case counts") << "http://h/cj/NET_LOGIN.ASP" << Page::Unknown;
        QTest::newRow("report page") << "http://h/cj/cj_answer.asp?ks_id=1" << Page::CjAnswer;
        QTest::newRow("sheet piece, not the sheet") << "http://h/cj/cj_dtk.asp?dtk=a" << Page::CjDtk;
        QTest::newRow("not a page of ours") << "http://h/cj/cj_other.asp" << Page::Unknown;
        QTest::newRow("empty") << "" << Page::Unknown;
    }
    void pageOf()
    {
        QFETCH(QString, url);
        QFETCH(Page, page);
        QCOMPARE(protocol::page_of(url), page);
        const QList<Page> all = protocol::pages_in(url);
        QCOMPARE(all.isEmpty() ? Page::Unknown : all.first(), page);
    }

    void pagesInNamesEveryPageInOrder()
    {
        const QString both = QStringLiteral("http://h/cj/net_ks_km1.asp?a=net_ks_list.asp");
        QCOMPARE(protocol::pages_in(both), (QList<Page>{Page::KsList, Page::KsKm1}));
        QVERIFY(protocol::pages_in(QStringLiteral("http://h/cj/x.asp")).isEmpty());
    }

    void everyPageHasOneName()
    {
        QStringList names;
        for (int i = int(Page::Unknown) + 1; i <= int(Page::CjDtk); ++i) {
            const QString name = protocol::page_name(Page(i));
            QVERIFY2(!name.isEmpty(), qPrintable(QString::number(i)));
            QCOMPARE(protocol::page_of(QStringLiteral("http://h/cj/") + name + QStringLiteral("?a=1")), Page(i));
            names << name;
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), int(Page::CjDtk));
        QVERIFY(protocol::page_name(Page::Unknown).isEmpty());
    }

    void gbkBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << "ab 1" << QByteArray("ab 1");
        QTest::newRow("chinese") << QStringLiteral("张明") << QByteArray("\xD5\xC5\xC3\xF7");
        QTest::newRow("full-width comma") << QStringLiteral("，") << QByteArray("\xA3\xAC");
        QTest::newRow("empty") << "" << QByteArray();
        // One "?" per character GBK lacks, wherever it stands, and nothing
        // else of the text changed.
        QTest::newRow("lacking, alone") << QStringLiteral("😀") << QByteArray("?");
        QTest::newRow("lacking, between")
            << QStringLiteral("张😀明") << QByteArray("\xD5\xC5?\xC3\xF7");
        QTest::newRow("two lacking") << QStringLiteral("a😀😀b") << QByteArray("a??b");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u'a' << QByteArray("?a");
        QTest::newRow("high surrogate at the end") << u'a' + QString(QChar(0xD83D)) << QByteArray("a?");
    }
    void gbkBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(protocol::gbk_bytes(text), bytes);
    }

    void gbkTextRoundTrips()
    {
        const QString text = QStringLiteral("第一中学，高一(1)班 R&D; 李华 7.5分");
        QCOMPARE(protocol::from_gbk(protocol::gbk_bytes(text)), text);
        QCOMPARE(protocol::from_gbk(QByteArray()), QString());
    }

    void formDecode_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << QByteArray("abc") << QByteArray("abc");
        QTest::newRow("plus is a blank") << QByteArray("a+b") << QByteArray("a b");
        QTest::newRow("escaped plus") << QByteArray("a%2Bb") << QByteArray("a+b");
        QTest::newRow("lower-case hex") << QByteArray("%d5%c5") << QByteArray("\xD5\xC5");
        QTest::newRow("escaped NUL") << QByteArray("a%00b") << QByteArray("a\0b", 3);
        QTest::newRow("lone percent") << QByteArray("50%") << QByteArray("50%");
        QTest::newRow("one hex digit at the end") << QByteArray("%4") << QByteArray("%4");
        QTest::newRow("not hex") << QByteArray("%G1") << QByteArray("%G1");
        QTest::newRow("percent before an escape") << QByteArray("%%41") << QByteArray("%A");
        QTest::newRow("exactly one escape") << QByteArray("%41") << QByteArray("A");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void formDecode()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, bytes);
        QCOMPARE(protocol::form_decode(raw), bytes);
    }

    // What the client encodes, the server decodes to the same GBK bytes.
    void formEncodingRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("name") << QStringLiteral("欧阳 明+");
        QTest::newRow("password signs") << QStringLiteral("a&b=c%d#e?f+g h");
        QTest::newRow("separators") << QStringLiteral("13,14;\\|");
        QTest::newRow("every ASCII byte") << [] {
            QString s;
            for (char16_t c = 1; c < 128; ++c)
                s += QChar(c);
            return s;
        }();
    }
    void formEncodingRoundTrips()
    {
        QFETCH(QString, text);
        const QString sent = protocol::url_encode(text);
        for (const QChar c : sent)
            QVERIFY2(c.isLetterOrNumber() || c == u'%' || c == u'+', qPrintable(sent));
        QCOMPARE(protocol::form_decode(sent.toLatin1()), protocol::gbk_bytes(text));
    }

    void field_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << QStringLiteral("第一中学") << QStringLiteral("第一中学");
        QTest::newRow("separators") << QStringLiteral("联合,中学;") << QStringLiteral("联合，中学；");
        QTest::newRow("html") << QStringLiteral("R&D <b>") << QStringLiteral("R＆D ＜b＞");
        QTest::newRow("line breaks") << QStringLiteral("a\r\nb") << QStringLiteral("a  b");
        QTest::newRow("full-width stays") << QStringLiteral("，；") << QStringLiteral("，；");
        QTest::newRow("empty") << QString() << QString();
    }
    void field()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QCOMPARE(protocol::field(text), written);
    }

    // A written field reads back as one field of one record, whatever it held.
    void writtenRecordsReadBack()
    {
        const QStringList names{QStringLiteral("A&amp;B"), QStringLiteral("x;y,z"), QStringLiteral("<p>&lt;"),
                                QString(), QStringLiteral("\r\n")};
        QString reply;
        for (qsizetype i = 0; i < names.size(); ++i)
            reply += QString::number(i) + u',' + protocol::field(names.at(i)) + u';';
        const QStringList recs = protocol::records(reply);
        QCOMPARE(recs.size(), names.size());
        QCOMPARE(protocol::split_records(reply).size(), names.size() + 1);
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QStringList fields = protocol::split(recs.at(i), QStringLiteral(","));
            QCOMPARE(fields.size(), 2);
            QCOMPARE(fields.at(1), protocol::field(names.at(i)));
        }
    }

    void splitRecords_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("plain") << "1,a;2,b;" << QStringList{"1,a", "2,b", ""};
        QTest::newRow("named entity") << "1,A&amp;B;2,b;" << QStringList{"1,A&amp;B", "2,b", ""};
        QTest::newRow("numeric entities") << "&#20013;&#x6587;;x" << QStringList{"&#20013;&#x6587;", "x"};
        // Which is why the page channel shows a bare "&" as "&amp;".
        QTest::newRow("a bare R&D; reads as an entity") << "R&D;x" << QStringList{"R&D;x"};
        QTest::newRow("not an entity") << "a& b;c" << QStringList{"a& b", "c"};
        QTest::newRow("separators only") << ";;" << QStringList{"", "", ""};
    }
    void splitRecords()
    {
        QFETCH(QString, html);
        QFETCH(QStringList, pieces);
        QCOMPARE(protocol::split_records(html), pieces);
    }

    void examplesNameKnownPages()
    {
        const QList<testsupport::ProtocolExample> all = testsupport::protocol_examples();
        QVERIFY(all.size() > 10);
        for (const auto& e : all) {
            const Page page = protocol::page_of(e.page);
            QVERIFY2(page != Page::Unknown && protocol::page_name(page) == e.page, qPrintable(e.name));
            QVERIFY2(e.pattern == e.reply.contains(u'…'), qPrintable(e.name));
            QVERIFY2(e.matches(e.reply), qPrintable(e.name));
        }
    }

    void examplePatterns()
    {
        testsupport::ProtocolExample e;
        e.reply = QStringLiteral("/9j/…,,,,,");
        e.pattern = true;
        QVERIFY(e.matches(QStringLiteral("/9j/4AAQ+x.y*z,,,,,")));
        QVERIFY(e.matches(QStringLiteral("/9j/,,,,,")));
        QVERIFY(!e.matches(QStringLiteral("/9j/4AAQ")));
        QVERIFY(!e.matches(QStringLiteral("x/9j/4AAQ,,,,,")));
        e.pattern = false;
        QVERIFY(!e.matches(QStringLiteral("/9j/4AAQ,,,,,")));
    }
};

QTEST_GUILESS_MAIN(ProtocolRulesTest)
#include "test_protocol_rules.moc"
