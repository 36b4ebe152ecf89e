#pragma once
#include <QPoint>
#include <QRect>
#include <QString>

class QFrame;
class QLabel;
class QWidget;

namespace ui {

// The waiting box a screen shows over its main view: a teal frame with one
// white label ("Frame5" / "Label6") and a darker frame of the same size
// behind it as its shadow ("Frame4").
class StatusBox final {
public:
    explicit StatusBox(QWidget* parent, const QString& caption = QString());
    StatusBox(const StatusBox&) = delete;
    StatusBox& operator=(const StatusBox&) = delete;

    // Where the box goes over a view: a third of the free width from the
    // view's left, a quarter of its height from its top, halves to even.
    static QPoint position(const QRect& view, int boxWidth);

    // Places the box over `view` (parent coordinates), sets the text and
    // shows or hides it. The box keeps its place until the next call.
    void show_status(bool show, const QString& text, const QRect& view);

    bool isShown() const;
    QString text() const;
    QFrame* frame() const { return frame_; }
    QFrame* shadow() const { return shadow_; }
    QLabel* label() const { return label_; }

private:
    QFrame* shadow_;
    QFrame* frame_;
    QLabel* label_;
};

}  // namespace ui
