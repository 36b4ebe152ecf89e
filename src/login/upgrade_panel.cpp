#include "login/upgrade_panel.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace login {

QString upgrade_heading(const QString& version)
{
    return QStringLiteral("《Velmora-网阅系统》已经升级到 ") + version + QStringLiteral("，你可以：");
}

QString program_file_link(const QString& programDir)
{
    return QStringLiteral("2、点此下载 tavix.exe，覆盖 ") + programDir + QStringLiteral("\\ 同名文件。");
}

QString installer_message()
{
    return QStringLiteral("请运行下载的文件：kssetup.exe，重新安装阅卷客户端。\r\r注意：覆盖安装之前请先关闭此对话框！");
}

QString program_file_message(const QString& programDir)
{
    return QStringLiteral("请用下载的文件：tavix.exe，覆盖") + programDir
        + QStringLiteral("\\ 同名文件。\r\r注意：覆盖之前请先关闭此对话框！");
}

namespace {
QLabel* makeLink(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setCursor(Qt::PointingHandCursor);
    l->setStyleSheet(QStringLiteral("color: #1a4fb0; text-decoration: underline;"));
    l->setWordWrap(true);
    return l;
}
}  // namespace

UpgradePanel::UpgradePanel(const QString& programDir, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Frame2"));
    setFrameShape(QFrame::StyledPanel);
    frame3_ = new QGroupBox(QStringLiteral("系统升级提示"), this);
    frame3_->setObjectName(QStringLiteral("Frame3"));
    frame3_->setMouseTracking(true);
    label5_ = new QLabel(frame3_);
    label5_->setObjectName(QStringLiteral("Label5"));
    label5_->setWordWrap(true);
    label6_ = makeLink(QStringLiteral("Label6"), frame3_);
    label6_->setText(QStringLiteral("1、点此下载安装文件 kssetup.exe，重新安装；"));
    label7_ = makeLink(QStringLiteral("Label7"), frame3_);
    label7_->setText(program_file_link(programDir));
    label8_ = new QLabel(QStringLiteral("点击下载程序......"), frame3_);
    label8_->setObjectName(QStringLiteral("Label8"));
    label8_->setStyleSheet(QStringLiteral("background: #ffffe1; border: 1px solid #888; padding: 1px 4px;"));
    label8_->setAttribute(Qt::WA_TransparentForMouseEvents);
    label8_->adjustSize();
    label8_->hide();

    auto* inner = new QVBoxLayout(frame3_);
    inner->addWidget(label5_);
    inner->addWidget(label6_);
    inner->addWidget(label7_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(frame3_);

    for (QObject* o : {static_cast<QObject*>(label6_), static_cast<QObject*>(label7_), static_cast<QObject*>(frame3_)})
        o->installEventFilter(this);
    frame3_->hide();
    hide();
}

void UpgradePanel::show_upgrade(const QString& version)
{
    label5_->setText(upgrade_heading(version));
    show();
    frame3_->show();
}

void UpgradePanel::showHint(const QLabel* link)
{
    // Half-way along the link and one line (300 twips) below its top.
    label8_->move(link->x() + link->width() / 2, link->y() + 20);
    label8_->raise();
    label8_->show();
}

bool UpgradePanel::eventFilter(QObject* watched, QEvent* event)
{
    const bool isLink = watched == label6_ || watched == label7_;
    switch (event->type()) {
    case QEvent::Enter:
        if (isLink)
            showHint(static_cast<QLabel*>(watched));
        break;
    case QEvent::MouseMove:
        if (watched == frame3_)
            label8_->hide();
        break;
    case QEvent::MouseButtonRelease:
        if (isLink && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == label6_)
                emit installerClicked();
            else
                emit programFileClicked();
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace login
