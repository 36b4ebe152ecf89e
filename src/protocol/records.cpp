#include "protocol/records.h"

#include <QHash>
#include <QRegularExpression>

namespace protocol {

QString field(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u',': out += u'，'; break;
        case u';': out += u'；'; break;
        case u'<': out += u'＜'; break;
        case u'>': out += u'＞'; break;
        case u'&': out += u'＆'; break;
        case u'\r':
        case u'\n': out += u' '; break;
        default: out += c;
        }
    }
    return out;
}

QStringList split(const QString& text, const QString& sep)
{
    if (text.isEmpty())
        return {};
    return text.split(sep, Qt::KeepEmptyParts);
}

QStringList records(const QString& text, const QString& sep)
{
    QStringList pieces = split(text, sep);
    if (!pieces.isEmpty())
        pieces.removeLast();
    return pieces;
}

QString piece(const QStringList& pieces, qsizetype i)
{
    return i >= 0 && i < pieces.size() ? pieces.at(i) : QString();
}

namespace {
const QRegularExpression& entity_before_end()
{
    static const QRegularExpression re(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z][A-Za-z0-9]{0,9})$"));
    return re;
}
}  // namespace

QStringList split_records(const QString& html)
{
    QStringList pieces;
    if (html.isEmpty())
        return pieces;
    QString current;
    for (QChar c : html) {
        if (c == u';' && !entity_before_end().match(current.right(12)).hasMatch()) {
            pieces.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    pieces.append(current);
    return pieces;
}

QString plain_text(const QString& html)
{
    if (!html.contains(u'&'))
        return html;
    static const QRegularExpression re(
        QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|amp|lt|gt|quot|apos|nbsp);"));
    QString out;
    qsizetype last = 0;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += html.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        QString replacement = m.captured(0);
        if (name.startsWith(u'#')) {
            const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
            bool ok = false;
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                replacement = QString::fromUcs4(&c, 1);
            }
        } else {
            static const QHash<QString, QString> named{{"amp", "&"},   {"lt", "<"},   {"gt", ">"},
                                                       {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
            replacement = named.value(name);
        }
        out += replacement;
        last = m.capturedEnd();
    }
    return out + html.mid(last);
}

}  // namespace protocol
