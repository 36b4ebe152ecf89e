// The server's strict score text, and the text a score is written back as.
#include "fuzz_input.h"
#include "page_util.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    double score = -1;
    if (velmora::parse_score(fuzz::str(data, size), score)) {
        FUZZ_CHECK(std::isfinite(score) && score >= 0);
        (void)velmora::mark_text(score);
    }
    return 0;
}
