#include "marking/progress.h"

#include "app/vbtext.h"
#include "protocol/markers.h"

namespace marking {

namespace {
const QString kSecondsMark = QStringLiteral("秒；");
}

ProgressPanels list_zt(const QString& zt_str, const QString& JS_Name, const QString& KM_Name)
{
    ProgressPanels p;
    p.frame7Caption = JS_Name + QStringLiteral(" 阅卷情况");
    p.frame8Caption = KM_Name + QStringLiteral(" 试题量");
    const QStringList f = app::split(zt_str, QStringLiteral(","));
    auto has = [&](int field) { return field <= f.size(); };
    auto at = [&](int field) { return f.at(field - 1); };

    if (!has(7) || !has(2))
        return p;
    p.label7 = QStringLiteral("可阅试题:") + at(7) + QStringLiteral("小题；工作量:") + at(2) + QStringLiteral("道");
    if (!has(9))
        return p;
    p.label8 = QStringLiteral("已传试题:") + at(8) + QStringLiteral("道；完成量:") + at(9) + QStringLiteral("道");
    p.label9 = QStringLiteral("参考学生:") + at(3) + QStringLiteral("人；主观试题:") + at(4) + QStringLiteral("小题");
    p.label10 = QStringLiteral("试题总量:") + at(5) + QStringLiteral("道；已传题量:") + at(6) + QStringLiteral("道");
    bool ok = false;
    const int done = app::to_int(at(9), &ok);
    if (!ok)
        return p;
    p.done_count = done;
    if (!has(10))
        return p;
    const int hide = app::to_int(at(10), &ok);
    if (ok)
        p.hide_name = hide;
    return p;
}

QString kept_message(const QString& currentText)
{
    const qsizetype at = currentText.indexOf(kSecondsMark);
    return at < 0 ? QString() : currentText.mid(at + kSecondsMark.size());
}

QString clock_text(qint64 seconds, const QString& currentText)
{
    const qint64 s = seconds < 0 ? 0 : seconds;
    const qint64 hours = s / 3600;
    const qint64 r = s - hours * 3600;
    const qint64 minutes = r / 60;
    const qint64 secs = r - minutes * 60;
    return QStringLiteral("阅卷时长:") + QString::number(hours) + QStringLiteral("时") + QString::number(minutes)
        + QStringLiteral("分") + QString::number(secs) + kSecondsMark + kept_message(currentText);
}

QString status_reply_text(const QString& currentText, const QString& reply)
{
    const qsizetype at = currentText.indexOf(kSecondsMark);
    const QString head = at < 0 ? currentText : currentText.left(at);
    return head + kSecondsMark + reply;
}

bool status_reply_accepted(const QString& reply)
{
    return reply.contains(QString::fromUtf8(protocol::marker::status_text));
}

Timer2Tick timer2_tick(qint64 seconds, const QString& zt_msg, int ztmsg_ticks)
{
    Timer2Tick t;
    const qint64 s = seconds < 0 ? 0 : seconds;
    t.zt_msg = clock_text(s, zt_msg);
    t.minutes = s / 60;
    t.ztmsg_ticks = ztmsg_ticks + 1;
    if (t.ztmsg_ticks > 30) {
        t.request = true;
        t.ztmsg_ticks = 0;
    }
    return t;
}

StatusDecision status_decision(StatusOutcome outcome, bool errorBoxOpen)
{
    StatusDecision d;
    switch (outcome) {
    case StatusOutcome::Accepted:
        d.updateMessage = true;
        d.autoSave = true;
        d.hideStatusBox = true;
        break;
    case StatusOutcome::ErrorPage:
        d.showErrorBox = !errorBoxOpen;
        break;
    case StatusOutcome::NoMarker:
    case StatusOutcome::Replaced:
        break;
    }
    return d;
}

}  // namespace marking
