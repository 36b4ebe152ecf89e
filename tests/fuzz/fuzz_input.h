#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

// What the fuzz targets share: the input as the texts a parser takes, and a
// check that stops the run when a property the parser promises fails.
namespace fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The client reads replies as decoded text; UTF-8 reaches every code unit.
inline QString text(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline std::string str(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The input cut at its first "\n": two texts for parsers taking two.
inline QStringList two_texts(const std::uint8_t* data, std::size_t size)
{
    const QString all = text(data, size);
    const qsizetype nl = all.indexOf(u'\n');
    if (nl < 0)
        return {all, QString()};
    return {all.left(nl), all.mid(nl + 1)};
}

// A promise broken: abort, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                          \
    do {                                                                                          \
        if (!(cond)) {                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);        \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

}  // namespace fuzz
