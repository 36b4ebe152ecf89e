#pragma once
#include "marking/answer_list_model.h"
#include "marking/image_cache.h"
#include "marking/marking_state.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

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
};

}  // namespace marking
