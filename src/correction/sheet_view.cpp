#include "correction/sheet_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace correction {

namespace {

// The tick: a green check on a white disc, legible on paper and on ink.
QImage tick_image()
{
    const int s = SheetCanvas::tickSize;
    QImage img(s, s, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QRectF(0.5, 0.5, s - 1, s - 1));
    QPainterPath check;
    check.moveTo(3.5, 8.5);
    check.lineTo(6.5, 12);
    check.lineTo(12.5, 4);
    p.setPen(QPen(QColor(0, 150, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(check);
    return img;
}

QPoint picture_point(const QMouseEvent* event)
{
    // Picture coordinates as whole numbers, as a picture box reports them.
    return event->position().toPoint();
}

}  // namespace

SheetCanvas::SheetCanvas(QWidget* parent) : QWidget(parent), tick_(tick_image())
{
    setObjectName(QStringLiteral("Picture2"));
    setAccessibleName(QStringLiteral("答题卡图片"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(1, 1);
}

bool SheetCanvas::loadPicture(const QString& path)
{
    QImage img(path);
    if (img.isNull())
        return false;
    picture_ = img.convertToFormat(QImage::Format_RGB32);
    setFixedSize(picture_.size());
    clearDrawing();
    return true;
}

void SheetCanvas::setOutlines(const QList<QRect>& cells)
{
    outlines_ = cells;
    describe();
    update();
}

void SheetCanvas::setMarks(const QList<QRect>& markers, const QList<QPoint>& ticks)
{
    markers_ = markers;
    ticks_ = ticks;
    describe();
    update();
}

void SheetCanvas::clearDrawing()
{
    outlines_.clear();
    markers_.clear();
    ticks_.clear();
    describe();
    update();
}

void SheetCanvas::describe()
{
    setAccessibleDescription(QStringLiteral("%1个选项框，%2个已涂选项，%3道题与答案相同")
                                 .arg(outlines_.size())
                                 .arg(markers_.size())
                                 .arg(ticks_.size()));
}

void SheetCanvas::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().window());
    if (!picture_.isNull())
        p.drawImage(event->rect().topLeft(), picture_, event->rect());
    // A marked option: a translucent red box over the cell, the mark
    // still showing through it.
    p.setPen(QPen(QColor(220, 0, 0), 2));
    p.setBrush(QColor(255, 0, 0, 60));
    for (const QRect& r : markers_)
        p.drawRect(r.adjusted(1, 1, -1, -1));
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.setBrush(Qt::NoBrush);
    for (const QRect& r : outlines_)
        p.drawRect(r);
    for (const QPoint& t : ticks_)
        p.drawImage(t, tick_);
}

void SheetCanvas::mousePressEvent(QMouseEvent* event)
{
    emit pressed(picture_point(event));
}

void SheetCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        emit draggedTo(picture_point(event));
}

void SheetCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    emit released(picture_point(event));
}

SheetView::SheetView(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("sheetScroll"));
    setAccessibleName(QStringLiteral("答题卡"));
    setBackgroundRole(QPalette::Dark);
    canvas_ = new SheetCanvas;
    setWidget(canvas_);
    setWidgetResizable(false);
}

}  // namespace correction
