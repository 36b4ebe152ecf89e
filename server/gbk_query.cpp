#include "gbk_query.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <charconv>

namespace velmora {

std::string gbk_to_utf8(std::string_view gbk)
{
    QStringDecoder dec("GBK");
    const QString s = dec(QByteArrayView(gbk.data(), qsizetype(gbk.size())));
    const QByteArray u = s.toUtf8();
    return std::string(u.constData(), size_t(u.size()));
}

std::string utf8_to_gbk(std::string_view utf8)
{
    QStringEncoder enc("GBK");
    const QByteArray b = enc(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    return std::string(b.constData(), size_t(b.size()));
}

static int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string form_decode_bytes(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < raw.size() && hex_value(raw[i + 1]) >= 0
                   && hex_value(raw[i + 2]) >= 0) {
            out += char(hex_value(raw[i + 1]) * 16 + hex_value(raw[i + 2]));
            i += 2;
        } else {
            out += c;  // a lone "%" stays as it is
        }
    }
    return out;
}

std::string form_encode_gbk(std::string_view utf8)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : utf8_to_gbk(utf8)) {
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out += char(b);
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
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
