#include "exams/exam_replies.h"

#include "app/vbtext.h"
#include "net/inner_html.h"

namespace exams {

ExamListReply parse_exam_list(const QString& text)
{
    ExamListReply reply;
    reply.hasMarker = text.contains(QLatin1String("ks_name"));
    if (!reply.hasMarker)
        return reply;
    const QStringList pieces = net::split_outside_entities(text);
    for (qsizetype i = 0; i + 2 < pieces.size(); ++i) {
        const QStringList fields = app::split(pieces.at(i), QStringLiteral(","));
        const QString id = app::piece(fields, 0);
        if (!app::is_numeric(id))
            continue;
        reply.exams.append({id, net::plain_text(app::piece(fields, 1)), app::piece(fields, 3)});
    }
    return reply;
}

SubjectReply parse_subject_list(const QString& text)
{
    SubjectReply reply;
    reply.hasMarker = text.contains(QLatin1String("Studen_Number"));
    if (!reply.hasMarker)
        return reply;
    QStringList records = net::split_outside_entities(text);
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
        reply.subjects.append({id, net::plain_text(app::piece(fields, 1))});
    }
    return reply;
}

}  // namespace exams
