#include "login/lookup_field.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>

namespace login {

LookupField::LookupField(const QString& objectName, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(objectName);
}

void LookupField::keyPressEvent(QKeyEvent* event)
{
    // Only keys that change the text count: copying the school name or
    // moving the cursor must not clear the teacher name.
    const QString t = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool printable = !command && !t.isEmpty() && t.at(0).isPrint();
    if (printable || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete
        || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut))
        emit typed();
    QLineEdit::keyPressEvent(event);
}

void LookupField::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        emit typed();
    QLineEdit::inputMethodEvent(event);
}

void LookupField::mousePressEvent(QMouseEvent* event)
{
    emit pressed();
    QLineEdit::mousePressEvent(event);
}

void LookupField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Switching to another program or opening a context menu is no move
    // to another field.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit focusLost();
}

}  // namespace login
