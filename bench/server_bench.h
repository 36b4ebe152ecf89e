#pragma once
// What the server benchmarks start from: the demo server on a free port,
// with a database in a temporary folder and threads for many teachers.
#include "passwords.h"
#include "velmora_server.h"

#include <httplib.h>

#include <QDir>
#include <QTemporaryDir>

#include <string>

inline velmora::ServerOptions bench_server_options(const QTemporaryDir& dir)
{
    velmora::ServerOptions o;
    o.db_path = QDir(dir.path()).filePath("bench.db").toStdString();
    o.port = 0;
    o.demo = true;
    o.threads = 64;
    return o;
}

// The stored password of the benchmarks' own teachers ("bench"), so they log
// in like any other teacher.
inline const std::string& bench_password()
{
    static const std::string digest = velmora::hash_password("bench", 1000);
    return digest;
}

// Logs a teacher of the demo school in (an ASCII name, or one already
// GBK-encoded): the Cookie header of its session, to send with every page.
inline std::string bench_login(int port, const std::string& name, const std::string& password = "bench")
{
    httplib::Client c("127.0.0.1", port);
    c.set_url_encode(false);
    const auto r = c.Get(("/cj/net_login.asp?xx_id=1&js_name=" + name + "&password=" + password).c_str());
    const std::string set = r ? r->get_header_value("Set-Cookie") : std::string();
    return set.substr(0, set.find(';'));
}

// The demo's subject leader, who may see every answer and report.
inline std::string bench_leader_login(int port) { return bench_login(port, "%B3%C2%BE%B2", "demo123"); }
