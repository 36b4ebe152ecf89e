#pragma once
#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QSlider;

namespace ui { class ImagePageView; }

namespace correction {

// The answer display of the correction screen: the page display
// (WebBrowser2, the native image view) for written answers, the zoom box
// (Frame6 with Slider1), "答题卡图片" (Label2) and the path of the image
// last saved (Label3). The objective sheet takes the page display's place
// (ObjectiveSheet). The form places the parts; this room owns them.
class PageDisplay final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageDisplay)
public:
    // The controls are made children of `form`.
    explicit PageDisplay(QWidget* form);

    ui::ImagePageView& view() const { return *view_; }
    QGroupBox* zoomBox() const { return frame6_; }
    QLabel* label2() const { return label2_; }
    QLabel* label3() const { return label3_; }

    // One path or several, comma separated: shown one under the other when
    // the first file exists; a missing file leaves the display as it was.
    // Returns whether anything new is shown.
    bool show_zg_image(const QString& img_path);
    void showBlank();
    void hidePages();  // the objective sheet takes their place
    void setSavedPath(const QString& path);
    void setZoomVisible(bool visible);
    void resetZoom();
    int img_scale() const { return scale_; }
    QString img_path() const { return path_; }

public slots:
    void Slider1_Scroll(int value);

private:
    ui::ImagePageView* view_;
    QGroupBox* frame6_;
    QSlider* slider1_;
    QLabel* label2_;
    QLabel* label3_;
    QString path_;
    int scale_ = 100;
};

}  // namespace correction
