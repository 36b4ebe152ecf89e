#include "reports/report_form.h"

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "reports/export_model.h"
#include "reports/requests.h"
#include "reports/xlsx_writer.h"
#include "ui/web_page_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

namespace reports {

namespace {

using protocol::Page;

struct Button {
    const char16_t* caption;
    Page page;
};

// Command1..Command13 in order; Command8 is the export.
constexpr Button kButtons[] = {
    {u"答题情况", Page::CjAnswer},   {u"试卷图片", Page::CjScore},   {u"考试进度", Page::CjWorking},
    {u"得分情况", Page::CjShitifs},  {u"优秀答题卡", Page::CjYxdtk}, {u"考生答题卡", Page::CjXsdtk},
    {u"试题难度", Page::CjStnd},     {u"保存到Excel", Page::Unknown}, {u"成绩名次表", Page::CjMc},
    {u"成绩分数段", Page::CjFsd},    {u"试卷分析", Page::CjSjfx},    {u"试题区分度", Page::CjStqfd},
    {u"成绩分析表", Page::CjFx},
};
constexpr int kButtonCount = int(std::size(kButtons));

constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 30;
constexpr int kMargin = 6;
constexpr int kViewTop = kButtonHeight + 2 * kMargin;
constexpr int kShadowOffset = 15;

const QString kWaiting = QStringLiteral("正在读取数据，请等待...");

}  // namespace

QString ReportForm::caption(const QString& version)
{
    return QStringLiteral("Velmora—《查询客观题答题情况》 【Ver：") + version + QStringLiteral("】");
}

protocol::Page ReportForm::pageOfButton(int index)
{
    return index >= 1 && index <= kButtonCount ? kButtons[index - 1].page : Page::Unknown;
}

QString ReportForm::buttonCaption(int index)
{
    return index >= 1 && index <= kButtonCount ? QString::fromUtf16(kButtons[index - 1].caption) : QString();
}

ReportForm::ReportForm(app::Services& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      view1_(new ui::WebPageView(services.network, this)),
      view2_(new net::PageChannel(services.network, this)),
      status_(this, kWaiting)
{
    setObjectName(QStringLiteral("Form5"));
    view1_->setObjectName(QStringLiteral("WebBrowser1"));
    view2_->setObjectName(QStringLiteral("WebBrowser2"));
    for (int i = 1; i <= kButtonCount; ++i) {
        auto* b = new QPushButton(buttonCaption(i), this);
        b->setObjectName(QStringLiteral("Command%1").arg(i));
        b->setGeometry(kMargin + (i - 1) * (kButtonWidth + 4), kMargin, kButtonWidth, kButtonHeight);
        const Page page = pageOfButton(i);
        if (page == Page::Unknown)
            connect(b, &QPushButton::clicked, this, &ReportForm::Command8_Click);
        else
            connect(b, &QPushButton::clicked, this, [this, page] { openReport(page); });
        buttons_ << b;
    }
    view1_->move(0, kViewTop);
    connect(view1_, &ui::WebPageView::completed, this, &ReportForm::onView1);
    connect(view2_, &net::PageChannel::completed, this, &ReportForm::onView2);
    setWindowTitle(caption(app::session().Tavix_Ver));
    resize(kMargin * 2 + kButtonCount * (kButtonWidth + 4), 760);
}

ReportForm::~ReportForm() = default;

void ReportForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void ReportForm::Form_Load()
{
    view1_->navigate(report_url(app::session(), Page::CjWorking));
    setWindowState(windowState() | Qt::WindowMaximized);
}

void ReportForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width() - view1_->x();
    const int h = height() - view1_->y();
    if (w > 0 && h > 0)
        view1_->resize(w, h);
    else if (w > 0)
        view1_->resize(w, view1_->height());
    else if (h > 0)
        view1_->resize(view1_->width(), h);
    placeStatus();
}

void ReportForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    services_.flow.showExamList();
}

// Centred in the window, its shadow 15 pixels right of and below it.
void ReportForm::placeStatus()
{
    QFrame* box = status_.frame();
    box->move((width() - box->width()) / 2, (height() - box->height()) / 2);
    status_.shadow()->resize(box->size());
    status_.shadow()->move(box->pos() + QPoint(kShadowOffset, kShadowOffset));
}

void ReportForm::show_status(bool show, const QString& text)
{
    status_.show_status(show, text.isNull() ? status_.text() : text, rect());
    placeStatus();
}

void ReportForm::openReport(Page page)
{
    sheet_ = AnswerSheet();
    show_status(true, kWaiting);
    view1_->navigate(report_url(app::session(), page));
}

void ReportForm::onView1(const net::PageResult& r)
{
    if (r.url.isEmpty() || r.replaced)
        return;
    if (!net::check_page_err(r.url, r.text, services_.dialogs))
        return;  // the status box stays: the message said why
    if (protocol::pages_in(r.url).contains(Page::CjXsdtk) && r.text.contains(QStringLiteral("Student_DTK"))) {
        const app::Session& s = app::session();
        if (!app::is_safe_file_name(s.ks_id)) {
            services_.dialogs.message(QStringLiteral("考试编号不能用作缓存文件夹名：") + s.ks_id);
            show_status(false);
            return;
        }
        const QString cache = QDir(services_.paths.programDir())
                                  .filePath(QStringLiteral("ks_data/%1/%2").arg(s.ks_id).arg(s.KM_id));
        sheet_ = AnswerSheet(cache);
        view1_->setLocalBase(cache);
        const AnswerSheet::Step step = sheet_.begin(r.text);
        // The top of the sheet replaces the page, even when it is empty.
        view1_->write(QString());
        show_status(true);
        apply(step);
        return;
    }
    // The page itself is the result (a sheet reply without its marker is
    // a notice of the server's and shows as it came).
    show_status(false);
}

void ReportForm::onView2(const net::PageResult& r)
{
    if (r.url.isEmpty() || r.replaced)
        return;
    if (!net::check_page_err(r.url, r.text, services_.dialogs))
        return;
    // A piece that comes back after the view went on to another page
    // belongs to no sheet any more.
    if (protocol::pages_in(r.url).contains(Page::CjDtk) && view1_->showsWritten())
        apply(sheet_.imageReply(r.text));
}

void ReportForm::apply(const AnswerSheet::Step& step)
{
    if (!step.markup.isEmpty())
        view1_->write(step.markup);
    for (const QString& m : step.messages)
        services_.dialogs.message(m);
    if (!step.fetch.isEmpty())
        view2_->navigate(answer_piece_url(app::session(), step.fetch));
    if (step.done) {
        view1_->refresh();
        show_status(false);
    }
}

QString ReportForm::suggestedFileName() const
{
    const Page page = protocol::page_of(view1_->currentUrl());
    QString report = QStringLiteral("报表");
    for (int i = 1; i <= kButtonCount; ++i) {
        if (pageOfButton(i) == page && page != Page::Unknown)
            report = buttonCaption(i);
    }
    const app::Session& s = app::session();
    QString name = QStringList{report, s.KS_Name, s.KM_Name}.join(u'_');
    static const QRegularExpression bad(QStringLiteral("[\\\\/:*?\"<>|\\s]+"));
    name.replace(bad, QStringLiteral("_"));
    return name + QStringLiteral(".xlsx");
}

void ReportForm::Command8_Click()
{
    const QString url = view1_->currentUrl();
    if (url.contains(QStringLiteral("dtk.asp"))) {
        services_.dialogs.message(QStringLiteral("答题卡图片不方便导入到 Excel 中！"));
        return;
    }
    QString path = services_.dialogs.saveFileName(QStringLiteral("保存到Excel"), suggestedFileName(),
                                                  QStringLiteral("电子表格 (*.xlsx)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");

    show_status(true, QStringLiteral("正在生成电子表格文件......"));
    const ExportTable table = export_table(url, view1_->innerHtml(), [this](int pct) {
        status_.label()->setText(QStringLiteral("正在写入Excel，完成 %1%").arg(pct));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    QString error;
    const bool written = write_xlsx(table, path, &error);
    show_status(false);
    if (!written) {
        services_.dialogs.message(QStringLiteral("数据导入到 Excel 文档时出错！\r\r") + error);
        return;
    }
    services_.dialogs.openUrl(QUrl::fromLocalFile(path));
}

}  // namespace reports
