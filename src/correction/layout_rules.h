#pragma once
#include <QRect>

// Where the correction screen's parts go when the window is resized: the
// entry panel along the bottom, the page display filling the space above
// it, the zoom box at the right.
namespace correction {

struct CorrectionLayout {
    QRect frame1;      // the entry panel
    QRect display;     // the page display (and the sheet in its place)
    int frame6Left = 0;
};

// W, H: the inner size; the panel's height and the zoom box's width as they
// are; `displayTop` where the display starts; `frame1` its geometry now.
CorrectionLayout correction_layout(int W, int H, const QRect& frame1, int frame6Width, int displayTop,
                                   int displayLeft);

}  // namespace correction
