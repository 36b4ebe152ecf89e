#include "net/base64_decode.h"

#include "app/whole_file.h"

namespace net {

bool base64_bytes(const QString& text, QByteArray* out)
{
    QStringView t(text);
    if (t.endsWith(u"\r\n"))
        t.chop(2);
    if (t.size() < 2)
        return false;
    QByteArray latin;
    latin.resize(t.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c > 127)
            return false;
        latin[i] = static_cast<char>(c);
    }
    // Strict: whitespace, line breaks or stray characters inside the text
    // are an error, not silently skipped.
    auto result = QByteArray::fromBase64Encoding(latin, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    *out = std::move(*result);
    return true;
}

bool base64_decode(const QString& text, const QString& path)
{
    QByteArray bytes;
    if (!base64_bytes(text, &bytes))
        return false;
    // Replaced whole: no old tail after shorter data, and no half-written
    // image when the disk fails.
    return app::write_whole_file(path, bytes);
}

}  // namespace net
