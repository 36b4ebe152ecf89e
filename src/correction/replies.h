#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

#include "protocol/pages.h"

// The replies of the correction screen, each read by a pure function into a
// plain value the screen then shows. Every reader takes any text: a reply
// that lacks what it needs reads as empty fields, never as a failure.
namespace correction {

// The page a completed address of the request channel answers: the first
// of net_get_th, net_get_st, net_save_fs, net_down_st, net_ks_box and
// net_save_kgt_fs that the address contains, in this screen's own order.
protocol::Page correction_page(QStringView url);

// A save whose reply a newer request took the place of: the server may
// have stored it or not.
QString save_unconfirmed_message();

// net_get_th.asp. "no_qx" wins over "no_st" when a text holds both.
struct QuestionList {
    enum Kind { NoRights, NoQuestions, Questions } kind = Questions;
    QStringList numbers;  // in display order; "00" stands for the objective questions
};
QuestionList parse_question_list(const QString& reply);

// The caption of a question button: "第3题", or "选择题" for "00".
QString question_caption(const QString& number);
QString no_rights_text(const QString& examName, const QString& subjectName);
QString no_questions_text(const QString& examName, const QString& subjectName);

// net_get_st.asp: "fs_id,school=folder\file.txt=score line[=answers=key]".
struct Lookup {
    bool found = false;       // the text holds "="; otherwise it is a message
    QString message;          // the whole text when not found
    qint32 fs_id = 0;         // 0 when the field is not a whole number in range
    qint32 schoolId = 0;
    QString ref;              // field 1 as it came: the image request sends it back
    QString img_file;         // its second "\"-part, ".txt" made ".gif" (may be unsafe: check before use)
    QString fs_text;          // the score line
    bool hasObjective = false;  // fields 3 and 4 came (the objective answers and their key)
    QString kgt_ans;
    QString kgt_da;
};
Lookup parse_lookup(const QString& reply);

// The score in a score line: the text between "，得分" and the next "；".
// Nothing when the line has no "，得分"; to the end of the line when no
// "；" follows.
std::optional<QString> get_fs_text(const QString& line);

// Command2: what a press of "保存得分" does.
struct SaveCheck {
    enum Action { Nothing, Message, Send } action = Nothing;
    QString text;   // the message, or the score as it is sent
};
enum class InFlight { None, Lookup, Save };
// examNumber is Text1 trimmed, score Text2 as it is. A score is read by the
// screens' number rules ("1e3" is 1000, " 5" is 5, "0x10", "NaN" and
// full-width digits are not numbers) and sent in plain decimals. While a
// lookup is under way the score would land on the previous student; while
// a save is under way a different score would replace it unseen: both are
// told, not sent.
SaveCheck check_save(const QString& examNumber, qint32 fs_id, const QString& score, bool has_qx, InFlight inFlight,
                     const QString& scoreInFlight = QString());

// Command1: the refusals of a lookup; empty text when it may go.
QString check_lookup(const QString& examNumber, bool has_qx);

// The local name of an image of the answer page: img_file when it is a
// safe file name, else empty.
QString safe_image_name(const QString& img_file);
QString unsafe_image_message(const QString& img_file);

}  // namespace correction
