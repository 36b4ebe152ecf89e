#pragma once
#include <QByteArray>
#include <QString>

namespace net {

// Decodes one unbroken run of base64 text (a trailing CR LF is allowed)
// and writes the bytes to `path`, replacing the whole file. False, and the
// file left as it was, for text shorter than two characters, text that is
// not valid base64, or a file that cannot be written.
bool base64_decode(const QString& text, const QString& path);

// The bytes alone; false when the text is not valid base64 by the same rules.
bool base64_bytes(const QString& text, QByteArray* out);

}  // namespace net
