#pragma once
#include <QString>
#include <QStringList>

// One student's answer sheet, assembled from the pieces the server lists:
// each piece's image (fetched once, then cached) written one under the
// other, with its score and marker laid over it.
//
// Reply of cj_xsdtk.asp: HTML for the top of the view, the marker
// "Student_DTK", then records ended by ";". Record fields, by ",":
//   0 the server path of the piece's image text ("\"-separated, the file
//     name last, ending ".txt"), 1 the question number ("00" the
//     objective part), 2 the piece's height in pixels, 3 the marker's
//     name, 4 the score, 5 a text shown under the objective score.
// A list starting "No Record": nothing of the student is marked yet.
namespace reports {

struct SheetPiece {
    QString path;
    QString question;
    int height = 0;
    QString marker;
    QString score;
    QString extra;
};

SheetPiece parse_piece(const QString& record);

// The cached image's file name: the last element of the path, ".txt"
// turned into ".gif". The same name is looked for and written, and it is
// empty when it would not be one safe file name.
QString piece_file_name(const QString& record);

// The markup of one piece: its image and the overlay block(s) at `top`.
QString piece_markup(const SheetPiece& piece, const QString& localPath, int top);

// The notice shown instead of pieces when nothing is marked.
inline const QString kNothingMarked =
    QStringLiteral("<br><br><br><br><font size=6 color=red>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;此学生的主观试题还没批阅！</font>\r");

class AnswerSheet {
public:
    // `cacheDir`: the subject's cache folder (ks_data/<exam>/<subject>).
    explicit AnswerSheet(QString cacheDir = {});

    struct Step {
        QString markup;      // to write into the view, in order
        QString fetch;       // the record whose image to request; empty when none
        bool done = false;   // the walk came to its end; `markup` closes the page
        QStringList messages;
    };

    // A cj_xsdtk.asp reply. `started` false (and nothing to write) when it
    // holds no "Student_DTK". Otherwise the top of the page (and the
    // notice), and the walk's first step.
    Step begin(const QString& reply, bool* started = nullptr);
    // A cj_dtk.asp reply for the record being fetched: a JPEG as base64 is
    // written into the cache and shown; anything else skips the piece.
    Step imageReply(const QString& text);

    bool fetching() const { return fetching_; }
    QString localPath(const QString& record) const;
    const QStringList& records() const { return records_; }
    int current() const { return current_; }
    int runningTop() const { return top_; }

private:
    // From the current record on: cached pieces are shown until one must
    // be fetched or the list ends.
    void walk(Step& step, const QString& closing);
    void show(Step& step, const QString& path);

    QString cacheDir_;
    QStringList records_;
    int current_ = 0;
    int top_ = 0;
    bool fetching_ = false;
};

}  // namespace reports
