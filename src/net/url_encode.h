#pragma once
#include <QByteArray>
#include <QString>

namespace net {

// The text's GBK bytes, form-encoded: letters and digits as they are, a
// space as "+", every other byte as "%" and two upper-case hex digits.
// "-", ".", "_" and "~" are escaped too; the server pages expect that.
QString url_encode(const QString& text);

// The GBK bytes of a text; a character GBK lacks becomes "?".
QByteArray gbk_bytes(const QString& text);
QString from_gbk(const QByteArray& bytes);

}  // namespace net
