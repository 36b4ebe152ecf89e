#include "login/last_login.h"

#include <QSettings>

namespace login {

namespace {
const QString school_key = QStringLiteral("last_login/school");
const QString teacher_key = QStringLiteral("last_login/teacher");
// Longer than any name a lookup offers; a longer value is no name of ours.
constexpr qsizetype max_name = 64;

QString name(const QSettings& ini, const QString& key)
{
    const QString v = ini.value(key).toString().trimmed();
    return v.size() > max_name ? QString() : v;
}
}  // namespace

LastLogin read_last_login(const QString& path)
{
    const QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return {};
    LastLogin last{name(ini, school_key), name(ini, teacher_key)};
    if (last.school.isEmpty())
        return {};
    return last;
}

bool save_last_login(const QString& path, const LastLogin& last)
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(school_key, last.school);
    ini.setValue(teacher_key, last.teacher);
    ini.sync();
    return ini.status() == QSettings::NoError;
}

}  // namespace login
