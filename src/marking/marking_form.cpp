#include "marking/marking_form.h"
#include "protocol/markers.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "marking/answer_lists.h"
#include "marking/buffer_rules.h"
#include "marking/feedback.h"
#include "marking/feedback_panel.h"
#include "marking/image_fetcher.h"
#include "marking/layout_rules.h"
#include "marking/mobile_code.h"
#include "marking/progress_panel.h"
#include "marking/qr_code.h"
#include "marking/requests.h"
#include "marking/score_panel.h"
#include "marking/score_saver.h"
#include "marking/selector_bar.h"
#include "marking/status_bar.h"
#include "marking/work_assignment.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "protocol/pages.h"
#include "ui/image_page_view.h"
#include "ui/status_box.h"
#include "ui/widget_names.h"
#include "ui/zoom_box.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace marking {

using protocol::Page;
using ui::named;

namespace {
// Pixels per QR module: about 130 px for the usual address.
constexpr int kQrModule = 3;
}  // namespace

QString MarkingForm::title_text(const QString& examName, const QString& subjectName, const QString& teacher,
                                const QString& version)
{
    // The version as the login and exam windows show it.
    return QStringLiteral("Velmora——《批阅主观试题》 ") + QStringLiteral("考试名称：") + examName
         + QStringLiteral("； 科目：") + subjectName + QStringLiteral("； 当前用户：") + teacher
         + QStringLiteral("【Ver：") + version + QStringLiteral("】");
}

MarkingForm::MarkingForm(app::Services& services, MarkingState& state, QWidget* parent)
    : QWidget(parent), ctx_(services, state)
{
    setObjectName(QStringLiteral("Form4"));
    ctx_.web1 = named(new net::PageChannel(services.network, this), "WebBrowser1");
    ctx_.web3 = named(new net::PageChannel(services.network, this), "WebBrowser3");
    connect(ctx_.web1, &net::PageChannel::completed, this, &MarkingForm::on_page1);
    connect(ctx_.web3, &net::PageChannel::completed, this, &MarkingForm::on_page3);

    // Built in this order, the panels that float over the image view come
    // above it.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 4);
    outer->addWidget(buildTopRow());
    auto* middle = new QHBoxLayout;
    middle->addWidget(buildLeftColumn());
    auto* center = new QVBoxLayout;
    center->addWidget(named(new QLabel(QStringLiteral("答题卡图片"), this), "Label2"));
    ctx_.view = new ui::ImagePageView(this);
    ctx_.view->setMinimumSize(100, 100);
    center->addWidget(ctx_.view, 1);
    center->addWidget(score_->messageLabel());
    middle->addLayout(center, 1);
    outer->addLayout(middle, 1);
    workedPanel_ = new WorkedListPanel(ctx_, *this, this);
    outer->addWidget(buildBottomRow());
    status_ = std::make_unique<ui::StatusBox>(this, QStringLiteral("正在读取试题，请等待..."));
    // Moving over the screen itself or the status bar hides the worked list's tool tip.
    workedPanel_->hideTipOnMove(this);
    workedPanel_->hideTipOnMove(statusBar_->statusFrame());

    connect(ctx_.view, &ui::ImagePageView::pageLoaded, this, &MarkingForm::image_page_shown);
    connect(selectors_, &SelectorBar::selected, this, &MarkingForm::selectionMade);
    connect(selectors_, &SelectorBar::captionClicked, this, &MarkingForm::refresh_mobile_code);
    connect(bufferPanel_, &BufferListPanel::rowClicked, this, &MarkingForm::ListView1_ItemClick);
    connect(slider1_, &QSlider::valueChanged, this, &MarkingForm::Slider1_Scroll);
    fetcher_ = new ImageFetcher(ctx_, *this, this);
    connect(workedPanel_, &WorkedListPanel::rowClicked, fetcher_, &ImageFetcher::fetchWorked);
    connect(feedback_, &FeedbackPanel::redownloadAsked, fetcher_, &ImageFetcher::redownload);
    saver_ = new ScoreSaver(ctx_, *this, this);
    open();
}

MarkingForm::~MarkingForm() = default;

QWidget* MarkingForm::buildTopRow()
{
    auto* row = new QWidget(this);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    selectors_ = new SelectorBar(ctx_.state, row);
    lay->addWidget(selectors_);
    lay->addSpacing(10);
    progress_ = new ProgressPanel(ctx_.state, row);
    lay->addWidget(progress_, 1);
    auto* zoom = new ui::ZoomBox(150, row);
    frame6_ = zoom;
    slider1_ = zoom->slider();
    lay->addWidget(frame6_);
    feedback_ = new FeedbackPanel(ctx_, *this, this);
    lay->addWidget(feedback_);
    return row;
}

QWidget* MarkingForm::buildLeftColumn()
{
    auto* col = new QWidget(this);
    col->setFixedWidth(410);
    auto* lay = new QVBoxLayout(col);
    lay->setContentsMargins(0, 0, 0, 0);
    score_ = new ScorePanel(ctx_, *this, col);
    lay->addWidget(score_);
    bufferPanel_ = new BufferListPanel(ctx_.buffer, col);
    lay->addWidget(bufferPanel_, 1);
    return col;
}

QWidget* MarkingForm::buildBottomRow()
{
    auto* row = new QWidget(this);
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    statusBar_ = new StatusBar(ctx_, *this, row);
    lay->addWidget(statusBar_, 1);
    lay->addWidget(workedPanel_->button(), 0, Qt::AlignBottom);
    return row;
}

// Opening, in order.
void MarkingForm::open()
{
    const app::Session& s = app::session();
    MarkingState& st = ctx_.state;
    // Another teacher, exam or subject: nothing of the last one's selection
    // may carry over (their question may not be this teacher's work).
    const QString owner = QString::number(s.User_ID) + u'|' + s.ks_id + u'|' + QString::number(s.KM_id);
    if (!st.owner.isEmpty() && st.owner != owner)
        st = MarkingState{};
    st.owner = owner;
    fetcher_->timer1().stop();
    resize(1440, 900);
    setWindowState(windowState() | Qt::WindowMaximized);
    st.help_on_top = true;
    st.hide_name = 0;
    st.shown_files.clear();
    st.cur_row = 0;  // the new buffer list is empty
    setWindowTitle(title_text(s.KS_Name, s.KM_Name, s.JS_Name, s.Tavix_Ver));
    statusBar_->resetClock();
    show_status(true, QStringLiteral(" 正在从服务器读取阅卷任务，请等待... (Load...)"));
    fetcher_->make_cache_dirs();
    ctx_.web1->navigate(get_work_url(s));
    ctx_.view->showPage(help_url(s));
    score_->messageLabel()->hide();
    progress_->hideAll();
    slider1_->setValue(100);
    st.zoom_pct = slider1_->value();
    // The volume-mute key press of the opening has no counterpart here.
    saver_->openJournal();
    statusBar_->timer2().start();
}

void MarkingForm::closeEvent(QCloseEvent* event)
{
    // Unsaved scores go to the server first.
    fetcher_->timer1().stop();
    statusBar_->timer2().stop();
    saver_->flush_before_close();
    event->accept();
    ctx_.services.flow.showExamList();
}

void MarkingForm::on_page1(const net::PageResult& r)
{
    if (statusBar_->status_page(r) || r.replaced || r.url.isEmpty())
        return;
    const Page page = protocol::page_of(r.url);
    // The save's confirmation sees the replies before the dispatcher does.
    if (net::page_error_message(r.url, r.text).isEmpty()) {
        if (page == Page::SaveFs)
            saver_->manualSaveReplied(r.text);
        else if (page == Page::UserWork)
            saver_->batchArrived();
    }
    if (!net::check_page_err(r.url, r.text, ctx_.services.dialogs)) {
        if (page == Page::GetZtmsg)
            statusBar_->status_poll_failed();
        return;
    }
    switch (page) {
    case Page::GetWork: get_work_reply(r.text); break;
    case Page::SaveFs:
        show_status(true, QStringLiteral(" 正在读取批阅试题任务，请等待... (work...)"));
        request_batch();
        break;
    case Page::UserWork: user_work_reply(r.text); break;
    case Page::UserWorked: workedPanel_->fill_worked_list(r.text); break;
    case Page::PostErr: feedback_->feedback_reply(r.text); break;
    case Page::GetZtmsg: statusBar_->status_reply(r.text); break;
    case Page::PostOk: {
        const PostOkReply ok = post_ok_reply(r.text);
        if (ok.ok)
            show_status(false, QStringLiteral(" "));
        ctx_.services.dialogs.message(ok.message);
        break;
    }
    default: break;
    }
    statusBar_->clearActivity();
}

void MarkingForm::on_page3(const net::PageResult& r)
{
    const Page page = protocol::page_of(r.url);
    if (r.replaced) {
        if (page == Page::DownSt || page == Page::DownSted)
            fetcher_->downloadReplaced();
        else if (page == Page::SaveFs)
            saver_->autoSaveReplaced();
        return;
    }
    status_->show_status(false, status_->text(), ctx_.view->geometry());
    if (r.url.isEmpty() || !net::check_page_err(r.url, r.text, ctx_.services.dialogs))
        return;
    switch (page) {
    case Page::DownSt:
    case Page::DownSted:
        if (!r.text.contains(QLatin1String(protocol::marker::image_end)))
            ctx_.services.dialogs.message(QStringLiteral("访问地址：") + r.url + QStringLiteral(" 时发生错误！"));
        else if (page == Page::DownSt)
            fetcher_->save_down_st(r.text);
        else
            fetcher_->save_down_sted(r.text);
        break;
    case Page::SaveFs: saver_->mark_saved(r.text); break;
    default: break;
    }
    statusBar_->clearActivity();
}

void MarkingForm::get_work_reply(const QString& reply)
{
    const app::Session& s = app::session();
    const Assignment a = parse_assignment(reply);
    if (a.kind == Assignment::NoSet || a.kind == Assignment::NoWork || a.items.isEmpty()) {
        // An assignment without a single item leaves nothing to pick.
        const QString text = a.kind == Assignment::NoSet ? no_set_text(s.KS_Name, s.KM_Name)
                                                         : no_work_text(s.KS_Name, s.KM_Name);
        selectors_->showNoWork(text);
        show_status(true, text);
        return;
    }
    selectors_->showAssignment(a);
}

void MarkingForm::selectionMade()
{
    show_status(true, QStringLiteral("正在读取批阅试题任务，请等待..."));
    score_->clearMessage();
    clear_score_box();
    request_batch();
    refresh_mobile_code();
}

void MarkingForm::user_work_reply(const QString& reply)
{
    const app::Session& s = app::session();
    if (reply.contains(QLatin1String(protocol::marker::no_set))) {
        selectors_->setFirstCaption(no_set_text(s.KS_Name, s.KM_Name));
        progress_->hideProgress();
        return;
    }
    const WorkEnd end = parse_work_end(reply, ctx_.state.th_bj);
    if (!end.present) {
        fill_buffer_list(reply);
        return;
    }
    const QString status = work_end_status(end, ctx_.state.task_type, selectors_->class_caption(end.finished));
    if (end.recordsBefore)
        workedPanel_->show();
    show_status(true, status);
    fill_buffer_list(end.rest);
}

void MarkingForm::fill_buffer_list(const QString& reply)
{
    MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    st.cur_row = 0;
    fetcher_->batchFilled();
    buffer.reset();
    const Batch batch = parse_batch(reply);
    if (batch.hasProgress) {
        const app::Session& s = app::session();
        progress_->list_zt(batch.progress, s.JS_Name, s.KM_Name);
        st.work_count = app::to_int(app::piece(batch.progress.split(u','), 1));
    }
    if (!batch.rows.isEmpty()) {
        for (const QStringList& row : batch.rows)
            buffer.appendRow(row);
        if (st.hide_name == 1)
            buffer.setWidth(buffer.column(Col::Name), 0);
        fetcher_->timer1().start();
    }
    if (workedPanel_->isShown())
        request_worked();
}

void MarkingForm::ListView1_ItemClick(int row)
{
    MarkingState& st = ctx_.state;
    AnswerListModel& buffer = ctx_.buffer;
    if (row < 1 || row > buffer.rows())
        return;
    const AnswerGroup g = group_for_click(buffer, row, st.th_bj);
    if (!g.complete) {
        // No complete group around this row: nothing opens, and the list
        // goes back to the answer still on screen, the one a report names.
        if (st.cur_row >= 1 && st.cur_row <= buffer.rows())
            select_buffer_row(st.cur_row);
        else
            bufferPanel_->clearSelection();
        return;
    }
    st.cur_row = g.first;
    select_buffer_row(g.first);
    st.cur_gif = g.names.join(u',');
    if (app::to_double(buffer.text(st.cur_row, Col::Downed)) != 0) {
        fetcher_->down_load_st(g.refs.join(u','));
        fetcher_->decodeNext(g);
        showScoredAnswer(g);
        // The box holds the score of the row being marked: with a group
        // that is its first row, not the clicked one, whose score the
        // change handling would otherwise store on the first row.
        score_->showRowScore(buffer.text(st.cur_row, Col::Score));
        st.help_on_top = false;
    } else {
        ctx_.services.dialogs.message(QStringLiteral("当前试题没有下载！请等待......\r\r若较长时间没有完成，请检查网络是否正常？"));
        // The teacher waits for this answer: one whose download failed is asked for again.
        fetcher_->waitFor(g.names);
    }
}

void MarkingForm::open_cur_row()
{
    MarkingState& st = ctx_.state;
    AnswerGroup g = group_at(ctx_.buffer, st.cur_row, st.th_bj);
    if (!g.complete) {
        // A later question of a group: moving back from the next student
        // lands here, and the image must follow the row. Within the group
        // on screen nothing is loaded again.
        g = group_for_click(ctx_.buffer, st.cur_row, st.th_bj);
        if (!g.complete)
            return;
        if (g.names.join(u',') == st.cur_gif && ctx_.view->showsImages()) {
            showScoredAnswer(g);
            return;
        }
    }
    st.cur_gif = g.names.join(u',');
    fetcher_->down_load_st(g.refs.join(u','));
    fetcher_->decodeNext(g);
    showScoredAnswer(g);
}

// Which answer of a group the score box is for: framed in the view, named
// in the score panel's caption.
void MarkingForm::showScoredAnswer(const AnswerGroup& g)
{
    const bool group = g.names.size() > 1;
    const int row = ctx_.state.cur_row;
    ctx_.view->setMarked(group ? row - g.first : -1);
    score_->setScoredQuestion(group ? ctx_.buffer.text(row, Col::Question) : QString());
}

// An image page (not the help page, not a blank page) was put up. The
// view says which it is: the address of an image is a local path, and a
// program folder such as ".../public_html/" would pass it for a web page.
void MarkingForm::image_page_shown(const QString& url)
{
    if (url.isEmpty() || !ctx_.view->showsImages())
        return;
    ctx_.view->setAccessibleName(answers_caption(ctx_.view->imagePaths()));
    update_mobile_code();
    feedback_->hideFaultPanel();
}

void MarkingForm::update_mobile_code()
{
    // The block follows the selection of the moment the page goes up; it is
    // drawn again only when that changed, so opening an answer decodes its
    // image once.
    const app::Session& s = app::session();
    const QString data = mobile_code_data(s, ctx_.state.th_bj);
    if (data == footerData_)
        return;
    footerData_ = data;
    const QImage qr = mobile_code_drawn_locally() ? qr_code_image(data, kQrModule) : QImage();
    ctx_.view->setFooter(mobile_code_block(s, ctx_.state.th_bj), qr, mobile_code_caption());
}

// The address of the selection's mobile marking page; nothing is loaded
// from it (the code under the images is drawn when an image page is up).
void MarkingForm::refresh_mobile_code()
{
    mobileAddress_ = marking::refresh_mobile_code(app::session(), ctx_.state.th_bj);
}

void MarkingForm::Slider1_Scroll(int value)
{
    MarkingState& st = ctx_.state;
    st.zoom_pct = value;
    const SliderMove m = slider_moved(value, st.shown_files);
    frame6_->setTitle(m.frame6Caption);
    ctx_.view->setZoomPercent(value);
    // The help page may be up: the answer comes back at its new scale.
    if (m.reload && !ctx_.view->showsImages())
        ctx_.view->showImages(st.shown_files.split(u','));
}

void MarkingForm::layout_overlays()
{
    const QRect v = ctx_.view->geometry();
    workedPanel_->place(v);
    feedback_->place(v);
    // The view gets its real size only once the window is laid out; a box
    // put up before that moves with it.
    if (status_->isShown())
        status_->show_status(true, status_->text(), v);
}

void MarkingForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout_overlays();
    // The panels in the window's layouts follow it by themselves; the ones
    // floating over the image view are placed by the rules.
    QWidget* list = workedPanel_->view();
    const FloatingPlaces p =
        floating_places(width(), feedback_->frame10()->width(), feedback_->frame11()->width(), list->width());
    feedback_->frame10()->move(p.frame10Left, feedback_->frame10()->y());
    feedback_->frame11()->move(p.frame11Left, feedback_->frame11()->y());
    list->move(p.listView2Left, list->y());
    list->resize(list->width(), ctx_.view->height());
}

// --- what the rooms ask of the screen

void MarkingForm::show_status(bool show, const QString& text)
{
    status_->show_status(show, text, ctx_.view->geometry());
}

void MarkingForm::setActivity(const QString& text)
{
    statusBar_->setActivity(text);
}

void MarkingForm::select_buffer_row(int row)
{
    bufferPanel_->select_buffer_row(row);
}

int MarkingForm::selectedBufferRow() const
{
    return bufferPanel_->selectedRow();
}

bool MarkingForm::answerShown(int row) const
{
    // With the folder separator and the extension, so that the answer of
    // question 3 is not taken for that of question 31 (…_3 is in …_31.gif).
    const QString key =
        u'/' + image_name(ctx_.buffer.text(row, Col::Candidate), ctx_.buffer.text(row, Col::Question));
    return ctx_.view->text().contains(key);
}

void MarkingForm::showZoom()
{
    frame6_->show();
}

void MarkingForm::request_batch()
{
    ctx_.web1->navigate(user_work_url(app::session(), ctx_.state.th_bj));
}

void MarkingForm::request_worked()
{
    ctx_.web1->navigate(user_worked_url(app::session()));
}

void MarkingForm::clear_score_box()
{
    score_->clearBox();
}

void MarkingForm::storeScore(int row, const QString& score, bool markUnsaved)
{
    saver_->storeScore(row, score, markUnsaved);
}

void MarkingForm::journalRow(int row)
{
    saver_->journal_row(row);
}

void MarkingForm::save_scores()
{
    saver_->save_scores();
}

void MarkingForm::auto_save()
{
    saver_->auto_save();
}

void MarkingForm::show_progress()
{
    progress_->show_progress();
}

void MarkingForm::showDoneCount(int scoredRows)
{
    progress_->showDoneCount(scoredRows);
}

}  // namespace marking
