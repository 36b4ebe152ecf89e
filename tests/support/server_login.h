#pragma once
#include "net/page_channel.h"

#include <QString>

namespace testsupport {

// Logs the teacher `teacher` of school `school` in on the server at
// `baseUrl` ("http://127.0.0.1:PORT/") through `network`, as the login
// screen does (the name from the teacher lookup): the network's cookie jar
// then holds the session that every channel and browser view of it sends.
// For a test that sets the program's session fields itself. True on success.
bool logIn(net::Network& network, const QString& baseUrl, int school, qint64 teacher,
           const QString& password = QStringLiteral("demo123"));

}  // namespace testsupport
