#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Replies of the work assignment and of a batch, read into plain values;
// the marking screen only applies them.
namespace marking {

// One selector of the assignment: a question (tag = question number) or a
// class (tag = class id).
struct WorkSelector {
    QString tag;
    QString caption;  // "第3题" or "<class name>班"
};

struct Assignment {
    enum Kind { NoSet, NoWork, ByQuestion, ByClass };
    Kind kind = ByClass;
    QList<WorkSelector> items;
    QString taskType() const { return kind == ByQuestion ? QStringLiteral("TH") : QStringLiteral("BJ"); }
};

// "no_set" wins over "no_work"; otherwise the kind and the items of
// "kind,item,item,...,"; any kind but "th" is by class.
Assignment parse_assignment(const QString& reply);

QString no_set_text(const QString& examName, const QString& subjectName);
QString no_work_text(const QString& examName, const QString& subjectName);

// A batch reply that reports the selection used up.
struct WorkEnd {
    bool present = false;        // the reply holds "work_end"
    bool recordsBefore = false;  // at least the progress record precedes it
    QString finished;            // the finished selection, blanks removed
    QString rest;                // the reply without the trailer
};

// The trailer "work_end;" + selection. A "work_end" without ";" names no
// selection: `currentSelection` (the screen's th_bj) stands for it.
WorkEnd parse_work_end(const QString& reply, const QString& currentSelection);

// The status text of a used-up selection. `classCaption` is the caption of
// the finished class (by class) and ignored by question.
QString work_end_status(const WorkEnd& end, const QString& taskType, const QString& classCaption);

// A batch of answers: the progress record and one buffer-list row (twelve
// cells in column order) per answer record.
struct Batch {
    bool hasProgress = false;
    QString progress;
    QList<QStringList> rows;
};
Batch parse_batch(const QString& reply);

// The worked list's rows, twelve cells each in that list's column order.
QList<QStringList> parse_worked(const QString& reply);

// A score field "0.001" (as a number) means not scored yet.
QString shown_score(const QString& field);

}  // namespace marking
