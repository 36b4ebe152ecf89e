// The decoder of a ~200 KB base64 JPEG text against plain
// QByteArray::fromBase64 in the same run; the ratios are the figures. In
// memory: base64_bytes (the CR LF rule and the strictness check) against
// fromBase64. Into the cache: base64_decode (also the whole-file replace)
// against fromBase64 and a plain file write. The two sides alternate run
// by run, so a neighbour's load falls on both.
#include "net/base64_decode.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray fakeJpeg(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>(gen.bounded(256));
    b[0] = char(0xFF); b[1] = char(0xD8); b[2] = char(0xFF);
    return b;
}

template <class F>
double timeOnce(F&& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1000.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double p99(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(v.size() * 0.99))];
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = 200;
    const QByteArray jpeg = fakeJpeg(150 * 1024);
    const QString text = QString::fromLatin1(jpeg.toBase64()) + QStringLiteral("\r\n");
    QTemporaryDir dir;
    const QString path = dir.filePath("answer.gif");

    const QString plainPath = dir.filePath("plain.gif");

    volatile qsizetype sink = 0;
    std::vector<double> plain, ours, plainWrite, oursWrite;
    for (int i = 0; i < runs; ++i) {
        plain.push_back(timeOnce([&] { sink = sink + QByteArray::fromBase64(text.toLatin1()).size(); }));
        ours.push_back(timeOnce([&] {
            QByteArray bytes;
            if (!net::base64_bytes(text, &bytes))
                std::abort();
            sink = sink + bytes.size();
        }));
        plainWrite.push_back(timeOnce([&] {
            QFile f(plainPath);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(QByteArray::fromBase64(text.toLatin1()));
        }));
        oursWrite.push_back(timeOnce([&] {
            if (!net::base64_decode(text, path))
                std::abort();
        }));
    }

    std::printf("base64 text: %lld chars (%lld bytes decoded), %d runs each, interleaved\n",
                static_cast<long long>(text.size()), static_cast<long long>(jpeg.size()), runs);
    std::printf("memory:  QByteArray::fromBase64           median %8.1f us, p99 %8.1f us\n", median(plain), p99(plain));
    std::printf("memory:  base64_bytes (strict)            median %8.1f us, p99 %8.1f us\n", median(ours), p99(ours));
    std::printf("cache:   fromBase64 + plain file write    median %8.1f us, p99 %8.1f us\n", median(plainWrite),
                p99(plainWrite));
    std::printf("cache:   base64_decode (whole-file save)  median %8.1f us, p99 %8.1f us\n", median(oursWrite),
                p99(oursWrite));
    std::printf("ratio of medians, ours / plain: in memory %.2f, into the cache %.2f\n", median(ours) / median(plain),
                median(oursWrite) / median(plainWrite));
    return 0;
}
