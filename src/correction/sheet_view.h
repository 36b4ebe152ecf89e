#pragma once
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QScrollArea>
#include <QString>
#include <QWidget>

namespace correction {

// The answer sheet (Picture2): the picture at its own pixel size with the
// option outlines of every item in blue, a box over each marked option
// (mybox) and a tick (Image1) on a question answered as the key says.
// Coordinates are the picture's pixels; the mouse is reported in them.
class SheetCanvas final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SheetCanvas)
public:
    explicit SheetCanvas(QWidget* parent = nullptr);

    // False (and the picture unchanged) when the file is no readable image.
    bool loadPicture(const QString& path);
    const QImage& picture() const { return picture_; }

    // The outlines are redrawn on every call; markers and ticks only change
    // through setMarks (a drag moves the outlines alone).
    void setOutlines(const QList<QRect>& cells);
    void setMarks(const QList<QRect>& markers, const QList<QPoint>& ticks);
    void clearDrawing();

    // What is drawn, for a reader of the screen and for tests.
    const QList<QRect>& outlines() const { return outlines_; }
    const QList<QRect>& markers() const { return markers_; }
    const QList<QPoint>& ticks() const { return ticks_; }

    static constexpr int tickSize = 16;

signals:
    void pressed(QPoint point);
    void draggedTo(QPoint point);  // moved with the left button held
    void released(QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void describe();

    QImage picture_;
    QImage tick_;
    QList<QRect> outlines_;
    QList<QRect> markers_;
    QList<QPoint> ticks_;
};

// The sheet in a scroll area, so a sheet larger than the display can be
// looked over; the form places this, the canvas is the picture box.
class SheetView final : public QScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SheetView)
public:
    explicit SheetView(QWidget* parent = nullptr);
    SheetCanvas& canvas() const { return *canvas_; }

private:
    SheetCanvas* canvas_;
};

}  // namespace correction
