// What both sides share for replies: fields written so they never split a
// record, records cut without losing a character, entities resolved, and
// the page an address names.
#include "fuzz_input.h"
#include "protocol/pages.h"
#include "protocol/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::text(data, size);

    const QString written = protocol::field(text);
    for (const QChar c : {u',', u';', u'<', u'>', u'&', u'\r', u'\n'})
        FUZZ_CHECK(!written.contains(c));

    const QStringList pieces = protocol::split_records(text);
    FUZZ_CHECK(pieces.join(u';') == text);
    (void)protocol::records(text);
    if (!text.contains(u'&'))
        FUZZ_CHECK(protocol::plain_text(text) == text);
    else
        (void)protocol::plain_text(text);

    const QList<protocol::Page> pages = protocol::pages_in(text);
    FUZZ_CHECK(protocol::page_of(text) == (pages.isEmpty() ? protocol::Page::Unknown : pages.first()));
    (void)protocol::is_local_file(text);
    return 0;
}
