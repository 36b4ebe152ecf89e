#include "gbk_query.h"

#include "protocol/gbk.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <charconv>

namespace velmora {

namespace {
std::string from_bytes(const QByteArray& b)
{
    return std::string(b.constData(), size_t(b.size()));
}
QByteArrayView view(std::string_view s)
{
    return QByteArrayView(s.data(), qsizetype(s.size()));
}
std::string form_decode_bytes(std::string_view raw)
{
    return from_bytes(protocol::form_decode(view(raw)));
}
}  // namespace

// ASCII is the same in GBK and UTF-8: such a text (an image reply, most
// query values) skips the conversion.
static bool all_ascii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string gbk_to_utf8(std::string_view gbk)
{
    if (all_ascii(gbk)) return std::string(gbk);
    return from_bytes(protocol::from_gbk(view(gbk)).toUtf8());
}

std::string utf8_to_gbk(std::string_view utf8)
{
    if (all_ascii(utf8)) return std::string(utf8);
    return from_bytes(protocol::gbk_bytes(QString::fromUtf8(view(utf8))));
}

Query Query::from_target(std::string_view target)
{
    Query q;
    const size_t qm = target.find('?');
    // A target without "?" has no query; a bare "a=1&b=2" is a query.
    std::string_view rest;
    if (qm != std::string_view::npos) rest = target.substr(qm + 1);
    else if (!target.empty() && target.front() != '/') rest = target;
    const size_t hash = rest.find('#');
    if (hash != std::string_view::npos) rest = rest.substr(0, hash);
    while (!rest.empty()) {
        const size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        const std::string key = form_decode_bytes(pair.substr(0, eq));
        const std::string value = eq == std::string_view::npos ? std::string()
                                                               : gbk_to_utf8(form_decode_bytes(pair.substr(eq + 1)));
        q.values_.emplace(key, value);
    }
    return q;
}

std::string trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
}

std::string Query::text(const std::string& key) const
{
    return trim(raw_text(key));
}

std::string Query::raw_text(const std::string& key) const
{
    const auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
}

std::optional<std::int64_t> parse_integer(std::string_view s)
{
    const std::string t = trim(s);
    if (t.empty()) return std::nullopt;
    std::int64_t v = 0;
    const char* first = t.data();
    if (*first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

std::optional<std::int64_t> Query::integer(const std::string& key) const
{
    if (!has(key)) return std::nullopt;
    return parse_integer(raw_text(key));
}

}  // namespace velmora
