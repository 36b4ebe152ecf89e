#include "ui/image_page_view.h"

#include "app/vbtext.h"
#include "app/web_engine_env.h"

#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#ifdef TAVIX_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

namespace ui {

namespace {
bool g_webEnabled = true;
}

void ImagePageView::setWebContentEnabled(bool enabled)
{
    g_webEnabled = enabled;
}

ImagePageView::ImagePageView(QWidget* parent)
    : QWidget(parent), stack_(new QStackedLayout(this)), scroll_(new QScrollArea(this)), blank_(new QLabel(this))
{
    setObjectName(QStringLiteral("WebBrowser2"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::StyledPanel);
    scroll_->setBackgroundRole(QPalette::Base);
    blank_->setAutoFillBackground(true);
    blank_->setBackgroundRole(QPalette::Base);
    blank_->setAlignment(Qt::AlignCenter);
    blank_->setWordWrap(true);
    blank_->setObjectName(QStringLiteral("pageNotice"));
    stack_->addWidget(scroll_);
    stack_->addWidget(blank_);
    stack_->setCurrentWidget(blank_);
}

ImagePageView::~ImagePageView() = default;

QSize ImagePageView::zoomed(const QSize& size, int pct)
{
    return {int(app::round_half_even(double(pct) * size.width() / 100.0)),
            int(app::round_half_even(double(pct) * size.height() / 100.0))};
}

void ImagePageView::clearContent()
{
    imageLabels_.clear();
    // Deleted now, not later: the pixels of the last answer go with it.
    delete content_;
    content_ = new QWidget;
    content_->setBackgroundRole(QPalette::Base);
    contentLayout_ = new QVBoxLayout(content_);
    contentLayout_->setContentsMargins(8, 8, 8, 8);
    contentLayout_->setSpacing(6);
    contentLayout_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
}

namespace {

QImage decoded(const QString& path, int zoom)
{
    QImageReader reader(path);
    const QSize natural = reader.size();
    if (natural.isValid() && zoom != 100)
        reader.setScaledSize(ImagePageView::zoomed(natural, zoom));
    return reader.read();
}

}  // namespace

void ImagePageView::decodeAhead(const QStringList& paths)
{
    // Begun once the screen is idle: the answer on screen is painted first,
    // and the next one is decoded while the teacher reads it.
    const bool scheduled = aheadWanted_.has_value();
    aheadWanted_ = paths;
    if (!scheduled)
        QTimer::singleShot(0, this, &ImagePageView::startDecodingAhead);
}

void ImagePageView::startDecodingAhead()
{
    const QStringList paths = aheadWanted_.value_or(QStringList());
    aheadWanted_.reset();
    std::vector<Ahead> kept;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (!file.exists())
            continue;
        const auto same = decodedAhead(file);
        if (same != ahead_.end()) {
            kept.push_back(std::move(*same));
            continue;
        }
        kept.push_back({path, zoom_, file.size(), file.lastModified(),
                        std::async(std::launch::async, decoded, path, zoom_).share()});
    }
    ahead_ = std::move(kept);
}

// The decoding begun for this file as it is now, at the present zoom.
std::vector<ImagePageView::Ahead>::iterator ImagePageView::decodedAhead(const QFileInfo& file)
{
    return std::find_if(ahead_.begin(), ahead_.end(), [&](const Ahead& a) {
        return a.path == file.filePath() && a.zoom == zoom_ && a.size == file.size()
            && a.modified == file.lastModified();
    });
}

QStringList ImagePageView::decodingAhead() const
{
    QStringList paths;
    for (const Ahead& a : ahead_)
        paths << a.path;
    return paths;
}

QLabel* ImagePageView::imageLabel(const QString& path)
{
    auto* label = new QLabel(content_);
    QImage img;
    const QFileInfo file(path);
    const auto ahead = decodedAhead(file);
    if (ahead != ahead_.end()) {
        img = ahead->image.get();  // at most the rest of a decode under way
        ahead_.erase(ahead);
        ++aheadUsed_;
    } else {
        img = decoded(path, zoom_);
    }
    if (img.isNull()) {
        label->setText(QFileInfo::exists(path) ? QStringLiteral("（图片无法显示：%1）").arg(QFileInfo(path).fileName())
                                               : QStringLiteral("（图片文件不存在：%1）").arg(QFileInfo(path).fileName()));
    } else {
        label->setPixmap(QPixmap::fromImage(img));
    }
    imageLabels_ << label;
    return label;
}

void ImagePageView::rebuild()
{
    scroll_->takeWidget();
    clearContent();
    const bool group = paths_.size() > 1;
    for (const QString& p : paths_) {
        contentLayout_->addWidget(imageLabel(p));
        if (group) {
            auto* rule = new QFrame(content_);
            rule->setFrameShape(QFrame::HLine);
            rule->setFrameShadow(QFrame::Sunken);
            contentLayout_->addWidget(rule);
        }
    }
    if (!footerMarkup_.isEmpty() || !footerPicture_.isNull()) {
        if (!group) {
            auto* rule = new QFrame(content_);
            rule->setFrameShape(QFrame::HLine);
            contentLayout_->addWidget(rule);
        }
        if (!footerPicture_.isNull()) {
            auto* pic = new QLabel(content_);
            pic->setObjectName(QStringLiteral("footerPicture"));
            const QSize s = zoomed(footerPicture_.size(), zoom_);
            pic->setPixmap(QPixmap::fromImage(footerPicture_.scaled(s, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
            contentLayout_->addWidget(pic, 0, Qt::AlignHCenter);
        }
        if (!footerCaption_.isEmpty()) {
            auto* cap = new QLabel(footerCaption_, content_);
            cap->setObjectName(QStringLiteral("footerCaption"));
            contentLayout_->addWidget(cap, 0, Qt::AlignHCenter);
        }
    }
    applyMark();
    scroll_->setWidget(content_);
    stack_->setCurrentWidget(scroll_);
}

void ImagePageView::setMarked(int index)
{
    if (index == marked_)
        return;
    marked_ = index;
    applyMark();
}

// Every image of a group has a frame of the same width, so the marked one
// does not shift the others.
void ImagePageView::applyMark()
{
    if (imageLabels_.size() < 2)
        return;
    for (int i = 0; i < imageLabels_.size(); ++i) {
        imageLabels_.at(i)->setStyleSheet(i == marked_ ? QStringLiteral("QLabel { border: 3px solid rgb(230,90,0); }")
                                                       : QStringLiteral("QLabel { border: 3px solid transparent; }"));
    }
}

void ImagePageView::showImages(const QStringList& paths)
{
    web_ = false;
    paths_ = paths;
    url_ = paths.value(0);
    marked_ = -1;
    rebuild();
    emit pageLoaded(url_);
}

void ImagePageView::showPage(const QString& url)
{
    paths_.clear();
    url_ = url;
    scroll_->takeWidget();
    clearContent();
    scroll_->setWidget(content_);
    web_ = false;
    if (url.isEmpty() || url == QLatin1String("about:blank")) {
        blank_->clear();
        stack_->setCurrentWidget(blank_);
    } else {
        QString problem;
#ifdef TAVIX_HAVE_WEBENGINE
        if (g_webEnabled && !webView_)
            problem = app::engine_problem(app::EngineEnvironment::current());
        if (g_webEnabled && problem.isEmpty()) {
            if (!webView_) {
                auto* view = new QWebEngineView(this);
                view->setObjectName(QStringLiteral("WebPage"));
                connect(view, &QWebEngineView::renderProcessTerminated, this,
                        [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                            if (status != QWebEnginePage::NormalTerminationStatus && web_)
                                showEngineProblem(QStringLiteral("浏览器组件的页面进程意外结束"));
                        });
                webView_ = view;
                stack_->addWidget(view);
            }
            static_cast<QWebEngineView*>(webView_)->load(QUrl(url));
            stack_->setCurrentWidget(webView_);
            web_ = true;
        }
#endif
        if (!problem.isEmpty()) {
            showEngineProblem(problem);
        } else if (!web_) {
            blank_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped()));
            stack_->setCurrentWidget(blank_);
        }
    }
    emit pageLoaded(url_);
}

void ImagePageView::showEngineProblem(const QString& reason)
{
    web_ = false;
    blank_->setText(QStringLiteral("<p>此网页无法显示：%1。</p><p>阅卷、保存等其他功能照常使用。</p>"
                                   "<p>网页地址：<a href=\"%2\">%2</a></p>")
                        .arg(reason.toHtmlEscaped(), url_.toHtmlEscaped()));
    stack_->setCurrentWidget(blank_);
}

QString ImagePageView::text() const
{
    if (paths_.isEmpty())
        return {};
    QString t;
    const bool group = paths_.size() > 1;
    for (const QString& p : paths_) {
        t += QStringLiteral("<IMG src=") + p + u'>';
        if (group)
            t += QStringLiteral("<br><hr>");
    }
    return t + footerMarkup_;
}

void ImagePageView::setFooter(const QString& markup, const QImage& picture, const QString& caption)
{
    footerMarkup_ = markup;
    footerPicture_ = picture;
    footerCaption_ = caption;
    if (!paths_.isEmpty())
        rebuild();
}

void ImagePageView::clearFooter()
{
    setFooter({}, {}, {});
}

void ImagePageView::setZoomPercent(int pct)
{
    if (pct < 1 || pct == zoom_)
        return;
    zoom_ = pct;
    if (!paths_.isEmpty())
        rebuild();
}

QSize ImagePageView::shownSize(int i) const
{
    if (i < 0 || i >= imageLabels_.size())
        return {};
    const QLabel* l = imageLabels_.at(i);
    return l->pixmap().isNull() ? QSize() : l->pixmap().size();
}

}  // namespace ui
