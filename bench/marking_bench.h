// What the marking screen benchmarks share: a stub server and a session as
// after login, answer images in the cache folder, and the figures' helpers.
#pragma once

#include "app/session.h"
#include "recorders.h"
#include "stub_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// An answer sheet piece as scanned: grey paper, a printed question line,
// some handwriting.
inline QImage answer_image(int i)
{
    QImage img(1100, 420, QImage::Format_RGB32);
    img.fill(QColor(246, 246, 240));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(22);
    p.setFont(f);
    p.setPen(QColor(40, 40, 40));
    p.drawText(30, 40, QStringLiteral("17.（10分）已知函数 f(x) = x² − 2x + 3，求 f(x) 在区间 [0, 3] 上的最值。"));
    p.setPen(QPen(QColor(20, 30, 120), 3));
    f.setPixelSize(30);
    p.setFont(f);
    p.drawText(60, 110, QStringLiteral("解：f(x) = (x − 1)² + 2"));
    p.drawText(60, 170, QStringLiteral("当 x = 1 时，最小值为 2；"));
    p.drawText(60, 230, QStringLiteral("当 x = 3 时，最大值为 %1。").arg(6 + i % 3));
    for (int k = 0; k < 40; ++k)
        p.drawPoint(700 + (k * 37 + i * 13) % 350, 280 + (k * 53 + i * 7) % 120);
    p.setPen(QColor(150, 150, 150));
    p.drawRect(10, 10, img.width() - 20, img.height() - 20);
    return img;
}

inline QString candidate(int i)
{
    return QStringLiteral("2026%1").arg(i, 4, 10, QChar(u'0'));
}

// One answer of the assignment reply: question `th` worth `full`.
inline QString answer_record(int workId, int cjId, const QString& kh, int th = 17, int full = 10)
{
    return QStringLiteral("%1,%2,学生%2,%3,%4,%5,0.001,0,1,12;").arg(workId).arg(cjId).arg(th).arg(full).arg(kh);
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double p99(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(v.size() * 0.99))];
}

// Runs the event loop until `done` holds or 5 s have passed.
inline bool wait_until(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// The file after `--screenshot`, or empty.
inline QString screenshot_arg(const QStringList& args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--screenshot"));
    return at > 0 ? args.value(at + 1) : QString();
}

// A teacher logged in for exam 7, subject 2, against a stub server that
// hands out question 17; the cache folder exists.
struct MarkingBench {
    testsupport::TestServices t;
    testsupport::StubServer stub;
    QString cache;

    explicit MarkingBench(const QString& questions)
    {
        stub.start();
        stub.setReply(QStringLiteral("net_get_work.asp"), questions);
        stub.setReply(QStringLiteral("net_user_work.asp"), QStringLiteral("0,8,45,12,540,300,2,16,3,0;"));
        app::Session& s = app::session();
        s.Server_URL = stub.baseUrl();
        s.ks_id = QStringLiteral("7");
        s.KM_id = 2;
        s.User_ID = 5;
        s.KS_Name = QStringLiteral("2026学年第一学期期末考试");
        s.KM_Name = QStringLiteral("数学");
        s.JS_Name = QStringLiteral("王老师");
        cache = t.paths.programDir() + QStringLiteral("/ks_data/7/2");
        QDir().mkpath(cache);
    }

    // Caches `rows` answers to question 17 and returns the assignment reply
    // that lists them after `header`.
    QString cached_batch(int rows, const QString& header)
    {
        QString reply = header;
        for (int i = 0; i < rows; ++i) {
            answer_image(i).save(cache + u'/' + candidate(i) + QStringLiteral("_17.gif"), "JPEG", 80);
            reply += answer_record(100 + i, 1000 + i, candidate(i));
        }
        return reply;
    }
};

}  // namespace bench
