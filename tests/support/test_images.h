#pragma once
// Small images as the server sends them, for the screens' tests.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

namespace testsupport {

// A w×h picture of one colour, encoded ("PNG", "JPG").
inline QByteArray image_bytes(int w = 40, int h = 30, QColor c = Qt::darkBlue, const char* format = "PNG")
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

// An image page's reply: the base64 text and ",,,,,".
inline QString image_reply(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64()) + QStringLiteral(",,,,,");
}

}  // namespace testsupport
