#include "marking/buffer_rules.h"

#include "app/vbtext.h"
#include "marking/answer_list_model.h"
#include "marking/image_cache.h"

namespace marking {

int question_count(const QString& th_bj)
{
    return int(th_bj.count(u',')) + 1;
}

namespace {

AnswerGroup collect(const AnswerListModel& list, int first, int count)
{
    AnswerGroup g;
    if (first < 1 || first + count - 1 > list.rows())
        return g;
    g.complete = true;
    g.first = first;
    for (int r = first; r < first + count; ++r) {
        const QString kh = list.text(r, Col::Candidate);
        const QString th = list.text(r, Col::Question);
        g.refs << server_ref(list.text(r, Col::BjId), kh, th);
        g.names << image_name(kh, th);
    }
    return g;
}

QString first_question(const QString& th_bj)
{
    return th_bj.section(u',', 0, 0);
}

}  // namespace

AnswerGroup group_for_click(const AnswerListModel& list, int row, const QString& th_bj)
{
    if (row < 1 || row > list.rows())
        return {};
    if (!th_bj.contains(u','))
        return collect(list, row, 1);
    const QString q = first_question(th_bj);
    for (int r = row; r >= 1; --r) {
        if (list.text(r, Col::Question) == q)
            return collect(list, r, question_count(th_bj));
    }
    return {};
}

AnswerGroup group_at(const AnswerListModel& list, int row, const QString& th_bj)
{
    if (row < 1 || row > list.rows())
        return {};
    if (!th_bj.contains(u','))
        return collect(list, row, 1);
    if (list.text(row, Col::Question) != first_question(th_bj))
        return {};
    return collect(list, row, question_count(th_bj));
}

QString done_label(const QString& caption, int completed)
{
    const QStringList pieces = caption.split(u':');
    if (pieces.size() < 2)
        return caption;
    return QStringLiteral("已传试题:") + pieces.at(1) + u':' + QString::number(completed) + QStringLiteral("道");
}

}  // namespace marking
