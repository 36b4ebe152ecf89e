#include "reports/answer_sheet.h"

#include "app/app_paths.h"
#include "app/vbtext.h"
#include "net/base64_decode.h"

#include <QDir>
#include <QFile>

namespace reports {

namespace {

const QString kMarker = QStringLiteral("Student_DTK");
const QString kJpeg = QStringLiteral("/9j/4AAQSkZ");
// The page closes differently when the walk ends on the page reply and on
// an image reply; both leave the same table closed.
const QString kCloseFromPage = QStringLiteral("</td></tr></TBODY></table>");
const QString kCloseFromImage = QStringLiteral("</td></tr></table>");

}  // namespace

SheetPiece parse_piece(const QString& record)
{
    const QStringList f = record.split(u',');
    SheetPiece p;
    p.path = f.value(0);
    p.question = f.value(1);
    p.height = app::to_int(f.value(2));
    p.marker = f.value(3);
    p.score = f.value(4);
    p.extra = f.value(5);
    return p;
}

QString piece_file_name(const QString& record)
{
    QString name = parse_piece(record).path.split(u'\\').last();
    name.replace(QStringLiteral(".txt"), QStringLiteral(".gif"));
    return app::is_safe_file_name(name) && !name.contains(u'/') ? name : QString();
}

QString piece_markup(const SheetPiece& piece, const QString& localPath, int top)
{
    constexpr int left = 500;
    QString m = QStringLiteral("<IMG src=") + localPath + QStringLiteral("><br>\r");
    const bool objective = piece.question == u"00";
    const QString text = objective
                             ? QStringLiteral("客观题得:") + piece.score + QStringLiteral(" 分，阅卷人:") + piece.marker
                             : piece.question + QStringLiteral("小题得:") + piece.score
                                   + QStringLiteral(" 分，阅卷人:") + piece.marker;
    m += QStringLiteral("<div style='position:absolute;top:%1;left:%2;z-index:10;font-size:36pt;color:red;"
                        "white-space:nowrap;'>")
             .arg(top)
             .arg(left)
         + text + QStringLiteral("</div>");
    if (objective && !piece.extra.isEmpty()) {
        m += QStringLiteral("<div style='position:absolute;top:%1;left:%2;z-index:10;font-size:16pt;white-space:nowrap;'>")
                 .arg(top + 70)
                 .arg(left)
             + piece.extra + QStringLiteral("</div>");
    }
    return m;
}

AnswerSheet::AnswerSheet(QString cacheDir) : cacheDir_(std::move(cacheDir)) {}

QString AnswerSheet::localPath(const QString& record) const
{
    const QString name = piece_file_name(record);
    return name.isEmpty() ? QString() : QDir(cacheDir_).filePath(name);
}

AnswerSheet::Step AnswerSheet::begin(const QString& reply, bool* started)
{
    Step step;
    top_ = 0;
    fetching_ = false;
    QDir().mkpath(cacheDir_);
    const qsizetype at = reply.indexOf(kMarker);
    if (started)
        *started = at >= 0;
    if (at < 0)
        return step;
    const QString list = reply.mid(at + kMarker.size());
    records_ = list.split(u';');
    current_ = 0;
    step.markup = reply.left(at);
    if (list.startsWith(QStringLiteral("No Record")))
        step.markup += kNothingMarked;
    walk(step, kCloseFromPage);
    return step;
}

AnswerSheet::Step AnswerSheet::imageReply(const QString& text)
{
    Step step;
    if (!fetching_)
        return step;
    fetching_ = false;
    const QString record = records_.value(current_);
    if (text.startsWith(kJpeg)) {
        const QString path = localPath(record);
        QFile::remove(path);
        if (!net::base64_decode(text, path))
            step.messages << QStringLiteral("生成本地文件：") + path + QStringLiteral(" 出错！");
        show(step, path);
    } else {
        ++current_;
    }
    walk(step, kCloseFromImage);
    return step;
}

void AnswerSheet::show(Step& step, const QString& path)
{
    const SheetPiece piece = parse_piece(records_.value(current_));
    top_ += piece.height;
    if (current_ == 0)
        top_ -= 40;
    step.markup += piece_markup(piece, path, top_);
    ++current_;
}

void AnswerSheet::walk(Step& step, const QString& closing)
{
    while (current_ < records_.size()) {
        const QString record = records_.at(current_);
        if (!record.contains(QStringLiteral(".txt")))
            break;
        const QString path = localPath(record);
        if (path.isEmpty()) {
            // A name that could land outside the cache: nothing is written.
            step.messages << QStringLiteral("答题卡图片的文件名不可用：") + parse_piece(record).path;
            ++current_;
            continue;
        }
        if (!QFile::exists(path)) {
            step.fetch = record;
            fetching_ = true;
            return;
        }
        show(step, path);
    }
    step.markup += closing;
    step.done = true;
}

}  // namespace reports
