#include "marking/score_journal.h"

#include "app/vbtext.h"
#include "app/whole_file.h"

#include <QDir>
#include <QUrl>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

// One line per event, appended and synced: "S" fields (a score) or "C" id
// (confirmed or withdrawn), each ending in a CRC of the line. A line cut
// short by a crash, or damaged, fails its CRC and is skipped on reading.
namespace marking {

namespace {

QByteArray field(const QString& text)
{
    return QUrl::toPercentEncoding(text);
}

QString unfield(const QByteArray& bytes)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

QByteArray with_crc(const QByteArray& body)
{
    return body + '\t' + QByteArray::number(qChecksum(body), 16) + '\n';
}

QByteArray score_line(const JournalEntry& e)
{
    return with_crc("S\t" + field(e.workId) + '\t' + field(e.cjId) + '\t' + field(e.question) + '\t'
                    + field(e.score) + '\t' + QByteArray::number(e.userId));
}

QByteArray clear_line(const QString& workId)
{
    return with_crc("C\t" + field(workId));
}

bool sync(QFile& f)
{
    if (!f.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

}  // namespace

JournalContent read_journal(const QByteArray& all, int userId)
{
    JournalContent out;
    const auto drop = [&out](const QString& workId) {
        out.pending.removeIf([&](const JournalEntry& e) { return e.workId == workId; });
    };
    int lines = 0;
    for (const QByteArray& raw : all.split('\n')) {
        if (raw.isEmpty())
            continue;
        ++lines;
        const qsizetype tab = raw.lastIndexOf('\t');
        if (tab < 0)
            continue;
        const QByteArray body = raw.left(tab);
        bool ok = false;
        if (raw.mid(tab + 1).toUShort(&ok, 16) != qChecksum(body) || !ok)
            continue;
        const QList<QByteArray> p = body.split('\t');
        if (p.at(0) == "S" && p.size() == 6) {
            JournalEntry e{unfield(p.at(1)), unfield(p.at(2)), unfield(p.at(3)), unfield(p.at(4)), p.at(5).toInt()};
            if (e.userId != userId)
                continue;
            drop(e.workId);
            out.pending << e;
        } else if (p.at(0) == "C" && p.size() == 2) {
            drop(unfield(p.at(1)));
        }
    }
    // Keep the file short and whole: a torn last line would otherwise glue
    // itself to the next one appended.
    out.rewrite = lines != out.pending.size() || (!all.isEmpty() && !all.endsWith('\n'));
    return out;
}

ScoreJournal::ScoreJournal(const QString& folder, int userId)
    : folder_(folder), path_(QDir(folder).filePath(fileName(userId))), userId_(userId)
{
    load();
}

ScoreJournal::~ScoreJournal() = default;

QString ScoreJournal::fileName(int userId)
{
    return QStringLiteral("scores_%1.journal").arg(userId);
}

void ScoreJournal::load()
{
    QFile f(path_);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly)) {
        error_ = f.errorString();
        return;
    }
    const JournalContent content = read_journal(f.readAll(), userId_);
    f.close();
    pending_ = content.pending;
    if (content.rewrite)
        rewrite();
}

bool ScoreJournal::rewrite()
{
    file_.reset();
    if (pending_.isEmpty()) {
        if (QFile::exists(path_) && !QFile::remove(path_)) {
            error_ = QStringLiteral("无法删除 ") + path_;
            return false;
        }
        return true;
    }
    QByteArray lines;
    for (const JournalEntry& e : pending_)
        lines += score_line(e);
    return app::write_whole_file(path_, lines, false, &error_);
}

bool ScoreJournal::append(const QByteArray& line)
{
    if (!file_) {
        QDir().mkpath(folder_);
        file_ = std::make_unique<QFile>(path_);
        if (!file_->open(QIODevice::WriteOnly | QIODevice::Append)) {
            error_ = file_->errorString();
            file_.reset();
            return false;
        }
    }
    if (file_->write(line) != line.size() || !sync(*file_)) {
        error_ = file_->errorString();
        file_.reset();
        return false;
    }
    return true;
}

void ScoreJournal::removeFromPending(const QString& workId)
{
    pending_.removeIf([&](const JournalEntry& e) { return e.workId == workId; });
}

bool ScoreJournal::record(const JournalEntry& entry)
{
    JournalEntry e = entry;
    e.userId = userId_;
    // Memory first: even when the disk fails, the close-time flush still
    // knows the score.
    const bool was = isPending(e.workId);
    removeFromPending(e.workId);
    if (!app::is_numeric(e.score))
        return !was || append(clear_line(e.workId));
    pending_ << e;
    return append(score_line(e));
}

bool ScoreJournal::confirm(const QStringList& workIds)
{
    QByteArray lines;
    for (const QString& id : workIds) {
        if (isPending(id)) {
            lines += clear_line(id);
            removeFromPending(id);
        }
    }
    if (lines.isEmpty())
        return true;
    if (pending_.isEmpty())
        return rewrite();
    return append(lines);
}

bool ScoreJournal::isPending(const QString& workId) const
{
    for (const JournalEntry& e : pending_) {
        if (e.workId == workId)
            return true;
    }
    return false;
}

QString ScoreJournal::pendingElements() const
{
    QString out;
    for (const JournalEntry& e : pending_)
        out += e.workId + u',' + e.score + u';';
    return out;
}

QList<JournalEntry> ScoreJournal::entriesFor(const QStringList& workIds) const
{
    QList<JournalEntry> out;
    for (const JournalEntry& e : pending_) {
        if (workIds.contains(e.workId))
            out << e;
    }
    return out;
}

QString refused_scores_message(const QList<JournalEntry>& refused)
{
    // A message box has room for a few lines; the count says how many more.
    constexpr int kShown = 10;
    QString text = QStringLiteral("以下得分服务器没有接受：");
    for (qsizetype i = 0; i < refused.size() && i < kShown; ++i) {
        const JournalEntry& e = refused.at(i);
        text += QStringLiteral("\r第 ") + e.question + QStringLiteral(" 题（成绩记录 ") + e.cjId
            + QStringLiteral("）得分 ") + e.score;
    }
    if (refused.size() > kShown)
        text += QStringLiteral("\r……共 ") + QString::number(refused.size()) + QStringLiteral(" 个得分");
    return text + QStringLiteral("\r\r请检查这些试题的得分后重新输入。");
}

QStringList ScoreJournal::unconfirmed(const QStringList& sent, const QStringList& saved)
{
    QStringList out;
    for (const QString& id : sent) {
        if (!saved.contains(id) && !out.contains(id))
            out << id;
    }
    return out;
}

}  // namespace marking
