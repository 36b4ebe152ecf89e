#pragma once
#include <QGroupBox>

class QFrame;
class QRadioButton;
class QRect;

namespace marking {

class MarkingHost;
struct MarkingContext;
struct ReportedAnswer;

// The feedback panel (Frame9): "异常试题" opens the fault panel (Frame10
// over the image view, with its shadow Frame11) to report a faulty image or
// a wrong full mark, or to download the image again; "优秀解答" recommends
// the answer on screen. Reports go on WebBrowser1; their replies come back
// through the screen's dispatch to feedback_reply.
class FeedbackPanel final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FeedbackPanel)
public:
    // The fault panel floats over `screen`.
    FeedbackPanel(MarkingContext& ctx, MarkingHost& host, QWidget* screen);

    // Near the top right corner of the image view.
    void place(const QRect& imageView);
    void hideFaultPanel();
    QGroupBox* frame10() const { return frame10_; }
    QFrame* frame11() const { return frame11_; }

    void Command2_Click();
    void Command3_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    // The reply of a fault report.
    void feedback_reply(const QString& reply);

signals:
    // "重新下载本题图片": the image of this buffer row is to be fetched again.
    void redownloadAsked(int row);

private:
    bool reported_answer(ReportedAnswer& a) const;
    void report(QRadioButton* option, bool faultyImage);
    void send(const QString& url);

    MarkingContext& ctx_;
    MarkingHost& host_;
    QGroupBox* frame10_;
    QFrame* frame11_;
    QRadioButton* option3_;
    QRadioButton* option4_;
    QRadioButton* option5_;
};

// Takes an option button back without a click.
void unselect(QRadioButton* b);

}  // namespace marking
