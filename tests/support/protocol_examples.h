#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The protocol examples of src/protocol/examples.txt (the file says what an
// example holds), read at run time. Client and server tests take their
// reply texts from here, so the parsers, the server and docs/protocol.md
// are held to the same examples.
//
// Any test can use them: tavix_testsupport links this library, and a
// server test links tavix_protocol_examples. A screen or parser test takes
// the reply it parses by the example's name:
//     const auto batch = testsupport::protocol_example(QStringLiteral("batch"));
//     parse(batch.reply) ... compare with the values the example shows.
namespace testsupport {

struct ProtocolExample {
    QString name;
    QString page;       // file name under cj/
    QString query;      // as the client sends it; empty when there is none
    QStringList setup;  // SQL the server's test runs first
    QString reply;
    bool pattern = false;  // "…" in the reply stands for any text

    // "cj/" + page, and "?" + query when there is one.
    QString target() const;
    // The reply of a server answers this example.
    bool matches(const QString& serverReply) const;
};

// Every example, in the order of the file. A malformed file or a missing
// one ends the test program with the line at fault.
QList<ProtocolExample> protocol_examples();
// The example of that name; ends the test program when there is none.
ProtocolExample protocol_example(const QString& name);

}  // namespace testsupport
