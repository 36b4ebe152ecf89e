#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text on the wire is GBK: query values are GBK bytes in form encoding,
// replies are GBK text. Client and server both encode and decode here, so
// the two sides cannot read a value differently.
namespace protocol {

// The GBK bytes of a text; a character GBK lacks becomes "?".
QByteArray gbk_bytes(const QString& text);
QString from_gbk(QByteArrayView bytes);

// Form encoding of bytes: letters and digits as they are, a space as "+",
// every other byte as "%" and two upper-case hex digits ("-", ".", "_" and
// "~" too: the server pages have always been sent them escaped).
QByteArray form_encode(QByteArrayView bytes);
// A query value as the client sends it: the text's GBK bytes, form-encoded.
QString url_encode(const QString& text);

// One form-encoded value back to its bytes: "+" is a space, "%" and two hex
// digits (either case) a byte; a "%" without two hex digits stays as it is.
QByteArray form_decode(QByteArrayView raw);

}  // namespace protocol
