#include "page_util.h"

#include "protocol/records.h"
#include "velmora_server.h"

#include <QString>
#include <QStringList>

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

}  // namespace velmora
