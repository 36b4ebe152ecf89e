#pragma once
#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marking {

struct ScoreOptions;

// The score options (Frame2): smart switching (Check1), completion after
// the point (Check2 with Text3), whole or decimal scores (Option1,
// Option2 with the places in Text2). The score panel reads them for every
// change of the box.
class ScoreOptionsBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScoreOptionsBox)
public:
    // padPoint: the keypad's point (Number_10), off for whole scores.
    ScoreOptionsBox(QPushButton* padPoint, QWidget* parent = nullptr);

    ScoreOptions options() const;

    void Option1_Click();
    void Option2_Click();
    void Text2_LostFocus();
    void Text3_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scoreModeSelected(bool integer);

    QPushButton* padPoint_;
    QLineEdit* text2_;
    QLineEdit* text3_;
    QCheckBox* check1_;
    QCheckBox* check2_;
    QRadioButton* option1_;
    QRadioButton* option2_;
};

}  // namespace marking
