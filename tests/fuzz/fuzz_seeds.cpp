// Writes the fuzz targets' seed corpora and their dictionary into a folder:
// the replies and queries of src/protocol/examples.txt sorted by the target
// that reads them, a few texts of formats that have no example there, and
// the marker words of protocol/markers.h.
//
//   fuzz_seeds MARKERS_H OUT_DIR
#include "protocol_examples.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QUrlQuery>

#include <cstdio>

namespace {

QString out_dir;

QByteArray gbk(const QString& text)
{
    QStringEncoder enc("GBK");
    return enc(text);
}

void write_seed(const QString& target, const QByteArray& bytes)
{
    const QString dir = out_dir + QStringLiteral("/seeds/") + target;
    QDir().mkpath(dir);
    // Named by content: the same text twice is one seed.
    const QString name = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
    QFile f(dir + u'/' + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", qPrintable(f.fileName()));
        std::exit(1);
    }
}

void write_seed(const QString& target, const QString& text)
{
    write_seed(target, text.toUtf8());
}

// The target that reads the replies of a page.
QString reply_target(const QString& page)
{
    static const QHash<QString, QString> targets = {
        {"net_get_school.asp", "login_replies"},  {"net_get_js.asp", "login_replies"},
        {"net_login.asp", "login_replies"},       {"net_ks_list.asp", "exam_replies"},
        {"net_ks_km1.asp", "exam_replies"},       {"net_get_work.asp", "marking_replies"},
        {"net_user_work.asp", "marking_replies"}, {"net_user_worked.asp", "marking_replies"},
        {"net_get_ztmsg.asp", "marking_replies"}, {"net_save_fs.asp", "marking_replies"},
        {"net_post_err.asp", "marking_replies"},  {"net_post_ok.asp", "marking_replies"},
        {"net_get_th.asp", "correction_replies"}, {"net_get_st.asp", "correction_replies"},
        {"net_ks_box.asp", "objective_replies"}, {"net_save_kgt_fs.asp", "correction_replies"},
        {"net_down_st.asp", "base64_decode"},     {"net_down_sted.asp", "base64_decode"},
        {"cj_dtk.asp", "base64_decode"},
    };
    if (page.startsWith(QStringLiteral("cj_")) && !targets.contains(page))
        return QStringLiteral("report_replies");
    return targets.value(page);
}

// A dictionary entry: printable ASCII as it is, every other byte escaped.
QByteArray dict_entry(const QByteArray& value)
{
    QByteArray out = "\"";
    for (char ch : value) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b < 0x7f && b != '"' && b != '\\')
            out += ch;
        else
            out += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0');
    }
    return out + "\"\n";
}

void write_dictionary(const QString& markersPath)
{
    QFile in(markersPath);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fuzz_seeds: cannot read %s\n", qPrintable(markersPath));
        std::exit(1);
    }
    QByteArray dict = "# The marker words of the replies; the markup, separators and edge numbers the readers meet.\n";
    static const QRegularExpression marker(QStringLiteral(R"(constexpr\s+char\s+(\w+)\[\]\s*=\s*"([^"]*)\")"));
    auto it = marker.globalMatch(QString::fromUtf8(in.readAll()));
    int markers = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        dict += m.captured(1).toUtf8() + '=' + dict_entry(m.captured(2).toUtf8());
        ++markers;
    }
    if (markers == 0) {
        std::fprintf(stderr, "fuzz_seeds: no marker found in %s\n", qPrintable(markersPath));
        std::exit(1);
    }
    for (const char* extra : {"</TD></TR>", "<TD", "<TR>", "colspan=", "<A href=", "</A>", "&nbsp;", "&amp;", "&#",
                              "Student_DTK", "No Record", ".txt", "\\", "\r\n", "=", "&", "%", "fs_str=", "0,;",
                              "saved_ids=", "/9j/4AAQSkZ", "\xef\xbc\x8c\xe5\xbe\x97\xe5\x88\x86", "DAXT", "DXDX",
                              "DUXT", "CKK", "|", "='", "-2147483648", "2147483647", "1e308", "99999999999"})
        dict += dict_entry(QByteArray(extra));
    QFile out(out_dir + QStringLiteral("/markers.dict"));
    if (!out.open(QIODevice::WriteOnly) || out.write(dict) != dict.size()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write the dictionary\n");
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds MARKERS_H OUT_DIR\n");
        return 2;
    }
    out_dir = QString::fromLocal8Bit(argv[2]);
    QDir(out_dir + QStringLiteral("/seeds")).removeRecursively();
    write_dictionary(QString::fromLocal8Bit(argv[1]));

    for (const testsupport::ProtocolExample& e : testsupport::protocol_examples()) {
        write_seed(QStringLiteral("server_query"), e.target());
        const QString target = reply_target(e.page);
        if (!target.isEmpty())
            write_seed(target, e.reply);
        write_seed(QStringLiteral("records"), e.target() + u'\n' + e.reply);
        if (target == QLatin1String("login_replies") || target == QLatin1String("exam_replies"))
            write_seed(QStringLiteral("url_encode"), e.reply);
        if (target == QLatin1String("objective_replies"))
            write_seed(target, "\x01\x02\x10\x20" + e.reply.toUtf8() + "\nT1-A;T2-BD;");
        const QString kgt_str = QUrlQuery(e.query).queryItemValue(QStringLiteral("kgt_str"));
        if (!kgt_str.isEmpty())
            write_seed(QStringLiteral("kgt_str"), kgt_str);
        const QString fs_str = QUrlQuery(e.query).queryItemValue(QStringLiteral("fs_str"));
        if (!fs_str.isEmpty()) {
            write_seed(QStringLiteral("fs_str"), fs_str);
            for (const QString& element : fs_str.split(u';'))
                write_seed(QStringLiteral("server_score"), element.section(u',', 1));
        }
    }

    // Formats no page example shows.
    const QByteArray image("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01", 12);
    write_seed(QStringLiteral("base64_decode"), image.toBase64());
    write_seed(QStringLiteral("base64_decode"), image.toBase64() + "\r\n");
    write_seed(QStringLiteral("report_replies"),
               QString::fromUtf8("\x01<TABLE><TR><TD colspan=2>成绩名次表</TD></TR><TR><TD>名次</TD><TD>试卷图片</TD></TR>"
               "<TR><TD>1</TD><TD><A href=\"cj_xsdtk.asp?x=1\">查看</A>&nbsp;</TD></TR></TABLE>"));
    write_seed(QStringLiteral("report_replies"),
               QString::fromUtf8("\x02<h3>答题卡</h3>Student_DTK1\\26010101_13.txt,13,300,张明,6,;00\\26010101_00.txt,00,200,,20,A B C;"));
    write_seed(QStringLiteral("url_txt"), gbk(QString::fromUtf8("127.0.0.1\r\n9090\r\n")));
    write_seed(QStringLiteral("url_txt"), gbk(QString::fromUtf8("阅卷服务器\r\n80\r\nbdf\r\n1\r\n")));
    write_seed(QStringLiteral("url_encode"), QString::fromUtf8("第一中学 a+b&c=d%"));
    // The journal's first byte asks the target to seal each line.
    write_seed(QStringLiteral("journal"), QByteArray("\x01S\t41\t7\t3\t7.5\t7\nS\t42\t8\t%E7%AC%AC\t8\t7\nC\t41"));
    write_seed(QStringLiteral("journal"), QByteArray("\x00S\t41\t7\t3\t7.5\t7\tb3c1\n", 19));
    for (const char* score : {"10", "7.5", "0.25", "3.125", ".5"})
        write_seed(QStringLiteral("server_score"), QByteArray(score));
    write_seed(QStringLiteral("server_query"), QByteArray("/cj/net_save_fs.asp?ks_id=1&fs_str=0,;3,5;#x"));
    write_seed(QStringLiteral("server_query"), QByteArray("a=%D5%C5+%&b=&=c&&q"));
    write_seed(QStringLiteral("kgt_str"), QByteArray("T1='A',T2='BD',T7='',T12='GA';5312"));
    write_seed(QStringLiteral("kgt_str"), QByteArray("T1-A;T2-BD;T7-;"));
    return 0;
}
