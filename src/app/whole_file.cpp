#include "app/whole_file.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>

namespace app {

bool write_whole_file(const QString& path, const QByteArray& bytes, bool ownerOnly, QString* error)
{
    QSaveFile f(path);
    auto fail = [&] {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    };
    if (!f.open(QIODevice::WriteOnly))
        return fail();
    if (ownerOnly && !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail();
    if (f.write(bytes) != bytes.size())
        return fail();
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool write_whole_file_unsynced(const QString& path, const QByteArray& bytes, QString* error)
{
    // Beside the file, so the rename stays within one file system. QFile's
    // rename will not replace an existing file; the standard library's does.
    QTemporaryFile f(path + QStringLiteral(".XXXXXX"));
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!f.open())
        return fail(f.errorString());
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                     | QFileDevice::ReadOther);
    if (f.write(bytes) != bytes.size() || !f.flush())
        return fail(f.errorString());
    f.close();
#ifdef Q_OS_WIN
    const std::filesystem::path from(f.fileName().toStdWString()), to(path.toStdWString());
#else
    const std::filesystem::path from(QFile::encodeName(f.fileName()).toStdString()),
        to(QFile::encodeName(path).toStdString());
#endif
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    if (ec)
        return fail(QString::fromStdString(ec.message()));
    f.setAutoRemove(false);  // it is the file now
    return true;
}

}  // namespace app
