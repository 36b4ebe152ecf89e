#pragma once
// A reference server in a temporary folder, and a client that speaks to it
// the way the marking client does: raw targets, GBK replies.

#include "velmora_server.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace httplib {
class Client;
}

struct Fetched {
    int status = 0;          // 0: no connection
    QString text;            // body decoded from GBK
    std::string body;        // body bytes
    std::string content_type;
    std::string set_cookie;
};

class TestServer {
public:
    // Demo data unless told otherwise; `tweak` adjusts the options first.
    explicit TestServer(bool demo = true, int batch_size = 20);
    ~TestServer();

    velmora::Server& server() { return *server_; }
    velmora::ServerOptions& options() { return options_; }
    QString dir() const { return dir_.path(); }

    // GET of a target such as "cj/net_login.asp?xx_id=1" sent exactly as
    // given (no encoding added). Pages need a login: get() logs in once as
    // the teacher the target names (js_id, user_id or u_id, password
    // demo123; the subject leader 陈静 for a page that names none) and
    // sends that session's cookie.
    Fetched get(const std::string& target);
    QString text(const std::string& target) { return get(target).text; }
    // The same with exactly this Cookie header (empty: none).
    Fetched get_as(const std::string& target, const std::string& cookie);
    // The Cookie header of a new session of the teacher, empty when the
    // login fails.
    std::string login(std::int64_t teacher, const std::string& password = "demo123");

    // Starts again on the same database (for seeding twice).
    void restart();

private:
    QTemporaryDir dir_;
    velmora::ServerOptions options_;
    std::unique_ptr<velmora::Server> server_;
    std::unique_ptr<httplib::Client> client_;
    std::map<std::int64_t, std::string> cookies_;  // teacher -> Cookie header
};

// Logs a teacher in on the server at `port`, found by the lookup pages: the
// Cookie header of the new session, empty when the login fails.
std::string log_in(int port, std::int64_t teacher, const std::string& password = "demo123");

// The teacher a target names (js_id, user_id or u_id), 0 when none.
std::int64_t teacher_of(const std::string& target);

// GBK form encoding of a text, as the client's url_encode produces it.
std::string enc(const QString& text);
