#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>


// The progress panels, the marking clock and the status poll of Timer2.
namespace marking {

// list_zt: the progress record shown in Frame7 and Frame8. A record with
// fewer than ten fields fills what comes before the first missing field;
// the rest stays as it was (nullopt).
struct ProgressPanels {
    QString frame7Caption;   // JS_Name + " 阅卷情况"
    QString frame8Caption;   // KM_Name + " 试题量"
    std::optional<QString> label7, label8, label9, label10;
    std::optional<int> done_count;
    std::optional<int> hide_name;
};
ProgressPanels list_zt(const QString& zt_str, const QString& JS_Name, const QString& KM_Name);

// The status bar text: "阅卷时长:1时2分5秒；" + the server message kept.
QString clock_text(qint64 seconds, const QString& currentText);
// The server message after "秒；" in the status bar (all of it).
QString kept_message(const QString& currentText);
// An accepted status reply in the status bar.
QString status_reply_text(const QString& currentText, const QString& reply);
// A status reply is taken only when it holds "满分".
bool status_reply_accepted(const QString& reply);

// One tick of Timer2.
struct Timer2Tick {
    QString zt_msg;        // new status bar text
    int ztmsg_ticks = 0;   // counter after this tick
    bool request = false;  // send the status request and disable Timer2
    qint64 minutes = 0;    // the n= of that request
};
// seconds: whole seconds since Start_Time (a clock set back counts as 0).
Timer2Tick timer2_tick(qint64 seconds, const QString& zt_msg, int ztmsg_ticks);

// What became of the status request on WebBrowser1.
enum class StatusOutcome { Accepted, NoMarker, ErrorPage, Replaced };

// The screen's answer to it. Timer2 is re-armed after every outcome, so the
// clock and the automatic save never stop for good; an error page is shown
// only while no status error box is open already.
struct StatusDecision {
    bool rearm = true;
    bool updateMessage = false;  // zt_msg = status_reply_text(...)
    bool autoSave = false;
    bool hideStatusBox = false;  // show_status(False, "")
    bool showErrorBox = false;   // explain the error page (check_page_err)
};
StatusDecision status_decision(StatusOutcome outcome, bool errorBoxOpen);

}  // namespace marking
