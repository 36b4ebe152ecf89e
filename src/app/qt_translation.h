#pragma once
#include <QString>

class QCoreApplication;

namespace app {

// Installs Qt's own Chinese texts ("确定" rather than "OK" on message
// boxes, the text fields' context menus) from `dir`, by default the folder
// Qt's translations are installed in. False when they are not there: Qt
// then speaks English and nothing else changes.
bool install_qt_chinese(QCoreApplication& app, const QString& dir = {});

}  // namespace app
