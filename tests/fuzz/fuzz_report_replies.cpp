// The report screen's pages: a table read for the spreadsheet (the input's
// first byte picks which report page it came from) and the answer sheet's
// list of pieces.
#include "fuzz_input.h"
#include "reports/answer_sheet.h"
#include "reports/export_model.h"

#include <QDir>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const pages[] = {"cj_score.asp", "cj_mc.asp", "cj_sjfx.asp", "cj_fsd.asp", "cj_stnd.asp"};
    static QTemporaryDir cache;
    if (size == 0)
        return 0;
    const QString url = QStringLiteral("http://127.0.0.1/cj/") + QLatin1String(pages[data[0] % 5]);
    const QString html = fuzz::text(data + 1, size - 1);

    const reports::ExportTable t = reports::export_table(url, html);
    for (const reports::Cell& c : t.cells)
        FUZZ_CHECK(c.row >= 1 && c.col >= 1);
    for (const reports::Merge& m : t.merges)
        FUZZ_CHECK(m.firstRow <= m.lastRow && m.firstCol <= m.lastCol);
    (void)reports::strip_links(html);

    // The cache stays empty: no image reply is taken, so every run walks
    // the same way.
    reports::AnswerSheet sheet(cache.path());
    bool started = false;
    const reports::AnswerSheet::Step step = sheet.begin(html, &started);
    if (!step.fetch.isEmpty()) {
        const QString name = reports::piece_file_name(step.fetch);
        FUZZ_CHECK(!name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\'));
        (void)sheet.imageReply(QStringLiteral("no image"));
    }
    return 0;
}
