// The addresses of the login and exam-selection requests: exactly the
// requests of the protocol examples, which the server's tests answer.
#include "app/session.h"
#include "net/requests_login.h"
#include "protocol/pages.h"
#include "protocol_examples.h"

#include <QTest>

namespace {
app::Session session(int school, int user, const QString& exam = QString())
{
    app::Session s;
    s.Server_URL = QStringLiteral("http://h:9090/");
    s.School_ID = school;
    s.User_ID = user;
    s.ks_id = exam;
    return s;
}
}  // namespace

class RequestsTest : public QObject {
    Q_OBJECT

private slots:
    void requestsOfTheExamples_data()
    {
        QTest::addColumn<QString>("example");
        QTest::addColumn<QString>("url");
        const app::Session none = session(0, 0);
        const app::Session school = session(1, 0);
        QTest::newRow("probe token as it is") << "school probe" << net::school_probe_url(none, "127.0.0.1");
        QTest::newRow("every school") << "school list" << net::school_lookup_url(none, "");
        QTest::newRow("school name encoded") << "school by name" << net::school_lookup_url(none, "育才");
        QTest::newRow("teachers of a school") << "teacher list" << net::teacher_lookup_url(school, "");
        QTest::newRow("teacher by initials") << "teacher by initials" << net::teacher_lookup_url(school, "zq");
        QTest::newRow("login") << "login" << net::login_url(school, "张明", "demo123");
        QTest::newRow("exam list") << "exam list" << net::exam_list_url(session(1, 1));
        QTest::newRow("subjects, ks_id as it is")
            << "subjects by class" << net::subject_url(session(1, 3, QStringLiteral("1")));
    }
    void requestsOfTheExamples()
    {
        QFETCH(QString, example);
        QFETCH(QString, url);
        QCOMPARE(url, QStringLiteral("http://h:9090/") + testsupport::protocol_example(example).target());
    }

    void addresses()
    {
        app::Session s;
        s.Server_URL = QStringLiteral("http://h:9090/");
        s.User_ID = 40000;
        s.School_ID = 33000;
        s.ks_id = QStringLiteral("12");
        QCOMPARE(net::exam_list_url(s), QStringLiteral("http://h:9090/cj/net_ks_list.asp?user_id=40000&user_lb=0"));
        QCOMPARE(net::subject_url(s), QStringLiteral("http://h:9090/cj/net_ks_km1.asp?ks_id=12&xx_id=33000&js_id=40000"));
    }

    // Free text that would change the query is encoded; the page stays the
    // one the address is for, whatever the text names.
    void freeTextCannotChangeTheRequest()
    {
        const app::Session s = session(3, 0);
        const QString url = net::login_url(s, "a&xx_id=9", "p+w %#net_get_js.asp");
        QCOMPARE(url, QStringLiteral("http://h:9090/cj/net_login.asp?xx_id=3&js_name=a%26xx%5Fid%3D9"
                                     "&password=p%2Bw+%25%23net%5Fget%5Fjs%2Easp"));
        QCOMPARE(protocol::page_of(url), protocol::Page::Login);
        QCOMPARE(net::teacher_lookup_url(s, "net_get_school.asp"),
                 QStringLiteral("http://h:9090/cj/net_get_js.asp?q=net%5Fget%5Fschool%2Easp&xx_id=3"));
        QCOMPARE(net::download_url(s, "tavix.exe"), QStringLiteral("http://h:9090/cj/down/tavix.exe"));
    }
};

QTEST_GUILESS_MAIN(RequestsTest)
#include "test_requests.moc"
