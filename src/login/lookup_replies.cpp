#include "login/lookup_replies.h"

#include "app/vbtext.h"
#include "login/login_texts.h"
#include "net/inner_html.h"

#include <cmath>

namespace login {

SchoolReply parse_school_reply(const QString& text)
{
    SchoolReply r;
    r.marker = text.contains(text::school_marker);
    if (!r.marker)
        return r;
    QString list = text;
    if (text.contains(text::version_tag)) {
        const QStringList parts = app::split(text, text::version_tag);
        list = app::piece(parts, 0);
        r.hasVersion = true;
        r.version = app::piece(app::split(app::piece(parts, 1), QStringLiteral(";")), 1);
    }
    list.remove(text::school_marker + u';');
    list = app::trim(list);
    if (!list.contains(u';')) {
        r.noMatch = true;
        return r;
    }
    QStringList recs = net::split_outside_entities(list);
    recs.removeLast();
    for (const QString& rec : recs) {
        if (r.records.size() == school_list_rows) {
            r.dropped = recs.size() - school_list_rows;
            break;
        }
        const QStringList fields = app::split(rec, QStringLiteral(","));
        r.records.append({app::piece(fields, 0), net::plain_text(app::piece(fields, 1))});
    }
    return r;
}

TeacherReply parse_teacher_reply(const QString& text)
{
    TeacherReply r;
    r.marker = text.contains(text::teacher_marker);
    if (!r.marker)
        return r;
    QString list = text;
    list.remove(text::teacher_marker);
    list = app::trim(list);
    if (!list.contains(u';')) {
        r.noMatch = true;
        return r;
    }
    QStringList recs = net::split_outside_entities(list);
    recs.removeLast();
    for (const QString& rec : recs)
        r.names.append(net::plain_text(app::piece(app::split(rec, QStringLiteral(",")), 1)));
    return r;
}

LoginReply parse_login_reply(const QString& text)
{
    LoginReply r;
    if (!text.contains(text::login_marker))
        return r;
    const QStringList pieces = app::split(text, QStringLiteral(","));
    const QString id = app::trim(app::piece(pieces, 1));
    bool ok = false;
    const double value = app::to_double(id, &ok);
    const int userId = app::to_int(id);
    if (!ok || value != std::floor(value) || double(userId) != value)
        return r;
    r.accepted = true;
    r.userId = userId;
    r.name = net::plain_text(app::trim(app::piece(pieces, 2)));
    return r;
}

}  // namespace login
