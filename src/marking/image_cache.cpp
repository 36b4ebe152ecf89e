#include "marking/image_cache.h"
#include "protocol/markers.h"

#include "app/app_paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringBuilder>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace marking {

namespace {
constexpr qint64 kUsableSize = 50;  // bytes a usable image file exceeds
}  // namespace

ImageCache::ImageCache(const QString& programDir, const QString& examId, int subjectId)
{
    root_ = QDir(programDir).filePath(QStringLiteral("ks_data"));
    valid_ = app::is_safe_file_name(examId);
    if (valid_)
        folder_ = root_ + u'/' + examId + u'/' + QString::number(subjectId);
}

bool ImageCache::make_cache_dirs() const
{
    if (!valid_)
        return false;
    return QDir().mkpath(folder_);
}

QString ImageCache::path_of(const QString& imageName) const
{
    if (!valid_ || !app::is_safe_file_name(imageName))
        return {};
    return folder_ % u'/' % imageName;
}

QString image_stem(const QString& candidate, const QString& question)
{
    return candidate % u'_' % question;
}

QString image_name(const QString& candidate, const QString& question)
{
    return candidate % u'_' % question % QLatin1String(".gif");
}

QString server_ref(const QString& classId, const QString& candidate, const QString& question)
{
    return classId + u'\\' + image_stem(candidate, question) + QStringLiteral(".txt");
}

QString image_name_of_ref(const QString& ref)
{
    QString name = ref.mid(ref.indexOf(u'\\') + 1);
    name.replace(QLatin1String(".txt"), QLatin1String(".gif"));
    return name;
}

QString answers_caption(const QStringList& paths)
{
    QString candidate;
    QStringList questions;
    for (const QString& path : paths) {
        const QString stem = QFileInfo(path).completeBaseName();
        const qsizetype cut = stem.lastIndexOf(u'_');
        if (cut < 0)
            continue;
        candidate = stem.left(cut);
        questions << QStringLiteral("第") + stem.mid(cut + 1) + QStringLiteral("题");
    }
    if (questions.isEmpty())
        return {};
    return QStringLiteral("考号") + candidate + QStringLiteral("，") + questions.join(QStringLiteral("、"));
}

bool img_file_ok(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo fi(path);
    return fi.isFile() && fi.size() > kUsableSize;
}

CacheListing::Files CacheListing::list(const QString& folder, const Files& known)
{
    Files out;
    out.reserve(known.size());
#ifdef Q_OS_UNIX
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return out;
    const int fd = ::dirfd(dir);
    const QString prefix = folder + u'/';
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_type != DT_REG && e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
            continue;
        const QString path = prefix + QFile::decodeName(e->d_name);
        const auto k = known.constFind(path);
        if (e->d_type == DT_REG && k != known.cend() && k->id == e->d_ino) {
            out.insert(path, *k);
            continue;
        }
        struct stat st;
        if (::fstatat(fd, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            out.insert(path, {quint64(st.st_ino), qint64(st.st_size)});
    }
    ::closedir(dir);
#else
    Q_UNUSED(known);
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        out.insert(folder + u'/' + it.fileName(), {0, it.fileInfo().size()});
    }
#endif
    return out;
}

bool CacheListing::usable(const QString& path) const
{
    const auto f = files_.constFind(path);
    return f != files_.cend() && f->size > kUsableSize;
}

ImageReply parse_image_reply(const QString& reply)
{
    ImageReply r;
    const qsizetype sep = reply.indexOf(QLatin1String(protocol::marker::image_end));
    r.hasSeparator = sep >= 0;
    if (!r.hasSeparator)
        return r;
    r.data = reply.left(sep);
    r.notFound = r.data.contains(QLatin1String(protocol::marker::image_missing));
    return r;
}

QString img_txt_missing(const QString& text)
{
    const qsizetype at = text.indexOf(QLatin1String(protocol::marker::image_missing));
    if (at < 0)
        return QStringLiteral("未知文件");
    const qsizetype start = at + 13;
    const qsizetype end = text.indexOf(QLatin1String(protocol::marker::image_not_found), at);
    if (end < 0)
        return QStringLiteral("未知文件");
    return end > start ? text.mid(start, end - start) : QString();
}

QString not_found_message(const QString& data)
{
    return QStringLiteral("在服务器中没有找到此试题的图片文件[Server img_txt_file: ") + img_txt_missing(data) + u']';
}

QString unsafe_name_message(const QString& name)
{
    return QStringLiteral("试题图片的文件名“") + name
         + QStringLiteral("”含有不能用于本地文件名的字符（路径分隔符或“..”），\r\r此试题图片不会缓存到本机，请与考试管理员联系。");
}

}  // namespace marking
