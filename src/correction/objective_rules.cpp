#include "correction/objective_rules.h"

#include "app/app_paths.h"
#include "app/vbtext.h"
#include "recognition/shibie.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <limits>

namespace correction {

namespace {

const QString kSemicolon = QStringLiteral(";");

bool is_region_kind(const QString& entry)
{
    return entry.contains(QLatin1String("DAXT")) || entry.contains(QLatin1String("DXDX"))
        || entry.contains(QLatin1String("DUXT"));
}

// Whole numbers as the item strings write them.
QString whole(double v) { return QString::number(static_cast<qint64>(app::round_half_even(v))); }

// The k-th (0-based) "|"-part of a field; empty when it has fewer.
QString part(const QString& field, qsizetype k) { return app::piece(field.split(u'|'), k); }

qint16 to_qint16(double v)
{
    if (std::isnan(v))
        return 0;  // infinities of both signs added up: no brightness
    return static_cast<qint16>(
        std::clamp(v, double(std::numeric_limits<qint16>::min()), double(std::numeric_limits<qint16>::max())));
}

}  // namespace

AnswerTable answer_table(const QString& list, const AnswerTable& previous)
{
    if (!list.contains(u';'))
        return previous;
    AnswerTable table;
    for (const QString& entry : app::records(list)) {
        if (entry.isEmpty())
            continue;
        const qsizetype dash = entry.indexOf(u'-');
        if (dash < 0)
            table.append({entry, QString()});
        else
            table.append({entry.left(dash), entry.mid(dash + 1)});
    }
    return table;
}

QString answer_of(const AnswerTable& table, const QString& key)
{
    for (const auto& row : table) {
        if (row.first == key)
            return row.second;
    }
    return {};
}

void toggle_letter(AnswerTable& table, const QString& key, QChar letter)
{
    for (auto& row : table) {
        if (row.first != key)
            continue;
        if (row.second.contains(letter))
            row.second.remove(letter);
        else
            row.second.append(letter);
        return;
    }
    table.append({key, QString(letter)});
}

QString answer_list(const AnswerTable& table)
{
    QString list;
    for (const auto& row : table)
        list += row.first + u'-' + row.second + u';';
    return list;
}

QString answer_string(const AnswerTable& table, qint32 fs_id)
{
    QStringList parts;
    parts.reserve(table.size());
    for (const auto& row : table)
        parts.append(row.first + QStringLiteral("='") + row.second + u'\'');
    return parts.join(u',') + u';' + QString::number(fs_id);
}

qint16 ckk_avg(const QString& entry)
{
    const QStringList f = entry.split(u',');
    const qsizetype count = f.size() - 2;  // fields 1 to the last but one
    if (count <= 0)
        return 0;
    // A whole-number sum, rounded after every value as it is added.
    double sum = 0;
    for (qsizetype i = 1; i <= count; ++i)
        sum = app::round_half_even(sum + app::to_double(f.at(i)));
    return to_qint16(app::round_half_even(sum / double(count)));
}

QStringList split_box(const QString& region, int minX, int minY)
{
    QStringList f = region.split(u',');
    if (f.size() < 10)
        return {};
    bool ok[5] = {};
    const double x1 = app::to_double(f.at(1), &ok[0]) - minX;
    const double y1 = app::to_double(f.at(2), &ok[1]) - minY;
    const double x2 = app::to_double(f.at(3), &ok[2]) - minX;
    const double y2 = app::to_double(f.at(4), &ok[3]) - minY;
    const int n = app::to_int(f.at(5), &ok[4]);
    // Every item takes one of the region's question numbers: a larger count
    // is no region of this sheet (and would make that many items).
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || n < 1
        || n > f.at(8).count(u'|') + 1)
        return {};
    // A corner far beyond any sheet ("1e308", or infinity) is no region
    // either: its item coordinates would not be whole numbers.
    constexpr double far = 1e15;
    if (!(std::abs(x1) <= far && std::abs(y1) <= far && std::abs(x2) <= far && std::abs(y2) <= far))
        return {};
    if (n == 1) {
        f[1] = whole(x1);
        f[2] = whole(y1);
        f[3] = whole(x2);
        f[4] = whole(y2);
        return {f.join(u',')};
    }

    const QString& kind = f.at(0);
    const bool stacked = app::to_double(f.at(7)) != 0.0;
    const bool withPartial = kind != QLatin1String("DAXT");
    const double w = std::abs(x1 - x2), h = std::abs(y1 - y2);
    const double step = app::round_half_even((stacked ? w : h) / n);
    QStringList items;
    items.reserve(n);
    for (int k = 1; k <= n; ++k) {
        const double a = (k - 1) * step, b = k * step;
        QStringList item {kind};
        if (stacked)
            item << whole(x1 + a) << whole(y1) << whole(x1 + b) << whole(y1 + h);
        else
            item << whole(x1) << whole(y1 + a) << whole(x1 + w) << whole(y1 + b);
        item << QStringLiteral("1") << f.at(6) << (stacked ? QStringLiteral("1") : QStringLiteral("0"))
             << part(f.at(8), k - 1) << f.at(9) << part(app::piece(f, 10), k - 1);
        if (withPartial)
            item << part(app::piece(f, 11), k - 1);
        items.append(item.join(u','));
    }
    return items;
}

BoxReply read_box(const QString& reply)
{
    BoxReply box;
    box.hasRegions = reply.contains(u';');
    if (!box.hasRegions)
        return box;
    QStringList regions;
    int minX = 3000, minY = 3000;
    for (const QString& entry : app::records(reply)) {
        if (entry.contains(QLatin1String("CKK"))) {
            box.CKK = ckk_avg(entry);
            box.hasCKK = true;
        } else if (is_region_kind(entry)) {
            const QStringList f = entry.split(u',');
            bool okX = false, okY = false;
            const int x = app::to_int(app::piece(f, 1), &okX);
            const int y = app::to_int(app::piece(f, 2), &okY);
            if (!okX || !okY)
                continue;  // no corner: nothing to place or split
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            regions.append(entry);
        }
    }
    box.minX = int(std::max<qint64>(qint64(minX) - 50, 1));
    box.minY = int(std::max<qint64>(qint64(minY) - 40, 1));
    for (const QString& region : regions) {
        for (const QString& item : split_box(region, box.minX, box.minY))
            box.item_str += item + kSemicolon;
    }
    return box;
}

QStringList items_of(const QString& item_str)
{
    QStringList items = app::records(item_str);
    items.removeAll(QString());
    return items;
}

std::optional<Item> parse_item(const QString& item)
{
    const QStringList f = item.split(u',');
    if (f.size() < 10)
        return std::nullopt;
    bool ok[4] = {};
    const int x1 = app::to_int(f.at(1), &ok[0]);
    const int y1 = app::to_int(f.at(2), &ok[1]);
    const int x2 = app::to_int(f.at(3), &ok[2]);
    const int y2 = app::to_int(f.at(4), &ok[3]);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }))
        return std::nullopt;
    Item it;
    it.kind = f.at(0);
    it.box = QRect(QPoint(x1, y1), QPoint(x2, y2));
    it.layout = app::to_int(f.at(7));
    it.number = f.at(8);
    it.letters = f.at(9).split(u'|');
    it.full = app::to_single(app::piece(f, 10));
    it.partial = it.kind == QLatin1String("DAXT") ? 0.0 : app::to_single(app::piece(f, 11));
    return it;
}

double kgt_item_fs(const QString& answer, const QString& standard, double full, double partial)
{
    if (answer.isEmpty() || standard.isEmpty())
        return 0;
    const qsizetype d = answer.size() - standard.size();
    if (d > 0)
        return 0;
    const bool allInKey = std::all_of(answer.begin(), answer.end(), [&](QChar c) { return standard.contains(c); });
    if (!allInKey)
        return 0;
    return d == 0 ? full : partial;
}

float sum_kgt_fs(const QString& item_str, const AnswerTable& answers, const AnswerTable& standard)
{
    float total = 0;
    for (const QString& text : items_of(item_str)) {
        const auto item = parse_item(text);
        if (!item)
            continue;
        const QString key = item->key();
        total += static_cast<float>(
            kgt_item_fs(answer_of(answers, key), answer_of(standard, key), item->full, item->partial));
    }
    return total;
}

QString total_text(float total)
{
    // Seven significant digits, no trailing zeros: what a single shows as text.
    return QString::number(double(total), 'g', 7);
}

std::optional<QString> shift_items(const QString& item_str, int dx, int dy, int width, int height)
{
    QString out;
    for (const QString& item : items_of(item_str)) {
        QStringList f = item.split(u',');
        bool ok[4] = {};
        if (f.size() >= 5) {
            const qint64 x1 = qint64(app::to_int(f.at(1), &ok[0])) + dx;
            const qint64 y1 = qint64(app::to_int(f.at(2), &ok[1])) + dy;
            const qint64 x2 = qint64(app::to_int(f.at(3), &ok[2])) + dx;
            const qint64 y2 = qint64(app::to_int(f.at(4), &ok[3])) + dy;
            if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; })) {
                if (x1 < 1 || y1 < 1 || x2 > width || y2 > height)
                    return std::nullopt;
                f[1] = QString::number(x1);
                f[2] = QString::number(y1);
                f[3] = QString::number(x2);
                f[4] = QString::number(y2);
            }
        }
        out += f.join(u',') + kSemicolon;
    }
    return out;
}

std::optional<CellHit> cell_at(const QString& item_str, QPoint point)
{
    for (const QString& item : items_of(item_str)) {
        const QVector<QRect> cells = recognition::option_cells(item);
        for (qsizetype k = 0; k < cells.size(); ++k) {
            const QRect& c = cells.at(k);
            const qint64 left = c.x(), top = c.y();
            const qint64 right = left + c.width(), bottom = top + c.height();
            if (left < point.x() && point.x() < right && top < point.y() && point.y() < bottom) {
                const QString letter = item.section(u',', 9, 9).split(u'|').at(k);
                if (letter.isEmpty())
                    continue;
                return CellHit {QStringLiteral("T") + item.section(u',', 8, 8), letter.at(0)};
            }
        }
    }
    return std::nullopt;
}

QString item_file_path(const QString& subjectDir, const QString& examNumber)
{
    const QString name = app::trim(examNumber);
    if (!app::is_safe_file_name(name))
        return {};
    for (QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return {};
    }
    return QDir(subjectDir).filePath(name + QStringLiteral(".txt"));
}

QString recognise_list(const recognition::ShiBie& sheet, const QString& item_str, qint16 CKK)
{
    QString list;
    for (const QString& item : items_of(item_str))
        list += QStringLiteral("T") + item.section(u',', 8, 8) + u'-' + sheet.read_answer(item, CKK) + u';';
    return list;
}

}  // namespace correction
