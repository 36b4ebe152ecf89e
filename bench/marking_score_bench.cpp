// Score entry figures, offscreen, over a 200-row batch with every image
// cached: a keystroke in the score box to the score stored in the row (and
// written to the journal file), and Enter to the next answer painted, at
// once and after the answer was read. Baselines in
// the same run: a keystroke into a plain line edit, and a row click to its
// answer painted. `--screenshot FILE` saves the screen while marking.
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
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

using namespace bench;

void report(const char* what, const std::vector<double>& v, const std::vector<double>& base, const char* baseName)
{
    std::printf("%s: median %.3f ms, p99 %.3f ms  (%s: median %.3f ms, p99 %.3f ms; ratio of medians %.1f)\n", what,
                median(v), p99(v), baseName, median(base), p99(base), median(base) > 0 ? median(v) / median(base) : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString screenshot = screenshot_arg(app.arguments());
    ui::ImagePageView::setWebContentEnabled(false);

    MarkingBench b(QStringLiteral("th,17,18,"));
    auto& t = b.t;
    auto& stub = b.stub;
    stub.setReply(QStringLiteral("net_save_fs.asp"), QStringLiteral("save_ok"));
    constexpr int kRows = 200;
    const QString reply = b.cached_batch(kRows, QStringLiteral("0,200,45,12,540,300,2,200,37,0;"));

    marking::MarkingState memory;
    marking::MarkingForm form(t.services, memory);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1440, 900);
    form.show();
    wait_until([&] { return !form.webBrowser1().busy(); });
    form.state().th_bj = QStringLiteral("17");
    form.fill_buffer_list(reply);
    form.fetcher().timer1().stop();
    form.statusBar().timer2().stop();
    form.fetcher().Timer1_Timer();
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("Text1"));
    auto& list = form.bufferList();

    // Baseline: a row click to its answer painted.
    QElapsedTimer clock;
    std::vector<double> clicks;
    for (int r = 1; r <= kRows; ++r) {
        clock.start();
        form.ListView1_ItemClick(r);
        form.imageView().repaint();
        clicks.push_back(clock.nsecsElapsed() / 1e6);
    }
    // Baseline: a keystroke into a line edit that does nothing with it.
    QLineEdit plain;
    plain.show();
    std::vector<double> plainKeys;
    for (int i = 0; i < kRows; ++i) {
        plain.clear();
        clock.start();
        QTest::keyClick(&plain, Qt::Key_7);
        plainKeys.push_back(clock.nsecsElapsed() / 1e6);
    }

    // Keystroke to stored score, and Enter to the next answer painted. Enter
    // on the last-but-one row saves, so the moves are over rows 1..n−2.
    form.ListView1_ItemClick(1);
    std::vector<double> keys, enters;
    for (int r = 1; r <= kRows - 2; ++r) {
        clock.start();
        QTest::keyClick(box, Qt::Key_7);
        const bool stored = list.text(r, marking::Col::Score) == QLatin1String("7");
        keys.push_back(clock.nsecsElapsed() / 1e6);
        clock.start();
        QTest::keyClick(box, Qt::Key_Return);
        form.imageView().repaint();
        enters.push_back(clock.nsecsElapsed() / 1e6);
        if (!stored || form.state().cur_row != r + 1) {
            std::printf("row %d: score not stored or no move\n", r);
            return 1;
        }
    }

    std::printf("200-row batch, 1100x420 JPEG answers, offscreen; every score journalled as it is stored\n");
    report("keystroke -> score stored", keys, plainKeys, "plain line edit keystroke");
    report("Enter -> next answer painted", enters, clicks, "row click -> answer painted");

    // The same with the answer read before Enter, as a teacher does: the
    // screen is idle for a moment and the next answer is decoded meanwhile.
    form.fill_buffer_list(reply);
    form.fetcher().timer1().stop();
    form.fetcher().Timer1_Timer();
    form.ListView1_ItemClick(1);
    std::vector<double> readEnters;
    for (int r = 1; r <= kRows - 2; ++r) {
        QTest::keyClick(box, Qt::Key_7);
        wait_until([&] { return !form.imageView().decodingAhead().isEmpty(); });
        QTest::qWait(15);  // reading
        clock.start();
        QTest::keyClick(box, Qt::Key_Return);
        form.imageView().repaint();
        readEnters.push_back(clock.nsecsElapsed() / 1e6);
    }
    report("Enter, answer read first -> next answer painted", readEnters, clicks, "row click -> answer painted");
    std::printf("  (%d of %zu shown from a decoding made while the answer was read)\n",
                form.imageView().decodedAheadUsed(), readEnters.size());

    if (!screenshot.isEmpty()) {
        // Marking in progress: a group of two questions with the code below,
        // the panels up, a score being keyed, the status bar with a message.
        form.close();
        QString two = QStringLiteral("0,60,45,12,540,300,2,60,17,0;");
        for (int i = 0; i < 12; ++i) {
            const QString kh = candidate(i);
            for (const char* th : {"_17.gif", "_18.gif"})
                answer_image(i).scaled(700, 268).save(b.cache + u'/' + kh + QLatin1String(th), "JPEG", 80);
            two += answer_record(500 + 2 * i, 1000 + i, kh);
            two += answer_record(501 + 2 * i, 1000 + i, kh, 18, 6);
        }
        stub.setReply(QStringLiteral("net_user_work.asp"), two);
        stub.setReply(QStringLiteral("net_get_ztmsg.asp"), QStringLiteral("第17题满分10分，第18题满分6分；已批阅37份，待批阅23份"));
        marking::MarkingState shownMemory;
        marking::MarkingForm shown(t.services, shownMemory);
        shown.setWindowState(Qt::WindowNoState);
        shown.resize(1440, 900);
        shown.show();
        wait_until([&] { return !shown.webBrowser1().busy(); });
        shown.findChild<QCheckBox*>(QStringLiteral("Work_1"))->click();
        wait_until([&] { return !shown.webBrowser1().busy() && shown.bufferList().rows() == 24; });
        shown.fetcher().timer1().stop();
        shown.fetcher().Timer1_Timer();
        shown.ListView1_ItemClick(3);
        auto* box2 = shown.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QTest::keyClicks(box2, QStringLiteral("8"));
        QTest::keyClick(box2, Qt::Key_Return);
        QTest::keyClicks(box2, QStringLiteral("5."));
        shown.state().work_count = 60;
        shown.show_progress();
        for (int i = 0; i < 31; ++i)
            shown.statusBar().Timer2_Timer();
        wait_until([&] { return shown.findChild<QWidget*>(QStringLiteral("zt_msg"))->property("text").toString().contains(u'第'); });
        shown.feedback().Command2_Click();
        QCoreApplication::processEvents();
        shown.grab().save(screenshot);
        // The same at 150 %, the fault panel closed.
        shown.feedback().Command2_Click();
        shown.findChild<QSlider*>(QStringLiteral("Slider1"))->setValue(150);
        QCoreApplication::processEvents();
        QString zoomed = screenshot;
        zoomed.replace(QStringLiteral(".png"), QStringLiteral("_zoom150.png"));
        shown.grab().save(zoomed);
        std::printf("cur_row %d, rows 3/4 scores '%s' '%s'; messages: %s\n", shown.state().cur_row,
                    qPrintable(shown.bufferList().text(3, marking::Col::Score)),
                    qPrintable(shown.bufferList().text(4, marking::Col::Score)), qPrintable(t.dialogs.messages.join(QStringLiteral(" | "))));
        std::printf("screenshot: %s\n", qPrintable(screenshot));
    }
    return 0;
}
