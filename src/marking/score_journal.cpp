#include "marking/score_journal.h"

#include "app/vbtext.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

// One line per event, appended: "S" fields (a score) or "C" id (confirmed
// or withdrawn), each ending in a CRC of the line. A line cut short by a
// crash, or damaged, fails its CRC and is skipped on reading.
namespace marking {

bool sync_to_disk(int handle)
{
#if defined(Q_OS_WIN)
    return _commit(handle) == 0;
#elif defined(Q_OS_LINUX)
    return ::fdatasync(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

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

std::filesystem::path native_path(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
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

// The journal's file and the thread that syncs it. Appends are written on
// the caller's thread straight into the file (no buffer in between); the
// thread syncs them, many at once when they come faster than the disk.
// A rewrite is written and synced aside on the thread, then, under the lock
// appends take, completed with the lines appended since and renamed over
// the journal: the journal's name holds every line at every moment, and an
// older rewrite never lands over a newer append.
class JournalFile final {
public:
    JournalFile(QString folder, QString path, DiskSync sync)
        : folder_(std::move(folder)),
          path_(std::move(path)),
          asidePath_(path_ + QStringLiteral(".new")),
          sync_(std::move(sync)),
          thread_([this] { run(); })
    {
    }

    ~JournalFile()
    {
        {
            std::lock_guard lock(m_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    bool append(const QByteArray& lines, QString* error)
    {
        std::lock_guard lock(m_);
        if (!file_) {
            QDir().mkpath(folder_);
            auto f = std::make_shared<QFile>(path_);
            if (!f->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
                *error = f->errorString();
                return false;
            }
            file_ = std::move(f);
        }
        if (file_->write(lines) != lines.size()) {
            *error = file_->errorString();
            file_.reset();
            return false;
        }
        if (rewriteWanted_ || rewriting_)
            tail_ += lines;
        ++written_;
        wake_.notify_one();
        return takeFailure(error);
    }

    // Replaces the journal by `lines`; none removes it, at once.
    bool rewrite(const QByteArray& lines, QString* error)
    {
        std::lock_guard lock(m_);
        ++generation_;  // a rewrite under way is stale now
        tail_.clear();
        rewriteLines_ = lines;
        rewriteWanted_ = !lines.isEmpty();
        if (rewriteWanted_) {
            wake_.notify_one();
            return takeFailure(error);
        }
        file_.reset();
        if (QFile::exists(path_) && !QFile::remove(path_)) {
            *error = QStringLiteral("无法删除 ") + path_;
            return false;
        }
        return true;
    }

private:
    // A sync or rewrite of the thread that failed is told by the next call.
    bool takeFailure(QString* error)
    {
        if (failure_.isEmpty())
            return true;
        *error = std::exchange(failure_, QString());
        return false;
    }

    void run()
    {
        std::unique_lock lock(m_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || rewriteWanted_ || synced_ < written_; });
            if (rewriteWanted_) {
                finishRewrite(lock);
            } else if (synced_ < written_) {
                const quint64 upTo = written_;
                const std::shared_ptr<QFile> f = file_;  // kept open while it syncs
                const int handle = f ? f->handle() : -1;
                lock.unlock();
                const bool ok = !f || sync_(handle);
                lock.lock();
                if (!ok)
                    failure_ = QStringLiteral("无法同步到磁盘：") + path_;
                synced_ = upTo;
            } else {
                return;  // stopping, and nothing is left to do
            }
        }
    }

    void finishRewrite(std::unique_lock<std::mutex>& lock)
    {
        const quint64 generation = generation_;
        const QByteArray lines = std::exchange(rewriteLines_, QByteArray());
        rewriteWanted_ = false;
        rewriting_ = true;
        lock.unlock();
        // On disk before its name is the journal's: a rename of unsynced
        // data can leave an empty journal after a power cut.
        auto aside = std::make_shared<QFile>(asidePath_);
        bool ok = aside->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
               && aside->write(lines) == lines.size() && sync_(aside->handle());
        lock.lock();
        rewriting_ = false;
        if (generation != generation_) {
            if (!rewriteWanted_)
                tail_.clear();  // the journal was removed meanwhile
            aside.reset();
            QFile::remove(asidePath_);
            return;
        }
        ok = ok && aside->write(tail_) == tail_.size();
        tail_.clear();
        std::error_code renamed;
        if (ok)
            std::filesystem::rename(native_path(asidePath_), native_path(path_), renamed);
        if (!ok || renamed) {
            // Nothing is lost: the journal keeps its longer form, whole.
            aside.reset();
            QFile::remove(asidePath_);
            return;
        }
        file_ = std::move(aside);  // appends go on at its end
        ++written_;                // and the tail it took is synced
    }

    const QString folder_;
    const QString path_;
    const QString asidePath_;
    const DiskSync sync_;

    std::mutex m_;
    std::condition_variable wake_;
    std::shared_ptr<QFile> file_;  // the journal open for appending; null until needed
    quint64 written_ = 0;          // appends (and completed rewrites) so far
    quint64 synced_ = 0;           // the count of those on disk
    quint64 generation_ = 0;       // of the latest rewrite asked for
    QByteArray rewriteLines_;
    bool rewriteWanted_ = false;
    bool rewriting_ = false;       // written aside now
    QByteArray tail_;              // appended since the rewrite was asked for
    QString failure_;
    bool stop_ = false;
    std::thread thread_;           // last: it starts once the rest is set
};

ScoreJournal::ScoreJournal(const QString& folder, int userId, DiskSync sync)
    : folder_(folder),
      path_(QDir(folder).filePath(fileName(userId))),
      userId_(userId),
      file_(std::make_unique<JournalFile>(folder, path_, std::move(sync)))
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
    const QByteArray all = f.readAll();
    f.close();
    const JournalContent content = read_journal(all, userId_);
    const bool torn = !all.isEmpty() && !all.endsWith('\n');
    pending_ = content.pending;
    // A torn last line would glue itself to the next one appended: end it
    // now, as the file is rewritten short in the background.
    if (torn)
        append("\n");
    if (content.rewrite)
        rewrite();
}

bool ScoreJournal::rewrite()
{
    QByteArray lines;
    for (const JournalEntry& e : pending_)
        lines += score_line(e);
    return file_->rewrite(lines, &error_);
}

bool ScoreJournal::append(const QByteArray& line)
{
    return file_->append(line, &error_);
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
