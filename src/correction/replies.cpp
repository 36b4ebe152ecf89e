#include "correction/replies.h"

#include "app/app_paths.h"
#include "app/vbtext.h"
#include "protocol/markers.h"

#include <cmath>
#include <limits>

namespace correction {

namespace marker = protocol::marker;

protocol::Page correction_page(QStringView url)
{
    using protocol::Page;
    static constexpr Page kOrder[] = {Page::GetTh,  Page::GetSt, Page::SaveFs,
                                      Page::DownSt, Page::KsBox, Page::SaveKgtFs};
    const QList<Page> named = protocol::pages_in(url);
    for (Page p : kOrder) {
        if (named.contains(p))
            return p;
    }
    return Page::Unknown;
}

QString save_unconfirmed_message()
{
    return QStringLiteral("保存得分时又发出了新的请求，没有收到保存的结果。\r\r请重新查询此学生，核对本题得分。");
}

QuestionList parse_question_list(const QString& reply)
{
    QuestionList list;
    if (reply.contains(QLatin1String(marker::no_qx))) {
        list.kind = QuestionList::NoRights;
        return list;
    }
    if (reply.contains(QLatin1String(marker::no_st))) {
        list.kind = QuestionList::NoQuestions;
        return list;
    }
    const QStringList fields = reply.split(u',');
    // The first field is not a question. An empty field would make a button
    // without a question: left out.
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QString number = fields.at(i).trimmed();
        if (!number.isEmpty())
            list.numbers << number;
    }
    return list;
}

QString question_caption(const QString& number)
{
    if (number == QLatin1String(marker::objective_questions))
        return QStringLiteral("选择题");
    return QStringLiteral("第") + number + QStringLiteral("题");
}

QString no_rights_text(const QString& examName, const QString& subjectName)
{
    return QStringLiteral("你没有修改 ") + examName + u' ' + subjectName + QStringLiteral(" 成绩的权限！");
}

QString no_questions_text(const QString& examName, const QString& subjectName)
{
    return examName + QStringLiteral("，") + subjectName + QStringLiteral(" 没有试题！");
}

namespace {

// A whole number in 32 bits; 0 for anything else.
qint32 to_id(const QString& text)
{
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

}  // namespace

Lookup parse_lookup(const QString& reply)
{
    Lookup r;
    if (!reply.contains(QLatin1String(marker::lookup_separator))) {
        r.message = reply;
        return r;
    }
    r.found = true;
    const QStringList f = reply.split(QLatin1String(marker::lookup_separator));
    const QStringList ids = app::piece(f, 0).split(u',');
    r.fs_id = to_id(app::piece(ids, 0));
    r.schoolId = to_id(app::piece(ids, 1));
    r.ref = app::piece(f, 1);
    r.img_file = app::piece(r.ref.split(u'\\'), 1).replace(QStringLiteral(".txt"), QStringLiteral(".gif"));
    r.fs_text = app::piece(f, 2);
    if (f.size() >= 4) {
        r.hasObjective = true;
        r.kgt_ans = app::piece(f, 3);
        r.kgt_da = app::piece(f, 4);
    }
    return r;
}

std::optional<QString> get_fs_text(const QString& line)
{
    const QString before = QString::fromUtf8(marker::score_before);
    const qsizetype a = line.indexOf(before);
    if (a < 0)
        return std::nullopt;
    const qsizetype start = a + before.size();
    const qsizetype b = line.indexOf(QString::fromUtf8(marker::score_after), start);
    return line.mid(start, b < 0 ? -1 : b - start);
}

namespace {

// Plain decimals, no exponent: what the server reads as a score.
QString decimal_text(double v)
{
    QString t = QString::number(v, 'f', 9);
    while (t.endsWith(u'0'))
        t.chop(1);
    if (t.endsWith(u'.'))
        t.chop(1);
    return t == QLatin1String("-0") ? QStringLiteral("0") : t;
}

}  // namespace

SaveCheck check_save(const QString& examNumber, qint32 fs_id, const QString& score, bool has_qx, InFlight inFlight,
                     const QString& scoreInFlight)
{
    if (app::trim(examNumber).isEmpty() || fs_id == 0)
        return {};
    bool numeric = false;
    const double v = app::to_double(score, &numeric);
    if (!numeric || !std::isfinite(v) || v < 0)
        return {SaveCheck::Message, QStringLiteral("    请输入本试题正确得分！             ")};
    if (!has_qx)
        return {SaveCheck::Message, QStringLiteral("    你无权修改试题得分！ 等待考试创建者赋权......          ")};
    const QString sent = decimal_text(v);
    if (inFlight == InFlight::Lookup)
        return {SaveCheck::Message, QStringLiteral("正在查询学生的答卷，请在显示出来以后再保存得分。")};
    if (inFlight == InFlight::Save && sent != scoreInFlight)
        return {SaveCheck::Message, QStringLiteral("上一次保存（得分 ") + scoreInFlight
                                        + QStringLiteral("）还没有回音，请稍候再保存。")};
    return {SaveCheck::Send, sent};
}

QString check_lookup(const QString& examNumber, bool has_qx)
{
    if (app::trim(examNumber).isEmpty())
        return QStringLiteral("   请输入“学生考号”！                      ");
    if (!has_qx)
        return QStringLiteral("    你无权修改试题得分！等待考试创建者赋权......          ");
    return {};
}

QString safe_image_name(const QString& img_file)
{
    return app::is_safe_file_name(img_file) ? img_file : QString();
}

QString unsafe_image_message(const QString& img_file)
{
    return QStringLiteral("服务器给出的图片文件名“") + img_file + QStringLiteral("”不能用作本地文件名，图片没有保存。");
}

}  // namespace correction
