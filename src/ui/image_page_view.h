#pragma once
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <future>
#include <optional>
#include <vector>

class QFileInfo;
class QLabel;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;

namespace ui {

// The answer view of the marking screen: one answer image, or the images
// of an answer group one under the other with a rule after each, then an
// optional footer block (text and a picture). It also shows a web page
// (the help page) or nothing ("about:blank"). When the browser engine
// cannot start, a web page shows as a message saying so, with its address.
//
// It keeps the markup of what it shows (text()): "<IMG src=PATH>" per image,
// as the page of a loaded image would hold it, so "is this answer on
// screen" is a plain substring question. Images are decoded while they are
// shown, and the next answer's ahead of time on a thread of its own
// (decodeAhead); showing the next answer drops the previous pixels.
class ImagePageView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImagePageView)
public:
    explicit ImagePageView(QWidget* parent = nullptr);
    ~ImagePageView() override;

    // Web pages need a browser engine; tests that do not look at the help
    // page switch it off to stay fast. On by default.
    static void setWebContentEnabled(bool enabled);

    // One image, or a group (each followed by a rule). Missing files show
    // a short notice in their place.
    void showImages(const QStringList& paths);
    // Decodes these images, at the present zoom, on a thread of its own
    // once the screen is idle, so that showing them next is not kept
    // waiting by the decoding. Only the images of the last call are kept;
    // one whose file changed meanwhile is decoded again when shown.
    void decodeAhead(const QStringList& paths);
    // For tests: the images being decoded ahead (begun), and how many
    // were shown from such a decoding.
    QStringList decodingAhead() const;
    int decodedAheadUsed() const { return aheadUsed_; }

    // "about:blank" (empty page) or the address of a web page.
    void showPage(const QString& url);

    // The markup of the page now shown: images and footer; empty for a
    // blank or web page.
    QString text() const;
    QString currentUrl() const { return url_; }
    QStringList imagePaths() const { return paths_; }
    bool showsImages() const { return !paths_.isEmpty(); }
    bool showsWebPage() const { return web_; }

    // The block written under the images: `markup` joins text(); `picture`
    // is drawn under the images with `caption` below it. Kept until
    // cleared; a web page or blank page does not show it.
    void setFooter(const QString& markup, const QImage& picture, const QString& caption);
    void clearFooter();

    // Every image (the footer picture too) at pct percent of its size,
    // halves rounded to even.
    void setZoomPercent(int pct);
    int zoomPercent() const { return zoom_; }
    static QSize zoomed(const QSize& size, int pct);
    // Displayed size of image i (tests, benchmarks).
    QSize shownSize(int i) const;

    // In a group, frames image i (the answer being scored) in colour; -1
    // frames none. Showing other images takes the frame away.
    void setMarked(int index);
    int marked() const { return marked_; }

signals:
    // A page was put up; `url` is the first image path or the page address.
    void pageLoaded(const QString& url);

private:
    void rebuild();
    void applyMark();
    void clearContent();
    QLabel* imageLabel(const QString& path);
    // The browser engine cannot start here or its page died: a message in
    // place of the page, so the rest of the screen goes on working.
    void showEngineProblem(const QString& reason);

    QStackedLayout* stack_;
    QScrollArea* scroll_;
    QWidget* content_ = nullptr;
    QVBoxLayout* contentLayout_ = nullptr;
    QLabel* blank_;
    QWidget* webView_ = nullptr;
    QList<QLabel*> imageLabels_;

    QString url_;
    QStringList paths_;
    bool web_ = false;
    int zoom_ = 100;
    int marked_ = -1;
    QString footerMarkup_;
    QImage footerPicture_;
    QString footerCaption_;

    // An image decoded ahead, and the file as it was when decoding began.
    struct Ahead {
        QString path;
        int zoom = 100;
        qint64 size = -1;
        QDateTime modified;
        std::shared_future<QImage> image;
    };
    void startDecodingAhead();
    std::vector<Ahead>::iterator decodedAhead(const QFileInfo& file);
    std::vector<Ahead> ahead_;
    std::optional<QStringList> aheadWanted_;  // set until the decoding begins
    int aheadUsed_ = 0;
};

}  // namespace ui
