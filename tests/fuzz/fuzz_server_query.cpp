// The server's reading of a request target: keys and values form-decoded,
// values GBK, numbers strict; and a value as the client sends it.
#include "fuzz_input.h"
#include "gbk_query.h"
#include "protocol/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string target = fuzz::str(data, size);
    const velmora::Query q = velmora::Query::from_target(target);
    for (const char* key : {"q", "ks_id", "km_id", "js_id", "fs_str", "th_bj", "n", "auto_save"}) {
        const std::string raw = q.raw_text(key);
        FUZZ_CHECK(q.has(key) || raw.empty());
        (void)q.text(key);
        (void)q.integer(key);
    }
    (void)velmora::parse_integer(target);
    (void)velmora::gbk_to_utf8(target);
    (void)velmora::utf8_to_gbk(target);

    // A value the client encodes reads back on the server as the client's
    // GBK bytes stand for: neither side reads it differently.
    const QString value = fuzz::text(data, size);
    const std::string sent = "cj/net_get_school.asp?q=" + protocol::url_encode(value).toStdString() + "&n=1";
    const velmora::Query back = velmora::Query::from_target(sent);
    FUZZ_CHECK(back.raw_text("q") == protocol::from_gbk(protocol::gbk_bytes(value)).toStdString());
    FUZZ_CHECK(back.integer("n") == 1);
    return 0;
}
