// How texts read as numbers, and how replies are cut up.
#include "app/vbtext.h"

#include <QTest>

class VbTextTest : public QObject {
    Q_OBJECT
private slots:
    void numeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("int") << "12" << true << 12.0;
        QTest::newRow("decimal") << "7.5" << true << 7.5;
        QTest::newRow("trailing point") << "7." << true << 7.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("signs and blanks") << " -3 " << true << -3.0;
        QTest::newRow("exponent") << "1e2" << true << 100.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letter") << "a" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
    }
    void numeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(app::is_numeric(text), numeric);
        QCOMPARE(app::to_double(text), value);
    }

    void roundingAndFormats()
    {
        QCOMPARE(app::to_int("2.5"), 2);
        QCOMPARE(app::to_int("3.5"), 4);
        QCOMPARE(app::to_int("40000"), 40000);
        QCOMPARE(app::to_int("x"), 0);
        QCOMPARE(app::to_int("1e20"), 0);
        QCOMPARE(app::format_percent(3.0f / 8.0f), QStringLiteral("37.50%"));
        QCOMPARE(app::format_percent(0), QStringLiteral("0.00%"));
    }

    void splitting()
    {
        QCOMPARE(app::split("", ";"), QStringList());
        QCOMPARE(app::split("a;;b", ";"), (QStringList{"a", "", "b"}));
        QCOMPARE(app::records("1,a;2,b;"), (QStringList{"1,a", "2,b"}));
        QCOMPARE(app::records("no separator"), QStringList());
        QCOMPARE(app::piece(QStringList{"a"}, 3), QString());
        QCOMPARE(app::trim("  a b \t "), QStringLiteral("a b \t"));
    }
};

QTEST_GUILESS_MAIN(VbTextTest)
#include "test_vbtext.moc"
