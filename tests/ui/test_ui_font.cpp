// Chinese captions are drawn in the plain sans face, whatever CJK face the
// system's fallback list puts first (a Kai face is installed for the demo
// server's handwriting).
#include "app/ui_font.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QRawFont>
#include <QTest>

class UiFontTest : public QObject {
    Q_OBJECT
private slots:
    void chineseCaptionsTakeTheSansFace()
    {
        if (!QFontDatabase::families().contains(QString::fromLatin1(app::cjk_ui_family)))
            QSKIP("the CJK sans face is not installed (scripts/deps installs it)");
        app::prefer_cjk_ui_font(*static_cast<QGuiApplication*>(qApp));
        QLabel caption(QStringLiteral("学校名称："));
        const QRawFont used = QRawFont::fromFont(caption.font(), QFontDatabase::SimplifiedChinese);
        QCOMPARE(used.familyName(), QString::fromLatin1(app::cjk_ui_family));
    }
};

QTEST_MAIN(UiFontTest)
#include "test_ui_font.moc"
