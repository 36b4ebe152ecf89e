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

// The stored password of the benchmarks' own teachers ("bench"), hashed
// with few rounds: fifty logins at once would otherwise keep the server
// busy into the first measurement.
inline const std::string& bench_password()
{
    static const std::string digest = velmora::hash_password("bench", 1000);
    return digest;
}

// `count` more teachers of the demo school (ids 100 on, names bench0 on,
// password "bench"), each marking one question of 语文 (13 to 17 in turn),
// so with 50 every question is shared by ten.
inline void add_bench_teachers(velmora::Server& server, int count)
{
    for (int t = 0; t < count; ++t) {
        server.exec_sql("INSERT INTO teachers(id, school_id, name, initials, password) VALUES(" + std::to_string(100 + t)
                        + ", 1, 'bench" + std::to_string(t) + "', 'b', '" + bench_password() + "')");
        server.exec_sql("INSERT INTO assignments(subject_id, teacher_id, question_id) SELECT 1, "
                        + std::to_string(100 + t) + ", id FROM questions WHERE subject_id = 1 AND number = '"
                        + std::to_string(13 + t % 5) + "'");
    }
}

// Logs a teacher of the demo school in through the login page (an ASCII
// name, or one already GBK-encoded): the Cookie header of its session, to
// send with every page; empty when the server refused the login.
inline std::string bench_cookie(httplib::Client& c, const std::string& name, const std::string& password = "bench")
{
    auto r = c.Get(("/cj/net_login.asp?xx_id=1&js_name=" + name + "&password=" + password).c_str());
    if (!r || r->status != 200 || r->body.find("School_Name398685") == std::string::npos) return {};
    std::string cookie;
    for (size_t i = 0, n = r->get_header_value_count("Set-Cookie"); i < n; ++i) {
        const std::string v = r->get_header_value("Set-Cookie", i);
        cookie += (cookie.empty() ? "" : "; ") + v.substr(0, v.find(';'));
    }
    return cookie;
}

inline std::string bench_cookie(int port, const std::string& name, const std::string& password = "bench")
{
    httplib::Client c("127.0.0.1", port);
    c.set_url_encode(false);
    return bench_cookie(c, name, password);
}

// Logs bench teacher `t` in and makes the client carry its session from
// then on. Returns whether the server accepted the login.
inline bool bench_login(httplib::Client& c, int t)
{
    const std::string cookie = bench_cookie(c, "bench" + std::to_string(t));
    if (cookie.empty()) return false;
    c.set_default_headers({{"Cookie", cookie}});
    return true;
}

// The demo's subject leader, who may see every answer and report.
inline std::string bench_leader_login(int port) { return bench_cookie(port, "%B3%C2%BE%B2", "demo123"); }
