#pragma once
#include "correction/correction_state.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }
namespace ui { class StatusBox; }

namespace correction {

class EntryPanel;
class ObjectiveSheet;
class PageDisplay;
struct QuestionList;

// The subject leader's correction screen for the chosen exam and subject:
// pick a question, look a student up by exam number, see the answer and
// its score, put the right score in. Every request goes on the hidden
// channel WebBrowser1; its replies are dispatched by page.
//
// The form coordinates; its rooms own their controls: the entry panel
// (Frame1, with the question bar inside), the page display (WebBrowser2,
// Frame6, Label2, Label3) and the objective sheet (Picture2); the status
// box is Frame5/Frame4.
class CorrectionForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CorrectionForm)
public:
    explicit CorrectionForm(app::Services& services, QWidget* parent = nullptr);
    ~CorrectionForm() override;

    static QString title_text(const QString& examName, const QString& subjectName, const QString& teacher);

    const CorrectionState& state() const { return state_; }
    net::PageChannel& webBrowser1() const { return *web1_; }
    PageDisplay& display() const { return *display_; }
    ObjectiveSheet& sheet() const { return *sheet_; }
    ui::StatusBox& statusBox() const { return *status_; }

public slots:
    void Command1_Click();
    void Command2_Click();
    void selectQuestion(const QString& number);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void open();
    void on_page1(const net::PageResult& r);
    void list_th(const QString& reply);
    void lookup_reply(const QString& reply);
    void image_reply(const QString& reply);
    void showBlank();
    QString save_st_image(const QString& reply);
    void show_status(bool show, const QString& text);
    void show_kg_image(const QString& path);
    void read_box(const QString& reply);
    void objective_save();
    void objective_save_reply(const QString& reply);
    void placeControls();

    app::Services& services_;
    CorrectionState state_;
    qint32 imageSchool_ = 0;
    net::PageChannel* web1_;
    EntryPanel* entry_;
    PageDisplay* display_;
    ObjectiveSheet* sheet_;
    std::unique_ptr<ui::StatusBox> status_;
};

}  // namespace correction
