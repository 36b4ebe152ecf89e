#pragma once
// What the server benchmarks start from: the demo server on a free port,
// with a database in a temporary folder and threads for many teachers, and
// teachers that log in the way the client does.
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

// `count` more teachers of the demo school (ids 100 on, names bench0 on,
// the demo password), each marking one question of 语文 (13 to 17 in
// turn), so with 50 every question is shared by ten.
inline void add_bench_teachers(velmora::Server& server, int count)
{
    for (int t = 0; t < count; ++t) {
        server.exec_sql("INSERT INTO teachers(id, school_id, name, initials, password) SELECT " + std::to_string(100 + t)
                        + ", 1, 'bench" + std::to_string(t) + "', 'b', password FROM teachers WHERE id = 1");
        server.exec_sql("INSERT INTO assignments(subject_id, teacher_id, question_id) SELECT 1, "
                        + std::to_string(100 + t) + ", id FROM questions WHERE subject_id = 1 AND number = '"
                        + std::to_string(13 + t % 5) + "'");
    }
}

// Logs bench teacher `t` in through the login page and makes the client
// carry every cookie the server sets from then on. Returns whether the
// server accepted the login.
inline bool bench_login(httplib::Client& c, int t)
{
    auto r = c.Get(("/cj/net_login.asp?xx_id=1&js_name=bench" + std::to_string(t) + "&password=demo123").c_str());
    if (!r || r->status != 200 || r->body.find("School_Name398685") == std::string::npos) return false;
    std::string cookie;
    for (size_t i = 0, n = r->get_header_value_count("Set-Cookie"); i < n; ++i) {
        const std::string v = r->get_header_value("Set-Cookie", i);
        cookie += (cookie.empty() ? "" : "; ") + v.substr(0, v.find(';'));
    }
    if (!cookie.empty()) c.set_default_headers({{"Cookie", cookie}});
    return true;
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
