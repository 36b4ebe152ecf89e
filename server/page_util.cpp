#include "page_util.h"

#include "protocol/records.h"
#include "velmora_server.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

namespace velmora {

std::int64_t Context::now() const
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count() + clock_offset.load();
}

std::string field(const std::string& s)
{
    return protocol::field(QString::fromStdString(s)).toStdString();
}

std::vector<std::string> split(const std::string& s, char sep)
{
    std::vector<std::string> out;
    for (const QString& piece : protocol::split(QString::fromStdString(s), QString(QChar::fromLatin1(sep))))
        out.push_back(piece.toStdString());
    return out;
}

std::string mark_text(double v)
{
    // Rounding first drops float noise (of sums); scores keep the places
    // they were keyed with, 3.125 too.
    const double r = std::round(v * 1e9) / 1e9;
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, r);
    std::string s(buf, res.ptr);
    if (s == "-0") s = "0";
    return s;
}

std::string time_text(std::int64_t epoch_seconds)
{
    const std::time_t t = std::time_t(epoch_seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

bool parse_score(const std::string& s, double& out)
{
    if (s.empty() || s.size() > 12) return false;
    int dots = 0, digits = 0;
    for (char c : s) {
        if (c == '.') ++dots;
        else if (c >= '0' && c <= '9') ++digits;
        else return false;
    }
    if (dots > 1 || digits == 0) return false;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), out);
    return res.ec == std::errc() && res.ptr == s.data() + s.size() && std::isfinite(out);
}

bool score_within(const std::string& score, double full_mark)
{
    // Both as digit strings: the integer part without leading zeros, the
    // fraction without trailing ones; then the longer integer part is the
    // larger number, and equal lengths compare digit by digit.
    auto parts = [](std::string s) {
        const size_t dot = s.find('.');
        std::string whole = s.substr(0, dot), frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
        whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
        while (!frac.empty() && frac.back() == '0') frac.pop_back();
        return std::pair(whole, frac);
    };
    const auto [sw, sf] = parts(score);
    const auto [fw, ff] = parts(mark_text(full_mark));
    if (sw.size() != fw.size()) return sw.size() < fw.size();
    if (sw != fw) return sw < fw;
    return sf <= ff;  // "" < "5" < "51" < "6": a fraction compares as its digits
}

}  // namespace velmora
