#pragma once
#include <QLineEdit>

namespace login {

// A text field that tells apart what the teacher does from what the program
// sets: typed() for a key that edits (or text from an input method),
// pressed() for a click into it, focusLost() when focus moves to another
// control of the program. textChanged() still fires for both.
class LookupField final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LookupField)
public:
    explicit LookupField(const QString& objectName, QWidget* parent = nullptr);

signals:
    void typed();
    void pressed();
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace login
