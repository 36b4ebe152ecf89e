// The image page, zoom, the resize layout, and the mobile-marking code with
// its locally drawn QR image.
#include "app/session.h"
#include "marking/layout_rules.h"
#include "marking/mobile_code.h"
#include "marking/qr_code.h"
#include "net/url_encode.h"

#include <QTest>
#include <qrencode.h>

using namespace marking;


class DisplayTest : public QObject {
    Q_OBJECT
private slots:
    void mobileCode()
    {
        app::Session s;
        s.Server_URL = "http://127.0.0.1:9090/";
        s.ks_id = "K7";
        s.KM_id = 3;
        s.User_ID = 40001;
        const QString data = mobile_code_data(s, "3,4");
        QCOMPARE(data, QStringLiteral("http://127.0.0.1:9090/cj/mobi_main.asp?ewm=K7|3|40001|3,4"));
        QCOMPARE(mobile_code_block(data, "https://qr.example:8443"),
                 QStringLiteral("<hr><center><img src=https://qr.example:8443/?app=qr.get&data=") + data
                     + QStringLiteral(" alt='手机扫一扫，使用移动端阅卷...'><br>手机阅卷，请扫二维码"));
        QVERIFY(mobile_code_drawn_locally(""));
        QVERIFY(!mobile_code_drawn_locally("https://qr.example:8443"));
        QCOMPARE(refresh_mobile_code(s, "3,4"),
                 QStringLiteral("http://127.0.0.1:9090/cj/mobi_ewm.asp?ks_id=K7&km_id=3&user_id=40001&th_bj=")
                     + net::url_encode("3,4"));
    }

    void qrImageMatchesTheCode()
    {
        const QString text = QStringLiteral("http://127.0.0.1:9090/cj/mobi_main.asp?ewm=K7|3|40001|3,4");
        const int module = 3;
        const QImage image = qr_code_image(text, module);
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), image.height());

        const QByteArray bytes = text.toUtf8();
        QRcode* code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M);
        QVERIFY(code);
        QCOMPARE(image.width(), (code->width + 2 * kQrQuietZone) * module);
        int wrong = 0;
        for (int y = -kQrQuietZone; y < code->width + kQrQuietZone; ++y) {
            for (int x = -kQrQuietZone; x < code->width + kQrQuietZone; ++x) {
                const bool inside = x >= 0 && y >= 0 && x < code->width && y < code->width;
                const bool dark = inside && (code->data[y * code->width + x] & 1);
                const int px = (x + kQrQuietZone) * module + module / 2, py = (y + kQrQuietZone) * module + module / 2;
                if ((qGray(image.pixel(px, py)) < 128) != dark)
                    ++wrong;
            }
        }
        QRcode_free(code);
        QCOMPARE(wrong, 0);

        QVERIFY(qr_code_image("", 3).isNull());
        QVERIFY(qr_code_image(text, 0).isNull());
        QVERIFY(qr_code_image(QString(5000, u'x'), 3).isNull());  // beyond what a QR code holds
    }

    void floatingPanels()
    {
        const FloatingPlaces p = floating_places(1600, 140, 170, 500);
        QCOMPARE(p.frame10Left, 1420);
        QCOMPARE(p.frame11Left, 1400);
        QCOMPARE(p.listView2Left, 1070);
    }

    void zoom()
    {
        SliderMove m = slider_moved(150, "/c/a.gif,/c/b.gif");
        QCOMPARE(m.frame6Caption, QStringLiteral("显示比例：150%"));
        QCOMPARE(m.reload, std::optional<QString>("/c/a.gif"));
        QCOMPARE(slider_moved(80, "/c/a.gif").reload, std::optional<QString>("/c/a.gif"));
        QVERIFY(!slider_moved(80, "").reload);
    }
};

QTEST_GUILESS_MAIN(DisplayTest)
#include "test_rules_display.moc"
