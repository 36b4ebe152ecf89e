// The objective answers a leader saves (the answer string) and the answer
// lists the server keeps, read by the server.
#include "fuzz_input.h"
#include "kgt_answers.h"

#include <algorithm>

using namespace velmora::kgt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<Question> questions = {{"1", "ABCD"}, {"2", "ABCD"}, {"7", "AB"}, {"12", "ABCDEFG"}};
    const std::string text = fuzz::str(data, size);

    const ParseResult r = parse_kgt_str(text, questions);
    FUZZ_CHECK(r.parsed.has_value() == r.error.empty());
    if (r.parsed) {
        FUZZ_CHECK(r.parsed->record > 0);
        for (const auto& answer : r.parsed->answers) {
            const std::string& letters = answer.second;
            const auto q = std::find_if(questions.begin(), questions.end(),
                                        [&](const Question& x) { return x.number == answer.first; });
            FUZZ_CHECK(q != questions.end());
            // Kept in option order, each letter once.
            std::string ordered;
            for (char c : q->options)
                if (letters.find(c) != std::string::npos) ordered += c;
            FUZZ_CHECK(ordered == letters);
        }
    }

    // A list the server writes reads back as it was.
    const Answers read = read_answer_list(text);
    const Answers back = read_answer_list(answer_list(read, questions));
    for (const Question& q : questions) {
        const auto it = read.find(q.number);
        FUZZ_CHECK(back.at(q.number) == (it == read.end() ? std::string() : it->second));
    }

    const std::size_t half = text.size() / 2;
    const double fs = kgt_item_fs(std::string_view(text).substr(0, half), std::string_view(text).substr(half), 4, 2);
    FUZZ_CHECK(fs == 0 || fs == 4 || fs == 2);
    return 0;
}
