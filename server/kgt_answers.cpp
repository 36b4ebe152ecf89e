#include "kgt_answers.h"

#include <algorithm>

namespace velmora::kgt {

namespace {

constexpr size_t kLongest = 4096;  // a subject of 100 questions needs well under 2000

// A piece of what the teacher sent, short enough to quote in a message and
// cut between characters, never inside one.
std::string quoted(std::string_view s)
{
    constexpr size_t kMax = 24;
    if (s.size() <= kMax) return "“" + std::string(s) + "”";
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return "“" + std::string(s.substr(0, cut)) + "…”";
}

std::vector<std::string_view> pieces(std::string_view s, char sep)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(sep, start);
        out.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return out;
        start = at + 1;
    }
}

std::string options_text(const std::string& options)
{
    std::string t;
    for (char c : options) {
        if (!t.empty()) t += "、";
        t += c;
    }
    return t;
}

}  // namespace

ParseResult parse_kgt_str(std::string_view s, const std::vector<Question>& questions)
{
    auto refuse = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };
    const std::string shape = "答案串应为 T题号='选项',T题号='选项';记录号";
    if (s.empty()) return refuse("没有收到答案串。");
    if (s.size() > kLongest) return refuse("答案串太长。");

    const size_t semi = s.find(';');
    if (semi == std::string_view::npos || s.find(';', semi + 1) != std::string_view::npos)
        return refuse(shape + "，" + quoted(s) + "不是。");
    const std::string_view list = s.substr(0, semi);
    const std::string_view id = s.substr(semi + 1);
    if (id.empty() || id.size() > 15 || !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; })
        || std::all_of(id.begin(), id.end(), [](char c) { return c == '0'; }))
        return refuse("答案串末尾的记录号" + quoted(id) + "无效。");
    if (list.empty()) return refuse("答案串中没有任何试题的答案。");

    Parsed out;
    for (char c : id) out.record = out.record * 10 + (c - '0');
    for (const std::string_view element : pieces(list, ',')) {
        // T<number>='<letters>'
        const size_t eq = element.find("='");
        if (element.size() < 5 || element.front() != 'T' || eq == std::string_view::npos || eq < 2
            || element.back() != '\'' || eq + 2 > element.size() - 1)
            return refuse(shape + "，" + quoted(element) + "不是一道题的答案。");
        const std::string number(element.substr(1, eq - 1));
        const std::string_view letters = element.substr(eq + 2, element.size() - eq - 3);
        const auto q = std::find_if(questions.begin(), questions.end(),
                                    [&](const Question& x) { return x.number == number; });
        if (q == questions.end()) return refuse("本科目的选择题中没有第" + quoted(number) + "题。");
        if (out.answers.count(number)) return refuse("第 " + number + " 题的答案出现了两次。");
        std::string chosen;
        for (const char c : letters) {
            if (q->options.find(c) == std::string::npos || c == '\0')
                return refuse("第 " + number + " 题的答案" + quoted(letters) + "中有不是选项（" + options_text(q->options)
                              + "）的字符。");
            if (chosen.find(c) != std::string::npos)
                return refuse("第 " + number + " 题的答案" + quoted(letters) + "中有重复的选项。");
            chosen += c;
        }
        // Kept in option order: the client appends a letter clicked back
        // in at the end ("DB"), which is the same answer as "BD".
        std::string ordered;
        for (char c : q->options)
            if (chosen.find(c) != std::string::npos) ordered += c;
        out.answers.emplace(number, ordered);
    }
    return ParseResult{std::move(out), {}};
}

Answers read_answer_list(std::string_view list)
{
    Answers out;
    for (const std::string_view entry : pieces(list, ';')) {
        const size_t dash = entry.find('-');
        if (entry.size() < 3 || entry.front() != 'T' || dash == std::string_view::npos || dash < 2) continue;
        out[std::string(entry.substr(1, dash - 1))] = std::string(entry.substr(dash + 1));
    }
    return out;
}

std::string answer_list(const Answers& answers, const std::vector<Question>& questions)
{
    std::string out;
    for (const Question& q : questions) {
        const auto it = answers.find(q.number);
        out += "T" + q.number + "-" + (it == answers.end() ? std::string() : it->second) + ";";
    }
    return out;
}

double kgt_item_fs(std::string_view answer, std::string_view standard, double full, double partial)
{
    if (answer.empty() || standard.empty() || answer.size() > standard.size()) return 0;
    const bool all_in_key = std::all_of(answer.begin(), answer.end(),
                                        [&](char c) { return standard.find(c) != std::string_view::npos; });
    if (!all_in_key) return 0;
    return answer.size() == standard.size() ? full : partial;
}

}  // namespace velmora::kgt
