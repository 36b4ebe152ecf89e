// url.txt: what the load takes from each shape of file, the password shift,
// and the file the save leaves behind.
#include "login/url_settings.h"
#include "net/url_encode.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace login;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<bool>)

namespace {
const std::optional<QString> none;
std::optional<QString> some(const char* s) { return QString::fromUtf8(s); }
}  // namespace

class UrlSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<std::optional<QString>>("address");
        QTest::addColumn<std::optional<QString>>("port");
        QTest::addColumn<std::optional<QString>>("password");
        QTest::addColumn<std::optional<bool>>("remember");
        QTest::newRow("empty") << QByteArray() << none << none << none << std::optional<bool>();
        QTest::newRow("one line without CR LF") << QByteArray("10.0.0.5") << none << none << none << std::optional<bool>();
        QTest::newRow("LF only is no line end") << QByteArray("10.0.0.5\n9091\n") << none << none << none << std::optional<bool>();
        QTest::newRow("one line") << QByteArray("10.0.0.5\r\n") << some("10.0.0.5") << some("") << none << std::optional<bool>();
        QTest::newRow("address and port, no end") << QByteArray("10.0.0.5\r\n9091") << some("10.0.0.5") << some("9091") << none << std::optional<bool>();
        QTest::newRow("two lines: empty password") << QByteArray("10.0.0.5\r\n9091\r\n") << some("10.0.0.5") << some("9091") << some("") << std::optional<bool>();
        QTest::newRow("four lines") << QByteArray("h.x\r\n80\r\nbdf\r\n1\r\n") << some("h.x") << some("80") << some("abc") << std::optional<bool>(true);
        QTest::newRow("fourth not numeric") << QByteArray("h.x\r\n80\r\nbdf\r\nja\r\n") << some("h.x") << some("80") << some("abc") << std::optional<bool>(false);
        QTest::newRow("fourth other number") << QByteArray("h.x\r\n80\r\nbdf\r\n2\r\n") << some("h.x") << some("80") << some("abc") << std::optional<bool>(false);
        QTest::newRow("GBK address") << (net::gbk_bytes(QStringLiteral("服务器.校园")) + "\r\n") << some("服务器.校园") << some("") << none << std::optional<bool>();
        QTest::newRow("unshiftable password") << QByteArray("h.x\r\n80\r\n\x01\r\n1\r\n") << some("h.x") << some("80") << some("") << std::optional<bool>(true);
    }
    void parse()
    {
        QFETCH(QByteArray, content);
        QFETCH(std::optional<QString>, address);
        QFETCH(std::optional<QString>, port);
        QFETCH(std::optional<QString>, password);
        QFETCH(std::optional<bool>, remember);
        const UrlSettings s = parse_url_txt(content);
        QCOMPARE(s.address, address);
        QCOMPARE(s.port, port);
        QCOMPARE(s.password, password);
        QCOMPARE(s.remember, remember);
    }

    void missingOrHugeFileGivesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!read_url_txt(dir.filePath("url.txt")).address);
        QFile f(dir.filePath("url.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(200 * 1024, 'a') + "\r\n80\r\n");
        f.close();
        QVERIFY(!read_url_txt(dir.filePath("url.txt")).address);
    }

    void shift_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("shifted");
        QTest::newRow("abc") << "abc" << "bdf";
        QTest::newRow("digits") << "111" << "234";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blank and symbols") << "a b&" << "b\"e*";
        // 张 is D5 C5 in GBK; one code up is D5 C6.
        QTest::newRow("Chinese") << QStringLiteral("张") << net::from_gbk(QByteArray::fromHex("D5C6"));
    }
    void shift()
    {
        QFETCH(QString, password);
        QFETCH(QString, shifted);
        bool ok = false;
        QCOMPARE(pwd_encode(password, &ok), shifted);
        QVERIFY(ok);
        QCOMPARE(pwd_decode(shifted, &ok), password);
        QVERIFY(ok);
    }

    void unshiftablePasswordIsNotKept_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("past ASCII") << "zzzzzzzz";  // 'z' + 6 leaves the single-byte range
        QTest::newRow("not GBK") << QStringLiteral("\U0001F600");
        QTest::newRow("tab becomes line feed") << "\tx";
    }
    void unshiftablePasswordIsNotKept()
    {
        QFETCH(QString, password);
        bool ok = true;
        QVERIFY(pwd_encode(password, &ok).isEmpty());
        QVERIFY(!ok);
        bool kept = true;
        QCOMPARE(url_txt_bytes("h.x", "80", true, password, &kept), QByteArray("h.x\r\n80\r\n"));
        QVERIFY(!kept);
    }

    // A password is remembered only when it reads back as it was typed.
    void controlCharactersAreNotRemembered_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("start of heading") << QStringLiteral("ab\x01");
        QTest::newRow("escape") << QStringLiteral("\x1b[1m");
        QTest::newRow("delete") << QStringLiteral("x\x7f");
        QTest::newRow("line feed") << QStringLiteral("a\nb");
        // Shifted up into printable text, but unshifted back into control.
        QTest::newRow("unit separator becomes a blank") << QStringLiteral("\x1f");
        QTest::newRow("late carriage return") << QStringLiteral("1234567890123456789\r");
    }
    void controlCharactersAreNotRemembered()
    {
        QFETCH(QString, password);
        bool kept = true;
        const QByteArray bytes = url_txt_bytes("h.x", "80", true, password, &kept);
        const UrlSettings back = parse_url_txt(bytes);
        QVERIFY(!kept || back.password == password);
        QVERIFY(!kept);  // none of these reads back in a password field
        QCOMPARE(bytes, QByteArray("h.x\r\n80\r\n"));
    }

    void saveAndLoadRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("url.txt");
        const QString pwd = QStringLiteral("p@ss 张&%#+");
        QVERIFY(save_url_txt(path, QStringLiteral("192.168.1.20"), "9090", true, pwd));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY(content.startsWith("192.168.1.20\r\n9090\r\n"));
        QVERIFY(content.endsWith("\r\n1\r\n"));
        QCOMPARE(content.count("\r\n"), 4);
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(f.permissions() & others, QFileDevice::Permissions());
        QVERIFY(f.permissions().testFlags(QFile::ReadOwner | QFile::WriteOwner));
        const UrlSettings s = read_url_txt(path);
        QCOMPARE(s.address, std::optional<QString>("192.168.1.20"));
        QCOMPARE(s.port, std::optional<QString>("9090"));
        QCOMPARE(s.password, std::optional<QString>(pwd));
        QCOMPARE(s.remember, std::optional<bool>(true));
    }

    void saveWithoutRememberWritesTwoLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("url.txt");
        QVERIFY(save_url_txt(path, "h.x", "81", false, "secret"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("h.x\r\n81\r\n"));
    }

    void saveIntoMissingFolderFails()
    {
        QTemporaryDir dir;
        QVERIFY(!save_url_txt(dir.filePath("gone/url.txt"), "h.x", "81", false, ""));
    }
};

QTEST_GUILESS_MAIN(UrlSettingsTest)
#include "test_url_settings.moc"
