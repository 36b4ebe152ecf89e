#pragma once
#include <QString>
#include <QStringList>

namespace marking {

class AnswerListModel;

// The rows of the buffer list an opening shows: one answer, or the group of
// as many rows as the selection has questions, starting at the row of the
// selection's first question.
struct AnswerGroup {
    bool complete = false;  // false: nothing may be opened
    int first = 0;          // 1-based row the group starts at
    QStringList refs;       // server image references, in row order
    QStringList names;      // image names ("<candidate>_<question>.gif")
};

// The questions of a selection ("3,5" has two); a class is one.
int question_count(const QString& th_bj);

// Clicking `row`: with several questions the group is found upwards from it.
AnswerGroup group_for_click(const AnswerListModel& list, int row, const QString& th_bj);
// Opening `row` itself: a group only when that row holds the first question.
AnswerGroup group_at(const AnswerListModel& list, int row, const QString& th_bj);

// Label8 "已传试题:16道；完成量:3道" with the completed count replaced; the
// caption unchanged when it has no ":".
QString done_label(const QString& caption, int completed);

}  // namespace marking
