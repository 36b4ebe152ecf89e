#include "correction/layout_rules.h"

#include <algorithm>

namespace correction {

CorrectionLayout correction_layout(int W, int H, const QRect& frame1, int frame6Width, int displayTop,
                                   int displayLeft)
{
    CorrectionLayout l;
    l.frame1 = frame1;
    if (W - 10 > 1)
        l.frame1.setWidth(W - 10);
    // Too low a window keeps the panel where it was rather than over the top.
    if (2 * frame1.height() < H - frame1.height() - 2)
        l.frame1.moveTop(H - frame1.height() - 2);
    l.display = QRect(displayLeft, displayTop, std::max(100, W - 10),
                      std::max(100, l.frame1.top() - displayTop - 5));
    l.frame6Left = W - frame6Width - 2;
    return l;
}

}  // namespace correction
