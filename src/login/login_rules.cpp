#include "login/login_rules.h"

#include "app/dialogs.h"
#include "app/vbtext.h"
#include "login/login_texts.h"

namespace login {

QStringList forbidden_words_in(const QString& text)
{
    static const QStringList words = QStringLiteral("update,select,into,insert,delete").split(u',');
    QStringList found;
    for (const QString& w : words)
        if (text.contains(w, Qt::CaseSensitive))
            found << w;
    return found;
}

bool check_sql_str(const QString& text, app::Dialogs& dialogs)
{
    const QStringList found = forbidden_words_in(text);
    for (qsizetype i = 0; i < found.size(); ++i)
        dialogs.message(text::forbidden_word);
    return found.isEmpty();
}

PortCheck check_port(const QString& text)
{
    if (!app::is_numeric(text))
        return PortCheck::NotNumeric;
    // The text goes into the address as it stands, so "80.0", " 80" or
    // "8e3" would build a broken one: only plain digits pass.
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return PortCheck::Refused;
    if (text.size() > 5)
        return PortCheck::Refused;
    const int port = text.toInt();
    return port >= 80 && port <= 65535 ? PortCheck::Valid : PortCheck::Refused;
}

QString server_url(const QString& host, const QString& port)
{
    return QStringLiteral("http://") + host + u':' + port + u'/';
}

}  // namespace login
