#include "login/url_settings.h"

#include "app/vbtext.h"
#include "app/whole_file.h"
#include "net/url_encode.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace login {

namespace {

const QString crlf = QStringLiteral("\r\n");
constexpr qint64 max_file_size = 64 * 1024;

// The character's code in the GBK code page (one byte, or lead * 256 +
// trail), -1 when GBK has no such character.
int gbk_code(QChar c)
{
    if (c.isSurrogate())
        return -1;
    QStringEncoder enc("GBK", QStringConverter::Flag::Stateless);
    const QByteArray b = enc(QString(c));
    if (enc.hasError() || b.isEmpty() || b.size() > 2)
        return -1;
    if (b == "?" && c != u'?')
        return -1;
    const auto b0 = static_cast<unsigned char>(b.at(0));
    return b.size() == 1 ? b0 : (b0 << 8) | static_cast<unsigned char>(b.at(1));
}

// The character of a GBK code, or nothing. Control characters are refused
// so that a shifted password can never split or end its line.
std::optional<QChar> gbk_char(int code)
{
    if (code < 0x20 || code > 0xFFFF)
        return std::nullopt;
    if (code < 0x80)
        return QChar(code);
    QByteArray bytes;
    if (code > 0xFF)
        bytes.append(char(code >> 8));
    bytes.append(char(code & 0xFF));
    QStringDecoder dec("GBK", QStringConverter::Flag::Stateless);
    const QString s = dec(bytes);
    if (dec.hasError() || s.size() != 1 || s.at(0) == QChar::ReplacementCharacter)
        return std::nullopt;
    if (gbk_code(s.at(0)) != code)
        return std::nullopt;
    return s.at(0);
}

QString shift(const QString& text, int direction, bool* ok)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A control character on either side: the reverse shift would
        // refuse it, so the text could not come back.
        const int code = gbk_code(text.at(i));
        const auto c = code < 0x20 ? std::nullopt : gbk_char(code + direction * int(i + 1));
        if (!c) {
            if (ok)
                *ok = false;
            return {};
        }
        out += *c;
    }
    if (ok)
        *ok = true;
    return out;
}

}  // namespace

QString pwd_encode(const QString& password, bool* ok)
{
    return shift(password, +1, ok);
}

QString pwd_decode(const QString& shifted, bool* ok)
{
    return shift(shifted, -1, ok);
}

UrlSettings parse_url_txt(const QByteArray& content)
{
    UrlSettings s;
    const QString text = net::from_gbk(content);
    if (!text.contains(crlf))
        return s;
    const QStringList lines = text.split(crlf, Qt::KeepEmptyParts);
    s.address = lines.at(0);
    if (lines.size() > 1)
        s.port = lines.at(1);
    if (lines.size() > 2) {
        bool ok = false;
        const QString pwd = pwd_decode(lines.at(2), &ok);
        s.password = ok ? pwd : QString();
    }
    if (lines.size() > 3)
        s.remember = app::is_numeric(lines.at(3)) && app::to_int(lines.at(3)) == 1;
    return s;
}

UrlSettings read_url_txt(const QString& path)
{
    QFile f(path);
    if (!f.exists() || f.size() > max_file_size || !f.open(QIODevice::ReadOnly))
        return {};
    return parse_url_txt(f.read(max_file_size));
}

QByteArray url_txt_bytes(const QString& address, const QString& port, bool remember,
                         const QString& password, bool* passwordKept)
{
    QString text = address + crlf + port + crlf;
    bool kept = false;
    if (remember) {
        const QString shifted = pwd_encode(password, &kept);
        if (kept)
            text += shifted + crlf + QStringLiteral("1") + crlf;
    }
    if (passwordKept)
        *passwordKept = kept;
    return net::gbk_bytes(text);
}

bool save_url_txt(const QString& path, const QString& address, const QString& port, bool remember,
                  const QString& password, bool* passwordKept)
{
    bool withPassword = false;
    const QByteArray bytes = url_txt_bytes(address, port, remember, password, &withPassword);
    if (passwordKept)
        *passwordKept = withPassword;
    // A file holding the password is never readable by others, not even
    // for a moment.
    return app::write_whole_file(path, bytes, withPassword);
}

}  // namespace login
