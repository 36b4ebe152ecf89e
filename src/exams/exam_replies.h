#pragma once
#include <QList>
#include <QString>

// The two replies of the exam-selection screen, read into plain values.
namespace exams {

// One row of the exam list: the server's exam id (kept as text), its name
// and its state value (2: marking closed).
struct ExamRecord {
    QString id;
    QString name;
    QString state;
};

struct ExamListReply {
    bool hasMarker = false;  // "ks_name" present: a real exam list
    QList<ExamRecord> exams;
};

// Names come back as plain text: a ";" closing an HTML entity ("&amp;")
// separates nothing, and the entities are resolved.

// "id,name,unused,state;" records followed by a trailer piece and the final
// ";": every piece but the last two is a record. Blank pieces and records
// whose id is not a number are left out: they cannot be chosen.
ExamListReply parse_exam_list(const QString& text);

struct Subject {
    int id = 0;      // 999: the combined multi-subject paper
    QString name;
};

struct SubjectReply {
    bool hasMarker = false;  // "Studen_Number" present
    QList<Subject> subjects;
};

// "id,name;" records, every piece but the last. "999,0" is the combined
// paper. Pieces whose id is not a positive whole number are not subjects:
// the server ends the list with a piece like "Studen_Number=60".
SubjectReply parse_subject_list(const QString& text);

}  // namespace exams
