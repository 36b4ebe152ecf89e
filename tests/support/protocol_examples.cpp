#include "protocol_examples.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace testsupport {

namespace {

[[noreturn]] void fail(int line, const QString& what)
{
    qFatal("%s:%d: %s", PROTOCOL_EXAMPLES, line, qPrintable(what));
}

QList<ProtocolExample> read_examples()
{
    QFile file(QStringLiteral(PROTOCOL_EXAMPLES));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(0, QStringLiteral("cannot read the protocol examples"));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');

    QList<ProtocolExample> examples;
    QSet<QString> names;
    ProtocolExample current;
    bool open = false, hasPage = false, hasReply = false;
    int started = 0;
    const auto close = [&] {
        if (!open)
            return;
        if (!hasPage || !hasReply)
            fail(started, QStringLiteral("example \"%1\" wants a page and a reply").arg(current.name));
        if (names.contains(current.name))
            fail(started, QStringLiteral("a second example named \"%1\"").arg(current.name));
        names.insert(current.name);
        examples.append(current);
        current = {};
        open = hasPage = hasReply = false;
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString& line = lines.at(i);
        if (line.trimmed().isEmpty()) {
            close();
            continue;
        }
        if (line.startsWith(u'#'))
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            fail(lineNo, QStringLiteral("not a \"key: value\" line"));
        const QString key = line.left(colon);
        QString value = line.mid(colon + 1);
        if (value.startsWith(u' '))
            value.remove(0, 1);
        if (key == QLatin1String("example")) {
            if (open)
                fail(lineNo, QStringLiteral("an example starts before the one above has ended"));
            open = true;
            started = lineNo;
            current.name = value;
            continue;
        }
        if (!open)
            fail(lineNo, QStringLiteral("\"%1\" outside an example").arg(key));
        if (key == QLatin1String("page")) {
            current.page = value;
            hasPage = true;
        } else if (key == QLatin1String("query")) {
            current.query = value;
        } else if (key == QLatin1String("setup")) {
            current.setup.append(value);
        } else if (key == QLatin1String("reply")) {
            current.reply += value;
            hasReply = true;
        } else if (key == QLatin1String("match")) {
            if (value != QLatin1String("exact") && value != QLatin1String("pattern"))
                fail(lineNo, QStringLiteral("match is exact or pattern"));
            current.pattern = value == QLatin1String("pattern");
        } else {
            fail(lineNo, QStringLiteral("unknown key \"%1\"").arg(key));
        }
    }
    close();
    return examples;
}

}  // namespace

QString ProtocolExample::target() const
{
    return QStringLiteral("cj/") + page + (query.isEmpty() ? QString() : u'?' + query);
}

bool ProtocolExample::matches(const QString& serverReply) const
{
    if (!pattern)
        return serverReply == reply;
    QStringList parts = reply.split(u'…');
    for (QString& p : parts)
        p = QRegularExpression::escape(p);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(QStringLiteral(".*"))),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(serverReply).hasMatch();
}

QList<ProtocolExample> protocol_examples()
{
    static const QList<ProtocolExample> examples = read_examples();
    return examples;
}

ProtocolExample protocol_example(const QString& name)
{
    for (const ProtocolExample& e : protocol_examples()) {
        if (e.name == name)
            return e;
    }
    qFatal("no protocol example named \"%s\" in %s", qPrintable(name), PROTOCOL_EXAMPLES);
}

}  // namespace testsupport
