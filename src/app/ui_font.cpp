#include "app/ui_font.h"

#include <QFont>
#include <QGuiApplication>

namespace app {

void prefer_cjk_ui_font(QGuiApplication&)
{
    QFont font = QGuiApplication::font();
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    const QString cjk = QString::fromLatin1(cjk_ui_family);
    if (families.contains(cjk))
        return;
    families << cjk;
    font.setFamilies(families);
    QGuiApplication::setFont(font);
}

}  // namespace app
