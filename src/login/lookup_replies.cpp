#include "login/lookup_replies.h"

#include "app/vbtext.h"
#include "protocol/markers.h"
#include "protocol/records.h"

#include <cmath>
#include <optional>

namespace login {

namespace {

// The records of a lookup list once `marker` is taken out of it; none when
// not one ";" is left: the lookup matched nothing.
std::optional<QStringList> lookup_records(QString list, const QString& marker)
{
    list.remove(marker);
    list = app::trim(list);
    if (!list.contains(u';'))
        return std::nullopt;
    QStringList recs = protocol::split_records(list);
    recs.removeLast();
    return recs;
}

QStringList fields_of(const QString& record)
{
    return protocol::split(record, QStringLiteral(","));
}

}  // namespace

SchoolReply parse_school_reply(const QString& text)
{
    const QLatin1String marker(protocol::marker::school_list);
    const QLatin1String versionTag(protocol::marker::version_tag);
    SchoolReply r;
    r.marker = text.contains(marker);
    if (!r.marker)
        return r;
    QString list = text;
    if (text.contains(versionTag)) {
        const QStringList parts = protocol::split(text, versionTag);
        list = protocol::piece(parts, 0);
        r.hasVersion = true;
        r.version = protocol::piece(protocol::split(protocol::piece(parts, 1), QStringLiteral(";")), 1);
    }
    const std::optional<QStringList> recs = lookup_records(list, QString(marker) + u';');
    r.noMatch = !recs;
    for (const QString& rec : recs.value_or(QStringList())) {
        if (r.records.size() == school_list_rows) {
            r.dropped = recs->size() - school_list_rows;
            break;
        }
        const QStringList fields = fields_of(rec);
        r.records.append({protocol::piece(fields, 0), protocol::plain_text(protocol::piece(fields, 1))});
    }
    return r;
}

TeacherReply parse_teacher_reply(const QString& text)
{
    const QLatin1String marker(protocol::marker::teacher_list);
    TeacherReply r;
    r.marker = text.contains(marker);
    if (!r.marker)
        return r;
    const std::optional<QStringList> recs = lookup_records(text, marker);
    r.noMatch = !recs;
    for (const QString& rec : recs.value_or(QStringList()))
        r.names.append(protocol::plain_text(protocol::piece(fields_of(rec), 1)));
    return r;
}

LoginReply parse_login_reply(const QString& text)
{
    LoginReply r;
    if (!text.contains(QLatin1String(protocol::marker::login_ok)))
        return r;
    const QStringList pieces = fields_of(text);
    const QString id = app::trim(protocol::piece(pieces, 1));
    bool ok = false;
    const double value = app::to_double(id, &ok);
    const int userId = app::to_int(id);
    if (!ok || value != std::floor(value) || double(userId) != value)
        return r;
    r.accepted = true;
    r.userId = userId;
    r.name = protocol::plain_text(app::trim(protocol::piece(pieces, 2)));
    return r;
}

}  // namespace login
