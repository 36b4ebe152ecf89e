// Where score entry, saving, feedback, the clock and the display join the
// screen: their controls are connected here, and the replies of
// WebBrowser1 pass through here first (the status poll and the save's
// confirmation need to see them before the dispatcher does).
#include "marking/marking_form.h"

#include "app/services.h"
#include "app/session.h"
#include "marking/score_journal.h"
#include "net/page_channel.h"
#include "net/page_errors.h"
#include "ui/image_page_view.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <functional>

namespace marking {

namespace {

// Lets the screen see a control's key and focus events without
// subclassing the control.
class EventHook final : public QObject {
public:
    EventHook(QObject* parent, std::function<bool(QObject*, QEvent*)> fn) : QObject(parent), fn_(std::move(fn)) {}
    bool eventFilter(QObject* watched, QEvent* event) override { return fn_(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> fn_;
};

}  // namespace

void MarkingForm::wire_part_two()
{
    // The status poll and the save's confirmation first, then the
    // dispatcher.
    disconnect(web1_, &net::PageChannel::completed, this, &MarkingForm::on_page1);
    connect(web1_, &net::PageChannel::completed, this, &MarkingForm::dispatch_page1);

    journalChannel_ = new net::PageChannel(services_.network, this);
    journalChannel_->setObjectName(QStringLiteral("JournalChannel"));
    connect(journalChannel_, &net::PageChannel::completed, this, &MarkingForm::on_journal_page);

    connect(text1_, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    auto* text2 = findChild<QLineEdit*>(QStringLiteral("Text2"));
    auto* text3 = findChild<QLineEdit*>(QStringLiteral("Text3"));
    auto* hook = new EventHook(this, [this, text2, text3](QObject* o, QEvent* e) {
        if (o == text1_ && e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            // A modifier alone (an input-method switch) is no key press of a score.
            if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta)
                return false;
            return Text1_KeyDown(key);
        }
        if (o == text1_ && e->type() == QEvent::FocusIn)
            QTimer::singleShot(0, text1_, [this] { text1_->setCursorPosition(int(text1_->text().trimmed().size())); });
        if (e->type() == QEvent::FocusOut) {
            if (o == text2)
                Text2_LostFocus();
            else if (o == text3)
                Text3_LostFocus();
        }
        return false;
    });
    text1_->installEventFilter(hook);
    // A click on a selector caption (ST_TH_i) reaches their common parent,
    // since labels pass mouse presses on.
    QWidget* selectors = captions_.first()->parentWidget();
    auto* captionHook = new EventHook(this, [this, selectors](QObject* o, QEvent* e) {
        if (o == selectors && e->type() == QEvent::MouseButtonRelease) {
            const QWidget* hit = selectors->childAt(static_cast<QMouseEvent*>(e)->position().toPoint());
            if (hit && hit->objectName().startsWith(QLatin1String("ST_TH_")))
                refresh_mobile_code();
        }
        return false;
    });
    selectors->installEventFilter(captionHook);
    text2->installEventFilter(hook);
    text3->installEventFilter(hook);

    for (int i = 0; i < 15; ++i) {
        if (auto* b = findChild<QPushButton*>(QStringLiteral("Number_%1").arg(i))) {
            connect(b, &QPushButton::clicked, this, [this, i] { Number_Click(i); });
            b->setStyleSheet(QStringLiteral("QPushButton:pressed { background: rgb(255,0,255); }"));
        }
    }
    auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    auto radio = [this](const char* name) { return findChild<QRadioButton*>(QString::fromLatin1(name)); };
    connect(button("Command1"), &QPushButton::clicked, this, &MarkingForm::Command1_Click);
    button("Command1")->setStyleSheet(QStringLiteral("QPushButton:pressed { background: rgb(255,0,0); }"));
    connect(button("Command2"), &QPushButton::clicked, this, &MarkingForm::Command2_Click);
    connect(button("Command3"), &QPushButton::clicked, this, &MarkingForm::Command3_Click);
    connect(button("Command5"), &QPushButton::clicked, this, &MarkingForm::Command5_Click);
    connect(button("Command6"), &QPushButton::clicked, this, &MarkingForm::Command6_Click);
    connect(button("Command7"), &QPushButton::clicked, this, &MarkingForm::Command7_Click);
    connect(radio("Option1"), &QRadioButton::clicked, this, &MarkingForm::Option1_Click);
    connect(radio("Option2"), &QRadioButton::clicked, this, &MarkingForm::Option2_Click);
    connect(radio("Option3"), &QRadioButton::clicked, this, &MarkingForm::Option3_Click);
    connect(radio("Option4"), &QRadioButton::clicked, this, &MarkingForm::Option4_Click);
    connect(slider1_, &QSlider::valueChanged, this, &MarkingForm::Slider1_Scroll);
    view_->setMinimumSize(100, 100);

    // The journal of this teacher in this exam and subject: what an earlier
    // run keyed and the server never confirmed goes out now.
    if (cache_.valid()) {
        journal_ = std::make_shared<ScoreJournal>(cache_.folder(), app::session().User_ID);
        send_journal();
    }
    timer2_->start();
}

void MarkingForm::dispatch_page1(const net::PageResult& r)
{
    if (status_page(r))
        return;
    if (!r.replaced && !r.url.isEmpty() && net::page_error_message(r.url, r.text).isEmpty()) {
        const QString& u = r.url;
        if (!u.contains(QLatin1String("net_get_work.asp"))) {
            if (u.contains(QLatin1String("net_save_fs.asp")))
                manual_save_done(r.text);
            else if (u.contains(QLatin1String("net_user_work.asp")))
                batch_arrived();
        }
    }
    on_page1(r);
}

// A status reply that the poll of Timer2 did not ask for (the poll's own
// replies are taken by status_page): the clock must not stop for it.
void MarkingForm::status_poll_failed(const QString&)
{
    timer2_->start();
}

// The screen closes: unsaved scores go to the server first.
void MarkingForm::before_close()
{
    flush_before_close();
}

// A request on WebBrowser1 was replaced by a newer one before it completed.
void MarkingForm::request_replaced(const QString&) {}

// A request on WebBrowser3 was replaced: an automatic save that never
// answered leaves its rows unsaved, and the next one sends them again.
void MarkingForm::download_view_replaced(const QString& url)
{
    if (url.contains(QLatin1String("net_save_fs.asp")))
        autoSent_.clear();
}

}  // namespace marking
