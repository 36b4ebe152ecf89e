// The image view's page: the mobile-marking code under the answer images,
// the zoom of Slider1, and the resize rules for the panels over the view.
#include "marking/marking_form.h"

#include "app/session.h"
#include "marking/layout_rules.h"
#include "marking/mobile_code.h"
#include "marking/qr_code.h"
#include "ui/image_page_view.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace marking {

namespace {
// Pixels per QR module: about 130 px for the usual address.
constexpr int kQrModule = 3;
}  // namespace

// An image page (not the help page, not a blank page) was put up. The
// view says which it is: the address of an image is a local path, and a
// program folder such as ".../public_html/" would pass it for a web page.
void MarkingForm::image_page_shown(const QString& url)
{
    if (url.isEmpty() || !view_->showsImages())
        return;
    update_mobile_code();
    frame10_->hide();
    frame11_->hide();
}

void MarkingForm::update_mobile_code()
{
    // The block follows the selection of the moment the page goes up; it is
    // drawn again only when that changed, so opening an answer decodes its
    // image once.
    const app::Session& s = app::session();
    const QString data = mobile_code_data(s, state().th_bj);
    if (data == footerData_)
        return;
    footerData_ = data;
    const QImage qr = mobile_code_drawn_locally() ? qr_code_image(data, kQrModule) : QImage();
    view_->setFooter(mobile_code_block(s, state().th_bj), qr, mobile_code_caption());
}

void MarkingForm::Slider1_Scroll(int value)
{
    MarkingState& st = state();
    st.zoom_pct = value;
    const SliderMove m = slider_moved(value, st.shown_files);
    frame6_->setTitle(m.frame6Caption);
    view_->setZoomPercent(value);
    // The help page may be up: the answer comes back at its new scale.
    if (m.reload && !view_->showsImages())
        view_->showImages(st.shown_files.split(u','));
}

void MarkingForm::layout_part_two()
{
    if (!view_ || !listView2_)
        return;
    auto width = [this](const char* name) {
        const QWidget* w = findChild<QWidget*>(QString::fromLatin1(name));
        return w ? w->width() : 0;
    };
    LayoutInput in;
    in.W = this->width();
    in.H = this->height();
    in.command4 = command4_->size();
    in.frame3Width = width("Frame3");
    in.label2Top = view_->y();
    in.frame9Width = width("Frame9");
    in.frame6Width = width("Frame6");
    in.frame7Width = width("Frame7");
    in.frame8Width = width("Frame8");
    in.frame10Width = frame10_->width();
    in.frame11Width = frame11_->width();
    in.listView2Width = listView2_->width();
    const LayoutOutput out = layout_on_resize(in);
    // The panels in the window's layouts follow it by themselves; the ones
    // floating over the image view are placed by the rules.
    if (out.frame10Left)
        frame10_->move(*out.frame10Left, frame10_->y());
    if (out.frame11Left)
        frame11_->move(*out.frame11Left, frame11_->y());
    if (out.listView2Left)
        listView2_->move(*out.listView2Left, listView2_->y());
    listView2_->resize(listView2_->width(), view_->height());
}

}  // namespace marking
