#pragma once
#include <QString>
#include <optional>

// The image view's neighbours: where the panels floating over it go when
// the window is resized, and the zoom of the answer images.
namespace marking {

// The left edges of the fault panel (Frame10), its shadow (Frame11) and the
// worked list (ListView2), from the form's inner width W and their widths.
struct FloatingPlaces {
    int frame10Left = 0;
    int frame11Left = 0;
    int listView2Left = 0;
};
FloatingPlaces floating_places(int W, int frame10Width, int frame11Width, int listView2Width);

// Slider1 moved: Frame6's caption and the path to load again (nothing while
// shown_files is empty).
struct SliderMove {
    QString frame6Caption;            // "显示比例：" + value + "%"
    std::optional<QString> reload;
};
SliderMove slider_moved(int value, const QString& shown_files);

}  // namespace marking
