#include "net/inner_html.h"

#include <QHash>
#include <QRegularExpression>

namespace net {

namespace {
const QRegularExpression& entity_before_end()
{
    static const QRegularExpression re(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z][A-Za-z0-9]{0,9})$"));
    return re;
}
}  // namespace

QStringList split_outside_entities(const QString& text)
{
    QStringList pieces;
    if (text.isEmpty())
        return pieces;
    QString current;
    for (QChar c : text) {
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
    static const QRegularExpression re(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|amp|lt|gt|quot|apos|nbsp);"));
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
            static const QHash<QString, QString> named{{"amp", "&"}, {"lt", "<"},   {"gt", ">"},
                                                       {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
            replacement = named.value(name);
        }
        out += replacement;
        last = m.capturedEnd();
    }
    return out + html.mid(last);
}

}  // namespace net
