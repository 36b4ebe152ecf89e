#pragma once
#include <QString>
#include <QStringList>

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
