#pragma once
#include <QByteArray>
#include <QString>

namespace app {

// Writes `bytes` to `path` whole or not at all: a temporary file beside it
// is renamed over it, so neither an old tail after shorter data nor a
// half-written file is ever left. With `ownerOnly` the file is readable by
// its owner alone, narrowed before anything is written (the rename keeps
// the rights). On failure `error` (when given) says why.
bool write_whole_file(const QString& path, const QByteArray& bytes, bool ownerOnly = false,
                      QString* error = nullptr);

// The same, whole or not at all, without waiting for the disk: for files a
// power cut may take (a cache), where a sync would cost more than the write.
bool write_whole_file_unsynced(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace app
