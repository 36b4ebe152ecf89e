#pragma once
#include <QString>


// Reports on the answer on screen: a faulty image, a wrong full mark, an
// excellent answer; and what their replies mean.
namespace marking {

// The answer a report names: the selected row's cj_id and BJ_ID, and cur_gif.
struct ReportedAnswer {
    int cj_id = 0;
    int bj_id = 0;
    QString cur_gif;
};

// The faulty-image report is refused while several answers are on screen
// (cur_gif holds ","); this is the message then.
bool fault_report_refused(const QString& cur_gif);
QString fault_refused_message();
// The status box text while a report is out.
QString report_status_text();

// feedback_reply: the reply of net_post_err.asp.
struct FeedbackReply {
    enum class Kind { ImageFault, FullMark, Failure };
    Kind kind = Kind::Failure;
    QString deleteFile;     // the cached image to delete (a safe name), or empty
    QString refusedName;    // a name that is not a safe file name: nothing deleted
    QString message;        // the message box text
    QString warning;        // shown too when refusedName is set
    bool blankView = false; // the image view loads "about:blank"
};
FeedbackReply feedback_reply(const QString& reply);

// The reply of net_post_ok.asp.
struct PostOkReply {
    bool ok = false;        // hide the status box
    QString message;
};
PostOkReply post_ok_reply(const QString& reply);

}  // namespace marking
