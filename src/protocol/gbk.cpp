#include "protocol/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace protocol {

QByteArray gbk_bytes(const QString& text)
{
    QStringEncoder whole("GBK", QStringConverter::Flag::Stateless);
    if (!whole.isValid())
        return text.toLocal8Bit();
    QByteArray out = whole(text);
    if (!whole.hasError())
        return out;
    // Character by character, so that one GBK lacks becomes a single "?"
    // instead of the converter's own substitute.
    out.clear();
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const qsizetype len = pair ? 2 : 1;
        QStringEncoder one("GBK", QStringConverter::Flag::Stateless);
        QByteArray b = one(QStringView(text).mid(i, len));
        if (one.hasError() || b.isEmpty())
            b = "?";
        out += b;
        i += len - 1;
    }
    return out;
}

QString from_gbk(QByteArrayView bytes)
{
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec(bytes);
}

QByteArray form_encode(QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out += char(b);
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

QString url_encode(const QString& text)
{
    return QString::fromLatin1(form_encode(gbk_bytes(text)));
}

namespace {
int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}  // namespace

QByteArray form_decode(QByteArrayView raw)
{
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < raw.size() && hex_value(raw[i + 1]) >= 0 && hex_value(raw[i + 2]) >= 0) {
            out += char(hex_value(raw[i + 1]) * 16 + hex_value(raw[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace protocol
