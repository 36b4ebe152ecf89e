#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

// Every box carries the program's title. It is not the application display
// name, which the window system would append to every screen's caption.
std::unique_ptr<QMessageBox> QtDialogs::messageBox(const QString& text, QWidget* parent)
{
    QString shown = text;
    shown.replace(u'\r', u'\n');
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("Velmora网上阅卷"), QString(),
                                             QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(shown);
    return box;
}

void QtDialogs::message(const QString& text)
{
    messageBox(text, QApplication::activeWindow())->exec();
}

QString QtDialogs::openFileName(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, QString(), filter);
}

QString QtDialogs::saveFileName(const QString& caption, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggested, filter);
}

bool QtDialogs::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

}  // namespace ui
