#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The three replies the login screen reads, taken apart without widgets.
// Names come back as plain text: a ";" closing an entity of the inner HTML
// ("&amp;") separates no records, and the entities are resolved, so a name
// is shown and sent back as the server spells it.
namespace login {

// The school table holds rows 0 to 50; further records of a reply are dropped.
inline constexpr int school_list_rows = 51;

struct SchoolRecord {
    QString id;    // field 0, as the server sent it
    QString name;  // field 1
};

// "School_Name8762349;" + records "id,name;" + "remote=" + x + ";" + version.
struct SchoolReply {
    bool marker = false;      // false: the server did not answer as one
    bool hasVersion = false;  // a "remote=" part was there
    QString version;
    bool noMatch = false;     // marker, but no record at all
    QList<SchoolRecord> records;  // at most school_list_rows
    qsizetype dropped = 0;        // records beyond the table
};
SchoolReply parse_school_reply(const QString& text);

// "JS8762349" + records "x,name;".
struct TeacherReply {
    bool marker = false;
    bool noMatch = false;
    QStringList names;
};
TeacherReply parse_teacher_reply(const QString& text);

// "...School_Name398685...,user id,name,...". A reply whose user id is not
// a whole number is no acceptance: nobody can be logged in as it.
struct LoginReply {
    bool accepted = false;
    int userId = 0;
    QString name;  // trimmed
};
LoginReply parse_login_reply(const QString& text);

}  // namespace login
