#pragma once
#include "marking/answer_list_model.h"
#include "marking/image_cache.h"
#include "marking/marking_state.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTableView;
class QTimer;

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }
namespace ui { class ImagePageView; class StatusBox; }

namespace marking {
class ScoreJournal;
struct ScoreOptions;
struct ScoreOutcome;
struct ReportedAnswer;
}

namespace marking {

// The marking screen: one exam and subject, the teacher's assignment as a
// row of selectors, the batch of answers to mark (buffer list, ListView1),
// the answers marked before (worked list, ListView2), and the answer image
// view. Requests go on WebBrowser1; image downloads and the automatic save
// on WebBrowser3; images are prefetched into the cache by Timer1.
//
// Control names are the objectNames tests and other screens find them by.
// Selector elements are "Work_<i>", "WorkBJ_<i>" and "ST_TH_<i>" (element
// 0 always exists). The handlers keep the domain's names.
class MarkingForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarkingForm)
public:
    explicit MarkingForm(app::Services& services, QWidget* parent = nullptr);
    ~MarkingForm() override;

    MarkingState& state() const { return marking_state(); }
    AnswerListModel& bufferList() { return buffer_; }
    AnswerListModel& workedList() { return worked_; }
    const ImageCache& cache() const { return cache_; }
    net::PageChannel& webBrowser1() const { return *web1_; }
    net::PageChannel& webBrowser3() const { return *web3_; }
    ui::ImagePageView& imageView() const { return *view_; }
    ui::StatusBox& statusBox() const { return *status_; }
    QTimer& timer1() const { return *timer1_; }
    QTimer& timer2() const { return *timer2_; }

    // The title built at opening.
    static QString title_text(const QString& examName, const QString& subjectName, const QString& teacher,
                              const QString& version);

    // --- status box and requests
    void show_status(bool show, const QString& text);
    QString batch_url() const;
    QString worked_url() const;
    void request_batch();
    void request_worked();

    // --- assignment and selectors
    void get_work_reply(const QString& reply);
    void user_work_reply(const QString& reply);
    QString class_caption(const QString& classId) const;
    void Work_Click(int index);
    void WorkBJ_Click(int index);
    int selectorCount() const { return int(captions_.size()); }

    // --- lists
    void fill_buffer_list(const QString& reply);
    void fill_worked_list(const QString& reply);
    void open_cur_row();
    void ListView1_ItemClick(int row);
    void ListView1_KeyUp();
    void ListView2_ItemClick(int row);
    void ListView2_DblClick();
    void ListView2_ColumnClick(int column);
    void ListView2_MouseMove(const QPoint& pos);
    void hide_tool_tip();
    void Command4_Click();

    // --- image cache
    bool make_cache_dirs();
    void down_load_st(const QString& refs);
    void show_images(const QString& paths);
    void set_downed(const QString& path, const QString& value);
    void save_down_st(const QString& reply);
    void save_down_sted(const QString& reply);
    void Option5_Click();
    // The cached file of a buffer or worked row, or empty text (and the
    // teacher told) when its name is unsafe.
    QString row_image_path(const AnswerListModel& list, int row);

    // --- part two's hooks (marking_form_hooks.cpp)
    void list_zt(const QString& zt_str);
    void feedback_reply(const QString& reply);
    void status_reply(const QString& reply);
    void mark_saved(const QString& reply);
    void refresh_mobile_code();
    void image_page_shown(const QString& url);
    void request_replaced(const QString& url);
    void status_poll_failed(const QString& url);
    void before_close();
    void download_view_replaced(const QString& url);
    void wire_part_two();

public slots:
    void Timer1_Timer();
    void Timer2_Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void build_controls();
    QWidget* build_left_column();
    QWidget* build_top_row();
    QWidget* build_right_column();
    QWidget* build_bottom_row();
    void apply_widths();
    void layout_overlays();
    void on_page1(const net::PageResult& result);
    void on_page3(const net::PageResult& result);
    void clear_selectors();
    void add_selector(bool byClass, const QString& tag, const QString& caption);
    bool set_selector_value(int index, bool byClass, bool value);
    void select_buffer_row(int row);
    void clear_score_box();
    void report_unsafe(const QString& name);

    app::Services& services_;
    AnswerListModel buffer_;
    AnswerListModel worked_;
    ImageCache cache_;
    net::PageChannel* web1_;
    net::PageChannel* web3_;
    ui::ImagePageView* view_ = nullptr;
    ui::StatusBox* status_ = nullptr;
    QTimer* timer1_;
    QTimer* timer2_;
    bool workedDescending_ = false;
    QSet<QString> refusedNames_;
    // Cache paths whose download failed since the list was filled: passed
    // over by the prefetch until a refill or a click asks for them again.
    QSet<QString> failedImages_;
    QString workedTarget_;  // cache path of the worked answer whose download is out

    // controls (objectNames in comments where they differ from the member)
    QHBoxLayout* selectorLayout_ = nullptr;
    QList<QCheckBox*> work_;         // Work_i
    QList<QRadioButton*> workBJ_;    // WorkBJ_i
    QList<QLabel*> captions_;        // ST_TH_i
    QGroupBox* frame1_ = nullptr;
    QTableView* listView1_ = nullptr;
    QTableView* listView2_ = nullptr;
    QPushButton* command4_ = nullptr;
    QFrame* frame14_ = nullptr;
    QLabel* label11_ = nullptr;
    QLabel* label3_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QGroupBox* frame6_ = nullptr;
    QSlider* slider1_ = nullptr;
    QGroupBox* frame7_ = nullptr;
    QGroupBox* frame8_ = nullptr;
    QGroupBox* frame10_ = nullptr;
    QFrame* frame11_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label8_ = nullptr;
    QLabel* label9_ = nullptr;
    QLabel* label10_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* zt_msg_ = nullptr;
    QProgressBar* progress1_ = nullptr;
    QRadioButton* option5_ = nullptr;

    // --- score entry, saving, feedback, progress, display
public:
    // Score box, pad and options (marking_form_scoring.cpp).
    void Text1_Change();
    bool Text1_KeyDown(int key);  // true: the box must not act on the key
    void Number_Click(int index);
    void commit_and_next();
    bool image_matches(const QString& key) const;
    QString row_image_key(int row) const;  // "/" + stem + ".gif" of a buffer row
    void Option1_Click();
    void Option2_Click();
    void Text2_LostFocus();
    void Text3_LostFocus();
    // Saving and the journal of keyed scores (marking_form_saving.cpp).
    void save_scores();
    void auto_save();
    void show_progress();
    void Command1_Click();
    void flush_before_close();
    ScoreJournal* journal() const { return journal_.get(); }
    net::PageChannel& journalChannel() const { return *journalChannel_; }
    // Feedback (marking_form_feedback.cpp).
    void Command2_Click();
    void Option3_Click();
    void Option4_Click();
    void Command3_Click();
    // Progress, clock, links (marking_form_progress.cpp).
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    int ztmsg_ticks() const { return ztmsg_ticks_; }
    QString mobileAddress() const { return mobileAddress_; }
    // Display (marking_form_display.cpp).
    void Slider1_Scroll(int value);
    void layout_part_two();

private:
    ScoreOptions score_options() const;
    void set_score(int row, const QString& score, bool markUnsaved);
    void journal_row(int row);
    void apply_score_outcome(const ScoreOutcome& outcome);
    bool refuse_enter(const QString& boxText);
    void move_row(int delta);
    void finish_caret();
    void dispatch_page1(const net::PageResult& result);
    bool status_page(const net::PageResult& result);
    void manual_save_done(const QString& reply);
    void batch_arrived();
    void saved_reply(const QHash<QString, QString>& sent, const QStringList& saved);
    void send_journal();
    void on_journal_page(const net::PageResult& result);
    void update_mobile_code();
    ReportedAnswer reported_answer(bool* ok) const;

    std::shared_ptr<ScoreJournal> journal_;
    net::PageChannel* journalChannel_ = nullptr;
    bool muteChange_ = false;
    int ztmsg_ticks_ = 0;
    QString statusUrl_;
    bool statusErrorOpen_ = false;
    // Work id → score of each save in flight: the automatic save, the manual
    // save (confirmed by the next batch), the journal's own send.
    QHash<QString, QString> autoSent_;
    QHash<QString, QString> manualSent_;
    QHash<QString, QString> journalSent_;
    bool manualSaveDone_ = false;
    bool journalWarned_ = false;  // the teacher was told the journal can't be written
    QSet<QString> reportedRefusals_;  // "work id,score" already told to the teacher
    QString mobileAddress_;
    QString footerData_;
};

}  // namespace marking
