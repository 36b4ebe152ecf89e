#pragma once
#include <QString>

// The login screen's own words: captions and messages (the reply markers
// are the protocol's). The messages are shown as they stand, CR line
// breaks included.
namespace login::text {

// Sent after the address or the port was edited; it names no school.
inline const QString edit_probe_token = QStringLiteral("16600000000");

inline const QString caption = QStringLiteral("Velmora——教师登录");
inline const QString caption_version = QStringLiteral(" Ver:");

inline const QString unreachable = QStringLiteral("检测到“无法访问服务器”，请确保网络畅通，地址和端口正确！");
inline const QString network_ok = QStringLiteral("网络畅通，输入 学校名称 和 教师姓名 或者名称、姓名拼音声母。");
inline const QString no_school_found = QStringLiteral("没有找到满足条件的记录！");
inline const QString no_teacher_found = QStringLiteral("没有找到记录！");
inline const QString bad_address = QStringLiteral("服务器地址错误！");
inline const QString bad_port = QStringLiteral("服务器访问端口错误！");
inline const QString need_school = QStringLiteral("请输入学校名称！\r\r当输入学校名称或者名称的拼音声母时，系统会自动查找...");
inline const QString forbidden_word = QStringLiteral("用户名称 或 登录密码 中含有非法字符！");
inline const QString need_name_and_password = QStringLiteral("教师姓名和登录密码不能为空！");
inline const QString login_refused = QStringLiteral("用户名称 或 登录密码 错误！\r\r注意：请确保选择的“学校名称”和“教师姓名”正确。");
inline const QString settings_not_saved = QStringLiteral("服务器设置没有保存：无法写入文件 ");
inline const QString password_not_remembered =
    QStringLiteral("密码没有记住：其中有不能保存的字符。\r\r下次登录请重新输入密码。");

}  // namespace login::text
