#include "login/login_form.h"

#include "app/app_paths.h"
#include "app/clock.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "app/session.h"
#include "app/vbtext.h"
#include "login/last_login.h"
#include "login/login_rules.h"
#include "login/login_texts.h"
#include "login/lookup_field.h"
#include "login/upgrade_panel.h"
#include "login/url_settings.h"
#include "net/page_channel.h"
#include "net/requests_login.h"
#include "protocol/pages.h"
#include "site_config.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

namespace login {

namespace {
constexpr int visible_list_rows = 7;
// Long enough to lie between two keys of a steady typist, short enough
// that the match seems to come at once when they stop.
constexpr int typing_pause_ms = 300;

// A caption; with a buddy it is that field's name for a screen reader too.
QLabel* caption(const QString& name, const QString& text, QWidget* parent, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setBuddy(buddy);
    return l;
}
}  // namespace

LoginForm::LoginForm(app::Services& services, QWidget* parent)
    : QWidget(parent), services_(services), channel_(new net::PageChannel(services.network, this)),
      typingPause_(new QTimer(this))
{
    setObjectName(QStringLiteral("login_form"));
    channel_->setObjectName(QStringLiteral("WebBrowser1"));
    buildControls();
    connectControls();

    app::Session& s = app::session();
    s.Tavix_Ver = QStringLiteral("8.5");
    s.School_ID = 0;
    s.User_ID = 0;
    s.KS_INPUT = 1;
    s.D_HELP = true;
    s.Start_Time = services_.clock.now();
    setWindowTitle(text::caption);

    load_url_txt();
    composeServerUrl();
    sendProbe(QString::fromUtf8(app::site::probe_token));
    restoreLastLogin();
}

LoginForm::~LoginForm() = default;

void LoginForm::buildControls()
{
    serverIP_ = new LookupField(QStringLiteral("ServerIP"), this);
    serverIP_->setText(QString::fromUtf8(app::site::default_host));
    serverPort_ = new LookupField(QStringLiteral("ServerPort"), this);
    serverPort_->setText(QString::fromUtf8(app::site::default_port));
    serverPort_->setFixedWidth(72);

    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(caption(QStringLiteral("Label2"), QStringLiteral("服务器地址："), this, serverIP_));
    serverRow->addWidget(serverIP_, 1);
    serverRow->addSpacing(8);
    serverRow->addWidget(caption(QStringLiteral("Label2"), QStringLiteral("端口："), this, serverPort_));
    serverRow->addWidget(serverPort_);

    frame1_ = new QGroupBox(QStringLiteral("请输入用户信息"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    text1_ = new LookupField(QStringLiteral("Text1"), frame1_);
    text2_ = new LookupField(QStringLiteral("Text2"), frame1_);
    text3_ = new QLineEdit(frame1_);
    text3_->setObjectName(QStringLiteral("Text3"));
    text3_->setEchoMode(QLineEdit::Password);
    check1_ = new QCheckBox(QStringLiteral("记住密码"), frame1_);
    check1_->setObjectName(QStringLiteral("Check1"));
    label4_ = caption(QStringLiteral("Label4"), QStringLiteral("输入 学校名称、教师姓名的汉语拼音首字母"), frame1_);
    label4_->setStyleSheet(QStringLiteral("color: #666;"));

    auto* grid = new QGridLayout(frame1_);
    grid->setColumnStretch(1, 1);
    grid->addWidget(caption(QStringLiteral("Label1"), QStringLiteral("学校名称："), frame1_, text1_), 0, 0);
    grid->addWidget(text1_, 0, 1, 1, 2);
    grid->addWidget(caption(QStringLiteral("Label1"), QStringLiteral("教师姓名："), frame1_, text2_), 1, 0);
    grid->addWidget(text2_, 1, 1, 1, 2);
    grid->addWidget(caption(QStringLiteral("Label1"), QStringLiteral("登录密码："), frame1_, text3_), 2, 0);
    grid->addWidget(text3_, 2, 1);
    grid->addWidget(check1_, 2, 2);
    grid->addWidget(label4_, 3, 1, 1, 2);

    login_ = new QPushButton(QStringLiteral("登录系统"), this);
    login_->setObjectName(QStringLiteral("login"));
    login_->setDefault(true);
    quit_ = new QPushButton(QStringLiteral("关闭退出"), this);
    quit_->setObjectName(QStringLiteral("quit"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(login_);
    buttons->addSpacing(16);
    buttons->addWidget(quit_);
    buttons->addStretch(1);

    label3_ = caption(QStringLiteral("Label3"), text::unreachable, this);
    label3_->setWordWrap(true);
    label3_->setAlignment(Qt::AlignCenter);

    upgrade_ = new UpgradePanel(QDir::toNativeSeparators(services_.paths.programDir()), this);

    auto* root = new QVBoxLayout(this);
    root->addLayout(serverRow);
    root->addWidget(frame1_);
    root->addLayout(buttons);
    root->addWidget(label3_);
    root->addWidget(upgrade_);
    root->addStretch(1);

    // The match lists drop down over the fields below, like a completer.
    for (auto** list : {&list1_, &list2_}) {
        *list = new QListWidget(this);
        (*list)->hide();
    }
    list1_->setObjectName(QStringLiteral("List1"));
    list2_->setObjectName(QStringLiteral("List2"));
    list1_->setAccessibleName(QStringLiteral("学校名称"));
    list2_->setAccessibleName(QStringLiteral("教师姓名"));

    typingPause_->setObjectName(QStringLiteral("typingPause"));
    typingPause_->setSingleShot(true);
    typingPause_->setInterval(typing_pause_ms);

    setMinimumWidth(460);
    // The school name is what a teacher types first.
    text1_->setFocus();
}

void LoginForm::connectControls()
{
    connect(channel_, &net::PageChannel::completed, this, &LoginForm::onCompleted);
    connect(serverIP_, &LookupField::focusLost, this, &LoginForm::onAddressFocusLost);
    connect(serverPort_, &QLineEdit::textChanged, this, &LoginForm::onPortChanged);

    connect(text1_, &LookupField::typed, this, [this] {
        list_picked_ = false;
        typingPause_->start();
        text2_->clear();  // another school: the teacher name no longer fits
    });
    connect(text1_, &LookupField::pressed, this, [this] {
        list_picked_ = false;
        list2_->hide();
    });
    connect(text2_, &LookupField::typed, this, [this] {
        list_picked_ = false;
        typingPause_->start();
    });
    connect(typingPause_, &QTimer::timeout, this, &LoginForm::takeOverMatches);
    connect(text2_, &LookupField::pressed, this, [this] { list_picked_ = false; });
    connect(text1_, &QLineEdit::textChanged, this, &LoginForm::onSchoolTextChanged);
    connect(text2_, &QLineEdit::textChanged, this, &LoginForm::onTeacherTextChanged);
    connect(list1_, &QListWidget::itemClicked, this, &LoginForm::onSchoolPicked);
    connect(list1_, &QListWidget::itemActivated, this, &LoginForm::onSchoolPicked);
    connect(list2_, &QListWidget::itemClicked, this, &LoginForm::onTeacherPicked);
    connect(list2_, &QListWidget::itemActivated, this, &LoginForm::onTeacherPicked);

    connect(login_, &QPushButton::clicked, this, &LoginForm::onLoginClicked);
    connect(text3_, &QLineEdit::returnPressed, this, &LoginForm::onLoginClicked);
    connect(quit_, &QPushButton::clicked, this, &LoginForm::programEnd);
    connect(upgrade_, &UpgradePanel::installerClicked, this, [this] {
        openDownload(QStringLiteral("kssetup.exe"), installer_message());
    });
    connect(upgrade_, &UpgradePanel::programFileClicked, this, [this] {
        openDownload(QStringLiteral("tavix.exe"),
                     program_file_message(QDir::toNativeSeparators(services_.paths.programDir())));
    });
}

// --- settings file ---------------------------------------------------------

void LoginForm::load_url_txt()
{
    const UrlSettings s = read_url_txt(services_.paths.file(QStringLiteral("url.txt")));
    if (s.address)
        serverIP_->setText(*s.address);
    if (s.port)
        serverPort_->setText(*s.port);  // runs the port check and its probe
    if (s.password)
        text3_->setText(*s.password);
    if (s.remember)
        check1_->setChecked(*s.remember);
}

void LoginForm::save_url_txt()
{
    // The address and port the login went to, not what the fields hold
    // now: a refused port stays in its field but was never used.
    const QString path = services_.paths.file(QStringLiteral("url.txt"));
    bool passwordKept = false;
    if (!login::save_url_txt(path, urlHost_, urlPort_, check1_->isChecked(), text3_->text(), &passwordKept))
        services_.dialogs.message(text::settings_not_saved + QDir::toNativeSeparators(path));
    else if (check1_->isChecked() && !passwordKept)
        services_.dialogs.message(text::password_not_remembered);
}

void LoginForm::restoreLastLogin()
{
    const LastLogin last = read_last_login(services_.paths.file(QString::fromLatin1(last_login_file)));
    if (last.isEmpty())
        return;
    // The teacher's name is filled in, not typed: it asks nothing.
    list_picked_ = true;
    text2_->setText(last.teacher);
    list_picked_ = false;
    // The school is looked up again; the reply chooses it as a single
    // match and, like the probe it replaces, tells the server's version.
    text1_->setText(last.school);
    // Typed over, a remembered name is replaced rather than added to.
    text1_->selectAll();
    text2_->selectAll();
    text3_->setFocus();
}

void LoginForm::saveLastLogin()
{
    // A convenience: a folder url.txt could not be written to has been
    // reported already.
    save_last_login(services_.paths.file(QString::fromLatin1(last_login_file)), {text1_->text(), text2_->text()});
}

// --- server address --------------------------------------------------------

void LoginForm::composeServerUrl()
{
    urlHost_ = serverIP_->text();
    urlPort_ = serverPort_->text();
    app::session().Server_URL = server_url(urlHost_, urlPort_);
}

void LoginForm::sendProbe(const QString& token)
{
    schoolAsked_.reset();  // the token is no school name
    channel_->navigate(net::school_probe_url(app::session(), token));
}

void LoginForm::onAddressFocusLost()
{
    if (!serverIP_->text().contains(u'.')) {
        services_.dialogs.message(text::bad_address);
        serverIP_->setText(QString::fromUtf8(app::site::fallback_host));
    }
    composeServerUrl();
    sendProbe(text::edit_probe_token);
}

void LoginForm::onPortChanged(const QString& text)
{
    switch (check_port(text)) {
    case PortCheck::NotNumeric:
        serverPort_->setText(QStringLiteral("80"));  // a change of its own: checked again
        return;
    case PortCheck::Valid:
        composeServerUrl();
        sendProbe(text::edit_probe_token);
        return;
    case PortCheck::Refused:
        services_.dialogs.message(text::bad_port);
        return;
    }
}

// --- lookups ---------------------------------------------------------------

// The lookups share the channel with the login: a lookup sent while the
// login is on its way (a full name written in when typing pauses) would
// replace it, and the teacher's login would never be answered.
bool LoginForm::loginPending() const
{
    return protocol::page_of(channel_->pendingUrl()) == protocol::Page::Login;
}

void LoginForm::onSchoolTextChanged()
{
    if (list_picked_ || loginPending())
        return;
    schoolAsked_ = app::trim(text1_->text());
    channel_->navigate(net::school_lookup_url(app::session(), *schoolAsked_));
}

void LoginForm::onTeacherTextChanged()
{
    if (list_picked_ || loginPending())
        return;
    teacherAsked_ = app::trim(text2_->text());
    channel_->navigate(net::teacher_lookup_url(app::session(), *teacherAsked_));
}

void LoginForm::onSchoolPicked(QListWidgetItem* item)
{
    const int row = list1_->row(item);
    if (row < 0 || row >= school_rows_)
        return;  // the no-match entry names no school
    list_picked_ = true;
    app::session().School_ID = app::to_int(school_list_[row].id);
    text1_->setText(school_list_[row].name);
    list1_->hide();
}

void LoginForm::onTeacherPicked(QListWidgetItem* item)
{
    const int row = list2_->row(item);
    if (row < 0 || row >= teacher_rows_)
        return;
    list_picked_ = true;
    text2_->setText(item->text());
    list2_->hide();
}

// --- replies ---------------------------------------------------------------

void LoginForm::onCompleted(const net::PageResult& result)
{
    if (result.replaced || result.url.isEmpty())
        return;
    switch (protocol::page_of(result.url)) {
    case protocol::Page::GetSchool: return handleSchoolReply(result.text);
    case protocol::Page::GetJs: return handleTeacherReply(result.text);
    case protocol::Page::Login: return handleLoginReply(result);
    default: return;
    }
}

void LoginForm::showUnreachable()
{
    services_.dialogs.message(text::unreachable);
    label3_->setText(text::unreachable);
}

// A lookup reply without its marker means the server was not reached.
bool LoginForm::reached(bool marker)
{
    if (!marker) {
        showUnreachable();
        return false;
    }
    label3_->setText(text::network_ok);
    return true;
}

void LoginForm::handleSchoolReply(const QString& text)
{
    const SchoolReply reply = parse_school_reply(text);
    if (!reached(reply.marker))
        return;
    app::Session& s = app::session();
    if (reply.hasVersion) {
        s.Ver = reply.version;
        setWindowTitle(text::caption + text::caption_version + s.Ver);
    }
    schoolMatch_.reset();
    if (reply.noMatch) {
        school_rows_ = 0;
        list1_->clear();
        list1_->addItem(text::no_school_found);
        return;
    }
    school_rows_ = int(reply.records.size());
    for (int r = 0; r < school_rows_; ++r)
        school_list_[r] = {QString::number(r), reply.records[r].id, reply.records[r].name};
    // A match for text the field no longer holds chooses nothing.
    const bool current = schoolAsked_ && *schoolAsked_ == app::trim(text1_->text());
    if (school_rows_ == 1 && current)
        s.School_ID = app::to_int(school_list_[0].id);
    list1_->clear();
    for (int r = 0; r < school_rows_; ++r)
        list1_->addItem(school_list_[r].name);
    if (school_rows_ == 1) {
        list1_->hide();
        if (current)
            offerMatch(schoolMatch_, school_list_[0].name);
    } else {
        showList(list1_);
    }
    teacher_rows_ = 0;
    list2_->clear();
}

void LoginForm::handleTeacherReply(const QString& text)
{
    const TeacherReply reply = parse_teacher_reply(text);
    if (!reached(reply.marker))
        return;
    list2_->clear();
    teacherMatch_.reset();
    if (reply.noMatch) {
        teacher_rows_ = 0;
        list2_->addItem(text::no_teacher_found);
        return;
    }
    teacher_rows_ = int(reply.names.size());
    list2_->addItems(reply.names);
    if (teacher_rows_ == 1) {
        list2_->hide();
        if (teacherAsked_ && *teacherAsked_ == app::trim(text2_->text()))
            offerMatch(teacherMatch_, reply.names.first());
    } else {
        showList(list2_);
    }
}

void LoginForm::offerMatch(std::optional<QString>& pending, const QString& name)
{
    pending = name;
    if (!typingPause_->isActive())
        takeOverMatches();  // the teacher stopped typing before the reply came
}

void LoginForm::takeOverMatches()
{
    // A match is taken over only while its field still holds the text the
    // reply answers. Written before list_picked is set, so the full name is
    // looked up once more; the name the field holds already is left alone,
    // with its cursor and selection.
    auto takeOver = [this](std::optional<QString>& match, const std::optional<QString>& asked, QLineEdit* field,
                           QListWidget* list) {
        const std::optional<QString> name = std::exchange(match, std::nullopt);
        if (!name || !asked || *asked != app::trim(field->text()))
            return;
        if (field->text() != *name)
            field->setText(*name);
        list->hide();
        list_picked_ = true;
    };
    // The school first: taking it over looks up its full name, which a
    // teacher lookup sent next may replace; that reply would change nothing.
    takeOver(schoolMatch_, schoolAsked_, text1_, list1_);
    takeOver(teacherMatch_, teacherAsked_, text2_, list2_);
}

void LoginForm::handleLoginReply(const net::PageResult& result)
{
    const LoginReply reply = parse_login_reply(result.text);
    if (!reply.accepted) {
        if (result.httpStatus == 0) {
            // No answer at all: the name and password may well be right.
            showUnreachable();
            return;
        }
        services_.dialogs.message(text::login_refused);
        text2_->clear();
        text3_->clear();
        return;
    }
    app::Session& s = app::session();
    s.User_ID = reply.userId;
    s.JS_Name = reply.name;
    // The marking clock of this teacher starts now, not when the program did.
    s.Start_Time = services_.clock.now();
    services_.flow.showExamList();
    hide();
    save_url_txt();
    saveLastLogin();
}

// --- login and upgrade -----------------------------------------------------

bool LoginForm::check_sql_str(const QLineEdit* field)
{
    return !field || login::check_sql_str(field->text(), services_.dialogs);
}

void LoginForm::onLoginClicked()
{
    // Written back into the fields, so the teacher sees what is sent.
    for (QLineEdit* f : {static_cast<QLineEdit*>(text2_), text3_})
        f->setText(app::trim(f->text()));
    for (QLineEdit* f : {static_cast<QLineEdit*>(text2_), text3_})
        f->setText(QString(f->text()).remove(u'\''));

    app::Session& s = app::session();
    if (s.Ver != s.Tavix_Ver) {
        show_upgrade(s.Ver);
        return;
    }
    if (s.School_ID == 0) {
        services_.dialogs.message(text::need_school);
        return;
    }
    const bool nameOk = check_sql_str(text2_);
    const bool passwordOk = check_sql_str(text3_);
    if (!nameOk || !passwordOk)
        return;
    if (text3_->text().isEmpty() || text2_->text().isEmpty()) {
        services_.dialogs.message(text::need_name_and_password);
        return;
    }
    s.ks_id = QStringLiteral("0");
    s.KM_id = 0;
    s.WORK_id = 0;
    channel_->navigate(net::login_url(s, text2_->text(), text3_->text()));
}

void LoginForm::show_upgrade(const QString& version)
{
    upgrade_->show_upgrade(version);
    if (isWindow())
        adjustSize();
}

void LoginForm::openDownload(const QString& file, const QString& message)
{
    services_.dialogs.openUrl(QUrl(net::download_url(app::session(), file)));
    services_.dialogs.message(message);
    emit programEnd();
}

// --- geometry --------------------------------------------------------------

void LoginForm::showList(QListWidget* list)
{
    list->show();
    placeLists();
    list->raise();
}

void LoginForm::placeLists()
{
    const std::pair<QListWidget*, QLineEdit*> pairs[] = {{list1_, text1_}, {list2_, text2_}};
    for (auto [list, field] : pairs) {
        const QPoint at = field->mapTo(this, QPoint(0, field->height()));
        const int rowHeight = qMax(list->sizeHintForRow(0), fontMetrics().height() + 4);
        const int rows = qBound(1, list->count(), visible_list_rows);
        list->setGeometry(at.x(), at.y(), field->width(), rows * rowHeight + 2 * list->frameWidth() + 2);
    }
}

void LoginForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeLists();
}

void LoginForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeLists();
}

void LoginForm::closeEvent(QCloseEvent* event)
{
    // Closing the start-up window by hand ends the program like the quit button.
    if (event->spontaneous())
        emit programEnd();
    QWidget::closeEvent(event);
}

}  // namespace login
