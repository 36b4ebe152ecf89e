#pragma once
#include "app/dialogs.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace ui {

// The production message boxes and file dialogs.
class QtDialogs final : public app::Dialogs {
public:
    void message(const QString& text) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) override;
    bool openUrl(const QUrl& url) override;

    // The box message() shows: the program's title, OK only, the text as
    // plain text (a server's text must not become a live link), CR as a
    // line break.
    static std::unique_ptr<QMessageBox> messageBox(const QString& text, QWidget* parent = nullptr);
};

}  // namespace ui
