#include "server_fixture.h"

#include "protocol/gbk.h"
#include "protocol/markers.h"

#include <httplib.h>

#include <QFile>
#include <QStringList>

#include <cstring>

namespace {

// Seeding hashes six passwords; do it once per test program and copy the
// seeded file for every server.
QString seeded_template()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString db = dir.path() + "/demo.db";
        velmora::ServerOptions o;
        o.db_path = db.toStdString();
        o.port = 0;
        o.demo = true;
        velmora::Server(o).start();  // seeds, then closes the store with its destructor
        return db;
    }();
    return path;
}

}  // namespace

TestServer::TestServer(bool demo, int batch_size)
{
    options_.db_path = (dir_.path() + "/marks.db").toStdString();
    if (demo) QFile::copy(seeded_template(), QString::fromStdString(options_.db_path));
    options_.port = 0;
    options_.demo = demo;
    options_.batch_size = batch_size;
    options_.threads = 16;
    server_ = std::make_unique<velmora::Server>(options_);
    server_->start();
}

TestServer::~TestServer()
{
    client_.reset();
    server_->stop();
}

void TestServer::restart()
{
    client_.reset();
    cookies_.clear();
    server_->stop();
    server_ = std::make_unique<velmora::Server>(options_);
    server_->start();
}

std::int64_t teacher_of(const std::string& target)
{
    const size_t qm = target.find('?');
    if (qm == std::string::npos) return 0;
    const QStringList pairs = QString::fromStdString(target.substr(qm + 1)).split('&');
    for (const QString& pair : pairs) {
        const QString key = pair.section('=', 0, 0);
        if (key == "js_id" || key == "user_id" || key == "u_id") return pair.section('=', 1).toLongLong();
    }
    return 0;
}

Fetched TestServer::get_as(const std::string& target, const std::string& cookie)
{
    if (!client_) {
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_url_encode(false);
        client_->set_keep_alive(true);
    }
    httplib::Headers headers;
    if (!cookie.empty()) headers.emplace("Cookie", cookie);
    Fetched f;
    const auto res = client_->Get(("/" + target).c_str(), headers);
    if (!res) return f;
    f.status = res->status;
    f.body = res->body;
    f.content_type = res->get_header_value("Content-Type");
    f.set_cookie = res->get_header_value("Set-Cookie");
    f.text = protocol::from_gbk(QByteArray::fromStdString(res->body));
    return f;
}

std::string log_in(int port, std::int64_t teacher, const std::string& password)
{
    httplib::Client c("127.0.0.1", port);
    c.set_url_encode(false);
    auto text = [&](const std::string& target) {
        const auto r = c.Get(("/" + target).c_str());
        return r ? protocol::from_gbk(QByteArray::fromStdString(r->body)) : QString();
    };
    // The teacher's name and school from the lookup pages, which need none.
    for (const QString& record : text("cj/net_get_school.asp?q=").split(';')) {
        const QString school = record.section(',', 0, 0);
        if (record.count(',') != 1 || school.toInt() <= 0) continue;
        const QString teachers = text("cj/net_get_js.asp?q=&xx_id=" + school.toStdString());
        for (const QString& t : teachers.mid(int(strlen(protocol::marker::teacher_list))).split(';')) {
            if (t.section(',', 0, 0).toLongLong() != teacher) continue;
            const auto r = c.Get(("/cj/net_login.asp?xx_id=" + school.toStdString() + "&js_name="
                                  + enc(t.section(',', 1)) + "&password=" + enc(QString::fromStdString(password)))
                                     .c_str());
            const std::string set = r ? r->get_header_value("Set-Cookie") : std::string();
            return set.substr(0, set.find(';'));
        }
    }
    return {};
}

std::string TestServer::login(std::int64_t teacher, const std::string& password)
{
    return log_in(server_->port(), teacher, password);
}

Fetched TestServer::get(const std::string& target)
{
    for (const char* open : {"net_get_school.asp", "net_get_js.asp", "net_login.asp", "tavix_help.html", "cj/down/"})
        if (target.find(open) != std::string::npos) return get_as(target, "");
    std::int64_t teacher = teacher_of(target);
    if (teacher == 0) teacher = 5;  // the demo's subject leader: every answer and school
    auto it = cookies_.find(teacher);
    if (it == cookies_.end()) it = cookies_.emplace(teacher, login(teacher)).first;
    return get_as(target, it->second);
}

std::string enc(const QString& text)
{
    return protocol::url_encode(text).toStdString();
}
