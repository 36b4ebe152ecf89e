#include "correction/question_bar.h"

#include "correction/replies.h"
#include "ui/widget_names.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

namespace correction {

namespace {

const char* kTag = "tag";

// A caption that selects its question when clicked.
class CaptionLabel final : public QLabel {
public:
    CaptionLabel(QWidget* parent, std::function<void()> onClick) : QLabel(parent), onClick_(std::move(onClick))
    {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            onClick_();
        QLabel::mousePressEvent(e);
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

QuestionBar::QuestionBar(QWidget* parent) : QWidget(parent)
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(4);
    lay->addWidget(ui::named(new QLabel(QStringLiteral("试题题号："), this), "Label1"));
    // The first button and caption exist from the start, as the list's
    // first element; the others come with the list.
    auto* first = ui::named(new QRadioButton(this), "WorkBJ_0");
    auto* caption = ui::named(new CaptionLabel(this, [this] { select(0); }), "ST_TH_0");
    buttons_ << first;
    captions_ << caption;
    connect(first, &QRadioButton::clicked, this, [this] { select(0); });
    lay->addWidget(first);
    lay->addWidget(caption);
    extra_ = new QHBoxLayout;
    extra_->setSpacing(4);
    lay->addLayout(extra_);
    lay->addStretch(1);
}

QString QuestionBar::tag(int i) const
{
    return i >= 0 && i < buttons_.size() ? buttons_.at(i)->property(kTag).toString() : QString();
}

void QuestionBar::showRefusal(const QString& text)
{
    buttons_.first()->hide();
    captions_.first()->setText(text);
    captions_.first()->show();
}

void QuestionBar::showQuestions(const QStringList& numbers)
{
    while (buttons_.size() > 1) {
        delete buttons_.takeLast();
        delete captions_.takeLast();
    }
    while (QLayoutItem* item = extra_->takeAt(0))
        delete item;
    for (int i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            auto* b = new QRadioButton(this);
            b->setObjectName(QStringLiteral("WorkBJ_%1").arg(i));
            auto* c = new CaptionLabel(this, [this, i] { select(i); });
            c->setObjectName(QStringLiteral("ST_TH_%1").arg(i));
            connect(b, &QRadioButton::clicked, this, [this, i] { select(i); });
            // Each further button 10 units right of the previous caption.
            extra_->addSpacing(10);
            extra_->addWidget(b);
            extra_->addWidget(c);
            buttons_ << b;
            captions_ << c;
        }
        buttons_.at(i)->setProperty(kTag, numbers.at(i));
        captions_.at(i)->setText(question_caption(numbers.at(i)));
        // The caption is a label of its own: the button carries it for a screen reader.
        buttons_.at(i)->setAccessibleName(captions_.at(i)->text());
        buttons_.at(i)->show();
        captions_.at(i)->show();
    }
    if (!numbers.isEmpty())
        select(0);
}

void QuestionBar::select(int i)
{
    if (i < 0 || i >= buttons_.size() || buttons_.at(i)->isHidden())
        return;
    buttons_.at(i)->setChecked(true);
    emit selected(tag(i));
}

}  // namespace correction
