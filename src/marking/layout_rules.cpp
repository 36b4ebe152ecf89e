#include "marking/layout_rules.h"

namespace marking {

FloatingPlaces floating_places(int W, int frame10Width, int frame11Width, int listView2Width)
{
    return {W - frame10Width - 40, W - frame11Width - 30, W - listView2Width - 30};
}

SliderMove slider_moved(int value, const QString& shown_files)
{
    SliderMove m;
    m.frame6Caption = QStringLiteral("显示比例：") + QString::number(value) + u'%';
    if (!shown_files.isEmpty())
        m.reload = shown_files.contains(u',') ? shown_files.section(u',', 0, 0) : shown_files;
    return m;
}

}  // namespace marking
