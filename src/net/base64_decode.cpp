#include "net/base64_decode.h"

#include "app/whole_file.h"

#include <array>

namespace net {

namespace {

constexpr unsigned char kBad = 0xFF;

// The 6-bit value of each ASCII character of the standard alphabet; kBad
// for the rest ('=' included: padding is placed by the length, not here).
constexpr std::array<unsigned char, 128> kValue = [] {
    std::array<unsigned char, 128> t{};
    t.fill(kBad);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (unsigned char v = 0; v < 64; ++v)
        t[static_cast<unsigned char>(alphabet[v])] = v;
    return t;
}();

// One pass from the UTF-16 text to the bytes, four characters at a time:
// a character beyond ASCII or outside the alphabet ends it.
bool decode(const char16_t* in, qsizetype n, char* out)
{
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        const char16_t c0 = in[i], c1 = in[i + 1], c2 = in[i + 2], c3 = in[i + 3];
        if ((c0 | c1 | c2 | c3) > 127)
            return false;
        const unsigned a = kValue[c0], b = kValue[c1], c = kValue[c2], d = kValue[c3];
        if ((a | b | c | d) & 0xC0)  // kBad has those bits, no value has
            return false;
        const unsigned v = (a << 18) | (b << 12) | (c << 6) | d;
        *out++ = static_cast<char>(v >> 16);
        *out++ = static_cast<char>(v >> 8);
        *out++ = static_cast<char>(v);
    }
    // One to three characters left: a lone one carries no whole byte.
    unsigned v = 0;
    const qsizetype left = n - i;
    for (; i < n; ++i) {
        if (in[i] > 127 || kValue[in[i]] == kBad)
            return false;
        v = (v << 6) | kValue[in[i]];
    }
    if (left == 2) {
        *out = static_cast<char>(v >> 4);
    } else if (left == 3) {
        *out++ = static_cast<char>(v >> 10);
        *out = static_cast<char>(v >> 2);
    }
    return true;
}

}  // namespace

bool base64_bytes(const QString& text, QByteArray* out)
{
    QStringView t(text);
    if (t.endsWith(u"\r\n"))
        t.chop(2);
    if (t.size() < 2)
        return false;
    // Strict: whitespace, line breaks or stray characters inside the text
    // are an error, not silently skipped. Padding is one or two "=" at the
    // very end of a text whose length is a multiple of four; the text may
    // also go unpadded.
    qsizetype n = t.size();
    if (n % 4 == 0 && t.at(n - 1) == u'=') {
        --n;
        if (t.at(n - 1) == u'=')
            --n;
    }
    QByteArray bytes(n / 4 * 3 + (n % 4 == 3 ? 2 : n % 4 == 2 ? 1 : 0), Qt::Uninitialized);
    if (!decode(reinterpret_cast<const char16_t*>(t.utf16()), n, bytes.data()))
        return false;
    *out = std::move(bytes);
    return true;
}

bool base64_decode(const QString& text, const QString& path)
{
    QByteArray bytes;
    if (!base64_bytes(text, &bytes))
        return false;
    // Replaced whole: no old tail after shorter data, and no half-written
    // image when the disk fails. Not synced: the callers cache what they
    // decode, and a cache file lost to a power cut is fetched again.
    return app::write_whole_file_unsynced(path, bytes);
}

}  // namespace net
