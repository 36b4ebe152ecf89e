#pragma once
// The client form-encodes query values in GBK bytes ("+" is a space, %XX a
// byte). The HTTP library would decode them as UTF-8, so we take the raw
// request target and decode here. Internally every text is UTF-8.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The protocol's GBK text for the server's UTF-8 strings; a character GBK
// lacks is sent as "?".
std::string gbk_to_utf8(std::string_view gbk);
std::string utf8_to_gbk(std::string_view utf8);

class Query {
public:
    Query() = default;
    // From a raw request target ("/cj/x.asp?a=1&b=%D5%C5") or a raw query.
    static Query from_target(std::string_view target);

    bool has(const std::string& key) const { return values_.count(key) != 0; }
    // Decoded UTF-8 value, trimmed of surrounding blanks; empty when absent.
    std::string text(const std::string& key) const;
    // Decoded value exactly as sent (no trimming).
    std::string raw_text(const std::string& key) const;
    // A whole number (optional sign, digits only, blanks around allowed).
    std::optional<std::int64_t> integer(const std::string& key) const;

private:
    std::map<std::string, std::string> values_;  // first occurrence wins
};

std::optional<std::int64_t> parse_integer(std::string_view s);
std::string trim(std::string_view s);

}  // namespace velmora
