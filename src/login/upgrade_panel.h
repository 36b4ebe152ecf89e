#pragma once
#include <QFrame>

class QGroupBox;
class QLabel;

namespace login {

// The panel offered when the server announces another client version: two
// download links and a hover hint. Hidden until show_upgrade().
class UpgradePanel final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpgradePanel)
public:
    // `programDir` as the teacher should read it in the second link.
    UpgradePanel(const QString& programDir, QWidget* parent = nullptr);

    void show_upgrade(const QString& version);

signals:
    void installerClicked();    // Label6: kssetup.exe
    void programFileClicked();  // Label7: tavix.exe

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHint(const QLabel* link);

    QGroupBox* frame3_;
    QLabel* label5_;
    QLabel* label6_;
    QLabel* label7_;
    QLabel* label8_;
};

// The texts of the panel and of its two links' messages.
QString upgrade_heading(const QString& version);
QString program_file_link(const QString& programDir);
QString installer_message();
QString program_file_message(const QString& programDir);

}  // namespace login
