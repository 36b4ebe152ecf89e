// The demo's answer images: what each student wrote deserves a score a
// teacher can give, the class spreads from blank to full marks, and the
// picture is the same every time it is drawn.
#include "answer_content.h"
#include "answer_images.h"
#include "demo_data.h"
#include "outline_font.h"
#include "server_fixture.h"

#include <QFile>
#include <QImage>
#include <QTest>

#include <cmath>

using namespace velmora;

namespace {

QStringList candidates()
{
    QStringList all;
    for (int c = 1; c <= 3; ++c)
        for (int seat = 1; seat <= demo::kStudentsPerClass; ++seat)
            all << QStringLiteral("2601%1%2").arg(c, 2, 10, QLatin1Char('0')).arg(seat, 2, 10, QLatin1Char('0'));
    return all;
}

QImage decode(const std::string& jpeg)
{
    QImage image;
    image.loadFromData(QByteArray::fromRawData(jpeg.data(), qsizetype(jpeg.size())), "JPG");
    return image;
}

}  // namespace

class DemoAnswersTest : public QObject {
    Q_OBJECT
private slots:
    void questions_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<QString>("th");
        QTest::addColumn<double>("full");
        QTest::addColumn<QString>("prompt");  // the printed question starts so
        QTest::newRow("语文 13") << demo::kChinese << "13" << 4.0 << "13. ";
        QTest::newRow("语文 15, half marks") << demo::kChinese << "15" << 7.5 << "15. ";
        QTest::newRow("语文 17, the essay") << demo::kChinese << "17" << 15.0 << "17. ";
        QTest::newRow("数学 9") << demo::kMath << "9" << 2.0 << "9. ";
        QTest::newRow("数学 13, same number as 语文 13") << demo::kMath << "13" << 14.0 << "13. 在 Rt△ABC";
        QTest::newRow("full mark changed") << demo::kMath << "12" << 6.0 << "12. ";
        QTest::newRow("question the demo lacks") << demo::kChinese << "21" << 10.0 << QStringLiteral("21. 文章以“稻香”为题");
    }
    // Over the demo's 66 students every score lies in 0..full in halves;
    // some answers deserve full marks, some little, some are left blank.
    void questions()
    {
        QFETCH(int, subject);
        QFETCH(QString, th);
        QFETCH(double, full);
        QFETCH(QString, prompt);
        int fullMarks = 0, little = 0;
        for (const QString& kh : candidates()) {
            const DemoAnswer a = demo_answer(subject, kh.toStdString(), th.toStdString(), full);
            QVERIFY2(a.prompt.startsWith(prompt), qPrintable(a.prompt));
            QVERIFY(a.deserved >= 0 && a.deserved <= full);
            QCOMPARE(std::fmod(a.deserved * 2, 1.0), 0.0);
            if (a.lines.isEmpty())
                QCOMPARE(a.deserved, 0.0);
            QCOMPARE(a.steps, subject == demo::kMath);
            fullMarks += a.deserved == full;
            little += a.deserved <= full / 4;
            // The same student, the same answer.
            const DemoAnswer again = demo_answer(subject, kh.toStdString(), th.toStdString(), full);
            QCOMPARE(again.lines, a.lines);
        }
        QVERIFY2(fullMarks >= 5 && fullMarks <= 50, qPrintable(QString::number(fullMarks)));
        QVERIFY2(little >= 3 && little <= 30, qPrintable(QString::number(little)));
    }

    void abilityCarriesAcrossSubjects()
    {
        // The strongest student of the demo earns more than the weakest in
        // both subjects.
        QString strong, weak;
        for (const QString& kh : candidates()) {
            if (strong.isEmpty() || demo_ability(kh.toStdString()) > demo_ability(strong.toStdString())) strong = kh;
            if (weak.isEmpty() || demo_ability(kh.toStdString()) < demo_ability(weak.toStdString())) weak = kh;
        }
        const std::vector<std::pair<int, std::vector<std::pair<const char*, double>>>> subjects = {
            {demo::kChinese, {{"13", 4}, {"14", 6}, {"15", 7.5}, {"16", 10}, {"17", 15}}},
            {demo::kMath, {{"9", 2}, {"10", 5}, {"11", 8}, {"12", 12}, {"13", 14}}}};
        for (const auto& [subject, questions] : subjects) {
            double s = 0, w = 0;
            for (const auto& [th, full] : questions) {
                s += demo_answer(subject, strong.toStdString(), th, full).deserved;
                w += demo_answer(subject, weak.toStdString(), th, full).deserved;
            }
            QVERIFY2(s > w + 10, qPrintable(QStringLiteral("%1 vs %2").arg(s).arg(w)));
        }
    }

    void handwritingFace()
    {
        if (!QFile::exists("/usr/share/fonts/truetype/arphic/ukai.ttc"))
            QSKIP("the Kai face is not installed (scripts/deps installs it)");
        // The collection's simplified-Chinese face, not the first one in it.
        QCOMPARE(hand_font().family(), QStringLiteral("AR PL UKai CN"));
        QVERIFY(hand_font().glyph(U'稻'));
        QVERIFY(!hand_font().glyph(U'\U0001F600'));
    }

    void imagesAreTheSameEveryTime_data()
    {
        QTest::addColumn<int>("subject");
        QTest::addColumn<QString>("kh");
        QTest::addColumn<QString>("th");
        QTest::addColumn<double>("full");
        QTest::newRow("语文 13") << demo::kChinese << "26010101" << "13" << 4.0;
        QTest::newRow("语文 17") << demo::kChinese << "26010312" << "17" << 15.0;
        QTest::newRow("数学 13") << demo::kMath << "26010101" << "13" << 14.0;
    }
    void imagesAreTheSameEveryTime()
    {
        QFETCH(int, subject);
        QFETCH(QString, kh);
        QFETCH(QString, th);
        QFETCH(double, full);
        const std::string jpeg = render_answer_jpeg(subject, kh.toStdString(), th.toStdString(), full);
        QCOMPARE(render_answer_jpeg(subject, kh.toStdString(), th.toStdString(), full), jpeg);
        const QImage image = decode(jpeg);
        QCOMPARE(image.size(), QSize(800, demo_answer(subject, kh.toStdString(), th.toStdString(), full).height));
        // The size of a scanned strip, not of a photograph.
        QVERIFY(jpeg.size() > 8 * 1024 && jpeg.size() < 120 * 1024);
    }

    void serverDrawsTheSubjectAsked()
    {
        // 语文 and 数学 both have a question 13; each gets its own answer.
        TestServer s;
        QImage chinese, math;
        for (auto [km, image] : {std::pair{demo::kChinese, &chinese}, {demo::kMath, &math}}) {
            const Fetched f = s.get("cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=" + std::to_string(km)
                                    + "&img_txt=1%5C26010101_13.txt");
            QVERIFY(f.text.endsWith(",,,,,"));
            *image = decode(QByteArray::fromBase64(QByteArray::fromStdString(f.body).chopped(5)).toStdString());
        }
        QCOMPARE(chinese.size(), QSize(800, demo_answer(demo::kChinese, "26010101", "13", 4).height));
        QCOMPARE(math.size(), QSize(800, demo_answer(demo::kMath, "26010101", "13", 14).height));
        QVERIFY(chinese.size() != math.size());
    }
};

QTEST_MAIN(DemoAnswersTest)
#include "test_answers.moc"
