#pragma once
// A reference server in a temporary folder, and a client that speaks to it
// the way the marking client does: raw targets, GBK replies.

#include "velmora_server.h"

#include <QString>
#include <QTemporaryDir>

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
    // given (no encoding added).
    Fetched get(const std::string& target);
    QString text(const std::string& target) { return get(target).text; }

    // Starts again on the same database (for seeding twice).
    void restart();

private:
    QTemporaryDir dir_;
    velmora::ServerOptions options_;
    std::unique_ptr<velmora::Server> server_;
    std::unique_ptr<httplib::Client> client_;
};

// GBK form encoding of a text, as the client's url_encode produces it.
std::string enc(const QString& text);
