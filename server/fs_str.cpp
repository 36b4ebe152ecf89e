#include "fs_str.h"

#include "gbk_query.h"
#include "page_util.h"

namespace velmora {

std::vector<FsElement> parse_fs_str(const std::string& fs_str)
{
    std::vector<FsElement> out;
    for (const std::string& element : split(fs_str, ';')) {
        if (trim(element).empty()) continue;
        const std::vector<std::string> parts = split(element, ',');
        FsElement e;
        e.id = parts.empty() ? std::nullopt : parse_integer(parts[0]);
        if (e.id && *e.id == 0) continue;
        e.id_text = parts.empty() ? std::string() : trim(parts[0]);
        e.score_text = parts.size() == 2 ? trim(parts[1]) : std::string();
        double score = 0;
        if (parts.size() == 2 && parse_score(e.score_text, score)) e.score = score;
        out.push_back(e);
    }
    return out;
}

}  // namespace velmora
