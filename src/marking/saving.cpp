#include "marking/saving.h"
#include "protocol/markers.h"

#include "app/vbtext.h"

#include <cmath>

namespace marking {

bool row_to_send(const SaveRow& row)
{
    bool flagOk = false;
    const double flag = app::to_double(row.flag, &flagOk);
    return app::is_numeric(row.score) && flagOk && flag == 0;
}

QString fs_element(const QString& id, const QString& score)
{
    return id + u',' + score + u';';
}

ManualSave build_manual_save(const QList<SaveRow>& rows)
{
    ManualSave out;
    QString elements;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const SaveRow& r = rows.at(i);
        if (!row_to_send(r))
            continue;
        // A full mark that is not a number can't be checked here; the
        // server checks every score against its own full mark.
        bool fullOk = false;
        const float full = app::to_single(r.fullMark, &fullOk);
        if (fullOk && full - app::to_single(r.score) < 0) {
            out.badRow = static_cast<int>(i + 1);
            out.message = QStringLiteral("第 ") + QString::number(out.badRow)
                + QStringLiteral(" 行试题得分输入错误！请更正.....");
            out.workIds.clear();
            return out;
        }
        elements += fs_element(r.workId, r.score);
        out.workIds << r.workId;
    }
    out.fs_str = QStringLiteral("0,;") + elements;
    return out;
}

AutoSave build_auto_save(const QList<SaveRow>& rows)
{
    AutoSave out;
    for (const SaveRow& r : rows) {
        if (!row_to_send(r))
            continue;
        out.elements += fs_element(r.workId, r.score);
        out.workIds << r.workId;
    }
    return out;
}

QString closed_exam_message()
{
    return QStringLiteral("    本考试阅卷已经完成，对学生试题得分的修改不能保存！\r\r"
                          "    若需修改试题得分，请通知此次考试创建人开通阅卷功能。    ");
}

QString saving_status_text() { return QStringLiteral("正在保存试卷(主观题)得分......"); }
QString auto_saving_status_text() { return QStringLiteral("正在自动保存试卷(主观题)得分......"); }

std::optional<QStringList> mark_saved(const QString& reply)
{
    if (!reply.startsWith(QStringLiteral("save")))
        return std::nullopt;
    QString rest = reply;
    rest.remove(QLatin1String(protocol::marker::saved_ids));
    QStringList ids;
    for (const QString& piece : app::split(rest, QStringLiteral(","))) {
        const QString id = piece.trimmed();
        if (!id.isEmpty())
            ids << id;
    }
    return ids;
}

std::optional<QStringList> saved_ids_in(const QString& reply)
{
    const QString key = QLatin1String(protocol::marker::saved_ids);
    const qsizetype at = reply.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + key.size();
    const qsizetype end = reply.indexOf(u';', from);
    QStringList ids;
    for (const QString& piece : reply.mid(from, end < 0 ? -1 : end - from).split(u',')) {
        const QString id = piece.trimmed();
        if (!id.isEmpty())
            ids << id;
    }
    return ids;
}

std::optional<ProgressValue> show_progress(int done_count, int work_count)
{
    if (work_count < 1)
        return std::nullopt;
    const float ratio = static_cast<float>(done_count) / static_cast<float>(work_count);
    // The percentage in single precision too: 29 of 100 is 28.99999… in
    // double, which would put the bar at 28 beside a label of 29.00%.
    const float pct = ratio * 100.0f;
    ProgressValue v;
    v.label5 = app::format_percent(ratio);
    const double whole = std::floor(static_cast<double>(pct));
    v.bar = whole < 1 ? 1 : whole > 100 ? 100 : static_cast<int>(whole);
    return v;
}


}  // namespace marking
