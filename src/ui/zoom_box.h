#pragma once
#include <QGroupBox>

class QSlider;

namespace ui {

// The zoom of an image page view: the frame "试题显示比例" (Frame6) with its
// slider (Slider1) from 1 to 200 percent, at 100.
class ZoomBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZoomBox)
public:
    ZoomBox(int sliderWidth, QWidget* parent = nullptr);
    QSlider* slider() const { return slider1_; }

private:
    QSlider* slider1_;
};

}  // namespace ui
