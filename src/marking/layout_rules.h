#pragma once
#include <QSize>
#include <QString>
#include <optional>

// The image view and the screen's layout: where every panel goes on resize,
// the zoom of the answer images and the page that holds them.
namespace marking {

// What the resize rules read: the form's inner size and the sizes and
// positions of the controls they place (pixels).
struct LayoutInput {
    int W = 0, H = 0;
    QSize command4;      // worked-list button
    int frame13Height = 0, frame13Width = 0;  // help panel
    int frame12Height = 0;  // status bar
    int frame3Width = 0;    // score panel
    int label2Top = 0;
    int frame9Width = 0, frame6Width = 0, frame7Width = 0, frame8Width = 0;
    int frame10Width = 0, frame11Width = 0, listView2Width = 0;
    int frame1Top = 0, frame1Height = 0;
    double listScale = 1.0;  // Frame1's inner units per pixel (1 here: the list is in pixels)
};

// What they set; a step that can't apply (a negative size while the window
// is minimised or tiny) is left out and the others still run.
struct LayoutOutput {
    std::optional<int> command4Top, command4Left;                 // 1, 2
    std::optional<int> frame13Top, frame12Top, frame12Width;      // 3, 4, 5
    std::optional<int> imageWidth, imageHeight;                   // 6, 7 (WebBrowser2)
    std::optional<int> frame9Left, frame6Left, frame7Left, frame8Left;  // 8 to 11
    std::optional<int> frame10Left, frame11Left;                  // 12, 13
    std::optional<int> listView2Left, listView2Height;            // 14, 15
    std::optional<int> frame1Height, listView1Height;             // 16, 17
};
LayoutOutput layout_on_resize(const LayoutInput& in);

// An image size at zoom_pct percent, each side rounded halves to even.
QSize zoomed_size(QSize size, int zoom_pct);

// The zoom is applied after a load when there is something shown, the zoom
// is not 100, and the page holds the last shown path or only one is shown.
bool zoom_applies(const QString& shown_files, const QString& pageText, int zoom_pct);

// Slider1 moved: Frame6's caption and the path to load again (nothing while
// shown_files is empty).
struct SliderMove {
    QString frame6Caption;            // "显示比例：" + value + "%"
    std::optional<QString> reload;
};
SliderMove slider_moved(int value, const QString& shown_files);

// The image page after a load of url: nullopt for "", "about:blank" and
// html pages (no code block there). Otherwise the page text — the image(s),
// each followed by "<br><hr>" when several, then the code block — and the
// fault panel is hidden.
std::optional<QString> image_page_text(const QString& url, const QString& shown_files, const QString& bodyText,
                                       const QString& codeBlock);

}  // namespace marking
