#include "app/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace app {

AppPaths::AppPaths(QString programDir) : dir_(QDir::cleanPath(std::move(programDir))) {}

QString AppPaths::file(const QString& name) const
{
    return QDir(dir_).filePath(name);
}

bool is_system_folder(const QString& dir)
{
    // An installed program lives in the system's folders, which root may
    // write but no program should scatter its files into.
    const QString path = QFileInfo(dir).absoluteFilePath() + u'/';
    for (const char* root : {"/usr/", "/bin/", "/sbin/", "/opt/"}) {
        if (path.startsWith(QLatin1String(root)))
            return true;
    }
    return false;
}

AppPaths AppPaths::fromArguments(const QStringList& args)
{
    // The command line takes "--data-dir DIR" and "--data-dir=DIR" alike.
    QString dataDir;
    const QString option = QStringLiteral("--data-dir");
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == option && i + 1 < args.size())
            dataDir = args.at(++i);
        else if (args.at(i).startsWith(option + u'='))
            dataDir = args.at(i).mid(option.size() + 1);
    }
    if (!dataDir.isEmpty()) {
        QDir().mkpath(dataDir);
        return AppPaths(QFileInfo(dataDir).absoluteFilePath());
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable() && !is_system_folder(exeDir))
        return AppPaths(exeDir);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return AppPaths(data);
}

bool is_safe_file_name(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 32)
            return false;
    }
    return !name.contains(QLatin1String(".."));
}

}  // namespace app
