// Reply formats of the server's pages (the examples of docs/protocol.md),
// GBK handling, the image store's confinement and bad input.
#include "demo_data.h"
#include "passwords.h"
#include "server_fixture.h"

#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using namespace velmora;

class ServerPagesTest : public QObject {
    Q_OBJECT

private:
    TestServer s_;

    static std::string img(const std::string& txt)
    {
        return "cj/net_down_st.asp?xx_id=1&ks_id=1&km_id=1&img_txt=" + txt;
    }

private slots:
    void lookupAndSelectionReplies_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reply");
        QTest::newRow("all schools")
            << "cj/net_get_school.asp?q="
            << "School_Name8762349;1,第一中学;2,实验中学;3,育才中学;remote=velmora;8.5;";
        QTest::newRow("probe token matches no school")
            << "cj/net_get_school.asp?q=127%2E0%2E0%2E1" << "School_Name8762349;remote=velmora;8.5;";
        QTest::newRow("phone-number probe") << "cj/net_get_school.asp?q=16600000000"
                                            << "School_Name8762349;remote=velmora;8.5;";
        QTest::newRow("school by initials, any case")
            << "cj/net_get_school.asp?q=SY" << "School_Name8762349;2,实验中学;remote=velmora;8.5;";
        QTest::newRow("school by GBK name part")
            << QString::fromStdString("cj/net_get_school.asp?q=" + enc("育才"))
            << "School_Name8762349;3,育才中学;remote=velmora;8.5;";
        QTest::newRow("teachers of a school") << "cj/net_get_js.asp?q=&xx_id=1"
                                              << "JS87623491,张明;2,李华;3,王芳;4,赵强;5,陈静;";
        QTest::newRow("teacher by initials") << "cj/net_get_js.asp?q=zq&xx_id=1" << "JS87623494,赵强;";
        QTest::newRow("teacher by GBK name") << QString::fromStdString("cj/net_get_js.asp?q=" + enc("陈") + "&xx_id=1")
                                             << "JS87623495,陈静;";
        QTest::newRow("teacher of another school only") << "cj/net_get_js.asp?q=zm&xx_id=2" << "JS8762349";
        QTest::newRow("no school chosen yet") << "cj/net_get_js.asp?q=&xx_id=0" << "JS8762349";
        QTest::newRow("login")
            << QString::fromStdString("cj/net_login.asp?xx_id=1&js_name=" + enc("张明") + "&password=demo123")
            << "School_Name398685,1,张明,";
        QTest::newRow("exam list") << "cj/net_ks_list.asp?user_id=1&user_lb=0" << "1,2026年秋季期末考试,2,1;ks_name;";
        QTest::newRow("exam list of a school without exams") << "cj/net_ks_list.asp?user_id=6&user_lb=0"
                                                            << "ks_name;";
        QTest::newRow("subjects: the marked one first (by question)")
            << "cj/net_ks_km1.asp?ks_id=1&xx_id=1&js_id=1" << "1,语文;2,数学;Studen_Number=66;";
        QTest::newRow("subjects: the marked one first (by class)")
            << "cj/net_ks_km1.asp?ks_id=1&xx_id=1&js_id=3" << "2,数学;1,语文;Studen_Number=66;";
        QTest::newRow("assignment by question") << "cj/net_get_work.asp?ks_id=1&km_id=1&js_id=1" << "th,13,14,";
        QTest::newRow("assignment by class") << "cj/net_get_work.asp?ks_id=1&km_id=2&js_id=3"
                                             << "bj,1|高一(1),2|高一(2),";
        QTest::newRow("nothing for this teacher") << "cj/net_get_work.asp?ks_id=1&km_id=1&js_id=5" << "no_work";
        QTest::newRow("worked list, nothing marked") << "cj/net_user_worked.asp?ks_id=1&km_id=1&js_id=2" << "";
    }
    void lookupAndSelectionReplies()
    {
        QFETCH(QString, target);
        QFETCH(QString, reply);
        const Fetched f = s_.get(target.toStdString());
        QCOMPARE(f.status, 200);
        QCOMPARE(f.text, reply);
        QCOMPARE(f.content_type, std::string("text/html; charset=GBK"));
    }

    void loginRejectionsLackTheMarker_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("wrong password")
            << QString::fromStdString("cj/net_login.asp?xx_id=1&js_name=" + enc("张明") + "&password=demo124");
        QTest::newRow("wrong school")
            << QString::fromStdString("cj/net_login.asp?xx_id=2&js_name=" + enc("张明") + "&password=demo123");
        QTest::newRow("unknown name")
            << QString::fromStdString("cj/net_login.asp?xx_id=1&js_name=" + enc("张三") + "&password=demo123");
        QTest::newRow("name sent as UTF-8") << "cj/net_login.asp?xx_id=1&js_name=%E5%BC%A0%E6%98%8E&password=demo123";
        QTest::newRow("empty password") << QString::fromStdString("cj/net_login.asp?xx_id=1&js_name=" + enc("张明")
                                                                  + "&password=");
        QTest::newRow("no parameters") << "cj/net_login.asp";
    }
    void loginRejectionsLackTheMarker()
    {
        QFETCH(QString, target);
        const Fetched f = s_.get(target.toStdString());
        QCOMPARE(f.status, 200);
        QVERIFY(!f.text.contains("School_Name398685"));
        QVERIFY(!f.text.isEmpty());
    }

    void aNameWithSeparatorsLogsInAsTheLookupSpellsIt()
    {
        TestServer t;
        t.server().exec_sql("INSERT INTO teachers(school_id, name, initials, password) VALUES(3, 'R&D,李', 'rdl', '"
                            + hash_password("pw1") + "')");
        const QString found = t.text("cj/net_get_js.asp?q=rdl&xx_id=3");
        QCOMPARE(found, QString("JS87623497,R＆D，李;"));
        // The client sends back the name it was offered.
        const std::string login = "cj/net_login.asp?xx_id=3&js_name=" + enc(found.section(',', 1).chopped(1));
        QCOMPARE(t.text(login + "&password=pw1"), QString("School_Name398685,7,R＆D，李,"));
        QVERIFY(!t.text(login + "&password=pw2").contains("School_Name398685"));
    }

    void chineseTravelsAsGbkBytes()
    {
        // 张 is D5 C5 in GBK: the reply carries those bytes, not UTF-8.
        const Fetched f = s_.get("cj/net_get_js.asp?q=%D5%C5&xx_id=1");
        QCOMPARE(QByteArray::fromStdString(f.body), QByteArray("JS87623491,\xD5\xC5\xC3\xF7;"));
        // A name with a space and "+" round-trips through the form encoding.
        s_.server().exec_sql("INSERT INTO teachers(school_id, name, initials, password) "
                             "VALUES(3, '欧阳 明+', 'oym', 'x')");
        QCOMPARE(s_.text("cj/net_get_js.asp?q=" + enc("阳 明+") + "&xx_id=3"), QString("JS87623497,欧阳 明+;"));
    }

    void charactersGbkLacksAreSentAsQuestionMarks()
    {
        // As the client encodes them: one "?" for each, the rest unchanged.
        TestServer t;
        t.server().exec_sql("INSERT INTO teachers(school_id, name, initials, password) "
                            "VALUES(3, '张😀明👍', 'zzm', 'x')");
        QCOMPARE(QByteArray::fromStdString(t.get("cj/net_get_js.asp?q=zzm&xx_id=3").body),
                 QByteArray("JS87623497,\xD5\xC5?\xC3\xF7?;"));
    }

    void separatorsInNamesNeverSplitRecords()
    {
        s_.server().exec_sql("INSERT INTO schools(name, initials) VALUES('联合,中学;&<b>', 'lhzx')");
        QCOMPARE(s_.text("cj/net_get_school.asp?q=lhzx"),
                 QString("School_Name8762349;4,联合，中学；＆＜b＞;remote=velmora;8.5;"));
    }

    void imageRepliesAreBase64Jpeg()
    {
        // The backslash arrives raw or escaped; both name the same image.
        const Fetched raw = s_.get(img("1\\26010101_13.txt"));
        const Fetched escaped = s_.get(img("1%5C26010101_13.txt"));
        QVERIFY(raw.text.endsWith(",,,,,"));
        QVERIFY(raw.text.startsWith("/9j/"));
        QCOMPARE(raw.body, escaped.body);
        const QByteArray jpeg = QByteArray::fromBase64(QByteArray::fromStdString(raw.body).chopped(5));
        QImage image;
        QVERIFY(image.loadFromData(jpeg, "JPG"));
        QCOMPARE(image.size(), QSize(800, 250));
        // The worked list's page serves the same store.
        QCOMPARE(s_.get("cj/net_down_sted.asp?xx_id=1&ks_id=1&km_id=1&img_txt=1%5C26010101_13.txt").body, raw.body);
    }

    void storedBase64TextIsSentAsOneRun()
    {
        // A scanner station's .txt may wrap its base64 in lines; the client
        // takes only one unbroken run of base64 characters.
        TestServer t;
        const QByteArray bytes = QByteArray("\xFF\xD8\xFF\xE0", 4).repeated(60);
        QByteArray wrapped;
        const QByteArray b64 = bytes.toBase64();
        for (qsizetype i = 0; i < b64.size(); i += 76) wrapped += b64.mid(i, 76) + "\r\n";
        QVERIFY(QDir(t.dir()).mkpath("images/scan"));
        QFile f(t.dir() + "/images/scan/26010101_13.txt");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wrapped);
        f.close();
        t.server().exec_sql("UPDATE answers SET image = 'scan/26010101_13.txt' WHERE id = 1");
        const Fetched got = t.get(img("1%5C26010101_13.txt"));
        QCOMPARE(QByteArray::fromStdString(got.body), b64 + ",,,,,");
    }

    void imageReferencesStayInsideTheStore_data()
    {
        QTest::addColumn<QString>("img_txt");
        QTest::newRow("parent folder") << "..\\secret.txt";
        QTest::newRow("parent inside the name") << "1\\..\\..\\secret.txt";
        QTest::newRow("escaped parent") << "%2E%2E%5Csecret.txt";
        QTest::newRow("absolute") << "/etc/passwd";
        QTest::newRow("drive letter") << "C:\\secret.txt";
        QTest::newRow("drive in the file") << "1\\C:secret.txt";
        QTest::newRow("slash instead of backslash") << "1/26010101_13.txt";
        QTest::newRow("two folders") << "1\\1\\26010101_13.txt";
        QTest::newRow("not a txt reference") << "1\\26010101_13.gif";
        QTest::newRow("wrong class") << "2\\26010101_13.txt";
        QTest::newRow("objective question") << "1\\26010101_1.txt";
        QTest::newRow("unknown candidate") << "1\\99999999_13.txt";
        QTest::newRow("empty") << "";
    }
    void imageReferencesStayInsideTheStore()
    {
        QFETCH(QString, img_txt);
        QFile secret(s_.dir() + "/secret.txt");
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("TOP SECRET");
        secret.close();
        const Fetched f = s_.get(img(img_txt.toStdString()));
        QCOMPARE(f.status, 200);
        QVERIFY2(f.text.startsWith("img_txt_file:") && f.text.endsWith(" not find!,,,,,"), qPrintable(f.text));
        QVERIFY(!f.text.contains("TOP SECRET"));
    }

    void notFoundNamesTheReferenceAfterOneSeparator()
    {
        // The client reads the name from 13 characters after "img_txt_file".
        const QString t = s_.text(img("3\\26010101_13.txt"));
        QCOMPARE(t, QString("img_txt_file:3\\26010101_13.txt not find!,,,,,"));
        QCOMPARE(t.mid(13, t.indexOf(" not find!") - 13), QString("3\\26010101_13.txt"));
    }

    void statusTextNamesTheFullMark()
    {
        QCOMPARE(s_.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=2&th_bj=15&n=62&lb=TH"),
                 QString("第15题满分7.5分；已批阅0份，待批阅66份；您已批阅0份，用时62分钟"));
        QCOMPARE(s_.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=2&js_id=3&th_bj=2&n=0&lb=BJ"),
                 QString("高一(2)班主观题满分合计41分；已批阅0份，待批阅110份；您已批阅0份，用时0分钟"));
        // Without a valid selection it still says 满分, so the client's clock goes on.
        QVERIFY(s_.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=2&th_bj=&n=1&lb=").contains("满分"));
        QVERIFY(s_.text("cj/net_get_ztmsg.asp?ks_id=1&km_id=1&js_id=2&th_bj=13&n=1&lb=TH").contains("满分"));
    }

    void feedbackIsRecordedAndAnswered_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("kind");
        const QString tail = QString::fromStdString("&js_name=" + enc("张明"));
        QTest::newRow("faulty image")
            << "cj/net_post_err.asp?xx_id=1&ks_id=1&km_id=1&bj_id=1&cj_id=1&js_id=1&img_str=26010101_13.gif" + tail
            << "report_26010101_13.gif" << "image";
        QTest::newRow("wrong full mark, two answers on screen")
            << "cj/net_post_err.asp?xx_id=-1&ks_id=1&km_id=1&cj_id=1&js_id=1&img_str=26010101_13.gif,26010101_14.gif"
                   + tail
            << "MF_Error" << "full_mark";
        QTest::newRow("excellent answer")
            << "cj/net_post_ok.asp?xx_id=-2&ks_id=1&km_id=1&bj_id=1&cj_id=1&js_id=1&img_str=26010101_13.gif" + tail
            << "Post OK" << "excellent";
    }
    void feedbackIsRecordedAndAnswered()
    {
        QFETCH(QString, target);
        QFETCH(QString, reply);
        QFETCH(QString, kind);
        const std::string count = "SELECT COUNT(*) FROM feedback WHERE kind = '" + kind.toStdString() + "'";
        const auto before = s_.server().query_int(count);
        QCOMPARE(s_.text(target.toStdString()), reply);
        QCOMPARE(s_.server().query_int(count), before + 1);
    }

    void refusedFeedbackCarriesNoSuccessMarker_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("image name with a path")
            << "cj/net_post_err.asp?xx_id=1&ks_id=1&km_id=1&bj_id=1&cj_id=1&js_id=1&img_str=..%5Creport_x.gif";
        QTest::newRow("two image names")
            << "cj/net_post_err.asp?xx_id=1&ks_id=1&km_id=1&bj_id=1&cj_id=1&js_id=1&img_str=a_1.gif,b_1.gif";
        QTest::newRow("answer sheet of another subject")
            << "cj/net_post_err.asp?xx_id=-1&ks_id=1&km_id=2&cj_id=1&js_id=1&img_str=a_1.gif";
        QTest::newRow("unknown teacher") << "cj/net_post_ok.asp?xx_id=-2&ks_id=1&km_id=1&cj_id=1&js_id=99&img_str=a_1.gif";
        QTest::newRow("excellent without xx_id=-2") << "cj/net_post_ok.asp?xx_id=1&ks_id=1&km_id=1&cj_id=1&js_id=1";
    }
    void refusedFeedbackCarriesNoSuccessMarker()
    {
        QFETCH(QString, target);
        const auto before = s_.server().query_int("SELECT COUNT(*) FROM feedback");
        const QString t = s_.text(target.toStdString());
        QVERIFY2(!t.isEmpty() && !t.contains("report") && !t.contains("MF_Error") && !t.contains("Post OK"),
                 qPrintable(t));
        QCOMPARE(s_.server().query_int("SELECT COUNT(*) FROM feedback"), before);
    }

    void badInputGetsAClearTextNeverACrash_data()
    {
        // refused: answered 400 (401 without a session) with the phrase that
        // makes the client's error-page check stop, so the text is shown,
        // never parsed as a reply.
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("refused");
        QTest::newRow("teacher lookup without school") << "cj/net_get_js.asp?q=a" << true;
        QTest::newRow("exam list of nobody") << "cj/net_ks_list.asp?user_id=abc" << true;
        QTest::newRow("subjects without exam") << "cj/net_ks_km1.asp?xx_id=1&js_id=1" << true;
        QTest::newRow("assignment, subject of no exam") << "cj/net_get_work.asp?ks_id=9&km_id=1&js_id=1" << true;
        QTest::newRow("batch without selection") << "cj/net_user_work.asp?ks_id=1&km_id=1&js_id=1&th_bj=" << true;
        QTest::newRow("batch of a question not assigned") << "cj/net_user_work.asp?ks_id=1&km_id=1&js_id=1&th_bj=15"
                                                          << true;
        QTest::newRow("batch of a teacher without work") << "cj/net_user_work.asp?ks_id=1&km_id=1&js_id=5&th_bj=13"
                                                         << true;
        QTest::newRow("batch of two classes") << "cj/net_user_work.asp?ks_id=1&km_id=2&js_id=3&th_bj=1%2C2" << true;
        QTest::newRow("batch, huge id") << "cj/net_user_work.asp?ks_id=99999999999999999999&km_id=1&js_id=1&th_bj=13"
                                        << true;
        QTest::newRow("batch, NUL in id") << "cj/net_user_work.asp?ks_id=1%00&km_id=1&js_id=1&th_bj=13" << true;
        QTest::newRow("save without ids") << "cj/net_save_fs.asp?fs_str=0,;1,2;" << true;
        QTest::newRow("save by nobody") << "cj/net_save_fs.asp?ks_id=1&km_id=1&js_id=77&fs_str=0,;1,2;" << true;
        QTest::newRow("worked list, bad subject") << "cj/net_user_worked.asp?ks_id=1&km_id=x&js_id=1" << true;
        QTest::newRow("status, missing ids") << "cj/net_get_ztmsg.asp?th_bj=13" << true;
        QTest::newRow("broken escapes") << "cj/net_get_school.asp?q=%G1%&x=%%" << false;
    }
    void badInputGetsAClearTextNeverACrash()
    {
        QFETCH(QString, target);
        QFETCH(bool, refused);
        const Fetched f = s_.get(target.toStdString());
        const bool nobody = teacher_of(target.toStdString()) == 77;  // no teacher: no session either
        QCOMPARE(f.status, refused ? (nobody ? 401 : 400) : 200);
        QVERIFY(!f.text.isEmpty());
        QVERIFY2(f.text.contains("运行时错误") == refused, qPrintable(f.text));
        // The server is still there.
        QCOMPARE(s_.get("cj/net_get_work.asp?ks_id=1&km_id=1&js_id=1").text, QString("th,13,14,"));
    }

    void faultsAreErrorPagesNotReplies()
    {
        TestServer t;
        const QString batch = t.text("cj/net_user_work.asp?ks_id=1&km_id=1&js_id=2&th_bj=15");
        const std::string id = batch.section(';', 1, 1).section(',', 0, 0).toStdString();
        // A store that fails in the middle of a save: nothing of it is kept,
        // and the manual save is not taken for done.
        t.server().exec_sql("DROP TABLE score_log");
        const Fetched f = t.get("cj/net_save_fs.asp?ks_id=1&km_id=1&js_id=2&js_name=x&fs_str=0,;" + id + ",5;");
        QCOMPARE(f.status, 500);
        QVERIFY2(f.text.contains("运行时错误"), qPrintable(f.text));
        QCOMPARE(t.server().score_count(std::stoll(id)), 0);
        // An address too long for the server is not reported as a missing page.
        std::string fs = "0,;";
        while (fs.size() < 9000) fs += id + ",5;";
        const Fetched huge = t.get("cj/net_save_fs.asp?auto_save=1&ks_id=1&km_id=1&js_id=2&js_name=x&fs_str=" + fs);
        QCOMPARE(huge.status, 414);
        QVERIFY2(huge.text.contains("运行时错误") && !huge.text.contains("无法找到该页"), qPrintable(huge.text));
    }

    void unknownPagesAndMissingDownloadsAre404()
    {
        QCOMPARE(s_.get("cj/net_nothing.asp?x=1").status, 404);
        QCOMPARE(s_.get("cj/cj_nothing.asp?ks_id=1").status, 404);
        // A report page without its subject and teacher is a page error.
        const Fetched report = s_.get("cj/cj_answer.asp?ks_id=1");
        QCOMPARE(report.status, 400);
        QVERIFY(report.text.contains("运行时错误"));
        QCOMPARE(s_.get("other/net_login.asp").status, 404);
        QCOMPARE(s_.get("cj/down/tavix.exe").status, 404);
        QCOMPARE(s_.get("cj/down/..%2Fmarks.db").status, 404);
    }

    void downloadsComeFromTheAdminsFolder()
    {
        TestServer t(false);
        QDir(t.dir()).mkpath("down");
        QFile exe(t.dir() + "/down/tavix.exe");
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.write(QByteArray("MZ\x90\x00\xff", 5));
        exe.close();
        t.options().downloads_dir = (t.dir() + "/down").toStdString();
        t.restart();
        const Fetched f = t.get("cj/down/tavix.exe");
        QCOMPARE(f.status, 200);
        QCOMPARE(f.body, std::string("MZ\x90\x00\xff", 5));
        QCOMPARE(t.get("cj/down/kssetup.exe").status, 404);
    }

    void helpPageIsChineseHtml()
    {
        const Fetched f = s_.get("cj/tavix_help.html");
        QCOMPARE(f.status, 200);
        QVERIFY(f.text.contains("charset=GBK"));
        QVERIFY(f.text.contains("阅卷客户端使用方法"));
        QVERIFY(f.text.contains("</html>"));
    }

    void demoSeedsOnceAndOnlyAnEmptyStore()
    {
        TestServer t(true);
        const char* counts = "SELECT (SELECT COUNT(*) FROM teachers) * 100000 + (SELECT COUNT(*) FROM answers)";
        const auto first = t.server().query_int(counts);
        QCOMPARE(first, 6 * 100000 + 660);
        t.restart();
        QCOMPARE(t.server().query_int(counts), first);
        // Passwords are never stored as typed.
        QCOMPARE(t.server().query_int("SELECT COUNT(*) FROM teachers WHERE password LIKE '%demo123%'"), 0);
        QCOMPARE(t.server().query_int("SELECT COUNT(DISTINCT password) FROM teachers"), 6);
    }

    void emptyStoreAnswersWithoutRecords()
    {
        TestServer t(false);
        QCOMPARE(t.text("cj/net_get_school.asp?q="), QString("School_Name8762349;remote=velmora;8.5;"));
        QCOMPARE(t.text("cj/net_get_js.asp?q=&xx_id=1"), QString("JS8762349"));
    }

    void pagesAnswerWhileManyAsk()
    {
        // Lookups from many connections at once all get whole replies.
        std::vector<std::thread> threads;
        std::atomic<int> good{0};
        const std::string cookie = s_.login(3);
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&] {
                httplib::Client c("127.0.0.1", s_.server().port());
                c.set_default_headers({{"Cookie", cookie}});
                for (int k = 0; k < 10; ++k) {
                    auto r = c.Get("/cj/net_get_work.asp?ks_id=1&km_id=2&js_id=3");
                    if (r && r->status == 200 && r->body == "bj,1|\xB8\xDF\xD2\xBB(1),2|\xB8\xDF\xD2\xBB(2),") ++good;
                }
            });
        for (auto& t : threads) t.join();
        QCOMPARE(good.load(), 80);
    }
};

QTEST_GUILESS_MAIN(ServerPagesTest)
#include "test_pages.moc"
