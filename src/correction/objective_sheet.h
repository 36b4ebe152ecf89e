#pragma once
#include "correction/objective_rules.h"
#include "recognition/shibie.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <optional>

namespace correction {

class SheetCanvas;
class SheetView;

// The objective questions of one looked-up student on the sheet (Picture2):
// the sheet's pixels for recognition, the items (one per question), the
// reference brightness CKK, the student's answers and their key, and what
// the mouse does on the sheet: "调整识别块" drags every item at once,
// "人工识别选择题" adds or removes the clicked option's letter. Every change
// of the answers gives a new total (totalChanged).
class ObjectiveSheet final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ObjectiveSheet)
public:
    // The sheet's controls are made children of `form`.
    explicit ObjectiveSheet(QWidget* form);

    SheetView& view() const { return *view_; }
    SheetCanvas& canvas() const;

    // Loads the sheet's picture and its pixels; the items of an earlier
    // sheet go. False when the file is no readable picture.
    bool loadPicture(const QString& path);
    // The student's answer lists from the lookup; a list without ";" (or
    // none) leaves its table empty.
    void setAnswers(const QString& kgt_ans, const QString& kgt_da);
    // The items of the region reply, the CKK it carried (none: the one
    // before stays), and where this student's adjusted items are kept
    // (empty: nowhere). A saved item file takes the place of the reply's
    // items.
    void setItems(const QString& item_str, std::optional<qint16> CKK, const QString& itemFile);
    void clearItems();

    QString item_str() const { return item_str_; }
    qint16 CKK() const { return CKK_; }
    const AnswerTable& kgt_ans() const { return kgt_ans_; }
    const AnswerTable& kgt_da() const { return kgt_da_; }

    // Outlines always; markers and ticks again only with `reload`.
    void draw_items(bool reload);
    // Command3: every item read from the sheet into a new answer list.
    void recognise();

public slots:
    void setAdjusting(bool on);  // Check1
    void setToggling(bool on);   // Check2

signals:
    void totalChanged(const QString& text);

private:
    void pressed(QPoint point);
    void draggedTo(QPoint point);
    void released(QPoint point);
    void save_items();
    void sum_kgt_fs();

    SheetView* view_;
    recognition::ShiBie shibie_;
    QString item_str_;
    qint16 CKK_ = 0;
    AnswerTable kgt_ans_;
    AnswerTable kgt_da_;
    QString itemFile_;
    bool adjusting_ = false;
    bool toggling_ = false;
    QPoint down_;
    QString itemsAtDown_;
};

}  // namespace correction
