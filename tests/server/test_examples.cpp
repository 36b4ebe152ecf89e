// The demo server answers every example of src/protocol/examples.txt with
// the example's reply, each on a fresh demo store, and routes every page
// the client builds requests for.
#include "protocol/pages.h"
#include "protocol_examples.h"
#include "server_fixture.h"

#include <QTest>

#include <ctime>

class ServerExamplesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The examples' stored times read in UTC.
        qputenv("TZ", "UTC");
        tzset();
    }

    void answersEveryExample_data()
    {
        QTest::addColumn<QString>("name");
        for (const auto& e : testsupport::protocol_examples())
            QTest::newRow(qPrintable(e.name)) << e.name;
    }
    void answersEveryExample()
    {
        QFETCH(QString, name);
        const testsupport::ProtocolExample e = testsupport::protocol_example(name);
        TestServer t;
        for (const QString& sql : e.setup)
            t.server().exec_sql(sql.toStdString());
        const Fetched f = t.get(e.target().toStdString());
        QCOMPARE(f.status, 200);
        QVERIFY2(e.matches(f.text), qPrintable(QStringLiteral("\nserver:  %1\nexample: %2").arg(f.text, e.reply)));
    }

    void routesEveryPage()
    {
        TestServer t;
        for (int i = int(protocol::Page::Unknown) + 1; i <= int(protocol::Page::CjDtk); ++i) {
            const QString name = protocol::page_name(protocol::Page(i));
            QVERIFY2(t.get("cj/" + name.toStdString()).status != 404, qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(ServerExamplesTest)
#include "test_examples.moc"
