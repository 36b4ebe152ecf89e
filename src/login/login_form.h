#pragma once
#include "login/lookup_replies.h"

#include <QWidget>
#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;

namespace app { struct Services; }
namespace net { class PageChannel; struct PageResult; }

namespace login {

class LookupField;
class UpgradePanel;

// The start-up screen: server address and port, school and teacher lookup,
// login and the upgrade offer. It lives for the whole run; after a login it
// is only hidden, and the flow shows it again with its fields as they were.
// Constructing it is the screen's load: the session's start values, url.txt
// and the first probe of the server.
class LoginForm final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginForm)
public:
    explicit LoginForm(app::Services& services, QWidget* parent = nullptr);
    ~LoginForm() override;

    // True when the field holds none of the forbidden words; one message
    // per word found otherwise.
    bool check_sql_str(const QLineEdit* field);
    void show_upgrade(const QString& version);
    bool listPicked() const { return list_picked_; }

public slots:
    // Typing has paused: a single match still waiting is taken over when
    // its field holds the text it answers.
    void takeOverMatches();

signals:
    // The quit button, an upgrade link or closing the window: the program
    // ends now, saving nothing.
    void programEnd();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectControls();
    void load_url_txt();
    void save_url_txt();
    void restoreLastLogin();
    void saveLastLogin();

    void composeServerUrl();
    void sendProbe(const QString& token);
    void onAddressFocusLost();
    void onPortChanged(const QString& text);
    void onSchoolTextChanged();
    void onTeacherTextChanged();
    bool loginPending() const;
    void onSchoolPicked(QListWidgetItem* item);
    void onTeacherPicked(QListWidgetItem* item);
    void onLoginClicked();
    void openDownload(const QString& file, const QString& message);

    void onCompleted(const net::PageResult& result);
    void handleSchoolReply(const QString& text);
    void handleTeacherReply(const QString& text);
    void handleLoginReply(const net::PageResult& result);
    void showUnreachable();
    bool reached(bool marker);

    void showList(QListWidget* list);
    void offerMatch(std::optional<QString>& pending, const QString& name);
    void placeLists();

    app::Services& services_;
    net::PageChannel* channel_;

    LookupField* serverIP_;
    LookupField* serverPort_;
    QGroupBox* frame1_;
    LookupField* text1_;
    LookupField* text2_;
    QLineEdit* text3_;
    QCheckBox* check1_;
    QListWidget* list1_;
    QListWidget* list2_;
    QLabel* label3_;
    QLabel* label4_;
    QPushButton* login_;
    QPushButton* quit_;
    UpgradePanel* upgrade_;

    struct SchoolRow {
        QString row, id, name;
    };
    // Rows are overwritten from 0 by each reply; only the first
    // school_rows_ belong to the entries List1 shows now.
    std::array<SchoolRow, school_list_rows> school_list_;
    int school_rows_ = 0;
    int teacher_rows_ = 0;
    bool list_picked_ = false;
    // The trimmed text each field's last lookup asked for (none for the
    // probe), and the name of a single match waiting for typing to pause.
    // A reply taken over while the teacher still types would be written
    // under their fingers ("d" becoming "第一中学yzx").
    std::optional<QString> schoolAsked_, teacherAsked_;
    std::optional<QString> schoolMatch_, teacherMatch_;
    QTimer* typingPause_;
    // The fields as Server_URL was last built from them.
    QString urlHost_, urlPort_;
};

}  // namespace login
