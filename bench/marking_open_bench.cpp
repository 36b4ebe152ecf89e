// Marking screen figures, offscreen: row click (image cached) to the image
// painted, one prefetch tick over a 200-row batch, and resident memory after
// opening 1,000 answers against 10. `--screenshot FILE` also saves the
// screen with a batch loaded and an answer shown.
#include "app/session.h"
#include "marking/marking_form.h"
#include "marking/marking_state.h"
#include "recorders.h"
#include "stub_server.h"
#include "ui/image_page_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <QDeadlineTimer>
#include <functional>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// An answer sheet piece as scanned: grey paper, a printed question line,
// some handwriting.
QImage answer_image(int i)
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

QString answer_record(int workId, int cjId, const QString& candidate)
{
    return QStringLiteral("%1,%2,学生%2,17,10,%3,0.001,0,1,12;").arg(workId).arg(cjId).arg(candidate);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double p99(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(v.size() * 0.99))];
}

long resident_kib()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Runs the event loop until `done` holds or 5 s have passed.
bool wait_until(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString screenshot;
    const QStringList args = app.arguments();
    if (args.indexOf(QStringLiteral("--screenshot")) > 0)
        screenshot = args.value(args.indexOf(QStringLiteral("--screenshot")) + 1);
    ui::ImagePageView::setWebContentEnabled(false);

    testsupport::TestServices t;
    testsupport::StubServer stub;
    stub.start();
    stub.setReply(QStringLiteral("net_get_work.asp"), QStringLiteral("th,17,"));
    stub.setReply(QStringLiteral("net_user_work.asp"), QStringLiteral("0,8,45,12,540,300,2,16,3,0;"));
    app::Session& s = app::session();
    s.Server_URL = stub.baseUrl();
    s.ks_id = QStringLiteral("7");
    s.KM_id = 2;
    s.User_ID = 5;
    s.KS_Name = QStringLiteral("2026学年第一学期期末考试");
    s.KM_Name = QStringLiteral("数学");
    s.JS_Name = QStringLiteral("王老师");

    constexpr int kAnswers = 1000;
    const QString cache = t.paths.programDir() + QStringLiteral("/ks_data/7/2");
    QDir().mkpath(cache);
    QString reply = QStringLiteral("0,1000,45,12,540,300,2,1000,3,0;");
    for (int i = 0; i < kAnswers; ++i) {
        const QString kh = QStringLiteral("2026%1").arg(i, 4, 10, QChar(u'0'));
        answer_image(i).save(cache + u'/' + kh + QStringLiteral("_17.gif"), "JPEG", 80);
        reply += answer_record(100 + i, 1000 + i, kh);
    }

    marking::MarkingForm form(t.services);
    form.resize(1440, 900);
    form.show();
    wait_until([&] { return !form.webBrowser1().busy(); });
    form.state().th_bj = QStringLiteral("17");
    form.fill_buffer_list(reply);
    form.timer1().stop();

    // One tick that finds every image cached, then a scanning tick.
    QElapsedTimer clock;
    clock.start();
    form.Timer1_Timer();
    const double firstTick = clock.nsecsElapsed() / 1e6;
    std::vector<double> ticks;
    for (int i = 0; i < 50; ++i) {
        clock.restart();
        form.Timer1_Timer();
        ticks.push_back(clock.nsecsElapsed() / 1e6);
    }

    // The same over a 200-row list, as the figure asks.
    form.fill_buffer_list(reply.section(u';', 0, 200) + u';');
    form.timer1().stop();
    clock.restart();
    form.Timer1_Timer();
    const double firstTick200 = clock.nsecsElapsed() / 1e6;
    std::vector<double> ticks200;
    for (int i = 0; i < 50; ++i) {
        clock.restart();
        form.Timer1_Timer();
        ticks200.push_back(clock.nsecsElapsed() / 1e6);
    }

    // Row click to painted image, 200 rows.
    std::vector<double> opens;
    for (int r = 1; r <= 200; ++r) {
        clock.restart();
        form.ListView1_ItemClick(r);
        form.imageView().repaint();
        opens.push_back(clock.nsecsElapsed() / 1e6);
    }

    // Memory: 10 answers opened against 1,000.
    form.fill_buffer_list(reply);
    form.timer1().stop();
    form.Timer1_Timer();
    for (int r = 1; r <= 10; ++r) {
        form.ListView1_ItemClick(r);
        form.imageView().repaint();
    }
    QCoreApplication::processEvents();
    const long rss10 = resident_kib();
    for (int r = 11; r <= kAnswers; ++r) {
        form.ListView1_ItemClick(r);
        form.imageView().repaint();
        if (r % 50 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const long rss1000 = resident_kib();

    std::printf("row click -> image painted (200 rows, 1100x420 JPEG): median %.2f ms, p99 %.2f ms\n", median(opens), p99(opens));
    std::printf("prefetch tick, 200 rows: first (marks all cached) %.3f ms; scanning median %.3f ms, p99 %.3f ms\n",
                firstTick200, median(ticks200), p99(ticks200));
    std::printf("prefetch tick, 1000 rows: first %.3f ms; scanning median %.3f ms\n", firstTick, median(ticks));
    std::printf("resident memory: after 10 answers %ld KiB, after 1000 answers %ld KiB (ratio %.3f)\n", rss10, rss1000,
                rss10 > 0 ? double(rss1000) / rss10 : 0.0);

    if (!screenshot.isEmpty()) {
        marking::reset_marking_state();
        form.close();
        stub.setReply(QStringLiteral("net_user_work.asp"), reply.section(u';', 0, 30) + u';');
        marking::MarkingForm shown(t.services);
        shown.setWindowState(Qt::WindowNoState);
        shown.resize(1440, 900);
        shown.show();
        wait_until([&] { return shown.bufferList().rows() == 30; });
        shown.Timer1_Timer();
        shown.ListView1_ItemClick(3);
        QCoreApplication::processEvents();
        shown.grab().save(screenshot);
        std::printf("screenshot: %s\n", qPrintable(screenshot));
    }
    return 0;
}
