// The assembled answer sheet of 12 pieces on the report screen, against the
// stub server, in the plain view: with every piece cached (no request; the
// figure is the time to the last piece written), and with none cached (one
// request per piece, never two at once; the figure is the whole walk).
#include "app/session.h"
#include "reports/report_form.h"
#include "screen_test.h"
#include "ui/web_page_view.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <cstdio>

namespace {

constexpr int kPieces = 12;

QString jpegBase64()
{
    QImage img(1200, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 80);
    return QString::fromLatin1(bytes.toBase64());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::WebPageView::setEngineEnabled(false);
    testsupport::ScreenTest st;
    app::Session& s = st.session();
    s.ks_id = QStringLiteral("1");
    s.KM_id = 1;
    QString reply = QStringLiteral("<p>sheet</p>Student_DTK");
    for (int i = 0; i < kPieces; ++i)
        reply += QStringLiteral("D:\\web\\cj\\ks_img\\1_1\\2601_%1.txt,%1,300,张明,5,;").arg(i + 1);
    st.stub.setReply(QStringLiteral("cj_working.asp"), QStringLiteral("<p>ok</p>"));
    st.stub.setReply(QStringLiteral("cj_xsdtk.asp"), reply);
    // One at a time: a request that comes before the previous piece is in
    // the cache counts as overlapping.
    int overlapping = 0, asked = 0;
    const QString cache = st.t.paths.programDir() + QStringLiteral("/ks_data/1/1");
    const QString jpeg = jpegBase64();
    st.stub.setHandler(QStringLiteral("cj_dtk.asp"), [&](const QByteArray&) {
        if (QDir(cache).entryList(QDir::Files).size() != asked++)
            ++overlapping;
        testsupport::StubReply r;
        r.body = jpeg.toLatin1();
        return r;
    });

    reports::ReportForm form(st.t.services);
    form.show();
    auto* box = form.findChild<QWidget*>(QStringLiteral("Frame5"));
    auto* button = form.findChild<QPushButton*>(QStringLiteral("Command6"));
    auto run = [&] {
        QElapsedTimer t;
        t.start();
        button->click();
        while (!box->isHidden() || !form.view()->showsWritten())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return t.nsecsElapsed() / 1e6;
    };
    const double cold = run();
    const auto coldRequests = st.stub.requestsFor(QStringLiteral("cj_dtk.asp")).size();
    st.stub.clearRequests();
    const double warm = run();
    const auto warmRequests = st.stub.requestsFor(QStringLiteral("cj_dtk.asp")).size();
    std::printf("answer sheet of %d pieces (stub server, plain view)\n", kPieces);
    std::printf("  none cached   %8.1f ms  %lld piece requests, %d before the previous piece was cached\n", cold,
                static_cast<long long>(coldRequests), overlapping);
    std::printf("  all cached    %8.1f ms  %lld piece requests (target: none, under 100 ms)\n", warm,
                static_cast<long long>(warmRequests));
    return 0;
}
