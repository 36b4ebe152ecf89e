#include "app/whole_file.h"

#include <QSaveFile>

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

}  // namespace app
