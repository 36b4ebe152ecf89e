// Where the correction screen's parts go on a resize.
#include "correction/layout_rules.h"

#include <QTest>

using correction::correction_layout;

class CorrectionLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QRect>("frame1");
        QTest::addColumn<QRect>("wantFrame1");
        QTest::addColumn<QRect>("wantDisplay");
        QTest::addColumn<int>("frame6Left");
        // Display top 50, left 5; Frame6 220 wide; Frame1 90 high.
        QTest::newRow("a usual window") << QSize(1000, 700) << QRect(5, 0, 300, 90) << QRect(5, 608, 990, 90)
                                        << QRect(5, 50, 990, 553) << 778;
        // 2 × 90 is not below 250 − 90 − 2: the panel stays where it was.
        QTest::newRow("too low: the panel stays") << QSize(1000, 250) << QRect(5, 150, 300, 90)
                                                  << QRect(5, 150, 990, 90) << QRect(5, 50, 990, 100) << 778;
        QTest::newRow("too narrow: the width stays, the display keeps 100")
            << QSize(11, 700) << QRect(5, 0, 300, 90) << QRect(5, 608, 300, 90) << QRect(5, 50, 100, 553) << -211;
    }
    void layout()
    {
        QFETCH(QSize, inner);
        QFETCH(QRect, frame1);
        QFETCH(QRect, wantFrame1);
        QFETCH(QRect, wantDisplay);
        QFETCH(int, frame6Left);
        const auto l = correction_layout(inner.width(), inner.height(), frame1, 220, 50, 5);
        QCOMPARE(l.frame1, wantFrame1);
        QCOMPARE(l.display, wantDisplay);
        QCOMPARE(l.frame6Left, frame6Left);
    }
};

QTEST_GUILESS_MAIN(CorrectionLayoutTest)
#include "test_correction_layout.moc"
