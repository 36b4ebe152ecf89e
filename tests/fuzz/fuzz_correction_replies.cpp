// The correction screen's replies: question list, lookup, score line, and
// the page an address answers.
#include "correction/replies.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString reply = fuzz::text(data, size);
    (void)correction::correction_page(reply);
    const correction::QuestionList list = correction::parse_question_list(reply);
    for (const QString& n : list.numbers)
        (void)correction::question_caption(n);
    const correction::Lookup lookup = correction::parse_lookup(reply);
    if (lookup.found) {
        (void)correction::get_fs_text(lookup.fs_text);
        const QString name = correction::safe_image_name(lookup.img_file);
        FUZZ_CHECK(!name.contains(u'/') && !name.contains(u'\\'));
    }
    (void)correction::get_fs_text(reply);
    return 0;
}
