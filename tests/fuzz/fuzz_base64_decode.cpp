// The image replies: base64 text up to ",,,,,", or a report of an image the
// server lacks. What decodes must encode back to bytes that decode the same.
#include "fuzz_input.h"
#include "marking/image_cache.h"
#include "net/base64_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString reply = fuzz::text(data, size);
    const marking::ImageReply image = marking::parse_image_reply(reply);
    if (image.notFound)
        (void)marking::not_found_message(image.data);
    (void)marking::image_name_of_ref(reply);

    QByteArray out;
    if (!net::base64_bytes(image.hasSeparator ? image.data : reply, &out) || out.isEmpty())
        return 0;
    QByteArray again;
    FUZZ_CHECK(net::base64_bytes(QString::fromLatin1(out.toBase64()), &again));
    FUZZ_CHECK(again == out);
    return 0;
}
