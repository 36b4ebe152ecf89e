// Opening and closing of the marking screen, the status box, and the
// completion handling of its two request channels.
#include "marking/marking_form.h"

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "net/url_encode.h"
#include "ui/image_page_view.h"
#include "ui/status_box.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSlider>
#include <QTableView>
#include <QTimer>

namespace marking {

QString MarkingForm::title_text(const QString& examName, const QString& subjectName, const QString& teacher,
                                const QString& version)
{
    // The window shows the revision, then the major version: "8.5" reads
    // as major 8, revision 5.
    const QString major = version.section(u'.', 0, 0);
    const QString revision = version.section(u'.', 1, 1).isEmpty() ? QStringLiteral("0") : version.section(u'.', 1, 1);
    return QStringLiteral("Velmora——《批阅主观试题》 ") + QStringLiteral("考试名称：") + examName
         + QStringLiteral("； 科目：") + subjectName + QStringLiteral("； 当前用户：") + teacher
         + QStringLiteral("【Ver：") + revision + u'.' + major + QStringLiteral("】");
}

MarkingForm::MarkingForm(app::Services& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      web1_(new net::PageChannel(services.network, this)),
      web3_(new net::PageChannel(services.network, this)),
      timer1_(new QTimer(this)),
      timer2_(new QTimer(this))
{
    const app::Session& s = app::session();
    MarkingState& st = state();
    setObjectName(QStringLiteral("Form4"));
    web1_->setObjectName(QStringLiteral("WebBrowser1"));
    web3_->setObjectName(QStringLiteral("WebBrowser3"));
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(500);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(1000);
    connect(timer1_, &QTimer::timeout, this, &MarkingForm::Timer1_Timer);
    connect(timer2_, &QTimer::timeout, this, &MarkingForm::Timer2_Timer);
    connect(web1_, &net::PageChannel::completed, this, &MarkingForm::on_page1);
    connect(web3_, &net::PageChannel::completed, this, &MarkingForm::on_page3);

    buffer_.setColumns(AnswerListModel::bufferHeaderText(), AnswerListModel::bufferWidths());
    worked_.setColumns(AnswerListModel::workedHeaderText(), AnswerListModel::workedWidths());
    build_controls();
    connect(&buffer_, &AnswerListModel::widthsChanged, this, &MarkingForm::apply_widths);
    connect(&worked_, &AnswerListModel::widthsChanged, this, &MarkingForm::apply_widths);
    connect(view_, &ui::ImagePageView::pageLoaded, this, &MarkingForm::image_page_shown);
    listView1_->installEventFilter(this);
    connect(listView1_, &QTableView::clicked, this, [this](const QModelIndex& i) { ListView1_ItemClick(i.row() + 1); });
    connect(listView2_, &QTableView::clicked, this, [this](const QModelIndex& i) { ListView2_ItemClick(i.row() + 1); });
    connect(listView2_, &QTableView::doubleClicked, this, [this] { ListView2_DblClick(); });
    connect(listView2_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView2_ColumnClick(section + 1); });

    // Opening, in order.
    timer1_->stop();
    resize(1440, 900);
    setWindowState(windowState() | Qt::WindowMaximized);
    st.help_on_top = true;
    st.hide_name = 0;
    st.shown_files.clear();
    st.cur_row = 0;  // the new buffer list is empty
    setWindowTitle(title_text(s.KS_Name, s.KM_Name, s.JS_Name, s.Tavix_Ver));
    zt_msg_->setText(QStringLiteral("阅卷时长:0时0分0秒；"));
    show_status(true, QStringLiteral(" 正在从服务器读取阅卷任务，请等待... (Load...)"));
    make_cache_dirs();
    web1_->navigate(s.Server_URL + QStringLiteral("cj/net_get_work.asp?ks_id=") + s.ks_id + QStringLiteral("&km_id=")
                    + QString::number(s.KM_id) + QStringLiteral("&js_id=") + QString::number(s.User_ID));
    view_->showPage(s.Server_URL + QStringLiteral("cj/tavix_help.html"));
    label4_->hide();
    frame7_->hide();
    frame8_->hide();
    progress1_->hide();
    slider1_->setValue(100);
    st.zoom_pct = slider1_->value();
    // The volume-mute key press of the opening has no counterpart here.
    wire_part_two();
}

MarkingForm::~MarkingForm() = default;

void MarkingForm::closeEvent(QCloseEvent* event)
{
    before_close();
    timer1_->stop();
    timer2_->stop();
    event->accept();
    services_.flow.showExamList();
}

void MarkingForm::show_status(bool show, const QString& text)
{
    status_->show_status(show, text, view_->geometry());
}

QString MarkingForm::batch_url() const
{
    const app::Session& s = app::session();
    return s.Server_URL + QStringLiteral("cj/net_user_work.asp?ks_id=") + s.ks_id + QStringLiteral("&km_id=")
         + QString::number(s.KM_id) + QStringLiteral("&js_id=") + QString::number(s.User_ID)
         + QStringLiteral("&th_bj=") + net::url_encode(state().th_bj);
}

QString MarkingForm::worked_url() const
{
    const app::Session& s = app::session();
    return s.Server_URL + QStringLiteral("cj/net_user_worked.asp?ks_id=") + s.ks_id + QStringLiteral("&km_id=")
         + QString::number(s.KM_id) + QStringLiteral("&js_id=") + QString::number(s.User_ID);
}

void MarkingForm::request_batch()
{
    web1_->navigate(batch_url());
}

void MarkingForm::request_worked()
{
    web1_->navigate(worked_url());
}

void MarkingForm::on_page1(const net::PageResult& r)
{
    if (r.replaced) {
        request_replaced(r.url);
        return;
    }
    if (r.url.isEmpty())
        return;
    if (!net::check_page_err(r.url, r.text, services_.dialogs)) {
        if (r.url.contains(QLatin1String("net_get_ztmsg.asp")))
            status_poll_failed(r.url);
        return;
    }
    const QString& u = r.url;
    if (u.contains(QLatin1String("net_get_work.asp"))) {
        get_work_reply(r.text);
    } else if (u.contains(QLatin1String("net_save_fs.asp"))) {
        show_status(true, QStringLiteral(" 正在读取批阅试题任务，请等待... (work...)"));
        request_batch();
    } else if (u.contains(QLatin1String("net_user_work.asp"))) {
        user_work_reply(r.text);
    } else if (u.contains(QLatin1String("net_user_worked.asp"))) {
        fill_worked_list(r.text);
    } else if (u.contains(QLatin1String("net_post_err.asp"))) {
        feedback_reply(r.text);
    } else if (u.contains(QLatin1String("net_get_ztmsg.asp"))) {
        if (r.text.contains(QStringLiteral("满分")))
            status_reply(r.text);
        else
            status_poll_failed(u);
    } else if (u.contains(QLatin1String("net_post_ok.asp"))) {
        if (r.text.contains(QLatin1String("Post OK"))) {
            show_status(false, QStringLiteral(" "));
            services_.dialogs.message(QStringLiteral("系统已经记载了您推荐的优秀答案！"));
        } else {
            services_.dialogs.message(QStringLiteral("操作失败！"));
        }
    }
    label3_->clear();
}

void MarkingForm::on_page3(const net::PageResult& r)
{
    if (r.replaced) {
        // A download the automatic save replaced never completes; without
        // this the prefetch would stay off for good.
        if (r.url.contains(QLatin1String("net_down_st.asp")) || r.url.contains(QLatin1String("net_down_sted.asp")))
            timer1_->start();
        download_view_replaced(r.url);
        return;
    }
    status_->show_status(false, status_->text(), view_->geometry());
    if (r.url.isEmpty())
        return;
    if (!net::check_page_err(r.url, r.text, services_.dialogs))
        return;
    const QString& u = r.url;
    const bool st = u.contains(QLatin1String("net_down_st.asp"));
    if (st || u.contains(QLatin1String("net_down_sted.asp"))) {
        if (!r.text.contains(QLatin1String(",,,,,")))
            services_.dialogs.message(QStringLiteral("访问地址：") + u + QStringLiteral(" 时发生错误！"));
        else if (st)
            save_down_st(r.text);
        else
            save_down_sted(r.text);
    } else if (u.contains(QLatin1String("net_save_fs.asp"))) {
        mark_saved(r.text);
    }
    label3_->clear();
}

bool MarkingForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == listView1_ && event->type() == QEvent::KeyRelease) {
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            ListView1_KeyUp();
    } else if (event->type() == QEvent::MouseMove) {
        if (watched == listView2_->viewport()) {
            const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
            ListView2_MouseMove(p + QPoint(0, listView2_->horizontalHeader()->height()));
        } else if (watched == listView2_->horizontalHeader()) {
            ListView2_MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        } else {
            hide_tool_tip();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MarkingForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout_overlays();
    layout_part_two();
}

}  // namespace marking
