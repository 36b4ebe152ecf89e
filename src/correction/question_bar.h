#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QRadioButton;

namespace correction {

// The question selector: "试题题号：" (Label1), one radio button a question
// (WorkBJ_<i>, its question number as its tag) with its caption label
// right of it (ST_TH_<i>). A click on a button or on its caption selects
// the question.
class QuestionBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionBar)
public:
    explicit QuestionBar(QWidget* parent = nullptr);

    // The list: every button but the first removed, one a number, the
    // first checked (which selects it as a click would).
    void showQuestions(const QStringList& numbers);
    // No list: the first button hidden, its caption saying why.
    void showRefusal(const QString& text);

    int count() const { return int(buttons_.size()); }
    QString tag(int i) const;

signals:
    void selected(const QString& number);

private:
    void select(int i);

    QList<QRadioButton*> buttons_;
    QList<QLabel*> captions_;
    QHBoxLayout* extra_ = nullptr;
};

}  // namespace correction
