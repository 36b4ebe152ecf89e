#include "net/url_encode.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace net {

QByteArray gbk_bytes(const QString& text)
{
    QStringEncoder enc("GBK", QStringConverter::Flag::Default);
    if (!enc.isValid())
        return text.toLocal8Bit();
    QByteArray out;
    out.reserve(text.size() * 2);
    // Encode character by character so that one GBK lacks becomes a single
    // "?" instead of failing the whole text.
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString one = text.mid(i, len);
        QStringEncoder e("GBK", QStringConverter::Flag::Stateless);
        QByteArray b = e(one);
        if (e.hasError() || b.isEmpty())
            b = "?";
        out += b;
        i += len - 1;
    }
    return out;
}

QString from_gbk(const QByteArray& bytes)
{
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec(bytes);
}

QString url_encode(const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = gbk_bytes(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out += QChar(b);
        } else if (b == ' ') {
            out += u'+';
        } else {
            out += u'%';
            out += QChar(hex[b >> 4]);
            out += QChar(hex[b & 15]);
        }
    }
    return out;
}

}  // namespace net
