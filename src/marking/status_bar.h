#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QTimer;

namespace net { struct PageResult; }

namespace marking {

class MarkingHost;
struct MarkingContext;

// The bottom row: the help button (Frame13) and the status bar (Frame12)
// with the marking clock and the server's status message (zt_msg) and the
// activity text (Label3). Timer2 runs the clock and every 31 ticks asks
// the server for its status message; an accepted reply starts the
// automatic save.
class StatusBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusBar)
public:
    StatusBar(MarkingContext& ctx, MarkingHost& host, QWidget* parent = nullptr);

    QTimer& timer2() const { return *timer2_; }
    QWidget* statusFrame() const { return frame12_; }
    int ztmsg_ticks() const { return ztmsg_ticks_; }

    void setActivity(const QString& text);
    void clearActivity();
    void resetClock();

    // A reply of WebBrowser1 that the status poll asked for: handled here
    // (true), whatever became of it. Other replies: false.
    bool status_page(const net::PageResult& result);
    // A status reply the poll did not ask for, accepted or not.
    void status_reply(const QString& reply);
    void status_poll_failed();

    void Command7_Click();

public slots:
    void Timer2_Timer();

private:
    MarkingContext& ctx_;
    MarkingHost& host_;
    QTimer* timer2_;
    QWidget* frame12_;
    QLabel* zt_msg_;
    QLabel* label3_;
    int ztmsg_ticks_ = 0;
    QString statusUrl_;
    bool statusErrorOpen_ = false;
};

}  // namespace marking
