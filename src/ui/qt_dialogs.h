#pragma once
#include "app/dialogs.h"

class QWidget;

namespace ui {

// The production message boxes and file dialogs.
class QtDialogs final : public app::Dialogs {
public:
    void message(const QString& text) override;
    QString openFileName(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) override;
    bool openUrl(const QUrl& url) override;
};

}  // namespace ui
