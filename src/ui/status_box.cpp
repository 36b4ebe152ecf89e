#include "ui/status_box.h"

#include "app/vbtext.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

namespace ui {

namespace {
constexpr int kWidth = 500;
constexpr int kHeight = 64;
constexpr int kShadowOffset = 10;
}  // namespace

StatusBox::StatusBox(QWidget* parent, const QString& caption)
    : shadow_(new QFrame(parent)), frame_(new QFrame(parent)), label_(new QLabel(caption, frame_))
{
    shadow_->setObjectName(QStringLiteral("Frame4"));
    frame_->setObjectName(QStringLiteral("Frame5"));
    label_->setObjectName(QStringLiteral("Label6"));
    shadow_->setStyleSheet(QStringLiteral("QFrame#Frame4 { background: rgb(0,128,128); }"));
    frame_->setStyleSheet(QStringLiteral("QFrame#Frame5 { background: rgb(0,192,192); }"
                                         "QLabel#Label6 { color: white; font-size: 15px; }"));
    for (QFrame* f : {shadow_, frame_}) {
        f->setAutoFillBackground(true);
        f->resize(kWidth, kHeight);
        f->hide();
    }
    auto* lay = new QHBoxLayout(frame_);
    lay->setContentsMargins(16, 8, 16, 8);
    lay->addWidget(label_);
    label_->setWordWrap(true);
}

QPoint StatusBox::position(const QRect& view, int boxWidth)
{
    const int x = int(app::round_half_even((view.width() - boxWidth) / 3.0)) + view.left();
    const int y = int(app::round_half_even(view.height() / 4.0)) + view.top();
    return {x, y};
}

void StatusBox::show_status(bool show, const QString& text, const QRect& view)
{
    const QPoint p = position(view, frame_->width());
    frame_->move(p);
    shadow_->resize(frame_->size());
    shadow_->move(p + QPoint(kShadowOffset, kShadowOffset));
    label_->setText(text);
    shadow_->setVisible(show);
    frame_->setVisible(show);
    if (show) {
        shadow_->raise();
        frame_->raise();
    }
}

bool StatusBox::isShown() const
{
    return !frame_->isHidden();
}

QString StatusBox::text() const
{
    return label_->text();
}

}  // namespace ui
