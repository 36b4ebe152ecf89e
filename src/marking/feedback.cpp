#include "marking/feedback.h"
#include "protocol/markers.h"

#include "app/app_paths.h"

namespace marking {

bool fault_report_refused(const QString& cur_gif)
{
    return cur_gif.contains(u',');
}

QString fault_refused_message()
{
    return QStringLiteral("   在同时批阅两道及以上试题时，无法反馈异常试题！   ");
}

QString report_status_text()
{
    return QStringLiteral(" 正在向服务器反馈信息，请等待... (report...)");
}

FeedbackReply feedback_reply(const QString& reply)
{
    FeedbackReply r;
    if (reply.contains(QStringLiteral("report"))) {
        r.kind = FeedbackReply::Kind::ImageFault;
        const QString mark = QStringLiteral("report_");
        const qsizetype at = reply.indexOf(mark);
        if (at >= 0) {
            const qsizetype from = at + mark.size();
            const qsizetype next = reply.indexOf(mark, from);
            const QString name = reply.mid(from, next < 0 ? -1 : next - from).trimmed();
            // Only a cached answer image may go: the cache folder also holds
            // the journal of keyed scores.
            if (app::is_safe_file_name(name) && name.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive)) {
                r.deleteFile = name;
            } else if (!name.isEmpty()) {
                r.refusedName = name;
                r.warning = QStringLiteral("服务器给出的文件名“") + name
                    + QStringLiteral("”不是本机缓存中的文件名，没有删除任何文件。");
            }
        }
        r.message = QStringLiteral("  操作成功！\r\r  请跳过此题，批阅下一试题......                ");
        r.blankView = true;
    } else if (reply.contains(QStringLiteral("MF_Error"))) {
        r.kind = FeedbackReply::Kind::FullMark;
        r.message = QStringLiteral("  操作成功！\r\r  “满分错误”的信息已经记载，等待管理员处理......      ");
    } else {
        r.message = QStringLiteral("  操作失败！                   \r\r") + reply;
    }
    return r;
}

PostOkReply post_ok_reply(const QString& reply)
{
    if (reply.contains(QLatin1String(protocol::marker::excellent_reported)))
        return {true, QStringLiteral("系统已经记载了您推荐的优秀答案！")};
    return {false, QStringLiteral("操作失败！")};
}

}  // namespace marking
