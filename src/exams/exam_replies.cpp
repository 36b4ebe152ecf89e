#include "exams/exam_replies.h"

#include "app/vbtext.h"
#include "protocol/markers.h"
#include "protocol/records.h"

namespace exams {

ExamListReply parse_exam_list(const QString& text)
{
    ExamListReply reply;
    reply.hasMarker = text.contains(QLatin1String(protocol::marker::exam_list));
    if (!reply.hasMarker)
        return reply;
    const QStringList pieces = protocol::split_records(text);
    for (qsizetype i = 0; i + 2 < pieces.size(); ++i) {
        const QStringList fields = protocol::split(pieces.at(i), QStringLiteral(","));
        const QString id = protocol::piece(fields, 0);
        if (!app::is_numeric(id))
            continue;
        reply.exams.append({id, protocol::plain_text(protocol::piece(fields, 1)), protocol::piece(fields, 3)});
    }
    return reply;
}

SubjectReply parse_subject_list(const QString& text)
{
    SubjectReply reply;
    reply.hasMarker = text.contains(QLatin1String(protocol::marker::subject_list));
    if (!reply.hasMarker)
        return reply;
    QStringList records = protocol::split_records(text);
    if (!records.isEmpty())
        records.removeLast();
    for (const QString& record : records) {
        if (record == QLatin1String("999,0")) {
            reply.subjects.append({999, QStringLiteral("综合[多科合卷]")});
            continue;
        }
        const QStringList fields = protocol::split(record, QStringLiteral(","));
        const QString idText = protocol::piece(fields, 0);
        bool ok = false;
        const int id = app::to_int(idText, &ok);
        if (!ok || id <= 0 || app::to_double(idText) != id)
            continue;
        reply.subjects.append({id, protocol::plain_text(protocol::piece(fields, 1))});
    }
    return reply;
}

}  // namespace exams
