#include "marking/work_assignment.h"
#include "protocol/markers.h"

#include "app/vbtext.h"

namespace marking {

using app::piece;

Assignment parse_assignment(const QString& reply)
{
    Assignment a;
    if (reply.contains(QLatin1String(protocol::marker::no_set))) {
        a.kind = Assignment::NoSet;
        return a;
    }
    if (reply.contains(QLatin1String(protocol::marker::no_work))) {
        a.kind = Assignment::NoWork;
        return a;
    }
    const QStringList fields = app::split(reply, QStringLiteral(","));
    a.kind = piece(fields, 0) == QLatin1String("th") ? Assignment::ByQuestion : Assignment::ByClass;
    for (qsizetype i = 1; i + 1 < fields.size(); ++i) {
        const QStringList parts = fields.at(i).split(u'|');
        WorkSelector s;
        s.tag = parts.at(0);
        // An empty item (",," in the list) names no question or class: as a
        // selector its empty tag would match any selection, be checked when
        // the screen opens and make "3" a group of two, "3,".
        if (s.tag.trimmed().isEmpty())
            continue;
        s.caption = a.kind == Assignment::ByQuestion ? QStringLiteral("第") + s.tag + QStringLiteral("题")
                                                     : piece(parts, 1) + QStringLiteral("班");
        a.items << s;
    }
    return a;
}

QString no_set_text(const QString& examName, const QString& subjectName)
{
    return QStringLiteral("考试创建者还没有就 ") + examName + u' ' + subjectName + QStringLiteral(" 进行阅卷任务分配！");
}

QString no_work_text(const QString& examName, const QString& subjectName)
{
    return examName + QStringLiteral("，") + subjectName + QStringLiteral(" 没有给你分配阅卷任务！");
}

WorkEnd parse_work_end(const QString& reply, const QString& currentSelection)
{
    WorkEnd e;
    const QString withSep = QLatin1String(protocol::marker::work_end) + u';';
    const QString bare = QLatin1String(protocol::marker::work_end);
    if (!reply.contains(bare))
        return e;
    e.present = true;
    QString marker = withSep;
    if (!reply.contains(withSep))
        marker = bare;
    const QStringList parts = reply.split(marker);
    const QString before = parts.at(0);
    const QString after = piece(parts, 1);
    e.recordsBefore = before.contains(u';');
    e.finished = marker == withSep ? app::trim(after) : currentSelection;
    e.rest = reply;
    e.rest.remove(marker + after);
    if (e.rest.contains(bare))  // a second trailer left by a split in between
        e.rest = before;
    return e;
}

QString work_end_status(const WorkEnd& end, const QString& taskType, const QString& classCaption)
{
    const QString& t = end.finished;
    const bool byClass = taskType == QLatin1String("BJ");
    if (end.recordsBefore) {
        if (t.contains(u','))
            return QStringLiteral("无法同时批阅 ") + t + QStringLiteral("题了，请单独批阅某试题。");
        if (!byClass)
            return QStringLiteral("第") + t + QStringLiteral("题已上传的试题已批阅完成。");
        return classCaption + QStringLiteral("已上传的试题已批阅完成。");
    }
    if (!byClass)
        return QStringLiteral("第") + t + QStringLiteral("题图片还没有上传，请等待。");
    return classCaption + QStringLiteral("图片还没有上传，请等待。");
}

QString shown_score(const QString& field)
{
    bool ok = false;
    const double v = app::to_double(field, &ok);
    return ok && v == 0.001 ? QString() : field;
}

Batch parse_batch(const QString& reply)
{
    Batch b;
    const QStringList recs = app::split(reply, QStringLiteral(";"));
    if (!reply.contains(u';'))
        return b;
    b.hasProgress = true;
    b.progress = recs.at(0);
    for (qsizetype i = 1; i + 1 < recs.size(); ++i) {
        const QStringList f = recs.at(i).split(u',');
        // 行号,题号,满分,得分,姓名,考号,work_id,flag,cj_id,downed,xx_id,BJ_ID
        b.rows << QStringList{QString::number(i), piece(f, 3), piece(f, 4), shown_score(piece(f, 6)),
                              piece(f, 2), piece(f, 5), piece(f, 0), piece(f, 7), piece(f, 1),
                              QStringLiteral("0"), piece(f, 8), piece(f, 9)};
    }
    return b;
}

QList<QStringList> parse_worked(const QString& reply)
{
    QList<QStringList> rows;
    if (!reply.contains(u';'))
        return rows;
    const QStringList recs = app::records(reply);
    for (qsizetype i = 0; i < recs.size(); ++i) {
        const QStringList f = recs.at(i).split(u',');
        // 行号,题号,满分,得分,考号,姓名,阅卷时间,Flag,CJ_ID,Work_id,XX_ID,BJ_ID
        rows << QStringList{QString::number(i + 1), piece(f, 3), piece(f, 4), piece(f, 6), piece(f, 5),
                            piece(f, 2), piece(f, 8), piece(f, 7), piece(f, 1), piece(f, 0),
                            piece(f, 9), piece(f, 10)};
    }
    return rows;
}

}  // namespace marking
