#include "correction/correction_form.h"

#include "app/app_paths.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "correction/entry_panel.h"
#include "correction/layout_rules.h"
#include "correction/objective_rules.h"
#include "correction/objective_sheet.h"
#include "correction/page_display.h"
#include "correction/question_bar.h"
#include "correction/replies.h"
#include "correction/requests.h"
#include "correction/sheet_view.h"
#include "marking/image_cache.h"
#include "net/base64_decode.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "protocol/markers.h"
#include "protocol/pages.h"
#include "ui/image_page_view.h"
#include "ui/status_box.h"
#include "ui/widget_names.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

namespace correction {

using protocol::Page;
namespace marker = protocol::marker;

QString CorrectionForm::title_text(const QString& examName, const QString& subjectName, const QString& teacher)
{
    return QStringLiteral("Velmora——《批阅主观试题》考试名称：") + examName + QStringLiteral("； 科目：")
         + subjectName + QStringLiteral("； 当前用户：") + teacher;
}

CorrectionForm::CorrectionForm(app::Services& services, QWidget* parent)
    : QWidget(parent), services_(services)
{
    setObjectName(QStringLiteral("Form6"));
    web1_ = ui::named(new net::PageChannel(services.network, this), "WebBrowser1");
    connect(web1_, &net::PageChannel::completed, this, &CorrectionForm::on_page1);
    display_ = new PageDisplay(this);
    sheet_ = new ObjectiveSheet(this);
    entry_ = new EntryPanel(this);
    status_ = std::make_unique<ui::StatusBox>(this, QStringLiteral("正在读取试题，请等待..."));
    connect(entry_, &EntryPanel::lookupClicked, this, &CorrectionForm::Command1_Click);
    connect(entry_, &EntryPanel::saveClicked, this, &CorrectionForm::Command2_Click);
    connect(&entry_->questions(), &QuestionBar::selected, this, &CorrectionForm::selectQuestion);
    connect(entry_, &EntryPanel::recogniseClicked, sheet_, &ObjectiveSheet::recognise);
    connect(entry_, &EntryPanel::adjustingToggled, sheet_, &ObjectiveSheet::setAdjusting);
    connect(entry_, &EntryPanel::togglingToggled, sheet_, &ObjectiveSheet::setToggling);
    connect(sheet_, &ObjectiveSheet::totalChanged, entry_, &EntryPanel::setScore);
    open();
}

CorrectionForm::~CorrectionForm() = default;

void CorrectionForm::open()
{
    const app::Session& s = app::session();
    state_ = CorrectionState{};
    resize(1280, 860);
    setWindowState(windowState() | Qt::WindowMaximized);
    setWindowTitle(title_text(s.KS_Name, s.KM_Name, s.JS_Name));
    placeControls();
    show_status(true, QStringLiteral(" 正在从服务器读取试题题号，请等待..."));
    web1_->navigate(question_list_url(s));
    display_->showBlank();
    display_->resetZoom();
    state_.img_scale = display_->img_scale();
}

void CorrectionForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    services_.flow.showExamList();
}

void CorrectionForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void CorrectionForm::placeControls()
{
    const int W = width(), H = height();
    QGroupBox* frame6 = display_->zoomBox();
    frame6->adjustSize();
    const int headerH = frame6->height() + 4;
    display_->label2()->move(5, (headerH - display_->label2()->sizeHint().height()) / 2);
    display_->label2()->adjustSize();
    display_->label3()->setGeometry(100, 0, std::max(100, W - frame6->width() - 110), headerH);
    const QRect frame1(5, entry_->y(), entry_->width(), entry_->sizeHint().height());
    const CorrectionLayout l = correction_layout(W, H, frame1, frame6->width(), headerH, 5);
    entry_->setGeometry(l.frame1);
    display_->view().setGeometry(l.display);
    sheet_->view().setGeometry(l.display);
    frame6->move(l.frame6Left, 0);
    if (status_ && status_->isShown())
        status_->show_status(true, status_->text(), display_->view().geometry());
}

void CorrectionForm::show_status(bool show, const QString& text)
{
    status_->show_status(show, text, display_->view().geometry());
}

void CorrectionForm::on_page1(const net::PageResult& r)
{
    const Page page = correction_page(r.url);
    if (r.replaced) {
        // A question picked while a save was on its way: the save's answer
        // is lost, so the leader must look again rather than trust it.
        if (page == Page::SaveFs || page == Page::SaveKgtFs) {
            state_.sentScore.clear();
            services_.dialogs.message(save_unconfirmed_message());
        }
        return;
    }
    if (r.url.isEmpty() || !net::check_page_err(r.url, r.text, services_.dialogs))
        return;
    switch (page) {
    case Page::GetTh: list_th(r.text); break;
    case Page::GetSt: lookup_reply(r.text); break;
    case Page::SaveFs:
        state_.sentScore.clear();
        services_.dialogs.message(r.text);
        break;
    case Page::DownSt: image_reply(r.text); break;
    case Page::KsBox: read_box(r.text); break;
    case Page::SaveKgtFs: objective_save_reply(r.text); break;
    default: break;
    }
}

void CorrectionForm::list_th(const QString& reply)
{
    const app::Session& s = app::session();
    const QuestionList list = parse_question_list(reply);
    show_status(false, QString());
    switch (list.kind) {
    case QuestionList::NoRights: {
        const QString text = no_rights_text(s.KS_Name, s.KM_Name);
        entry_->questions().showRefusal(text);
        show_status(true, text);
        state_.has_qx = false;
        break;
    }
    case QuestionList::NoQuestions: {
        const QString text = no_questions_text(s.KS_Name, s.KM_Name);
        entry_->questions().showRefusal(text);
        show_status(true, text);
        entry_->setLookupEnabled(false);
        break;
    }
    case QuestionList::Questions:
        entry_->questions().showQuestions(list.numbers);
        state_.has_qx = true;
        break;
    }
}

void CorrectionForm::selectQuestion(const QString& number)
{
    state_.cur_th = number;
    // A single character is no exam number yet: only "确定" looks it up.
    if (app::trim(entry_->examNumber()).size() > 1)
        Command1_Click();
}

void CorrectionForm::Command1_Click()
{
    const QString examNumber = app::trim(entry_->examNumber());
    const QString refusal = check_lookup(examNumber, state_.has_qx);
    if (!refusal.isEmpty()) {
        services_.dialogs.message(refusal);
        return;
    }
    state_.xs_kh = examNumber;
    web1_->navigate(lookup_url(app::session(), examNumber, state_.cur_th));
    display_->setZoomVisible(state_.cur_th != QLatin1String(marker::objective_questions));
}

void CorrectionForm::lookup_reply(const QString& reply)
{
    const Lookup l = parse_lookup(reply);
    if (!l.found) {
        state_.fs_id = 0;
        services_.dialogs.message(l.message);
        showBlank();
        return;
    }
    show_status(true, QStringLiteral(" 正在下载试题图片，请等待... "));
    state_.fs_id = l.fs_id;
    imageSchool_ = l.schoolId;
    state_.img_file = l.img_file;
    state_.fs_text = l.fs_text;
    // Each student's own answers or none: answers kept from the student
    // before would be saved under this one's record.
    if (state_.cur_th == QLatin1String(marker::objective_questions))
        sheet_->setAnswers(l.kgt_ans, l.kgt_da);
    web1_->navigate(image_url(app::session(), l.schoolId, l.ref));
}

// Nobody's answer on display: an earlier student's sheet would otherwise
// stay in view under a failed lookup.
void CorrectionForm::showBlank()
{
    display_->showBlank();
    display_->view().show();
    sheet_->view().hide();
    sheet_->clearItems();
    entry_->showSheetControls(false);
}

void CorrectionForm::image_reply(const QString& reply)
{
    show_status(false, status_->text());
    if (!reply.contains(QLatin1String(marker::image_end))) {
        services_.dialogs.message(QStringLiteral("从服务器读取图片文件出错！"));
        showBlank();
        return;
    }
    const QString path = save_st_image(reply);
    if (!path.isEmpty()) {
        if (state_.cur_th == QLatin1String(marker::objective_questions)) {
            show_kg_image(path);
        } else {
            display_->show_zg_image(path);
            state_.img_path = display_->img_path();
            show_status(false, status_->text());
            entry_->showSheetControls(false);
            sheet_->view().hide();
            sheet_->clearItems();
        }
    }
    entry_->setScoreLine(state_.fs_text);
    if (const auto score = get_fs_text(state_.fs_text))
        entry_->setScore(*score);
}

QString CorrectionForm::save_st_image(const QString& reply)
{
    const app::Session& s = app::session();
    const marking::ImageCache cache(services_.paths.programDir(), s.ks_id, s.KM_id);
    const QString path = cache.path_of(state_.img_file);
    // A name from the server that is no plain file name writes nothing.
    if (path.isEmpty()) {
        services_.dialogs.message(unsafe_image_message(state_.img_file));
        return {};
    }
    const QString data = reply.left(reply.indexOf(QLatin1String(marker::image_end)));
    // The file goes first: a failed decode must not leave the last image
    // under this name.
    if (!cache.make_cache_dirs() || (QFile::exists(path) && !QFile::remove(path))
        || !net::base64_decode(data, path)) {
        services_.dialogs.message(QStringLiteral("生成本地文件：") + path + QStringLiteral(" 出错！"));
        return {};
    }
    display_->setSavedPath(path);
    return path;
}

void CorrectionForm::Command2_Click()
{
    const app::Session& s = app::session();
    InFlight inFlight = InFlight::None;
    switch (correction_page(web1_->pendingUrl())) {
    case Page::GetSt:
    case Page::DownSt:
    case Page::KsBox: inFlight = InFlight::Lookup; break;
    case Page::SaveFs: inFlight = InFlight::Save; break;
    default: break;
    }
    const SaveCheck c = check_save(entry_->examNumber(), state_.fs_id, entry_->score(), state_.has_qx, inFlight,
                                   state_.sentScore);
    if (c.action == SaveCheck::Nothing)
        return;
    if (c.action == SaveCheck::Message) {
        services_.dialogs.message(c.text);
        return;
    }
    if (state_.cur_th == QLatin1String(marker::objective_questions)) {
        objective_save();
        return;
    }
    state_.sentScore = c.text;
    web1_->navigate(modi_save_url(s, modi_score_string(state_.fs_id, c.text)));
}

// The sheet of a looked-up student, then the subject's regions on it.
void CorrectionForm::show_kg_image(const QString& path)
{
    state_.img_path = path.section(u',', 0, 0);
    if (!sheet_->loadPicture(state_.img_path)) {
        services_.dialogs.message(QStringLiteral("读取文件：") + state_.img_path + QStringLiteral("出错！"));
        showBlank();  // not the sheet of the student before
        return;
    }
    show_status(false, status_->text());
    display_->hidePages();
    sheet_->view().show();
    entry_->showSheetControls(true);
    web1_->navigate(box_url(app::session()));
}

void CorrectionForm::read_box(const QString& reply)
{
    const BoxReply box = correction::read_box(reply);
    if (!box.hasRegions) {
        sheet_->clearItems();
        services_.dialogs.message(QStringLiteral("此科目的识别、裁剪区块没有设置！\r\r此步骤不能进行!"));
        return;
    }
    // Regions the leader dragged into place for this student are kept
    // beside the images, under the exam number as it was looked up.
    const app::Session& s = app::session();
    const marking::ImageCache cache(services_.paths.programDir(), s.ks_id, s.KM_id);
    const QString itemFile = cache.valid() ? item_file_path(cache.folder(), state_.xs_kh) : QString();
    sheet_->setItems(box.item_str, box.hasCKK ? std::optional(box.CKK) : std::nullopt, itemFile);
    sheet_->draw_items(true);
}

void CorrectionForm::objective_save()
{
    // No answers from the lookup and none recognised: there is nothing of
    // this student's to send.
    if (sheet_->kgt_ans().isEmpty()) {
        services_.dialogs.message(QStringLiteral("还没有此考生的选择题答案（请先识别选择题），不能保存。"));
        return;
    }
    if (correction_page(web1_->pendingUrl()) == Page::SaveKgtFs) {
        services_.dialogs.message(QStringLiteral("上一次保存选择题还没有回音，请稍候再保存。"));
        return;
    }
    web1_->navigate(kgt_save_url(app::session(), answer_string(sheet_->kgt_ans(), state_.fs_id)));
}

void CorrectionForm::objective_save_reply(const QString& reply)
{
    if (reply.contains(QLatin1String(marker::objective_saved)))
        services_.dialogs.message(QStringLiteral("此考生的选择题已重新识别，本学科得分更新成功！"));
    else if (!app::trim(reply).isEmpty())
        services_.dialogs.message(reply);  // the server's refusal: the answers were not stored
}

}  // namespace correction
