// The score string of a save, as the server takes it apart.
#include "fs_str.h"
#include "fuzz_input.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const velmora::FsElement& e : velmora::parse_fs_str(fuzz::str(data, size))) {
        FUZZ_CHECK(!e.id || *e.id != 0);
        FUZZ_CHECK(!e.score || (std::isfinite(*e.score) && *e.score >= 0));
    }
    return 0;
}
