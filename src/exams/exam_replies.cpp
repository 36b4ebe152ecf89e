#include "exams/exam_replies.h"

#include "app/vbtext.h"

#include <QHash>
#include <QRegularExpression>

namespace exams {

namespace {

// A reply is read as the page's inner HTML, so a name with "&" arrives as
// "&amp;": the ";" closing such an entity separates no records.
const QRegularExpression& entity_before_end()
{
    static const QRegularExpression re(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z][A-Za-z0-9]{0,9})$"));
    return re;
}

QStringList split_records(const QString& text)
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

// The text a name stands for, the entities of the inner HTML resolved.
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
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF))
            {
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

}  // namespace

ExamListReply parse_exam_list(const QString& text)
{
    ExamListReply reply;
    reply.hasMarker = text.contains(QLatin1String("ks_name"));
    if (!reply.hasMarker)
        return reply;
    const QStringList pieces = split_records(text);
    for (qsizetype i = 0; i + 2 < pieces.size(); ++i) {
        const QStringList fields = app::split(pieces.at(i), QStringLiteral(","));
        const QString id = app::piece(fields, 0);
        if (!app::is_numeric(id))
            continue;
        reply.exams.append({id, plain_text(app::piece(fields, 1)), app::piece(fields, 3)});
    }
    return reply;
}

SubjectReply parse_subject_list(const QString& text)
{
    SubjectReply reply;
    reply.hasMarker = text.contains(QLatin1String("Studen_Number"));
    if (!reply.hasMarker)
        return reply;
    QStringList records = split_records(text);
    if (!records.isEmpty())
        records.removeLast();
    for (const QString& record : records) {
        if (record == QLatin1String("999,0")) {
            reply.subjects.append({999, QStringLiteral("综合[多科合卷]")});
            continue;
        }
        const QStringList fields = app::split(record, QStringLiteral(","));
        const QString idText = app::piece(fields, 0);
        bool ok = false;
        const int id = app::to_int(idText, &ok);
        if (!ok || id <= 0 || app::to_double(idText) != id)
            continue;
        reply.subjects.append({id, plain_text(app::piece(fields, 1))});
    }
    return reply;
}

}  // namespace exams
