#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace app {

bool install_qt_chinese(QCoreApplication& app, const QString& dir)
{
    const QString from = dir.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dir;
    const auto install = [&](const char* name) {
        auto* t = new QTranslator(&app);
        if (t->load(QString::fromLatin1(name), from) && QCoreApplication::installTranslator(t))
            return true;
        delete t;
        return false;
    };
    // qt_zh_CN gathers the base modules' catalogues; the browser engine's
    // texts (its context menu) come in a catalogue of their own.
    if (!install("qt_zh_CN"))
        return false;
    install("qtwebengine_zh_CN");
    return true;
}

}  // namespace app
