#include "correction/page_display.h"

#include "ui/image_page_view.h"
#include "ui/widget_names.h"
#include "ui/zoom_box.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace correction {

using ui::named;

PageDisplay::PageDisplay(QWidget* form) : QObject(form)
{
    label2_ = named(new QLabel(QStringLiteral("答题卡图片"), form), "Label2");
    label3_ = named(new QLabel(form), "Label3");
    label3_->setTextFormat(Qt::PlainText);
    view_ = new ui::ImagePageView(form);  // WebBrowser2
    view_->setMinimumSize(100, 100);
    auto* zoom = new ui::ZoomBox(180, form);
    frame6_ = zoom;
    slider1_ = zoom->slider();
    frame6_->adjustSize();
    connect(slider1_, &QSlider::valueChanged, this, &PageDisplay::Slider1_Scroll);
}

bool PageDisplay::show_zg_image(const QString& img_path)
{
    path_ = img_path;
    const QStringList paths = img_path.split(u',', Qt::SkipEmptyParts);
    const bool shown = !paths.isEmpty() && QFileInfo::exists(paths.first());
    if (shown) {
        view_->setZoomPercent(scale_);
        view_->showImages(paths);
    }
    view_->show();
    return shown;
}

void PageDisplay::showBlank()
{
    view_->showPage(QStringLiteral("about:blank"));
}

void PageDisplay::hidePages()
{
    view_->hide();
}

void PageDisplay::setSavedPath(const QString& path)
{
    label3_->setText(path);
}

void PageDisplay::setZoomVisible(bool visible)
{
    frame6_->setVisible(visible);
}

void PageDisplay::resetZoom()
{
    slider1_->setValue(100);
    scale_ = 100;
    view_->setZoomPercent(100);
}

void PageDisplay::Slider1_Scroll(int value)
{
    scale_ = value;
    frame6_->setTitle(QStringLiteral("图片显示比例：") + QString::number(value) + u'%');
    // The shown images come again at the new size.
    view_->setZoomPercent(value);
}

}  // namespace correction
