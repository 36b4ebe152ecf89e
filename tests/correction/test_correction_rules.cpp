// The correction screen's requests, replies and save checks: the requests
// are those of the protocol examples, the replies are read from them, and
// every reader takes any text.
#include "app/session.h"
#include "correction/replies.h"
#include "correction/requests.h"
#include "protocol_examples.h"

#include <QTest>

using namespace correction;

namespace {

app::Session leader()
{
    app::Session s;
    s.Server_URL = QStringLiteral("http://h:9090/");
    s.School_ID = 1;
    s.User_ID = 5;
    s.ks_id = QStringLiteral("1");
    s.KM_id = 1;
    s.JS_Name = QStringLiteral("陈静");
    return s;
}

QString example_reply(const char* name)
{
    return testsupport::protocol_example(QString::fromUtf8(name)).reply;
}

}  // namespace

class CorrectionRulesTest : public QObject {
    Q_OBJECT

private slots:
    void requestsOfTheExamples_data()
    {
        QTest::addColumn<QString>("example");
        QTest::addColumn<QString>("url");
        const app::Session s = leader();
        QTest::newRow("question list") << "question list" << question_list_url(s);
        QTest::newRow("lookup") << "lookup" << lookup_url(s, "26010101", "13");
        QTest::newRow("correction, name encoded") << "correction" << modi_save_url(s, modi_score_string(1, "3.5"));
        QTest::newRow("image of the lookup")
            << "image" << image_url(s, 1, QStringLiteral("1\\26010101_13.txt"));
        app::Session math = s;  // the objective examples are of subject 2
        math.KM_id = 2;
        QTest::newRow("objective lookup") << "objective lookup" << lookup_url(math, "26010101", "00");
        QTest::newRow("objective blocks") << "objective blocks" << box_url(math);
        QTest::newRow("objective save") << "objective save" << kgt_save_url(math, "T1='B',T7='CA';67");
    }
    void requestsOfTheExamples()
    {
        QFETCH(QString, example);
        QFETCH(QString, url);
        QCOMPARE(url, QStringLiteral("http://h:9090/") + testsupport::protocol_example(example).target());
    }

    void theExamNumberIsEncoded_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("digits unchanged") << "26010101" << "26010101";
        QTest::newRow("ampersand") << "1&th=00" << "1%26th%3D00";
        QTest::newRow("hash") << "12#3" << "12%233";
        QTest::newRow("blank and Chinese") << "张 3" << "%D5%C5+3";
    }
    void theExamNumberIsEncoded()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QCOMPARE(lookup_url(leader(), typed, "13"),
                 "http://h:9090/cj/net_get_st.asp?xx_id=1&ks_id=1&km_id=1&xs_kh=" + sent + "&th=13&js_id=5");
    }

    void scoreString()
    {
        QCOMPARE(modi_score_string(5312, "7.5"), QStringLiteral("0,0;5312,7.5;"));
        QCOMPARE(modi_score_string(2147483647, "0"), QStringLiteral("0,0;2147483647,0;"));
    }

    void pagesInTheScreensOrder_data()
    {
        using protocol::Page;
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("page");
        QTest::newRow("question list") << question_list_url(leader()) << int(Page::GetTh);
        QTest::newRow("lookup") << lookup_url(leader(), "1", "3") << int(Page::GetSt);
        QTest::newRow("image") << image_url(leader(), 1, "1\\2.txt") << int(Page::DownSt);
        QTest::newRow("save") << modi_save_url(leader(), "0,0;1,2;") << int(Page::SaveFs);
        // Saves come before images here, whatever the other screens test first.
        QTest::newRow("save naming the image page") << "http://h/cj/net_save_fs.asp?x=net_down_st.asp"
                                                    << int(Page::SaveFs);
        QTest::newRow("exam number naming a page") << lookup_url(leader(), "net_save_fs.asp", "3")
                                                   << int(Page::GetSt);
        QTest::newRow("regions") << box_url(leader()) << int(Page::KsBox);
        QTest::newRow("objective save") << kgt_save_url(leader(), "T1='A',T2='BD';5312") << int(Page::SaveKgtFs);
        QTest::newRow("another screen's page") << "http://h/cj/net_get_work.asp" << int(Page::Unknown);
        QTest::newRow("empty") << "" << int(Page::Unknown);
    }
    void pagesInTheScreensOrder()
    {
        QFETCH(QString, url);
        QFETCH(int, page);
        QCOMPARE(int(correction_page(url)), page);
    }

    void questionList_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("numbers");
        const QStringList none;
        QTest::newRow("example") << example_reply("question list") << int(QuestionList::Questions)
                                 << QStringList{"13", "14", "15", "16", "17", "00"};
        QTest::newRow("first field unused") << "x,3,4,00" << int(QuestionList::Questions)
                                            << QStringList{"3", "4", "00"};
        QTest::newRow("no rights") << example_reply("question list no rights") << int(QuestionList::NoRights) << none;
        QTest::newRow("no questions") << example_reply("question list no questions") << int(QuestionList::NoQuestions)
                                      << none;
        QTest::newRow("no_qx over no_st") << "no_st,no_qx" << int(QuestionList::NoRights) << none;
        QTest::newRow("empty pieces left out") << "x,,3,,4," << int(QuestionList::Questions)
                                               << QStringList{"3", "4"};
        QTest::newRow("empty text") << "" << int(QuestionList::Questions) << none;
        QTest::newRow("one field") << "x" << int(QuestionList::Questions) << none;
    }
    void questionList()
    {
        QFETCH(QString, reply);
        QFETCH(int, kind);
        QFETCH(QStringList, numbers);
        const QuestionList l = parse_question_list(reply);
        QCOMPARE(int(l.kind), kind);
        QCOMPARE(l.numbers, numbers);
    }

    void captions()
    {
        QCOMPARE(question_caption("3"), QStringLiteral("第3题"));
        QCOMPARE(question_caption("00"), QStringLiteral("选择题"));
        QCOMPARE(no_rights_text("期末", "语文"), QStringLiteral("你没有修改 期末 语文 成绩的权限！"));
        QCOMPARE(no_questions_text("期末", "语文"), QStringLiteral("期末，语文 没有试题！"));
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("fs_id");
        QTest::addColumn<int>("school");
        QTest::addColumn<QString>("img_file");
        QTest::addColumn<QString>("fs_text");
        QTest::addColumn<bool>("objective");
        QTest::newRow("example") << example_reply("lookup") << true << 1 << 1 << "26010101_13.gif"
                                 << "第13题，得分3；阅卷人：张明；学生：王欣怡；" << false;
        QTest::newRow("school id past 16 bits") << "5312,40000=2021\\15.txt=第3题，得分6；" << true << 5312 << 40000
                                                << "15.gif" << "第3题，得分6；" << false;
        QTest::newRow("every .txt made .gif") << "1,1=a\\x.txt.txt=" << true << 1 << 1 << "x.gif.gif" << "" << false;
        QTest::newRow("upper-case .TXT kept") << "1,1=a\\x.TXT=" << true << 1 << 1 << "x.TXT" << "" << false;
        QTest::newRow("objective fields kept") << "7,1=a\\b.txt=line=T1-A;=T1-B;" << true << 7 << 1 << "b.gif"
                                               << "line" << true;
        QTest::newRow("message") << example_reply("lookup unknown student") << false << 0 << 0 << "" << "" << false;
        QTest::newRow("only =") << "=" << true << 0 << 0 << "" << "" << false;
        QTest::newRow("ids not numbers") << "x,y=a\\b.txt=s" << true << 0 << 0 << "b.gif" << "s" << false;
        QTest::newRow("id past 32 bits") << "4294967296,1=a\\b.txt=s" << true << 0 << 1 << "b.gif" << "s" << false;
        QTest::newRow("no backslash") << "1,1=b.txt=s" << true << 1 << 1 << "" << "s" << false;
        QTest::newRow("empty text") << "" << false << 0 << 0 << "" << "" << false;
    }
    void lookup()
    {
        QFETCH(QString, reply);
        QFETCH(bool, found);
        QFETCH(int, fs_id);
        QFETCH(int, school);
        QFETCH(QString, img_file);
        QFETCH(QString, fs_text);
        QFETCH(bool, objective);
        const Lookup l = parse_lookup(reply);
        QCOMPARE(l.found, found);
        QCOMPARE(l.message, found ? QString() : reply);
        QCOMPARE(l.fs_id, fs_id);
        QCOMPARE(l.schoolId, school);
        QCOMPARE(l.img_file, img_file);
        QCOMPARE(l.fs_text, fs_text);
        QCOMPARE(l.hasObjective, objective);
    }

    void lookupKeepsTheObjectiveFieldsAndTheReference()
    {
        const Lookup l = parse_lookup("7,1=2021\\15.txt=line=T1-A;T2-BD;=T1-A;T2-BC;");
        QCOMPARE(l.ref, QStringLiteral("2021\\15.txt"));
        QCOMPARE(l.kgt_ans, QStringLiteral("T1-A;T2-BD;"));
        QCOMPARE(l.kgt_da, QStringLiteral("T1-A;T2-BC;"));
    }

    void aHugeReplyIsReadWithoutFailing()
    {
        const QString huge = "1,1=a\\b.txt=" + QString(1 << 20, u'x') + QString(1000, u'=');
        const Lookup l = parse_lookup(huge);
        QVERIFY(l.found);
        QCOMPARE(l.fs_text.size(), 1 << 20);
        QCOMPARE(parse_question_list(QString(100000, u',')).numbers.size(), 0);
    }

    void scoreOfTheScoreLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("has");
        QTest::addColumn<QString>("score");
        QTest::newRow("plain") << "第3题，得分6；" << true << "6";
        QTest::newRow("decimal, more after") << "第13题，得分7.5；阅卷人：张明；" << true << "7.5";
        QTest::newRow("unscored: empty") << example_reply("lookup unscored").section('=', 2) << true << "";
        QTest::newRow("no ，得分") << "第3题 得分6；" << false << "";
        QTest::newRow("no ； after it") << "第3题，得分6" << true << "6";
        QTest::newRow("a ； before it is not the end") << "；第3题，得分6；" << true << "6";
        QTest::newRow("empty") << "" << false << "";
    }
    void scoreOfTheScoreLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, has);
        QFETCH(QString, score);
        const auto s = get_fs_text(line);
        QCOMPARE(s.has_value(), has);
        if (has)
            QCOMPARE(*s, score);
    }

    void save_data()
    {
        QTest::addColumn<QString>("examNumber");
        QTest::addColumn<int>("fs_id");
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("has_qx");
        QTest::addColumn<int>("inFlight");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("text");
        const int idle = int(InFlight::None);
        const QString scoreMsg = "    请输入本试题正确得分！             ";
        const QString rightsMsg = "    你无权修改试题得分！ 等待考试创建者赋权......          ";
        QTest::newRow("zero is a score") << "2601" << 5 << "0" << true << idle << int(SaveCheck::Send) << "0";
        QTest::newRow("decimal") << "2601" << 5 << "7.5" << true << idle << int(SaveCheck::Send) << "7.5";
        QTest::newRow("blanks around") << "2601" << 5 << " 5" << true << idle << int(SaveCheck::Send) << "5";
        QTest::newRow("exponent read as a number") << "2601" << 5 << "1e3" << true << idle << int(SaveCheck::Send)
                                                   << "1000";
        QTest::newRow("trailing zeros") << "2601" << 5 << "7.50" << true << idle << int(SaveCheck::Send) << "7.5";
        QTest::newRow("minus zero") << "2601" << 5 << "-0" << true << idle << int(SaveCheck::Send) << "0";
        QTest::newRow("negative") << "2601" << 5 << "-1" << true << idle << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("letters") << "2601" << 5 << "abc" << true << idle << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("hex") << "2601" << 5 << "0x10" << true << idle << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("NaN") << "2601" << 5 << "NaN" << true << idle << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("full-width digit") << "2601" << 5 << "５" << true << idle << int(SaveCheck::Message)
                                          << scoreMsg;
        QTest::newRow("too large to be finite") << "2601" << 5 << "1e999" << true << idle
                                                << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("empty score") << "2601" << 5 << "" << true << idle << int(SaveCheck::Message) << scoreMsg;
        QTest::newRow("before any lookup") << "2601" << 0 << "5" << true << idle << int(SaveCheck::Nothing) << "";
        QTest::newRow("no exam number") << "  " << 5 << "5" << true << idle << int(SaveCheck::Nothing) << "";
        QTest::newRow("no rights, after the score check") << "2601" << 5 << "5" << false << idle
                                                           << int(SaveCheck::Message) << rightsMsg;
        QTest::newRow("a lookup under way") << "2601" << 5 << "5" << true << int(InFlight::Lookup)
                                            << int(SaveCheck::Message)
                                            << "正在查询学生的答卷，请在显示出来以后再保存得分。";
        QTest::newRow("the same save again") << "2601" << 5 << "6" << true << int(InFlight::Save)
                                             << int(SaveCheck::Send) << "6";
        QTest::newRow("another score while a save is under way")
            << "2601" << 5 << "5" << true << int(InFlight::Save) << int(SaveCheck::Message)
            << "上一次保存（得分 6）还没有回音，请稍候再保存。";
    }
    void save()
    {
        QFETCH(QString, examNumber);
        QFETCH(int, fs_id);
        QFETCH(QString, score);
        QFETCH(bool, has_qx);
        QFETCH(int, inFlight);
        QFETCH(int, action);
        QFETCH(QString, text);
        const SaveCheck c = check_save(examNumber, fs_id, score, has_qx, InFlight(inFlight), QStringLiteral("6"));
        QCOMPARE(int(c.action), action);
        QCOMPARE(c.text, text);
    }

    void lookupRefusals_data()
    {
        QTest::addColumn<QString>("examNumber");
        QTest::addColumn<bool>("has_qx");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "   " << true << "   请输入“学生考号”！                      ";
        QTest::newRow("empty without rights") << "" << false << "   请输入“学生考号”！                      ";
        QTest::newRow("no rights") << "2601" << false
                                   << "    你无权修改试题得分！等待考试创建者赋权......          ";
        QTest::newRow("one character goes") << "7" << true << "";
    }
    void lookupRefusals()
    {
        QFETCH(QString, examNumber);
        QFETCH(bool, has_qx);
        QFETCH(QString, message);
        QCOMPARE(check_lookup(examNumber, has_qx), message);
    }

    void imageNames_data()
    {
        QTest::addColumn<QString>("img_file");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << "15.gif" << true;
        QTest::newRow("parent") << ".." << false;
        QTest::newRow("slash") << "a/b.gif" << false;
        QTest::newRow("backslash") << "a\\b.gif" << false;
        QTest::newRow("absolute") << "/etc/x.gif" << false;
        QTest::newRow("empty") << "" << false;
    }
    void imageNames()
    {
        QFETCH(QString, img_file);
        QFETCH(bool, safe);
        QCOMPARE(safe_image_name(img_file), safe ? img_file : QString());
    }
};

QTEST_GUILESS_MAIN(CorrectionRulesTest)
#include "test_correction_rules.moc"
