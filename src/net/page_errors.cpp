#include "net/page_errors.h"

#include "app/dialogs.h"
#include "protocol/markers.h"
#include "protocol/pages.h"

namespace net {

namespace {
struct ErrorKind {
    const char* phrase;  // UTF-8
    const char16_t* causes;
    bool detail;
};

constexpr ErrorKind kinds[] = {
    {"无法显示", u"1、服务器关机！\r2、网络中断。", false},
    {protocol::marker::page_not_found, u"1、访问的页面文件不存在！\r2、访问的网站文件被修改 。", false},
    // Before the run-time error its page also holds: a plain reason.
    {protocol::marker::log_in_again, u"登录已经过期（长时间没有使用），或已用另一位教师的身份登录。\r请退出后重新登录。", false},
    {protocol::marker::runtime_error, u"运行网站文件时错误。", true},
    {"ODBC Drivers", u"1、服务器上的成绩数据库文件错误；\r2、网站文件错误。", true},
    {"脚本超时", u"运行网站文件时发生“脚本超时”错误。", true},
};
}  // namespace

QString page_error_message(const QString& url, const QString& text)
{
    for (const ErrorKind& k : kinds) {
        if (!text.contains(QString::fromUtf8(k.phrase)))
            continue;
        QString msg = QStringLiteral("   访问服务器时发生错误，可能的原因：\r\r");
        msg += QStringView(k.causes);
        if (k.detail)
            msg += QStringLiteral("\r\r出错地址：") + url + QStringLiteral("\r\r更多信息：\r") + text;
        else
            msg += QStringLiteral("\r\r出错地址：\r") + url;
        return msg;
    }
    return {};
}

bool check_page_err(const QString& url, const QString& text, app::Dialogs& dialogs)
{
    if (url.isEmpty() || protocol::is_local_file(url))
        return false;
    const QString msg = page_error_message(url, text);
    if (msg.isEmpty())
        return true;
    dialogs.message(msg);
    return false;
}

}  // namespace net
