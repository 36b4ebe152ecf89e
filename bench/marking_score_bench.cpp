// Score entry figures, offscreen, over a 200-row batch with every image
// cached: a keystroke in the score box to the score stored in the row (and
// journalled on disk), and Enter to the next answer painted. Baselines in
// the same run: a keystroke into a plain line edit, and a row click to its
// answer painted. `--screenshot FILE` saves the screen while marking.
#include "app/session.h"
#include "marking/marking_form.h"
#include "marking/marking_state.h"
#include "recorders.h"
#include "stub_server.h"
#include "ui/image_page_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

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
    p.setPen(QColor(150, 150, 150));
    p.drawRect(10, 10, img.width() - 20, img.height() - 20);
    return img;
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

bool wait_until(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

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
    const QStringList args = app.arguments();
    const QString screenshot =
        args.indexOf(QStringLiteral("--screenshot")) > 0 ? args.value(args.indexOf(QStringLiteral("--screenshot")) + 1) : QString();
    ui::ImagePageView::setWebContentEnabled(false);

    testsupport::TestServices t;
    testsupport::StubServer stub;
    stub.start();
    stub.setReply(QStringLiteral("net_get_work.asp"), QStringLiteral("th,17,18,"));
    stub.setReply(QStringLiteral("net_user_work.asp"), QStringLiteral("0,8,45,12,540,300,2,16,3,0;"));
    stub.setReply(QStringLiteral("net_save_fs.asp"), QStringLiteral("save_ok"));
    app::Session& s = app::session();
    s.Server_URL = stub.baseUrl();
    s.ks_id = QStringLiteral("7");
    s.KM_id = 2;
    s.User_ID = 5;
    s.KS_Name = QStringLiteral("2026学年第一学期期末考试");
    s.KM_Name = QStringLiteral("数学");
    s.JS_Name = QStringLiteral("王老师");

    constexpr int kRows = 200;
    const QString cache = t.paths.programDir() + QStringLiteral("/ks_data/7/2");
    QDir().mkpath(cache);
    QString reply = QStringLiteral("0,200,45,12,540,300,2,200,37,0;");
    for (int i = 0; i < kRows; ++i) {
        const QString kh = QStringLiteral("2026%1").arg(i, 4, 10, QChar(u'0'));
        answer_image(i).save(cache + u'/' + kh + QStringLiteral("_17.gif"), "JPEG", 80);
        reply += QStringLiteral("%1,%2,学生%2,17,10,%3,0.001,0,1,12;").arg(100 + i).arg(1000 + i).arg(kh);
    }

    marking::MarkingForm form(t.services);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1440, 900);
    form.show();
    wait_until([&] { return !form.webBrowser1().busy(); });
    form.state().th_bj = QStringLiteral("17");
    form.fill_buffer_list(reply);
    form.timer1().stop();
    form.timer2().stop();
    form.Timer1_Timer();
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
        const bool stored = list.text(r, QStringLiteral("得分")) == QLatin1String("7");
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

    std::printf("200-row batch, 1100x420 JPEG answers, offscreen; every score journalled (fsync) as it is stored\n");
    report("keystroke -> score stored", keys, plainKeys, "plain line edit keystroke");
    report("Enter -> next answer painted", enters, clicks, "row click -> answer painted");

    if (!screenshot.isEmpty()) {
        // Marking in progress: a group of two questions with the code below,
        // the panels up, a score being keyed, the status bar with a message.
        marking::reset_marking_state();
        form.close();
        QString two = QStringLiteral("0,60,45,12,540,300,2,60,17,0;");
        for (int i = 0; i < 12; ++i) {
            const QString kh = QStringLiteral("2026%1").arg(i, 4, 10, QChar(u'0'));
            answer_image(i).scaled(700, 268).save(cache + u'/' + kh + QStringLiteral("_18.gif"), "JPEG", 80);
            two += QStringLiteral("%1,%2,学生%2,17,10,%3,0.001,0,1,12;").arg(500 + 2 * i).arg(1000 + i).arg(kh);
            two += QStringLiteral("%1,%2,学生%2,18,6,%3,0.001,0,1,12;").arg(501 + 2 * i).arg(1000 + i).arg(kh);
        }
        for (int i = 0; i < 12; ++i) {
            const QString kh = QStringLiteral("2026%1").arg(i, 4, 10, QChar(u'0'));
            answer_image(i).scaled(700, 268).save(cache + u'/' + kh + QStringLiteral("_17.gif"), "JPEG", 80);
        }
        stub.setReply(QStringLiteral("net_user_work.asp"), two);
        stub.setReply(QStringLiteral("net_get_ztmsg.asp"), QStringLiteral("第17题满分10分，第18题满分6分；已批阅37份，待批阅23份"));
        marking::MarkingForm shown(t.services);
        shown.setWindowState(Qt::WindowNoState);
        shown.resize(1440, 900);
        shown.show();
        wait_until([&] { return !shown.webBrowser1().busy(); });
        shown.findChild<QCheckBox*>(QStringLiteral("Work_1"))->click();
        wait_until([&] { return !shown.webBrowser1().busy() && shown.bufferList().rows() == 24; });
        shown.timer1().stop();
        shown.Timer1_Timer();
        shown.ListView1_ItemClick(3);
        auto* box2 = shown.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QTest::keyClicks(box2, QStringLiteral("8"));
        QTest::keyClick(box2, Qt::Key_Return);
        QTest::keyClicks(box2, QStringLiteral("5."));
        shown.state().work_count = 60;
        shown.show_progress();
        for (int i = 0; i < 31; ++i)
            shown.Timer2_Timer();
        wait_until([&] { return shown.findChild<QWidget*>(QStringLiteral("zt_msg"))->property("text").toString().contains(u'第'); });
        shown.Command2_Click();
        QCoreApplication::processEvents();
        shown.grab().save(screenshot);
        // The same at 150 %, the fault panel closed.
        shown.Command2_Click();
        shown.findChild<QSlider*>(QStringLiteral("Slider1"))->setValue(150);
        QCoreApplication::processEvents();
        QString zoomed = screenshot;
        zoomed.replace(QStringLiteral(".png"), QStringLiteral("_zoom150.png"));
        shown.grab().save(zoomed);
        std::printf("cur_row %d, rows 3/4 scores '%s' '%s'; messages: %s\n", shown.state().cur_row,
                    qPrintable(shown.bufferList().text(3, QStringLiteral("得分"))),
                    qPrintable(shown.bufferList().text(4, QStringLiteral("得分"))), qPrintable(t.dialogs.messages.join(QStringLiteral(" | "))));
        std::printf("screenshot: %s\n", qPrintable(screenshot));
    }
    return 0;
}
