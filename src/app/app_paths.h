#pragma once
#include <QString>
#include <QStringList>

namespace app {

// The program folder: where url.txt and ks_data/ live.
class AppPaths {
public:
    explicit AppPaths(QString programDir);
    const QString& programDir() const { return dir_; }
    QString file(const QString& name) const;

    // --data-dir DIR wins; otherwise the executable's folder when it is
    // writable and not a system folder (an installed program), else the
    // user's data folder.
    static AppPaths fromArguments(const QStringList& args);

private:
    QString dir_;
};

// True for a name that may become one file inside a folder of ours: not
// empty, no path separator or drive colon, not "." or "..". Names from the
// server or the user pass here before they touch the disk.
bool is_safe_file_name(const QString& name);

// A folder of the installed system (/usr, /bin, /sbin, /opt and below).
bool is_system_folder(const QString& dir);

}  // namespace app
