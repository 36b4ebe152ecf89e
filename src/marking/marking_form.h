#pragma once
#include "marking/marking_host.h"

#include <QString>
#include <QWidget>
#include <memory>

class QGroupBox;
class QSlider;
class QTimer;

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }
namespace ui { class ImagePageView; class StatusBox; }

namespace marking {

struct AnswerGroup;
class BufferListPanel;
class FeedbackPanel;
class ImageFetcher;
class ProgressPanel;
class ScorePanel;
class ScoreSaver;
class SelectorBar;
class StatusBar;
class WorkedListPanel;

// The marking screen: one exam and subject, the teacher's assignment as a
// row of selectors, the batch of answers to mark (buffer list, ListView1),
// the answers marked before (worked list, ListView2), and the answer image
// view. Requests go on WebBrowser1; image downloads and the automatic save
// on WebBrowser3.
//
// The form coordinates; its rooms own their controls and handlers: the
// selector bar, the progress panel, the feedback panel, the score panel,
// the two answer lists, the status bar, and (without controls) the image
// fetcher and the score saver. Rooms reach each other only through the
// form, as their MarkingHost. Control names are the objectNames tests and
// the rules know them by.
class MarkingForm final : public QWidget, public MarkingHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarkingForm)
public:
    // `state` outlives the screen: what it holds when the screen closes is
    // what the next opening starts from.
    MarkingForm(app::Services& services, MarkingState& state, QWidget* parent = nullptr);
    ~MarkingForm() override;

    // The title built at opening.
    static QString title_text(const QString& examName, const QString& subjectName, const QString& teacher,
                              const QString& version);

    MarkingState& state() const { return ctx_.state; }
    AnswerListModel& bufferList() { return ctx_.buffer; }
    AnswerListModel& workedList() { return ctx_.worked; }
    const ImageCache& cache() const { return ctx_.cache; }
    net::PageChannel& webBrowser1() const { return *ctx_.web1; }
    net::PageChannel& webBrowser3() const { return *ctx_.web3; }
    ui::ImagePageView& imageView() const { return *ctx_.view; }
    ui::StatusBox& statusBox() const { return *status_; }

    SelectorBar& selectors() const { return *selectors_; }
    ProgressPanel& progress() const { return *progress_; }
    FeedbackPanel& feedback() const { return *feedback_; }
    ScorePanel& scorePanel() const { return *score_; }
    BufferListPanel& bufferPanel() const { return *bufferPanel_; }
    WorkedListPanel& workedPanel() const { return *workedPanel_; }
    StatusBar& statusBar() const { return *statusBar_; }
    ImageFetcher& fetcher() const { return *fetcher_; }
    ScoreSaver& saver() const { return *saver_; }
    QString mobileAddress() const { return mobileAddress_; }

    // Replies and events the form handles itself.
    void get_work_reply(const QString& reply);
    void user_work_reply(const QString& reply);
    void fill_buffer_list(const QString& reply);
    void ListView1_ItemClick(int row);
    void Slider1_Scroll(int value);
    void refresh_mobile_code();

    // MarkingHost
    void show_status(bool show, const QString& text) override;
    void setActivity(const QString& text) override;
    void select_buffer_row(int row) override;
    int selectedBufferRow() const override;
    void open_cur_row() override;
    bool answerShown(int row) const override;
    void showZoom() override;
    void request_batch() override;
    void request_worked() override;
    void clear_score_box() override;
    void storeScore(int row, const QString& score, bool markUnsaved) override;
    void journalRow(int row) override;
    void save_scores() override;
    void auto_save() override;
    void show_progress() override;
    void showDoneCount(int scoredRows) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildTopRow();
    QWidget* buildLeftColumn();
    QWidget* buildBottomRow();
    void open();
    void on_page1(const net::PageResult& result);
    void on_page3(const net::PageResult& result);
    void selectionMade();
    void image_page_shown(const QString& url);
    void update_mobile_code();
    void layout_overlays();
    void showScoredAnswer(const AnswerGroup& g);

    MarkingContext ctx_;
    SelectorBar* selectors_ = nullptr;
    ProgressPanel* progress_ = nullptr;
    FeedbackPanel* feedback_ = nullptr;
    ScorePanel* score_ = nullptr;
    BufferListPanel* bufferPanel_ = nullptr;
    WorkedListPanel* workedPanel_ = nullptr;
    StatusBar* statusBar_ = nullptr;
    ImageFetcher* fetcher_ = nullptr;
    ScoreSaver* saver_ = nullptr;
    std::unique_ptr<ui::StatusBox> status_;
    QGroupBox* frame6_ = nullptr;
    QSlider* slider1_ = nullptr;
    QString mobileAddress_;
    QString footerData_;  // what the code under the images was last drawn from
};

}  // namespace marking
