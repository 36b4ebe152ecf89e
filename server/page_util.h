#pragma once
// What every page shares: the reply value, the context it runs in, and the
// writers for the record texts the client splits at ";" and ",".

#include "gbk_query.h"
#include "protocol/markers.h"
#include "store.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

namespace marker = protocol::marker;

struct ServerOptions;
class Sessions;
class LoginGuard;

struct Reply {
    int status = 200;
    std::string body;              // UTF-8 text (sent as GBK) or raw bytes
    std::string content_type = "text/html; charset=GBK";
    bool raw = false;              // body is bytes (downloads), not text
    std::vector<std::pair<std::string, std::string>> headers{};  // extra headers (Set-Cookie)

    static Reply text(std::string t, int status = 200) { return Reply{status, std::move(t)}; }
    // Failures carry "运行时错误", the phrase the client's error-page check
    // knows: without it a refused save or batch would be read as a reply.
    static Reply bad(const std::string& what)
    {
        return Reply{400, std::string("参数错误（") + protocol::marker::runtime_error + "）：" + what};
    }
    static Reply not_found() { return Reply{404, std::string("404 ") + protocol::marker::page_not_found}; }
};

struct Context {
    Store& store;
    const ServerOptions& options;
    std::string images_dir;
    std::atomic<std::int64_t>& clock_offset;
    Sessions& sessions;
    LoginGuard& logins;

    std::int64_t now() const;  // seconds since the epoch, test offset included
};

// The protocol's record rules for UTF-8 strings. field: the separators and
// what HTML would change become their full-width forms, so a name never
// splits a record. split: the client's lists (fs_str, th_bj) cut at `sep`.
std::string field(const std::string& s);
std::vector<std::string> split(const std::string& s, char sep);
// Shortest decimal text of a mark: 10, 7.5, 0.25, 3.125.
std::string mark_text(double v);
// "2026-12-10 13:05:00", local time.
std::string time_text(std::int64_t epoch_seconds);
// Strict score text: digits with at most one ".", nothing else.
bool parse_score(const std::string& s, double& out);
// A score text parse_score accepts, compared as the decimal it spells with
// the full mark (no float tolerance: "4.0000000005" is above 4).
bool score_within(const std::string& score, double full_mark);

}  // namespace velmora
