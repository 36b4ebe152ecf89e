// base64_decode of a ~200 KB JPEG text against plain QByteArray::fromBase64
// in the same run: the ratio is the figure. The decoder adds the CR LF rule,
// the strictness check and the file write.
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
std::vector<double> timeRuns(int runs, F&& f)
{
    std::vector<double> us;
    us.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    std::sort(us.begin(), us.end());
    return us;
}

double median(const std::vector<double>& v) { return v[v.size() / 2]; }

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = 200;
    const QByteArray jpeg = fakeJpeg(150 * 1024);
    const QString text = QString::fromLatin1(jpeg.toBase64()) + QStringLiteral("\r\n");
    QTemporaryDir dir;
    const QString path = dir.filePath("answer.gif");

    volatile qsizetype sink = 0;
    const auto plain = timeRuns(runs, [&] {
        sink = sink + QByteArray::fromBase64(text.toLatin1()).size();
    });
    const auto plainWrite = timeRuns(runs, [&] {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(QByteArray::fromBase64(text.toLatin1()));
    });
    const auto ours = timeRuns(runs, [&] {
        if (!net::base64_decode(text, path))
            std::abort();
    });

    std::printf("base64 text: %lld chars (%lld bytes decoded), %d runs\n",
                static_cast<long long>(text.size()), static_cast<long long>(jpeg.size()), runs);
    std::printf("QByteArray::fromBase64 (memory only)   median %8.1f us\n", median(plain));
    std::printf("QByteArray::fromBase64 + file write    median %8.1f us\n", median(plainWrite));
    std::printf("base64_decode (strict, whole-file save) median %8.1f us\n", median(ours));
    std::printf("ratio base64_decode / fromBase64       %.2f (memory only), %.2f (with write)\n",
                median(ours) / median(plain), median(ours) / median(plainWrite));
    return 0;
}
