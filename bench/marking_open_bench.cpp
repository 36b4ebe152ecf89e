// Marking screen figures, offscreen: row click (image cached) to the image
// painted, prefetch ticks over 200, 1,000 and 2,000 rows (the first tick
// finds every image cached and marks it; it comes Timer1's interval after
// the fill, and the worst case, at once, is shown too), and resident memory after
// opening 1,000 answers against 10. `--screenshot FILE` also saves the
// screen with a batch loaded and an answer shown.
#include "marking_bench.h"
#include "marking/answer_lists.h"
#include "marking/feedback_panel.h"
#include "marking/image_fetcher.h"
#include "marking/marking_form.h"
#include "marking/progress_panel.h"
#include "marking/score_panel.h"
#include "marking/score_saver.h"
#include "marking/selector_bar.h"
#include "marking/status_bar.h"
#include "marking/marking_state.h"
#include "ui/image_page_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

long resident_kib()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

}  // namespace

using namespace bench;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString screenshot = screenshot_arg(app.arguments());
    ui::ImagePageView::setWebContentEnabled(false);

    MarkingBench b(QStringLiteral("th,17,"));
    auto& t = b.t;
    auto& stub = b.stub;
    constexpr int kAnswers = 1000;
    const QString reply = b.cached_batch(kAnswers, QStringLiteral("0,1000,45,12,540,300,2,1000,3,0;"));
    // A 2,000-row list cached by an earlier session: answers 1,000..1,999
    // reuse the images of the first thousand (painting them all would take
    // minutes).
    QString reply2000 = reply;
    for (int i = kAnswers; i < 2 * kAnswers; ++i) {
        QFile::copy(b.cache + u'/' + candidate(i - kAnswers) + QStringLiteral("_17.gif"),
                    b.cache + u'/' + candidate(i) + QStringLiteral("_17.gif"));
        reply2000 += answer_record(100 + i, 1000 + i, candidate(i));
    }

    marking::MarkingState memory;
    marking::MarkingForm form(t.services, memory);
    form.resize(1440, 900);
    form.show();
    wait_until([&] { return !form.webBrowser1().busy(); });
    form.state().th_bj = QStringLiteral("17");

    // The first tick of a batch, every image cached: it comes Timer1's
    // interval after the list is filled (`atItsTime`), or, the worst case,
    // at once.
    QElapsedTimer clock;
    auto firstTick = [&](const QString& batch, bool atItsTime) {
        form.fill_buffer_list(batch);
        form.fetcher().timer1().stop();
        if (atItsTime) {
            QDeadlineTimer interval(form.fetcher().timer1().interval());
            while (!interval.hasExpired())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(interval.remainingTime()));
        }
        clock.restart();
        form.fetcher().Timer1_Timer();
        return clock.nsecsElapsed() / 1e6;
    };
    auto scanning = [&] {
        std::vector<double> ticks;
        for (int i = 0; i < 50; ++i) {
            clock.restart();
            form.fetcher().Timer1_Timer();
            ticks.push_back(clock.nsecsElapsed() / 1e6);
        }
        return ticks;
    };

    // The session's first batch, then a scanning tick.
    const double firstTick1000 = firstTick(reply, true);
    const std::vector<double> ticks = scanning();
    const double firstTick200 = firstTick(reply.section(u';', 0, 200) + u';', true);
    const std::vector<double> ticks200 = scanning();
    std::vector<double> firstTicks2000, atOnce2000;
    for (int round = 0; round < 9; ++round) {
        firstTicks2000.push_back(firstTick(reply2000, true));
        atOnce2000.push_back(firstTick(reply2000, false));
    }
    const std::vector<double> ticks2000 = scanning();
    firstTick(reply.section(u';', 0, 200) + u';', false);

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
    form.fetcher().timer1().stop();
    form.fetcher().Timer1_Timer();
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
    std::printf("prefetch tick, 1000 rows (the session's first batch): first %.3f ms; scanning median %.3f ms\n",
                firstTick1000, median(ticks));
    std::printf("prefetch tick, 2000 rows, 9 fills: first median %.3f ms, max %.3f ms; at once after the fill median "
                "%.3f ms, max %.3f ms; scanning median %.3f ms\n",
                median(firstTicks2000), *std::max_element(firstTicks2000.begin(), firstTicks2000.end()),
                median(atOnce2000), *std::max_element(atOnce2000.begin(), atOnce2000.end()), median(ticks2000));
    std::printf("resident memory: after 10 answers %ld KiB, after 1000 answers %ld KiB (ratio %.3f)\n", rss10, rss1000,
                rss10 > 0 ? double(rss1000) / rss10 : 0.0);

    if (!screenshot.isEmpty()) {
        form.close();
        stub.setReply(QStringLiteral("net_user_work.asp"), reply.section(u';', 0, 30) + u';');
        marking::MarkingState shownMemory;
        marking::MarkingForm shown(t.services, shownMemory);
        shown.setWindowState(Qt::WindowNoState);
        shown.resize(1440, 900);
        shown.show();
        wait_until([&] { return shown.bufferList().rows() == 30; });
        shown.fetcher().Timer1_Timer();
        shown.ListView1_ItemClick(3);
        QCoreApplication::processEvents();
        shown.grab().save(screenshot);
        std::printf("screenshot: %s\n", qPrintable(screenshot));
    }
    return 0;
}
