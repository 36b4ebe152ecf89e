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

namespace {
LayoutInput screen(int W, int H)
{
    LayoutInput in;
    in.W = W;
    in.H = H;
    in.command4 = {100, 30};
    in.frame13Height = 40;
    in.frame13Width = 160;
    in.frame12Height = 30;
    in.frame3Width = 260;
    in.label2Top = 90;
    in.frame9Width = 120;
    in.frame6Width = 150;
    in.frame7Width = 200;
    in.frame8Width = 180;
    in.frame10Width = 140;
    in.frame11Width = 150;
    in.listView2Width = 500;
    in.frame1Top = 120;
    in.frame1Height = 300;
    return in;
}
}  // namespace

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

    void layout()
    {
        const LayoutOutput o = layout_on_resize(screen(1600, 1000));
        QCOMPARE(o.command4Top, std::optional<int>(968));
        QCOMPARE(o.command4Left, std::optional<int>(1485));
        QCOMPARE(o.frame13Top, std::optional<int>(958));
        QCOMPARE(o.frame12Top, std::optional<int>(968));
        QCOMPARE(o.frame12Width, std::optional<int>(1300));
        QCOMPARE(o.imageWidth, std::optional<int>(1320));
        QCOMPARE(o.imageHeight, std::optional<int>(850));
        QCOMPARE(o.frame9Left, std::optional<int>(1470));
        QCOMPARE(o.frame6Left, std::optional<int>(1315));
        QCOMPARE(o.frame7Left, std::optional<int>(1110));
        QCOMPARE(o.frame8Left, std::optional<int>(925));
        QCOMPARE(o.frame10Left, std::optional<int>(1420));
        QCOMPARE(o.frame11Left, std::optional<int>(1420));
        QCOMPARE(o.listView2Left, std::optional<int>(1070));
        QCOMPARE(o.listView2Height, o.imageHeight);
        QCOMPARE(o.frame1Height, std::optional<int>(830));
        QCOMPARE(o.listView1Height, std::optional<int>(800));
    }

    void tinyWindow()
    {
        // Narrower than the score panel + 120: the image view keeps 100.
        LayoutOutput o = layout_on_resize(screen(260 + 119, 1000));
        QCOMPARE(o.imageWidth, std::optional<int>(100));
        QCOMPARE(o.frame12Width, std::optional<int>(79));
        // Minimised: sizes that can't apply are skipped; List1 falls back to Frame1's height.
        o = layout_on_resize(screen(0, 0));
        QVERIFY(!o.frame12Width);  // a negative width is not applied ...
        QCOMPARE(o.command4Left, std::optional<int>(-115));  // ... the other steps still run
        QCOMPARE(o.imageHeight, std::optional<int>(100));
        QVERIFY(!o.frame1Height);
        QCOMPARE(o.listView1Height, std::optional<int>(270));
        LayoutInput in = screen(0, 0);
        in.frame1Height = 20;
        QVERIFY(!layout_on_resize(in).listView1Height);
    }

    void zoom()
    {
        QCOMPARE(zoomed_size({400, 300}, 150), QSize(600, 450));
        QCOMPARE(zoomed_size({400, 300}, 100), QSize(400, 300));
        QCOMPARE(zoomed_size({401, 3}, 150), QSize(602, 4));  // 601.5 and 4.5: halves to even
        QCOMPARE(zoomed_size({5, 5}, 50), QSize(2, 2));

        QVERIFY(zoom_applies("/c/a.gif", "", 150));
        QVERIFY(!zoom_applies("/c/a.gif", "", 100));
        QVERIFY(!zoom_applies("", "", 150));
        QVERIFY(zoom_applies("/c/a.gif,/c/b.gif", "<IMG src=/c/a.gif><IMG src=/c/b.gif>", 150));
        QVERIFY(!zoom_applies("/c/a.gif,/c/b.gif", "<IMG src=/c/a.gif>", 150));

        SliderMove m = slider_moved(150, "/c/a.gif,/c/b.gif");
        QCOMPARE(m.frame6Caption, QStringLiteral("显示比例：150%"));
        QCOMPARE(m.reload, std::optional<QString>("/c/a.gif"));
        QCOMPARE(slider_moved(80, "/c/a.gif").reload, std::optional<QString>("/c/a.gif"));
        QVERIFY(!slider_moved(80, "").reload);
    }

    void imagePage()
    {
        const QString block = QStringLiteral("<hr>CODE");
        QVERIFY(!image_page_text("", "/c/a.gif", "x", block));
        QVERIFY(!image_page_text("about:blank", "/c/a.gif", "x", block));
        QVERIFY(!image_page_text("http://h/cj/tavix_help.html", "/c/a.gif", "x", block));
        QCOMPARE(image_page_text("file:///c/a.gif", "/c/a.gif", "<img src=/c/a.gif>", block),
                 std::optional<QString>("<img src=/c/a.gif><hr>CODE"));
        QCOMPARE(image_page_text("file:///c/a.gif", "/c/a.gif,/c/b.gif", "old", block),
                 std::optional<QString>("<IMG src=/c/a.gif><br><hr><IMG src=/c/b.gif><br><hr><hr>CODE"));
    }
};

QTEST_GUILESS_MAIN(DisplayTest)
#include "test_rules_display.moc"
