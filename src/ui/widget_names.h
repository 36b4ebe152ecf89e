#pragma once
#include <QString>

namespace ui {

// Gives a new control its objectName (the control name tests and the rules
// know it by) and hands it back, so building a screen reads as one line a
// control.
template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace ui
