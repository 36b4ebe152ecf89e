#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace marking {

// One of the marking screen's two answer lists: twelve text columns, rows
// addressed from 1 and columns by their header text, as the screen's rules
// speak of them ("得分" of row 3). Widths are kept in the list's own units;
// a width of 0 hides the column.
class AnswerListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnswerListModel)
public:
    explicit AnswerListModel(QObject* parent = nullptr);

    // Header texts and widths of the batch ("buffer") list and of the
    // worked list.
    static QString bufferHeaderText();
    static QString workedHeaderText();
    static QList<int> bufferWidths();
    static QList<int> workedWidths();

    // Removes all rows and columns and creates the columns anew.
    void setColumns(const QString& headerText, const QList<int>& widths);
    void clearRows();

    int rows() const { return int(rows_.size()); }
    int columns() const { return int(headers_.size()); }
    // 1-based column of a header, 0 when there is none.
    int columnOf(const QString& header) const;
    QString header(int column) const;

    // Texts of row (1-based) and column (1-based, or by header); empty text
    // for a cell that does not exist.
    QString text(int row, int column) const;
    QString text(int row, const QString& header) const;
    void setText(int row, int column, const QString& value);
    void setText(int row, const QString& header, const QString& value);
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
    QStringList headers_;
    QList<int> widths_;
    QList<QStringList> rows_;
};

}  // namespace marking
