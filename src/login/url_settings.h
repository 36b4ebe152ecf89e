#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// url.txt in the program folder: the server address, the port and, when
// the teacher asked for it, the shifted password and "1". GBK text with
// CR LF line ends; the format is shared with older installations.
namespace login {

// Each character's GBK code moved up by its position (1, 2, 3...). *ok is
// false when a shifted character would not be a GBK character or would
// break the line structure; the result is then empty and must not be kept.
QString pwd_encode(const QString& password, bool* ok = nullptr);
// The reverse; *ok false (and an empty result) for text that no password
// shifts into.
QString pwd_decode(const QString& shifted, bool* ok = nullptr);

// What a url.txt holds; a field is empty when its line is missing.
struct UrlSettings {
    std::optional<QString> address;
    std::optional<QString> port;
    std::optional<QString> password;  // already unshifted
    std::optional<bool> remember;
};

// Reads the content as the load does: nothing from a text without CR LF;
// line 3 unshifted; line 4 checks the remember box only when it reads 1.
UrlSettings parse_url_txt(const QByteArray& content);
// The file at `path`; nothing when it is missing, unreadable or far too
// big to be a settings file.
UrlSettings read_url_txt(const QString& path);

// The file content. The password lines are written only when `remember`
// is set and the password survives the shift (*passwordKept tells).
QByteArray url_txt_bytes(const QString& address, const QString& port, bool remember,
                         const QString& password, bool* passwordKept = nullptr);
// Writes the file whole or not at all; with a password in it the file is
// readable by its owner only.
// `passwordKept`: whether the password went in (remember asked, and it
// reads back as it was typed).
bool save_url_txt(const QString& path, const QString& address, const QString& port, bool remember,
                  const QString& password, bool* passwordKept = nullptr);

}  // namespace login
