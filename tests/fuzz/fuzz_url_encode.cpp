// Query values as the client sends them and the server reads them back:
// GBK bytes in form encoding.
#include "fuzz_input.h"
#include "protocol/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::text(data, size);
    const QString encoded = protocol::url_encode(text);
    for (QChar c : encoded)
        FUZZ_CHECK(c.isLetterOrNumber() || c == u'%' || c == u'+');
    FUZZ_CHECK(protocol::form_decode(encoded.toLatin1()) == protocol::gbk_bytes(text));

    const QByteArray raw = fuzz::bytes(data, size);
    FUZZ_CHECK(protocol::form_decode(protocol::form_encode(raw)) == raw);
    (void)protocol::from_gbk(raw);
    (void)protocol::form_decode(raw);
    return 0;
}
