#pragma once
#include <QList>
#include <QPair>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

namespace recognition {
class ShiBie;
}

// The rules of the objective sheet, pure: the region reply split into one
// item per question, the answer tables, the item scores and the total, the
// answer string of the save, and the item file of adjusted regions.
namespace correction {

// (key, letters) rows, in the order of the answer list they came from:
// "T1-A;T2-BD;" gives (T1, A), (T2, BD).
using AnswerTable = QList<QPair<QString, QString>>;

// An answer list read into a table. A list without ";" leaves `previous`.
// An entry without "-" is a key with no answer; empty entries are dropped.
AnswerTable answer_table(const QString& list, const AnswerTable& previous = {});
// The answer of key "T" + number; empty when the table has no such row.
QString answer_of(const AnswerTable& table, const QString& key);
// The row of `key` gets `letter` removed (every occurrence) when it holds it,
// else appended. A key without a row gets one. Rows are addressed by key,
// never by position.
void toggle_letter(AnswerTable& table, const QString& key, QChar letter);
// "T1-A;T2-BD;"
QString answer_list(const AnswerTable& table);
// The save's answer string: "T1='A',T2='BD';5312". Empty table: ";" + fs_id.
QString answer_string(const AnswerTable& table, qint32 fs_id);

// Average of a CKK entry's values (fields 1 to the last but one), summed as
// whole numbers and rounded halves to even. 0 for an entry without values.
qint16 ckk_avg(const QString& entry);

// One region split into items of one question each, its corner moved by
// (-minX, -minY). A region of one question is itself, moved. Nothing for a
// region that does not read (fewer than 10 fields, a coordinate that is no
// number, no questions).
QStringList split_box(const QString& region, int minX, int minY);

// The region reply read: the items of every region (each ended by ";" in
// item_str), the CKK, and whether any region came at all.
struct BoxReply {
    bool hasRegions = false;  // the reply held ";"
    qint16 CKK = 0;           // meaningful when hasCKK
    int minX = 1, minY = 1;   // the sheet's crop corner (at least 1)
    QString item_str;         // "item;item;..."
    bool hasCKK = false;      // a CKK entry came; otherwise the screen keeps its CKK
};
BoxReply read_box(const QString& reply);
QStringList items_of(const QString& item_str);

// Fields of one item the screen needs.
struct Item {
    QString kind;    // DAXT, DXDX or DUXT
    QRect box;       // left() x1, top() y1, right() x2, bottom() y2
    int layout = 0;  // non-zero: options stacked down
    QString number;  // question number
    QStringList letters;
    double full = 0;
    double partial = 0;  // 0 for DAXT
    QString key() const { return QStringLiteral("T") + number; }
};
// Nothing when fields 0 to 9 are not all there or a coordinate is no number.
std::optional<Item> parse_item(const QString& item);

// Score of one question: 0 when either answer is empty or the student's is
// longer; the full score for the same length with every letter in the key;
// the partial score for a shorter answer whose letters are all in the key.
double kgt_item_fs(const QString& answer, const QString& standard, double full, double partial);
// The objective total over every item (single precision, as shown in Text2).
// Answers are found by the item's key; an item that does not read adds 0.
float sum_kgt_fs(const QString& item_str, const AnswerTable& answers, const AnswerTable& standard);
// The total as the score box shows it ("12", "7.5").
QString total_text(float total);

// Every item moved by (dx, dy); nothing when any item would leave a picture
// of width x height (x1 < 1, y1 < 1, x2 > width, y2 > height). An item whose
// corners are no numbers stays as it is.
std::optional<QString> shift_items(const QString& item_str, int dx, int dy, int width, int height);

// The option letter of the cell that strictly contains `point` (not on its
// border), with its question key; the first item's cell when cells overlap;
// nothing when the point is in no cell.
struct CellHit {
    QString key;
    QChar letter;
};
std::optional<CellHit> cell_at(const QString& item_str, QPoint point);

// The item file of a student under the subject's cache folder; empty when
// the exam number is no plain file name ("..", separators, absolute paths,
// control characters), so nothing is written outside the folder.
// The exam number is trimmed of blanks first, as the box is; the file is the
// number + ".txt".
QString item_file_path(const QString& subjectDir, const QString& examNumber);

// Every item recognised on the sheet, in order: "T" + number + "-" + letters +
// ";" each. Empty for no items, so answer_table() then keeps what it had.
QString recognise_list(const recognition::ShiBie& sheet, const QString& item_str, qint16 CKK);

}  // namespace correction
