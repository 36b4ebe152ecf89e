#pragma once
#include <QString>

// The school and teacher of the last successful login, so that a teacher
// does not type them at every start. A file of our own beside url.txt,
// which keeps the format older installations share:
//
//   tavix.ini (UTF-8, INI)
//   [last_login]
//   school=第一中学
//   teacher=张明
//
// Names only: the school is looked up again at start, so a server that
// does not know it chooses none. The password stays in url.txt.
namespace login {

inline constexpr const char* last_login_file = "tavix.ini";

struct LastLogin {
    QString school;
    QString teacher;
    bool isEmpty() const { return school.isEmpty(); }
};

// Empty when the file is missing, unreadable or names no school.
LastLogin read_last_login(const QString& path);
// False when the file could not be written.
bool save_last_login(const QString& path, const LastLogin& last);

}  // namespace login
