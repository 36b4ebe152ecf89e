#pragma once
// Who is asking: the session a login starts (an HttpOnly cookie, kept in the
// store only as its SHA-256), the pace of password guesses, and the table of
// pages that need a live session and which query field names its teacher.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace velmora {

class Query;
class Store;
struct Reply;

inline constexpr char kSessionCookie[] = "velmora_session";
// A session unused for a working day ends.
inline constexpr std::int64_t kSessionIdleSeconds = 10 * 3600;

struct SessionUser {
    std::int64_t teacher = 0;
    std::int64_t school = 0;
};

class Sessions {
public:
    explicit Sessions(Store& store) : store_(store) {}

    // A new session for the teacher: the cookie value to hand out.
    std::string open(std::int64_t teacher, std::int64_t now);
    // The live session of a cookie value, used again now.
    std::optional<SessionUser> find(const std::string& token, std::int64_t now);

private:
    Store& store_;
};

// The session cookie's value in a Cookie header, or empty.
std::string session_token(const std::string& cookie_header);
// The Set-Cookie value that hands `token` to the client.
std::string session_cookie(const std::string& token);

// Password guessing. After kTeacherTries wrong passwords for one teacher
// (or kAddressTries from one address, whatever teacher), logins there are
// refused for a delay that doubles with each further wrong password. A
// name that is no teacher counts like a wrong password, so refusals never
// tell the two apart.
class LoginGuard {
public:
    static constexpr int kTeacherTries = 5;
    // Higher: a school's computers often reach us through one address.
    static constexpr int kAddressTries = 20;
    static constexpr std::int64_t kFirstDelay = 60;
    static constexpr std::int64_t kLongestDelay = 3600;

    // 0 when a try may go ahead (it is then counted as running), else the
    // seconds to wait.
    std::int64_t admit(const std::string& teacher_key, const std::string& address, std::int64_t now);
    // The outcome of an admitted try.
    void done(const std::string& teacher_key, const std::string& address, bool right, std::int64_t now);

private:
    struct Entry {
        int wrong = 0;      // wrong passwords since the last right one (or quiet day)
        int running = 0;    // admitted tries not yet done
        int lockouts = 0;   // delays so far: each doubles the next
        std::int64_t until = 0;
        std::int64_t last = 0;
    };
    using Map = std::unordered_map<std::string, Entry>;
    static std::int64_t wait_of(Entry& e, int tries, std::int64_t now);
    static void wrong(Entry& e, int tries, std::int64_t now);
    void prune(Map& m, std::int64_t now);

    std::mutex mu_;
    Map teachers_, addresses_;
};

// The refusal of a page that needs a session: nullopt when the request may
// go on. Lookups, the login and the help page are open; a page not known
// here needs a session (a new page is closed until listed).
std::optional<Reply> check_session(Store& store, Sessions& sessions, const std::string& page, const Query& q,
                                   const std::string& cookie_header, std::int64_t now);

// For tests: whether a page name needs a session.
bool page_needs_session(const std::string& page);

}  // namespace velmora
