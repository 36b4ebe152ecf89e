#include "ui/zoom_box.h"

#include "ui/widget_names.h"

#include <QSlider>
#include <QVBoxLayout>

namespace ui {

ZoomBox::ZoomBox(int sliderWidth, QWidget* parent)
    : QGroupBox(QStringLiteral("试题显示比例"), parent),
      slider1_(named(new QSlider(Qt::Horizontal, this), "Slider1"))
{
    setObjectName(QStringLiteral("Frame6"));
    slider1_->setRange(1, 200);
    slider1_->setValue(100);
    slider1_->setFixedWidth(sliderWidth);
    slider1_->setAccessibleName(title());
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(slider1_);
}

}  // namespace ui
