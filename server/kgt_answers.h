#pragma once
// The objective answers of one result: the save's answer string read
// strictly, the answer lists the lookup writes, and the score of one
// question. Pure functions of their arguments (no store), so a fuzz target
// can call them.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::kgt {

// An objective question of the subject as the answer string may name it.
struct Question {
    std::string number;   // "7"
    std::string options;  // "ABCD", in option order
};

// number -> letters. Letters are kept in option order.
using Answers = std::map<std::string, std::string>;

struct Parsed {
    Answers answers;          // the questions the string names, nothing else
    std::int64_t record = 0;  // the result record the answers belong to
};

// Reads "T1='A',T2='BD';5312": one "T" + number + "='" + letters + "'" per
// question of `questions`, joined by ","; then ";" and the record id (digits,
// above 0). Letters must be options of that question, each at most once; an
// empty answer ('') is a blank. A question named twice, a number that is not
// one of `questions`, or anything else out of shape refuses the whole string:
// the error says why, in words for the teacher.
struct ParseResult {
    std::optional<Parsed> parsed;
    std::string error;
};
ParseResult parse_kgt_str(std::string_view s, const std::vector<Question>& questions);

// "T1-A;T2-BD;" read leniently (the stored lists are ours): entries without
// "T" or "-" are skipped, a later entry of the same number wins.
Answers read_answer_list(std::string_view list);
// The list of every question in `questions`' order; a question without an
// answer is written blank ("T5-;").
std::string answer_list(const Answers& answers, const std::vector<Question>& questions);

// Score of one question: 0 when either answer is empty or the student's is
// longer than the key; the full score for the same length with every letter
// in the key; the partial score for a shorter answer whose letters are all
// in the key; else 0.
double kgt_item_fs(std::string_view answer, std::string_view standard, double full, double partial);

}  // namespace velmora::kgt
