#pragma once
#include "protocol/pages.h"
#include "reports/answer_sheet.h"
#include "ui/status_box.h"

#include <QList>
#include <QWidget>

class QPushButton;

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }
namespace ui { class WebPageView; }

namespace reports {

// The report screen ("Form5"): a row of buttons (Command1..Command13) over
// the visible page view WebBrowser1, in which the server's report pages
// show as they come; a status box (Frame5, Label6, shadow Frame4) while a
// page loads. Command8 exports the shown table to an .xlsx file; a page of
// cj_xsdtk.asp becomes the assembled answer sheet, whose pieces come one
// at a time over the request channel WebBrowser2.
class ReportForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportForm)
public:
    explicit ReportForm(app::Services& services, QWidget* parent = nullptr);
    ~ReportForm() override;

    // The caption of the screen for a version.
    static QString caption(const QString& version);
    // The report behind a button (Command1..13 but 8), or Unknown.
    static protocol::Page pageOfButton(int index);
    static QString buttonCaption(int index);

    ui::WebPageView* view() const { return view1_; }
    const AnswerSheet& answerSheet() const { return sheet_; }

public slots:
    // The export of the shown table ("保存到Excel").
    void Command8_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void openReport(protocol::Page page);
    void onView1(const net::PageResult& result);
    void onView2(const net::PageResult& result);
    void apply(const AnswerSheet::Step& step);
    void show_status(bool show, const QString& text = QString());
    void placeStatus();
    QString suggestedFileName() const;

    app::Services& services_;
    ui::WebPageView* view1_;
    net::PageChannel* view2_;
    ui::StatusBox status_;
    QList<QPushButton*> buttons_;
    AnswerSheet sheet_;
    bool loaded_ = false;
};

}  // namespace reports
