// url.txt as the login screen loads it, and the password shift it holds.
#include "fuzz_input.h"
#include "login/url_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content = fuzz::bytes(data, size);
    (void)login::parse_url_txt(content);

    // A password that survives the shift reads back as typed.
    const QString password = fuzz::text(data, size);
    bool ok = false;
    const QString shifted = login::pwd_encode(password, &ok);
    if (ok) {
        bool back = false;
        FUZZ_CHECK(login::pwd_decode(shifted, &back) == password && back);
    }
    (void)login::pwd_decode(password, &ok);
    return 0;
}
