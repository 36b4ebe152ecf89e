// How well the client reads the demo server's objective sheets: for every
// demo student of both subjects, the client's rules split the region reply
// into items, the served sheet is decoded and loaded for recognition, every
// item is read, and the letters are compared with the answers the sheet was
// drawn from. Prints the count, every miss (and whether the generator meant
// that question as a hard case: a faint, half-done, doubled or rubbed-out
// mark), and the time per sheet of recognition (pixels copied and every item
// read) against copying the pixels alone, taken turn about.
#include "bubble_sheets.h"
#include "correction/objective_rules.h"
#include "gbk_query.h"
#include "kgt_answers.h"
#include "recognition/shibie.h"
#include "server_bench.h"
#include "store.h"
#include "velmora_server.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 10;  // timing repetitions per sheet

// How the generator drew the question's boxes that were not plain firm
// marks: "faint C", "half A", "double B", "rubbed out D".
std::string unusual_marks(const velmora::SheetPlan& plan, const std::string& number)
{
    std::string out;
    const auto q = plan.marks.find(number);
    if (q == plan.marks.end()) return out;
    for (const auto& [letter, mark] : q->second) {
        const char* what = mark == velmora::Mark::Light    ? "faint"
                           : mark == velmora::Mark::Half   ? "half"
                           : mark == velmora::Mark::Double ? "double"
                           : mark == velmora::Mark::Erased ? "rubbed out"
                                                           : nullptr;
        if (what) out += std::string(out.empty() ? "" : ", ") + what + " " + letter;
    }
    return out;
}

struct Totals {
    int sheets = 0, items = 0, misses = 0, expected_misses = 0, hard = 0;
    double recognise_ms = 0, load_ms = 0;
};

QString fetch(httplib::Client& c, const std::string& target)
{
    const auto r = c.Get(target);
    if (!r || r->status != 200) return {};
    return QString::fromStdString(velmora::gbk_to_utf8(r->body));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    velmora::Server server(bench_server_options(dir));
    const int port = server.start();
    httplib::Client c("127.0.0.1", port);
    velmora::Store store(QDir(dir.path()).filePath("bench.db").toStdString(), 1);

    Totals all;
    for (const int subject : {1, 2}) {
        const std::string km = std::to_string(subject);
        const QString reply = fetch(c, "/cj/net_ks_box.asp?ks_id=1&km_id=" + km + "&xx_id=1&user_id=5");
        const correction::BoxReply box = correction::read_box(reply);
        const QStringList items = correction::items_of(box.item_str);
        std::vector<velmora::SheetRegion> regions;
        {
            auto db = store.acquire();
            regions = velmora::load_sheet_regions(*db, subject);
        }
        std::printf("subject %d: %lld items per sheet, CKK %d, corner (%d, %d)\n", subject, qlonglong(items.size()),
                    int(box.CKK), box.minX, box.minY);

        for (int cls = 1; cls <= 3; ++cls) {
            for (int seat = 1; seat <= 22; ++seat) {
                char kh[16];
                std::snprintf(kh, sizeof kh, "2601%02d%02d", cls, seat);
                const QStringList lookup =
                    fetch(c, "/cj/net_get_st.asp?xx_id=1&ks_id=1&km_id=" + km + "&xs_kh=" + kh + "&th=00&js_id=5").split('=');
                if (lookup.size() < 5) {
                    std::printf("  %s: lookup failed\n", kh);
                    continue;
                }
                const QString image = fetch(c, "/cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=" + km + "&img_txt="
                                                    + QString(lookup[1]).replace('\\', "%5C").toStdString());
                const QImage picture = QImage::fromData(QByteArray::fromBase64(image.section(",,,,,", 0, 0).toLatin1()), "JPG");
                if (picture.isNull()) {
                    std::printf("  %s: no sheet\n", kh);
                    continue;
                }
                const velmora::kgt::Answers drawn = velmora::kgt::read_answer_list(lookup[3].toStdString());
                const velmora::SheetPlan plan = velmora::plan_sheet(km + ":" + kh, regions, drawn);
                all.hard += int(plan.hard_questions.size());

                // Read once for the comparison.
                recognition::ShiBie reader;
                reader.load_bits(picture);
                for (const QString& item : items) {
                    const QString number = item.section(',', 8, 8);
                    const std::string want = drawn.count(number.toStdString()) ? drawn.at(number.toStdString()) : "";
                    const QString got = reader.read_answer(item, box.CKK);
                    ++all.items;
                    if (got.toStdString() == want) continue;
                    const bool hard = std::count(plan.hard_questions.begin(), plan.hard_questions.end(),
                                                 number.toStdString()) > 0;
                    ++all.misses;
                    if (hard) ++all.expected_misses;
                    std::printf("  miss %s T%s: drawn '%s', read '%s'%s%s%s\n", kh, qPrintable(number), want.c_str(),
                                qPrintable(got), hard ? "  hard case: " : "", unusual_marks(plan, number.toStdString()).c_str(),
                                plan.shift.isNull() && plan.turn == 0 ? "" : "  (sheet off square)");
                }
                ++all.sheets;

                // Timing, turn about: the copy alone, then the copy and every item.
                QElapsedTimer t;
                int sink = 0;
                for (int round = 0; round < kRounds; ++round) {
                    recognition::ShiBie a;
                    t.start();
                    sink += a.load_bits(picture);
                    all.load_ms += double(t.nsecsElapsed()) / 1e6;
                    recognition::ShiBie b;
                    t.start();
                    sink += b.load_bits(picture);
                    for (const QString& item : items) sink += int(b.read_answer(item, box.CKK).size());
                    all.recognise_ms += double(t.nsecsElapsed()) / 1e6;
                }
                if (sink == -1) std::puts("");  // keep the work
            }
        }
    }
    server.stop();

    std::printf("\n%d sheets, %d items: %d read as drawn, %d misses (%d of them on questions meant as hard); "
                "%d hard questions drawn in all\n",
                all.sheets, all.items, all.items - all.misses, all.misses, all.expected_misses, all.hard);
    const double per = double(all.sheets) * kRounds;
    std::printf("per sheet: recognition (load and every item) %.3f ms, load alone %.3f ms, ratio %.2f\n",
                all.recognise_ms / per, all.load_ms / per, all.recognise_ms / std::max(all.load_ms, 1e-9));
    return 0;
}
