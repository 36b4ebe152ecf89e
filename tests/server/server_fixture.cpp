#include "server_fixture.h"

#include "protocol/gbk.h"

#include <httplib.h>

#include <QFile>

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
    server_->stop();
    server_ = std::make_unique<velmora::Server>(options_);
    server_->start();
}

Fetched TestServer::get(const std::string& target)
{
    if (!client_) {
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client_->set_url_encode(false);
        client_->set_keep_alive(true);
    }
    Fetched f;
    const auto res = client_->Get(("/" + target).c_str());
    if (!res) return f;
    f.status = res->status;
    f.body = res->body;
    f.content_type = res->get_header_value("Content-Type");
    f.text = protocol::from_gbk(QByteArray::fromStdString(res->body));
    return f;
}

std::string enc(const QString& text)
{
    return protocol::url_encode(text).toStdString();
}
