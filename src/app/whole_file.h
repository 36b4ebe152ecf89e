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

}  // namespace app
