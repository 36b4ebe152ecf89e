#include "correction/objective_sheet.h"

#include "correction/sheet_view.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace correction {

namespace {

// The same letters, whatever their order: a letter taken off and put back
// by hand goes to the end of the answer.
bool same_letters(QString a, QString b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

}  // namespace

ObjectiveSheet::ObjectiveSheet(QWidget* form) : QObject(form), view_(new SheetView(form))
{
    view_->hide();
    SheetCanvas& c = canvas();
    connect(&c, &SheetCanvas::pressed, this, &ObjectiveSheet::pressed);
    connect(&c, &SheetCanvas::draggedTo, this, &ObjectiveSheet::draggedTo);
    connect(&c, &SheetCanvas::released, this, &ObjectiveSheet::released);
}

SheetCanvas& ObjectiveSheet::canvas() const
{
    return view_->canvas();
}

bool ObjectiveSheet::loadPicture(const QString& path)
{
    if (!canvas().loadPicture(path))
        return false;
    shibie_.load_bits(canvas().picture());
    clearItems();
    return true;
}

void ObjectiveSheet::setAnswers(const QString& kgt_ans, const QString& kgt_da)
{
    kgt_ans_ = answer_table(kgt_ans);
    kgt_da_ = answer_table(kgt_da);
}

void ObjectiveSheet::setItems(const QString& item_str, std::optional<qint16> CKK, const QString& itemFile)
{
    item_str_ = item_str;
    CKK_ = CKK.value_or(CKK_);
    itemFile_ = itemFile;
    QFile saved(itemFile);
    if (!itemFile.isEmpty() && saved.open(QIODevice::ReadOnly)) {
        const QString line = QString::fromLatin1(saved.readLine()).trimmed();
        // A file that holds no item at all keeps the server's regions.
        if (line.contains(u';'))
            item_str_ = line;
    }
}

void ObjectiveSheet::clearItems()
{
    item_str_.clear();
    canvas().clearDrawing();
}

void ObjectiveSheet::draw_items(bool reload)
{
    QList<QRect> cells, markers;
    QList<QPoint> ticks;
    for (const QString& text : items_of(item_str_)) {
        const std::optional<Item> item = parse_item(text);
        if (!item)
            continue;
        const QVector<QRect> options = recognition::option_cells(text);
        cells += QList<QRect>(options.begin(), options.end());
        if (!reload)
            continue;
        const QString answer = answer_of(kgt_ans_, item->key());
        for (qsizetype i = 0; i < options.size() && i < item->letters.size(); ++i)
            if (!item->letters.at(i).isEmpty() && answer.contains(item->letters.at(i)))
                markers << options.at(i);
        if (!answer.isEmpty() && same_letters(answer, answer_of(kgt_da_, item->key()))) {
            const QRect& box = item->box;  // right() is x2, bottom() y2
            ticks << QPoint(box.right() - (item->layout ? 18 : 20), box.bottom() - 20);
        }
    }
    canvas().setOutlines(cells);
    if (reload)
        canvas().setMarks(markers, ticks);
}

void ObjectiveSheet::recognise()
{
    if (items_of(item_str_).isEmpty())
        return;
    kgt_ans_ = answer_table(recognise_list(shibie_, item_str_, CKK_), kgt_ans_);
    draw_items(true);
    sum_kgt_fs();
}

void ObjectiveSheet::sum_kgt_fs()
{
    if (items_of(item_str_).isEmpty())
        return;
    emit totalChanged(total_text(correction::sum_kgt_fs(item_str_, kgt_ans_, kgt_da_)));
}

void ObjectiveSheet::setAdjusting(bool on)
{
    adjusting_ = on;
}

void ObjectiveSheet::setToggling(bool on)
{
    toggling_ = on;
}

void ObjectiveSheet::pressed(QPoint point)
{
    down_ = point;
    itemsAtDown_ = item_str_;
}

void ObjectiveSheet::draggedTo(QPoint point)
{
    if (!adjusting_)
        return;
    canvas().setCursor(Qt::SizeAllCursor);
    const int dx = point.x() - down_.x(), dy = point.y() - down_.y();
    if (std::abs(dx) <= 1 && std::abs(dy) <= 1)
        return;
    // Always from the items as they were at the press: a shift that would
    // take any item off the sheet leaves them all there.
    const QSize size = canvas().picture().size();
    item_str_ = shift_items(itemsAtDown_, dx, dy, size.width(), size.height()).value_or(itemsAtDown_);
    draw_items(false);
}

void ObjectiveSheet::released(QPoint)
{
    canvas().unsetCursor();
    if (adjusting_) {
        draw_items(true);
        save_items();
        recognise();
    }
    if (toggling_) {
        if (const std::optional<CellHit> hit = cell_at(item_str_, down_))
            toggle_letter(kgt_ans_, hit->key, hit->letter);
        draw_items(true);
        sum_kgt_fs();
    }
}

void ObjectiveSheet::save_items()
{
    if (itemFile_.isEmpty() || !item_str_.contains(u';'))
        return;
    // The whole line or the file as it was: a half-written file would
    // replace the server's regions with broken ones next time.
    QSaveFile file(itemFile_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(item_str_.toLatin1() + "\r\n");
        file.commit();
    }
}

}  // namespace correction
