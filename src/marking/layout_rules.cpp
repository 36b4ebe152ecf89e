#include "marking/layout_rules.h"

#include "app/vbtext.h"

#include <algorithm>

namespace marking {

namespace {
std::optional<int> size_if_valid(int value)
{
    return value >= 0 ? std::optional<int>(value) : std::nullopt;
}
}  // namespace

LayoutOutput layout_on_resize(const LayoutInput& in)
{
    LayoutOutput o;
    const int W = in.W, H = in.H;
    o.command4Top = H - in.command4.height() - 2;
    o.command4Left = W - in.command4.width() - 15;
    o.frame13Top = H - in.frame13Height - 2;
    o.frame12Top = H - in.frame12Height - 2;
    o.frame12Width = size_if_valid(W - in.frame13Width - in.command4.width() - 40);
    o.imageWidth = std::max(W - in.frame3Width - 20, 100);
    o.imageHeight = std::max(H - in.label2Top - in.frame12Height - 30, 100);
    o.frame9Left = W - in.frame9Width - 10;
    o.frame6Left = W - in.frame6Width - in.frame9Width - 15;
    o.frame7Left = W - in.frame7Width - in.frame6Width - in.frame9Width - 20;
    o.frame8Left = W - in.frame8Width - in.frame7Width - in.frame6Width - in.frame9Width - 25;
    o.frame10Left = W - in.frame10Width - 40;
    o.frame11Left = W - in.frame11Width - 30;
    o.listView2Left = W - in.listView2Width - 30;
    o.listView2Height = o.imageHeight;

    const int h = static_cast<int>(app::round_half_even(double(H) - in.frame1Top - in.frame13Height - 10));
    if (h > 20)
        o.frame1Height = h;
    const int frame1 = o.frame1Height.value_or(in.frame1Height);
    const int l = static_cast<int>(app::round_half_even((frame1 - 30) * in.listScale));
    if (l > 0)
        o.listView1Height = l;
    return o;
}

QSize zoomed_size(QSize size, int zoom_pct)
{
    if (zoom_pct == 100)
        return size;
    auto scale = [&](int v) { return static_cast<int>(app::round_half_even(double(zoom_pct) * v / 100.0)); };
    return {scale(size.width()), scale(size.height())};
}

bool zoom_applies(const QString& shown_files, const QString& pageText, int zoom_pct)
{
    if (shown_files.isEmpty() || zoom_pct == 100)
        return false;
    const QStringList paths = shown_files.split(u',');
    return paths.size() == 1 || pageText.contains(paths.last());
}

SliderMove slider_moved(int value, const QString& shown_files)
{
    SliderMove m;
    m.frame6Caption = QStringLiteral("显示比例：") + QString::number(value) + u'%';
    if (!shown_files.isEmpty())
        m.reload = shown_files.contains(u',') ? shown_files.section(u',', 0, 0) : shown_files;
    return m;
}

std::optional<QString> image_page_text(const QString& url, const QString& shown_files, const QString& bodyText,
                                       const QString& codeBlock)
{
    if (url.isEmpty() || url == QStringLiteral("about:blank") || url.contains(QStringLiteral("html")))
        return std::nullopt;
    QString t = bodyText;
    if (shown_files.contains(u',')) {
        t.clear();
        for (const QString& path : shown_files.split(u','))
            t += QStringLiteral("<IMG src=") + path + QStringLiteral("><br><hr>");
    }
    if (shown_files.size() > 1)
        t += codeBlock;
    return t;
}

}  // namespace marking
