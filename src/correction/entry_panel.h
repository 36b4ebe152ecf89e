#pragma once
#include <QString>
#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace correction {

class QuestionBar;

// The entry panel "试题得分情况：" (Frame1): the question selector above,
// then the exam number (Text1) with "确定" (Command1), the score (Text2)
// with "保存得分" (Command2), the score line (Label7), and the controls of
// the objective sheet (Command3, Check1, Check2).
class EntryPanel final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryPanel)
public:
    explicit EntryPanel(QWidget* parent = nullptr);

    QuestionBar& questions() const { return *questions_; }
    QString examNumber() const;  // Text1 as typed
    QString score() const;       // Text2 as typed
    void setScore(const QString& text);
    void setScoreLine(const QString& text);  // Label7
    void setLookupEnabled(bool enabled);
    // The objective sheet's controls, shown with the sheet only.
    void showSheetControls(bool shown);

signals:
    void lookupClicked();     // Command1
    void saveClicked();       // Command2
    void recogniseClicked();  // Command3
    void adjustingToggled(bool on);  // Check1
    void togglingToggled(bool on);   // Check2

private:
    QuestionBar* questions_;
    QLineEdit* text1_;
    QLineEdit* text2_;
    QLabel* label7_;
    QPushButton* command1_;
    QPushButton* command3_;
    QCheckBox* check1_;
    QCheckBox* check2_;
};

}  // namespace correction
