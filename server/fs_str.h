#pragma once
// The score string a save sends, "0,;41,7.5;42,8;": elements "id,score"
// each ended by ";". Read apart from the page, so that what a save stores
// or refuses follows from the text alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct FsElement {
    std::optional<std::int64_t> id;  // nullopt: the id is no whole number
    std::optional<double> score;     // nullopt: not "id,score" with a strict score text
    std::string id_text;             // the id as sent, blanks trimmed
    std::string score_text;          // the score as sent, blanks trimmed
};

// The elements in order; blank ones and the leading id-0 element
// ("0,;" or "0,0;") are left out.
std::vector<FsElement> parse_fs_str(const std::string& fs_str);

}  // namespace velmora
