// Form encoding, base64 decoding and the error-page check.
#include "net/base64_decode.h"
#include "net/page_errors.h"
#include "net/url_encode.h"
#include "recorders.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// The decoding rule as Qt's strict decoder has it, after the CR LF and
// length rules: the oracle for the decoder's own fast loop.
bool strict_reference(const QString& text, QByteArray* out)
{
    QStringView t(text);
    if (t.endsWith(u"\r\n"))
        t.chop(2);
    if (t.size() < 2)
        return false;
    QByteArray latin;
    for (const QChar c : t) {
        if (c.unicode() > 127)
            return false;
        latin += char(c.unicode());
    }
    auto r = QByteArray::fromBase64Encoding(latin, QByteArray::AbortOnBase64DecodingErrors);
    if (!r)
        return false;
    *out = r.decoded;
    return true;
}

QString agreesWithReference(const QString& text)
{
    QByteArray ours, theirs;
    const bool ok = net::base64_bytes(text, &ours);
    if (ok != strict_reference(text, &theirs) || (ok && ours != theirs))
        return QStringLiteral("differs on \"%1\"").arg(text);
    return {};
}

}  // namespace

class EncodingTest : public QObject {
    Q_OBJECT
private slots:
    void urlEncode_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("plain") << "abc" << "abc";
        QTest::newRow("space") << "a b" << "a+b";
        QTest::newRow("punctuation escaped") << "a-b.c_~" << "a%2Db%2Ec%5F%7E";
        QTest::newRow("ampersand") << "&" << "%26";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("tab leading zero") << "\t" << "%09";
        QTest::newRow("only spaces") << "   " << "+++";
        QTest::newRow("chinese GBK lead byte first") << QString::fromUtf8("张") << "%D5%C5";
        QTest::newRow("mixed") << QString::fromUtf8("张 3,4") << "%D5%C5+3%2C4";
        QTest::newRow("not in GBK") << QString::fromUtf8("😀") << "%3F";
    }
    void urlEncode()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(net::url_encode(in), out);
    }

    void base64_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("three bytes") << "TWFu" << true << QByteArray("Man");
        QTest::newRow("two bytes") << "TWE=" << true << QByteArray("Ma");
        QTest::newRow("one byte") << "TQ==" << true << QByteArray("M");
        QTest::newRow("trailing CR LF") << "TWFu\r\n" << true << QByteArray("Man");
        QTest::newRow("jpeg head") << "/9j/4AAQ" << true << QByteArray::fromHex("FFD8FFE00010");
        QTest::newRow("empty") << "" << false << QByteArray();
        QTest::newRow("one char") << "T" << false << QByteArray();
        QTest::newRow("only CR LF") << "\r\n" << false << QByteArray();
        QTest::newRow("inner line break") << "TW\r\nFu" << false << QByteArray();
        QTest::newRow("outside alphabet") << "TW*u" << false << QByteArray();
    }
    void base64()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("out.gif");
        QCOMPARE(net::base64_decode(text, path), ok);
        QCOMPARE(QFile::exists(path), ok);
        if (ok) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), bytes);
        }
    }

    // Every text of up to five characters from a set that holds the
    // alphabet's edges, padding, line breaks and characters whose low bits
    // spell a letter; then longer texts, whole and damaged at one place.
    void base64AgreesWithStrictDecoder()
    {
        const QString set = QStringLiteral("AQz+/=*\r\n") + QChar(0x0141) + QChar(0x00C1) + QChar(0);
        QString text;
        std::function<void(int)> all = [&](int left) {
            const QString failure = agreesWithReference(text);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            if (left == 0)
                return;
            for (const QChar c : set) {
                text += c;
                all(left - 1);
                text.chop(1);
                if (QTest::currentTestFailed())
                    return;
            }
        };
        all(5);

        QRandomGenerator gen(7);
        for (int i = 0; i < 3000; ++i) {
            QByteArray bytes(gen.bounded(40), Qt::Uninitialized);
            for (char& b : bytes)
                b = char(gen.bounded(256));
            QString longer = QString::fromLatin1(bytes.toBase64(i % 5 == 0 ? QByteArray::OmitTrailingEquals
                                                                            : QByteArray::Base64Encoding));
            if (i % 2 && !longer.isEmpty())
                longer[gen.bounded(longer.size())] = set.at(gen.bounded(set.size()));
            if (i % 3 == 0)
                longer += QStringLiteral("\r\n");
            const QString failure = agreesWithReference(longer);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
    }

    void base64ReplacesLongerFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("x.gif");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("0123456789");
        }
        QVERIFY(net::base64_decode("TQ==", path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("M"));
    }

    void base64UnwritableFileFails()
    {
        QTemporaryDir dir;
        QVERIFY(!net::base64_decode("TWFu", dir.filePath("missing/dir/x.gif")));
    }

    void pageErrors_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        const QString u = "http://h:9090/cj/net_ks_list.asp?user_id=1";
        const QString head = QString::fromUtf8("   访问服务器时发生错误，可能的原因：\r\r");
        QTest::newRow("ordinary") << u << "ks_name;" << true << "";
        QTest::newRow("empty address") << "" << QString::fromUtf8("无法显示") << false << "";
        QTest::newRow("local address") << "file:///x.gif" << QString::fromUtf8("无法显示") << false << "";
        QTest::newRow("unreachable") << u << QString::fromUtf8("无法显示网页") << false
            << head + QString::fromUtf8("1、服务器关机！\r2、网络中断。\r\r出错地址：\r") + u;
        QTest::newRow("not found") << u << QString::fromUtf8("无法找到该页") << false
            << head + QString::fromUtf8("1、访问的页面文件不存在！\r2、访问的网站文件被修改 。\r\r出错地址：\r") + u;
        const QString rt = QString::fromUtf8("运行时错误 ODBC Drivers");
        QTest::newRow("runtime before ODBC") << u << rt << false
            << head + QString::fromUtf8("运行网站文件时错误。\r\r出错地址：") + u + QString::fromUtf8("\r\r更多信息：\r") + rt;
        QTest::newRow("odbc") << u << "ODBC Drivers error" << false
            << head + QString::fromUtf8("1、服务器上的成绩数据库文件错误；\r2、网站文件错误。\r\r出错地址：") + u
                   + QString::fromUtf8("\r\r更多信息：\rODBC Drivers error");
        const QString longText = QString::fromUtf8("脚本超时") + QString(5000, u'x');
        QTest::newRow("script timeout, whole text repeated") << u << longText << false
            << head + QString::fromUtf8("运行网站文件时发生“脚本超时”错误。\r\r出错地址：") + u
                   + QString::fromUtf8("\r\r更多信息：\r") + longText;
        // The server's refusal without a live session: a plain reason, not
        // a run-time error of a page.
        QTest::newRow("login expired") << u << QString::fromUtf8("登录已过期（运行时错误）：请重新登录。") << false
            << head + QString::fromUtf8("登录已经过期（长时间没有使用），或已用另一位教师的身份登录。\r请退出后重新登录。")
                   + QString::fromUtf8("\r\r出错地址：\r") + u;
        QTest::newRow("first kind wins") << u << QString::fromUtf8("ODBC Drivers 无法显示") << false
            << head + QString::fromUtf8("1、服务器关机！\r2、网络中断。\r\r出错地址：\r") + u;
    }
    void pageErrors()
    {
        QFETCH(QString, url);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        testsupport::RecordingDialogs dialogs;
        QCOMPARE(net::check_page_err(url, text, dialogs), ok);
        QCOMPARE(dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }
};

QTEST_GUILESS_MAIN(EncodingTest)
#include "test_encoding.moc"
