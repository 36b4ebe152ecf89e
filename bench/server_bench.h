#pragma once
// What the server benchmarks start from: the demo server on a free port,
// with a database in a temporary folder and threads for many teachers.
#include "velmora_server.h"

#include <QDir>
#include <QTemporaryDir>

inline velmora::ServerOptions bench_server_options(const QTemporaryDir& dir)
{
    velmora::ServerOptions o;
    o.db_path = QDir(dir.path()).filePath("bench.db").toStdString();
    o.port = 0;
    o.demo = true;
    o.threads = 64;
    return o;
}
