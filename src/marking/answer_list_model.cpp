#include "marking/answer_list_model.h"

#include <algorithm>

namespace marking {

namespace {

struct ColumnPlace {
    Col col;
    int buffer;  // 1-based place in each list; 0 where the list lacks it
    int worked;
};

// The one place where both lists' columns are named.
constexpr ColumnPlace kColumns[] = {
    {Col::RowNo, 1, 1},     {Col::Question, 2, 2}, {Col::FullMark, 3, 3}, {Col::Score, 4, 4},
    {Col::Name, 5, 6},      {Col::Candidate, 6, 5}, {Col::MarkedAt, 0, 7}, {Col::WorkId, 7, 10},
    {Col::Flag, 8, 8},      {Col::CjId, 9, 9},     {Col::Downed, 10, 0},  {Col::XxId, 11, 11},
    {Col::BjId, 12, 12},
};

QString header_text(ListKind kind)
{
    return kind == ListKind::Buffer ? QStringLiteral("行号,题号,满分,得分,姓名,考号,work_id,flag,cj_id,downed,xx_id,BJ_ID")
                                    : QStringLiteral("行号,题号,满分,得分,考号,姓名,阅卷时间,Flag,CJ_ID,Work_id,XX_ID,BJ_ID");
}

QList<int> widths_of(ListKind kind)
{
    if (kind == ListKind::Buffer)
        return {700, 700, 700, 700, 1000, 1000, 0, 0, 0, 0, 0, 0};
    return {55, 55, 55, 55, 80, 80, 160, 0, 0, 0, 0, 0};
}

}  // namespace

AnswerListModel::AnswerListModel(ListKind kind, QObject* parent) : QAbstractTableModel(parent), kind_(kind)
{
    reset();
}

void AnswerListModel::reset()
{
    beginResetModel();
    headers_ = header_text(kind_).split(u',');
    widths_ = widths_of(kind_);
    rows_.clear();
    endResetModel();
    emit widthsChanged();
}

void AnswerListModel::clearRows()
{
    if (rows_.isEmpty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int AnswerListModel::column(Col c) const
{
    for (const ColumnPlace& p : kColumns) {
        if (p.col == c)
            return kind_ == ListKind::Buffer ? p.buffer : p.worked;
    }
    return 0;
}

QString AnswerListModel::header(int column) const
{
    return column >= 1 && column <= headers_.size() ? headers_.at(column - 1) : QString();
}

QString AnswerListModel::text(int row, int column) const
{
    if (row < 1 || row > rows_.size() || column < 1 || column > headers_.size())
        return {};
    const QStringList& r = rows_.at(row - 1);
    return column - 1 < r.size() ? r.at(column - 1) : QString();
}

void AnswerListModel::setText(int row, int column, const QString& value)
{
    if (row < 1 || row > rows_.size() || column < 1 || column > headers_.size())
        return;
    QStringList& r = rows_[row - 1];
    while (r.size() < headers_.size())
        r << QString();
    if (r.at(column - 1) == value)
        return;
    r[column - 1] = value;
    const QModelIndex i = index(row - 1, column - 1);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void AnswerListModel::setTexts(const QList<int>& rows, Col c, const QString& value)
{
    const int col = column(c);
    if (col < 1 || col > headers_.size())
        return;
    int first = int(rows_.size()) + 1, last = 0;
    for (const int row : rows) {
        if (row < 1 || row > rows_.size())
            continue;
        QStringList& r = rows_[row - 1];
        while (r.size() < headers_.size())
            r << QString();
        if (r.at(col - 1) == value)
            continue;
        r[col - 1] = value;
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last > 0)
        emit dataChanged(index(first - 1, col - 1), index(last - 1, col - 1), {Qt::DisplayRole});
}

QStringList AnswerListModel::rowTexts(int row) const
{
    return row >= 1 && row <= rows_.size() ? rows_.at(row - 1) : QStringList();
}

void AnswerListModel::appendRow(const QStringList& cells)
{
    QStringList r = cells.mid(0, headers_.size());
    while (r.size() < headers_.size())
        r << QString();
    const int n = int(rows_.size());
    beginInsertRows({}, n, n);
    rows_ << r;
    endInsertRows();
}

int AnswerListModel::width(int column) const
{
    return column >= 1 && column <= widths_.size() ? widths_.at(column - 1) : 0;
}

void AnswerListModel::setWidth(int column, int width)
{
    if (column < 1 || column > widths_.size() || widths_.at(column - 1) == width)
        return;
    widths_[column - 1] = width;
    emit widthsChanged();
}

namespace {

bool all_digits(const QString& t)
{
    if (t.isEmpty())
        return false;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Whole numbers in text, compared without reading them into a number: a
// candidate number may be longer than a double holds exactly.
int compare_digits(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i + 1 < a.size() && a.at(i) == u'0')
        ++i;
    while (j + 1 < b.size() && b.at(j) == u'0')
        ++j;
    const qsizetype la = a.size() - i, lb = b.size() - j;
    if (la != lb)
        return la < lb ? -1 : 1;
    return QStringView(a).mid(i).compare(QStringView(b).mid(j));
}

}  // namespace

void AnswerListModel::sortByColumn(int column, bool descending, bool digitsAsNumbers)
{
    if (column < 1 || column > headers_.size())
        return;
    const int c = column - 1;
    emit layoutAboutToBeChanged();
    std::stable_sort(rows_.begin(), rows_.end(), [c, descending, digitsAsNumbers](const QStringList& a, const QStringList& b) {
        const QString x = a.value(c), y = b.value(c);
        const int cmp = digitsAsNumbers && all_digits(x) && all_digits(y) ? compare_digits(x, y)
                                                                          : QString::compare(x, y, Qt::CaseInsensitive);
        return descending ? cmp > 0 : cmp < 0;
    });
    emit layoutChanged();
}

int AnswerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int AnswerListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant AnswerListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return text(index.row() + 1, index.column() + 1);
}

QVariant AnswerListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return header(section + 1);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags AnswerListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace marking
