#include "marking/answer_lists.h"

#include "app/dialogs.h"
#include "app/services.h"
#include "app/vbtext.h"
#include "marking/marking_host.h"
#include "marking/work_assignment.h"
#include "ui/image_page_view.h"
#include "ui/widget_names.h"

#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace marking {

using ui::named;

namespace {

QTableView* answer_view(QWidget* parent, const char* name, AnswerListModel* model)
{
    auto* v = named(new QTableView(parent), name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setShowGrid(true);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(22);
    v->horizontalHeader()->setHighlightSections(false);
    v->horizontalHeader()->setStretchLastSection(false);
    v->setWordWrap(false);
    return v;
}

// A list's widths are in its own units: `unitsPerPixel` of them make a pixel.
void apply_widths(QTableView* view, const AnswerListModel& list, int unitsPerPixel)
{
    for (int c = 1; c <= list.columns(); ++c) {
        const int w = list.width(c);
        view->setColumnHidden(c - 1, w == 0);
        if (w > 0)
            view->setColumnWidth(c - 1, (w + unitsPerPixel / 2) / unitsPerPixel);
    }
}

}  // namespace

BufferListPanel::BufferListPanel(AnswerListModel& buffer, QWidget* parent)
    : QGroupBox(QStringLiteral("当前缓存试题列表"), parent), buffer_(buffer)
{
    setObjectName(QStringLiteral("Frame1"));
    auto* lay = new QVBoxLayout(this);
    listView1_ = answer_view(this, "ListView1", &buffer_);
    listView1_->setAccessibleName(title());
    lay->addWidget(listView1_);
    listView1_->installEventFilter(this);
    connect(listView1_, &QTableView::clicked, this, [this](const QModelIndex& i) { emit rowClicked(i.row() + 1); });
    connect(&buffer_, &AnswerListModel::widthsChanged, this, &BufferListPanel::applyWidths);
    applyWidths();
}

// The buffer list's widths are in the twips of the frame it sits in; at 13
// to a pixel an eight-digit candidate number still fits.
void BufferListPanel::applyWidths()
{
    apply_widths(listView1_, buffer_, 13);
}

bool BufferListPanel::eventFilter(QObject* watched, QEvent* event)
{
    // A release whose press went elsewhere (the Enter that closed a message
    // box) is no move in the list: it must not open the selected row.
    if (watched == listView1_ && event->type() == QEvent::KeyPress)
        pressedKey_ = static_cast<QKeyEvent*>(event)->key();
    if (watched == listView1_ && event->type() == QEvent::KeyRelease
        && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const bool ours = static_cast<QKeyEvent*>(event)->key() == pressedKey_;
        pressedKey_ = 0;
        if (ours)
            ListView1_KeyUp();
    }
    return QGroupBox::eventFilter(watched, event);
}

int BufferListPanel::selectedRow() const
{
    const QModelIndex i = listView1_->currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void BufferListPanel::select_buffer_row(int row)
{
    if (row < 1 || row > buffer_.rows())
        return;
    listView1_->selectionModel()->setCurrentIndex(buffer_.index(row - 1, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void BufferListPanel::clearSelection()
{
    listView1_->selectionModel()->clear();
}

void BufferListPanel::ListView1_KeyUp()
{
    if (const int row = selectedRow())
        emit rowClicked(row);
}

WorkedListPanel::WorkedListPanel(MarkingContext& ctx, MarkingHost& host, QWidget* screen)
    : QObject(screen), ctx_(ctx), host_(host)
{
    listView2_ = answer_view(screen, "ListView2", &ctx_.worked);
    listView2_->setAccessibleName(QStringLiteral("已批试题列表"));
    listView2_->setMouseTracking(true);
    listView2_->viewport()->setMouseTracking(true);
    listView2_->viewport()->installEventFilter(this);
    listView2_->horizontalHeader()->setMouseTracking(true);
    listView2_->horizontalHeader()->installEventFilter(this);
    listView2_->horizontalHeader()->setSectionsClickable(true);
    listView2_->installEventFilter(this);
    listView2_->resize(560, 400);
    listView2_->hide();
    connect(listView2_, &QTableView::clicked, this, [this](const QModelIndex& i) { emit rowClicked(i.row() + 1); });
    connect(listView2_, &QTableView::doubleClicked, this, [this] { ListView2_DblClick(); });
    connect(listView2_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView2_ColumnClick(section + 1); });
    connect(&ctx_.worked, &AnswerListModel::widthsChanged, this, &WorkedListPanel::applyWidths);

    frame14_ = named(new QFrame(screen), "Frame14");
    frame14_->setFrameShape(QFrame::Box);
    frame14_->setStyleSheet(QStringLiteral("QFrame#Frame14 { background: rgb(255,255,225); }"));
    auto* f14 = new QVBoxLayout(frame14_);
    f14->setContentsMargins(4, 2, 4, 2);
    label11_ = named(new QLabel(QStringLiteral("双击，加入缓存"), frame14_), "Label11");
    f14->addWidget(label11_);
    frame14_->resize(200, 40);
    frame14_->hide();
    hideTipOnMove(frame14_);

    command4_ = named(new QPushButton(QStringLiteral("已批试题列表"), screen), "Command4");
    connect(command4_, &QPushButton::clicked, this, &WorkedListPanel::Command4_Click);
    hideTipOnMove(command4_);
    applyWidths();
}

// The worked list's widths are pixels.
void WorkedListPanel::applyWidths()
{
    apply_widths(listView2_, ctx_.worked, 1);
}

bool WorkedListPanel::isShown() const
{
    return !listView2_->isHidden();
}

void WorkedListPanel::show() const
{
    listView2_->show();
}

void WorkedListPanel::place(const QRect& v)
{
    const int w = qMin(listView2_->width(), qMax(100, v.width()));
    listView2_->setGeometry(v.right() - w - 4, v.top(), w, v.height());
}

void WorkedListPanel::hideTipOnMove(QWidget* w)
{
    w->setMouseTracking(true);
    w->installEventFilter(this);
}

bool WorkedListPanel::eventFilter(QObject* watched, QEvent* event)
{
    // From the keyboard: Enter on a worked row is its double click, the
    // arrows move the selection and show its image as a click does.
    if (watched == listView2_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            ListView2_DblClick();
            return true;
        }
        // The context-menu key (or Shift+F10) offers the column sort a
        // click on a header gives.
        if (k->key() == Qt::Key_Menu || (k->key() == Qt::Key_F10 && k->modifiers() & Qt::ShiftModifier)) {
            showSortMenu();
            return true;
        }
    }
    if (watched == listView2_ && event->type() == QEvent::KeyRelease && listView2_->currentIndex().isValid()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            emit rowClicked(listView2_->currentIndex().row() + 1);
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (watched == listView2_->viewport())
            ListView2_MouseMove(p + QPoint(0, listView2_->horizontalHeader()->height()));
        else if (watched == listView2_->horizontalHeader())
            ListView2_MouseMove(p);
        else
            hide_tool_tip();
    }
    return QObject::eventFilter(watched, event);
}

void WorkedListPanel::fill_worked_list(const QString& reply)
{
    ctx_.worked.reset();
    for (const QStringList& row : parse_worked(reply))
        ctx_.worked.appendRow(row);
    if (ctx_.state.hide_name == 1)
        ctx_.worked.setWidth(ctx_.worked.column(Col::Name), 0);
}

void WorkedListPanel::ListView2_DblClick()
{
    AnswerListModel& worked = ctx_.worked;
    AnswerListModel& buffer = ctx_.buffer;
    if (worked.rows() == 0)
        return;
    const QModelIndex sel = listView2_->currentIndex();
    const int src = sel.isValid() ? app::to_int(worked.text(sel.row() + 1, Col::RowNo)) : 0;
    if (src < 1 || src > worked.rows()) {
        ctx_.services.dialogs.message(QStringLiteral("Error on ListView2_DblClick() !"));
        return;
    }
    const QString cj = worked.text(src, Col::CjId);
    const QString th = worked.text(src, Col::Question);
    for (int r = 1; r <= buffer.rows(); ++r) {
        if (buffer.text(r, Col::CjId) == cj && buffer.text(r, Col::Question) == th) {
            ctx_.services.dialogs.message(QStringLiteral("此试题在《缓冲试题列表》已经存在！"));
            return;
        }
    }
    const int row = buffer.rows() + 1;
    buffer.appendRow({});
    // Flag 1 (saved), not downloaded: the prefetch fetches its image.
    for (const Col c : {Col::Question, Col::FullMark, Col::Score, Col::Name, Col::Candidate, Col::WorkId, Col::XxId,
                        Col::BjId})
        buffer.setText(row, c, worked.text(src, c));
    buffer.setText(row, Col::RowNo, QString::number(row));
    buffer.setText(row, Col::Flag, QStringLiteral("1"));
    buffer.setText(row, Col::CjId, cj);
    buffer.setText(row, Col::Downed, QStringLiteral("0"));
    host_.select_buffer_row(row);
}

void WorkedListPanel::ListView2_ColumnClick(int column)
{
    const int k = column - 1;
    AnswerListModel& worked = ctx_.worked;
    if (k <= 0 || column > worked.columns())
        return;
    // The list starts ascending, so the first click sorts descending.
    descending_ = !descending_;
    // Candidate numbers sort in number order without being rewritten: a
    // zero-padded "00100" names no image on the server, and re-scoring
    // copies the candidate number into the buffer list.
    worked.sortByColumn(column, descending_, column == worked.column(Col::Candidate) && ctx_.state.hide_name == 0);
    for (int r = 1; r <= worked.rows(); ++r)
        worked.setText(r, Col::RowNo, QString::number(r));
}

void WorkedListPanel::showSortMenu()
{
    auto* menu = new QMenu(listView2_);
    menu->setObjectName(QStringLiteral("SortMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setTitle(QStringLiteral("按此列排序"));
    // The visible columns but the row number, as a header click allows.
    for (int c = 2; c <= ctx_.worked.columns(); ++c) {
        if (!listView2_->isColumnHidden(c - 1))
            menu->addAction(QStringLiteral("按“%1”排序").arg(ctx_.worked.header(c)), this, [this, c] { ListView2_ColumnClick(c); });
    }
    menu->popup(listView2_->mapToGlobal(listView2_->viewport()->geometry().topLeft()));
}

void WorkedListPanel::ListView2_MouseMove(const QPoint& pos)
{
    const QPoint at = listView2_->pos() + QPoint(pos.x(), pos.y() + 25);
    const bool belowHeaders = pos.y() >= listView2_->horizontalHeader()->height();
    if (belowHeaders) {
        frame14_->resize(frame14_->width(), 60);
        label11_->setText(QStringLiteral("双击，加入缓存试题列表，\n便可以修改本题得分..."));
    } else {
        frame14_->resize(frame14_->width(), 40);
        label11_->setText(QStringLiteral("点击，按此列排序..."));
    }
    frame14_->move(at);
    frame14_->show();
    frame14_->raise();
}

void WorkedListPanel::hide_tool_tip()
{
    frame14_->hide();
}

void WorkedListPanel::Command4_Click()
{
    if (isShown()) {
        listView2_->hide();
        hide_tool_tip();
        return;
    }
    place(ctx_.view->geometry());
    listView2_->show();
    listView2_->raise();
    host_.request_worked();
}

}  // namespace marking
