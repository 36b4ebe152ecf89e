#include "ui/web_page_view.h"

#include "app/web_engine_env.h"

#include <QStackedLayout>
#include <QTextBrowser>
#include <QTimer>

#ifdef TAVIX_HAVE_WEBENGINE
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#endif

namespace ui {

namespace {
bool g_engineEnabled = true;

#ifdef TAVIX_HAVE_WEBENGINE
QWebEngineView* asEngine(QWidget* w)
{
    return static_cast<QWebEngineView*>(w);
}
#endif
}  // namespace

void WebPageView::setEngineEnabled(bool enabled)
{
    g_engineEnabled = enabled;
}

WebPageView::WebPageView(net::Network& network, QWidget* parent)
    : QWidget(parent),
      network_(network),
      stack_(new QStackedLayout(this)),
      plain_(new QTextBrowser(this)),
      channel_(new net::PageChannel(network, this)),
      timeout_(new QTimer(this)),
      render_(new QTimer(this))
{
    plain_->setObjectName(QStringLiteral("plainPage"));
    plain_->setOpenLinks(false);
    stack_->addWidget(plain_);
    connect(plain_, &QTextBrowser::anchorClicked, this, &WebPageView::onAnchor);
    connect(channel_, &net::PageChannel::completed, this, &WebPageView::onPlainCompleted);

    timeout_->setSingleShot(true);
    render_->setSingleShot(true);
    render_->setInterval(0);
    connect(render_, &QTimer::timeout, this, &WebPageView::refresh);

#ifdef TAVIX_HAVE_WEBENGINE
    if (g_engineEnabled && app::engine_problem(app::EngineEnvironment::current()).isEmpty()) {
        auto* view = new QWebEngineView(this);
        view->setObjectName(QStringLiteral("WebPage"));
        engine_ = view;
        // The engine keeps cookies of its own: it gets the channels' (the
        // login's session) now and whenever they change, long before the
        // teacher opens a page here.
        auto shareCookies = [this, view] {
            QWebEngineCookieStore* store = view->page()->profile()->cookieStore();
            for (const QNetworkCookie& c : network_.cookieJar()->cookies()) {
                QString host = c.domain();
                if (host.startsWith(u'.'))
                    host.remove(0, 1);
                store->setCookie(c, QUrl(QStringLiteral("http://") + host + u'/'));
            }
        };
        shareCookies();
        connect(network_.cookieJar(), &net::CookieJar::changed, view, shareCookies);
        stack_->addWidget(view);
        stack_->setCurrentWidget(view);
        connect(view->page(), &QWebEnginePage::loadingChanged, this, [this, view](const QWebEngineLoadingInfo& info) {
            const bool own = info.url().isLocalFile() || info.url().scheme() == QLatin1String("data");
            if (rendering_ || (written_ && own)) {
                // Our own written page being rendered: no completion.
                if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
                    rendering_ = false;
                return;
            }
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                if (!loading_) {  // a link inside the page
                    url_ = info.url().toString(QUrl::FullyEncoded);
                    written_ = false;
                    loading_ = true;
                    timeout_->start(network_.timeoutMs());
                }
                return;
            }
            if (!loading_ || info.status() == QWebEngineLoadingInfo::LoadStoppedStatus)
                return;
            const QString url = url_;
            const bool http = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
            const int status = http ? info.errorCode() : (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ? 200 : 0);
            if (http && status == 404) {
                finish(url, net::not_found_page_text(), status);
            } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && !http) {
                finish(url, net::unreachable_page_text(), 0);
            } else {
                // Another server error passes its page through, as a page does.
                view->page()->runJavaScript(QStringLiteral("document.body ? document.body.innerHTML : ''"),
                                            [this, url, status](const QVariant& v) {
                                                if (url == url_ && loading_)
                                                    finish(url, v.toString(), status);
                                            });
            }
        });
        connect(timeout_, &QTimer::timeout, this, [this, view] {
            if (!loading_)
                return;
            view->stop();
            finish(url_, net::unreachable_page_text(), 0);
        });
    }
#endif
}

WebPageView::~WebPageView() = default;

void WebPageView::navigate(const QString& url)
{
    url_ = url;
    written_ = false;
    loading_ = true;
    rendering_ = false;
    render_->stop();
#ifdef TAVIX_HAVE_WEBENGINE
    if (engine_) {
        timeout_->start(network_.timeoutMs());
        asEngine(engine_)->load(QUrl::fromEncoded(url.toUtf8(), QUrl::TolerantMode));
        return;
    }
#endif
    channel_->navigate(url);
}

void WebPageView::finish(const QString& url, const QString& text, int status)
{
    loading_ = false;
    timeout_->stop();
    html_ = text;
    emit completed(net::PageResult{url, text, false, status});
}

void WebPageView::onPlainCompleted(const net::PageResult& result)
{
    if (result.replaced)
        return;
    loading_ = false;
    html_ = result.text;
    showPlain(result.text);
    emit completed(result);
}

void WebPageView::showPlain(const QString& html)
{
    plain_->setSearchPaths({localBase_});
    plain_->setHtml(html);
}

void WebPageView::onAnchor(const QUrl& link)
{
    const QUrl target = QUrl(url_).resolved(link);
    if (target.scheme().startsWith(QLatin1String("http")))
        navigate(target.toString(QUrl::FullyEncoded));
}

void WebPageView::write(const QString& html)
{
    if (!written_) {
        written_ = true;
        html_.clear();
    }
    html_ += html;
    if (!render_->isActive())
        render_->start();
}

void WebPageView::refresh()
{
    render_->stop();
#ifdef TAVIX_HAVE_WEBENGINE
    if (engine_) {
        const QString base = localBase_.isEmpty() ? QStringLiteral("/") : localBase_ + u'/';
        rendering_ = true;
        asEngine(engine_)->setHtml(html_, QUrl::fromLocalFile(base));
        return;
    }
#endif
    showPlain(html_);
}

}  // namespace ui
