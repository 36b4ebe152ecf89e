#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace marking {

// The columns the marking screen's rules speak of, by name. The two lists
// hold them in different places and spell some headers differently
// ("cj_id" / "CJ_ID"); AnswerListModel maps a name onto its own list, so a
// misspelt column is a compile error, not an empty text.
enum class Col { RowNo, Question, FullMark, Score, Name, Candidate, MarkedAt, WorkId, Flag, CjId, Downed, XxId, BjId };

// Which list: the batch to mark ("buffer", ListView1) or the answers marked
// before ("worked", ListView2).
enum class ListKind { Buffer, Worked };

// One of the marking screen's two answer lists: twelve text columns, rows
// and columns addressed from 1. Widths are kept in the list's own units; a
// width of 0 hides the column.
class AnswerListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnswerListModel)
public:
    explicit AnswerListModel(ListKind kind, QObject* parent = nullptr);

    ListKind kind() const { return kind_; }

    // Removes all rows and sets the list's columns and widths anew.
    void reset();
    void clearRows();

    int rows() const { return int(rows_.size()); }
    int columns() const { return int(headers_.size()); }
    // 1-based column of a named column in this list, 0 when it has none.
    int column(Col c) const;
    QString header(int column) const;

    // Texts of row (1-based) and column (1-based, or by name); empty text
    // for a cell that does not exist.
    QString text(int row, int column) const;
    QString text(int row, Col c) const { return text(row, column(c)); }
    void setText(int row, int column, const QString& value);
    void setText(int row, Col c, const QString& value) { setText(row, column(c), value); }
    // The same text in one column of many rows, told to views as one change:
    // a tick that finds 2,000 images cached does not repaint 2,000 times.
    void setTexts(const QList<int>& rows, Col c, const QString& value);
    QStringList rowTexts(int row) const;

    // Appends a row holding `cells` in column order (short lists padded).
    void appendRow(const QStringList& cells);

    int width(int column) const;
    void setWidth(int column, int width);
    bool hidden(int column) const { return width(column) == 0; }

    // Stable sort of the rows by the text of a 1-based column, case
    // insensitive, as a list view sorts. With `digitsAsNumbers`, two texts
    // of digits only compare as whole numbers (7 before 12), of any length.
    void sortByColumn(int column, bool descending, bool digitsAsNumbers = false);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void widthsChanged();

private:
    ListKind kind_;
    QStringList headers_;
    QList<int> widths_;
    QList<QStringList> rows_;
};

}  // namespace marking
