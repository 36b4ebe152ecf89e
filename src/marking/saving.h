#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Sending keyed scores: the score string, the checks of the manual save,
// the automatic save, the reply that marks rows saved, and the progress bar.
namespace marking {

// What a buffer row contributes to a save (columns 3, 4, 7, 8).
struct SaveRow {
    QString fullMark;
    QString score;
    QString workId;
    QString flag;
};

// A row goes out when its score is numeric and its flag reads as 0.
bool row_to_send(const SaveRow& row);

// One element of the score string: id + "," + score + ";".
QString fs_element(const QString& id, const QString& score);

struct ManualSave {
    int badRow = 0;        // 1-based row over its full mark; 0 when none
    QString message;       // "第 i 行试题得分输入错误！请更正....." when badRow
    QString fs_str;        // "0,;" + the elements, when badRow is 0
    QStringList workIds;   // the work ids sent, in order
};
// save_scores step 3 and the string of step 4 (for a non-empty list). The
// screen then clears Text1 with the change handling muted: the row keeps
// its score, so a failed save loses nothing.
ManualSave build_manual_save(const QList<SaveRow>& rows);

struct AutoSave {
    QString elements;      // without "0,;"; empty: nothing to send
    QStringList workIds;
};
// auto_save step 2: every unsaved numeric row, no full-mark check.
AutoSave build_auto_save(const QList<SaveRow>& rows);

// The message of the save button when marking of the exam is closed (KS_INPUT 2).
QString closed_exam_message();
QString saving_status_text();       // "正在保存试卷(主观题)得分......"
QString auto_saving_status_text();  // "正在自动保存试卷(主观题)得分......"

// mark_saved: the work ids a "saved_ids=41,42" reply confirms; nullopt when
// the reply does not start with "save" (then nothing changes). Empty pieces
// and blanks around ids are dropped.
std::optional<QStringList> mark_saved(const QString& reply);

// The ids a manual save's reply lists after "saved_ids=" (up to the next
// ";"), or nullopt when it lists none: then only the next batch confirms it.
std::optional<QStringList> saved_ids_in(const QString& reply);

// show_progress step 2: the label text and the bar value, or nullopt when
// work_count is below 1 (label and bar keep their values).
struct ProgressValue {
    QString label5;   // "37.50%"
    int bar = 1;      // 1..100
};
std::optional<ProgressValue> show_progress(int done_count, int work_count);


}  // namespace marking
