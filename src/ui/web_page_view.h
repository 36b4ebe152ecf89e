#pragma once
#include "net/page_channel.h"

#include <QString>
#include <QUrl>
#include <QWidget>

class QStackedLayout;
class QTextBrowser;
class QTimer;

namespace ui {

// A visible browser view of server pages: it loads an address, renders the
// page, follows the links in it, and on completion hands the completed
// address and the body's inner HTML on (completed()), like a page channel,
// so that a screen checks and dispatches both the same way. A load that
// fails gives the channel's own error texts ("无法显示" for a server that
// cannot be reached or does not answer in time, "无法找到该页" for a
// missing page); another HTTP error passes the server's page through.
//
// The page is rendered by the browser engine. Where the engine cannot
// start (or tests switch it off), the page is fetched by a page channel and
// shown in a plain rich-text view, with the same completion, so the screen
// goes on working.
//
// write() puts HTML of the client's own into the view (replacing the page
// with the first write after a load); the address stays the one loaded.
class WebPageView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebPageView)
public:
    explicit WebPageView(net::Network& network, QWidget* parent = nullptr);
    ~WebPageView() override;

    // On by default; off, pages show in the plain view (fast screen tests).
    static void setEngineEnabled(bool enabled);
    bool usesEngine() const { return engine_ != nullptr; }

    void navigate(const QString& url);
    // The address of the page shown (or being written into).
    QString currentUrl() const { return url_; }
    // The inner HTML of the body as it last completed, or what was written.
    QString innerHtml() const { return html_; }
    bool showsWritten() const { return written_; }

    // Appends HTML to the page of the client's own; the first call after a
    // load starts a new page. refresh() renders what was written; write()
    // renders it too, coalesced, so pieces appear as they come.
    void write(const QString& html);
    void refresh();

    // Local files (answer-sheet pieces) named in written HTML load from
    // under this folder.
    void setLocalBase(const QString& dir) { localBase_ = dir; }

signals:
    void completed(const net::PageResult& result);

private:
    void finish(const QString& url, const QString& text, int status);
    void showPlain(const QString& html);
    void onPlainCompleted(const net::PageResult& result);
    void onAnchor(const QUrl& link);

    net::Network& network_;
    QStackedLayout* stack_;
    QTextBrowser* plain_;
    net::PageChannel* channel_;
    QWidget* engine_ = nullptr;
    QTimer* timeout_;
    QTimer* render_;

    QString url_;
    QString html_;
    QString localBase_;
    bool written_ = false;
    bool loading_ = false;
    bool rendering_ = false;
    int httpStatus_ = 0;
};

}  // namespace ui
