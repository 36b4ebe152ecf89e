#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

namespace app {

// Every message box of the program is a plain OK box with the program's
// title. Texts keep their CR line breaks; the production box shows them as
// line breaks, tests compare the original text.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString& text) = 0;
    // An empty result means the user cancelled.
    virtual QString openFileName(const QString& caption, const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) = 0;
    // Hands an address to the desktop's default handler.
    virtual bool openUrl(const QUrl& url) = 0;
};

}  // namespace app
