#pragma once
#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>

// The session's answer-image cache: programDir/ks_data/<exam>/<subject>,
// file names built from server data and checked before they touch the
// disk, and the image replies of the download pages.
namespace marking {

class ImageCache final {
public:
    ImageCache() = default;
    ImageCache(const QString& programDir, const QString& examId, int subjectId);

    // False when the exam id cannot name a folder: nothing is cached then.
    bool valid() const { return valid_; }
    QString root() const { return root_; }
    QString folder() const { return folder_; }

    // Creates the cache root, the exam's folder and the session's folder
    // where missing. False when the folders cannot be made or the exam id
    // is not a safe folder name.
    bool make_cache_dirs() const;

    // The cached file of an image name ("<candidate>_<question>.gif"), or
    // empty text when the name is not a safe file name.
    QString path_of(const QString& imageName) const;

private:
    QString root_;
    QString folder_;
    bool valid_ = false;
};

// "<candidate>_<question>" and its file and server names.
QString image_stem(const QString& candidate, const QString& question);
QString image_name(const QString& candidate, const QString& question);
// class id + "\" + stem + ".txt": the server's own path, backslash kept.
QString server_ref(const QString& classId, const QString& candidate, const QString& question);
// The local image name a server reference stands for: its part after the
// first "\" with ".txt" made ".gif".
QString image_name_of_ref(const QString& ref);

// What a screen reader says of the answer images on screen (their cache
// paths): "考号1001，第3题、第5题"; empty when none.
QString answers_caption(const QStringList& paths);

// A usable cached image exists and is larger than 50 bytes.
bool img_file_ok(const QString& path);

// The cache folder's files and sizes, for a prefetch tick that asks about
// every row of a batch: one listing of the folder, made on a worker thread
// when the batch arrives, instead of a stat per row on the user-interface
// thread. A size once read is kept while its file keeps its id (inode), so
// a listing reads the sizes only of files new or replaced since.
class CacheListing final {
public:
    struct File {
        quint64 id = 0;  // 0: not known, the size is read every time
        qint64 size = -1;
    };
    using Files = QHash<QString, File>;  // by path: the folder, "/", the name

    // The regular files of a folder, sizes taken from `known` where the
    // file is the same and read for the others. Safe on any thread.
    static Files list(const QString& folder, const Files& known);

    Files take() { return std::exchange(files_, Files()); }
    void setFiles(Files files) { files_ = std::move(files); }
    // This program replaced or removed the file: its size is read again.
    void forget(const QString& path) { files_.remove(path); }
    // As img_file_ok, as last listed.
    bool usable(const QString& path) const;

private:
    Files files_;
};

// An image reply: the part before ",,,,," is base64 text or a not-found
// report.
struct ImageReply {
    bool hasSeparator = false;
    QString data;           // text before the first ",,,,,"
    bool notFound = false;  // data holds "img_txt_file"
};
ImageReply parse_image_reply(const QString& reply);

// The server file name a not-found report names: from 13 characters after
// "img_txt_file" to just before "not find!"; "未知文件" when it has none.
QString img_txt_missing(const QString& text);

QString not_found_message(const QString& data);
QString unsafe_name_message(const QString& name);

}  // namespace marking
