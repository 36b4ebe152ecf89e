// End to end: the real client screens against the reference server in this
// process. A demo teacher logs in, picks the exam, subject and marking,
// marks a whole batch by keyboard and saves; the server then holds every
// score exactly once. Then a client process keys scores and is killed
// before any save; the next opening of the same exam and subject delivers
// every one of them.
//
// Run with "--driver PORT DATADIR TEACHER SUBJECT" the binary is that
// client process: it prints "keyed <id>=<score>,..." when done and waits.
#include "app/app_paths.h"
#include "app/clock.h"
#include "app/services.h"
#include "app/session.h"
#include "login/login_form.h"
#include "marking/answer_lists.h"
#include "marking/feedback_panel.h"
#include "marking/image_fetcher.h"
#include "marking/marking_form.h"
#include "marking/progress_panel.h"
#include "marking/score_panel.h"
#include "marking/score_saver.h"
#include "marking/selector_bar.h"
#include "marking/status_bar.h"
#include "marking/marking_state.h"
#include "marking/score_journal.h"
#include "net/page_channel.h"
#include "recorders.h"
#include "ui/image_page_view.h"
#include "ui/screen_flow.h"
#include "velmora_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The demo school's teachers, in the order the demo data creates them.
const char* const kTeacherNames[] = {"张明", "李华", "王芳", "赵强", "陈静", "孙丽"};

// Runs the event loop until `done` or the deadline (QTRY's way, usable
// outside a test function too).
bool wait_for(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

struct Pick {
    std::int64_t teacher = 0;
    std::int64_t subject = 0;
};

// A demo teacher whose work is assigned by question, and that subject.
Pick pick_teacher(const velmora::Server& s)
{
    Pick p;
    p.teacher = s.query_int("SELECT teacher_id FROM assignments WHERE question_id IS NOT NULL ORDER BY id LIMIT 1");
    p.subject = s.query_int("SELECT subject_id FROM assignments WHERE question_id IS NOT NULL AND teacher_id = "
                            + std::to_string(p.teacher) + " ORDER BY id LIMIT 1");
    return p;
}

// The client program: its services, its screen flow and the login screen.
struct Client {
    net::Network network;
    testsupport::RecordingDialogs dialogs;
    app::SystemClock clock;
    app::AppPaths paths;
    ui::ProgramFlow flow;
    app::Services services{network, dialogs, clock, paths, flow};
    std::unique_ptr<login::LoginForm> login;

    explicit Client(const QString& dataDir) : paths(dataDir) { flow.setServices(services); }
    ~Client()
    {
        flow.deleteWindows();
        login.reset();
    }

    marking::MarkingForm* form() const { return qobject_cast<marking::MarkingForm*>(flow.workScreen()); }
};

// Logs in as the teacher, picks the exam, the subject and step 1; true
// when the marking screen is up with its first batch cached.
bool open_marking(Client& c, int port, const Pick& pick, QString* why)
{
    QFile url(c.paths.file("url.txt"));
    if (!url.open(QIODevice::WriteOnly) || url.write(QStringLiteral("127.0.0.1\r\n%1\r\n").arg(port).toLatin1()) < 0) {
        *why = "url.txt";
        return false;
    }
    url.close();
    app::reset_session();
    c.flow.memory() = {};
    c.login = std::make_unique<login::LoginForm>(c.services);
    c.flow.setLoginScreen(c.login.get());
    c.login->show();
    auto* school = c.login->findChild<QLineEdit*>("Text1");
    QTest::keyClicks(school, "dyzx");
    // Also past the typing pause: the school's full name it looks up would
    // otherwise take the login's place on the screen's one channel.
    auto* pause = c.login->findChild<QTimer*>("typingPause");
    if (!wait_for([&] { return app::session().School_ID == 1 && !pause->isActive(); }, 10000)) {
        *why = "school lookup: " + c.dialogs.messages.join(" | ");
        return false;
    }
    c.login->findChild<QLineEdit*>("Text2")->setText(QString::fromUtf8(kTeacherNames[pick.teacher - 1]));
    c.login->findChild<QLineEdit*>("Text3")->setText("demo123");
    c.login->findChild<QAbstractButton*>("login")->click();
    if (!wait_for([&] { return c.flow.examList() != nullptr; }, 10000)) {
        *why = "login: " + c.dialogs.messages.join(" | ");
        return false;
    }

    QWidget* list = c.flow.examList();
    auto* exams = list->findChild<QTreeWidget*>("ListView1");
    if (!wait_for([&] { return exams->topLevelItemCount() > 0; }, 10000)) {
        *why = "exam list";
        return false;
    }
    exams->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QRadioButton* subject = nullptr;
    wait_for([&] {
        for (auto* o : list->findChildren<QRadioButton*>()) {
            if (o->objectName().startsWith("OptionKM_") && o->property("tag").toLongLong() == pick.subject)
                subject = o;
        }
        return subject != nullptr;
    }, 10000);
    if (!subject) {
        *why = "subject";
        return false;
    }
    subject->click();
    list->findChild<QRadioButton*>("OptionBZ_0")->click();
    list->findChild<QAbstractButton*>("Command1")->click();
    if (!wait_for([&] { return c.form() != nullptr; }, 10000)) {
        *why = "marking screen: " + c.dialogs.messages.join(" | ");
        return false;
    }
    marking::MarkingForm* f = c.form();
    if (!wait_for([&] { return f->bufferList().rows() > 0; }, 15000)) {
        *why = "batch";
        return false;
    }
    // The prefetch as fast as the downloads complete.
    auto& rows = f->bufferList();
    const bool cached = wait_for([&] {
        if (!f->webBrowser3().busy())
            f->fetcher().Timer1_Timer();
        for (int r = 1; r <= rows.rows(); ++r) {
            if (rows.text(r, marking::Col::Downed) != "1")
                return false;
        }
        return true;
    }, 60000);
    if (!cached) {
        *why = "prefetch";
        return false;
    }
    f->ListView1_ItemClick(1);
    return f->state().cur_row == 1;
}

// A score within any full mark: 1, 0.5, 0, 1, ...
QString score_for(const marking::AnswerListModel&, int r)
{
    static const char* const scores[] = {"1", "0.5", "0"};
    return QString::fromLatin1(scores[(r - 1) % 3]);
}

void type_score(marking::MarkingForm* f, const QString& score, int key)
{
    auto* box = f->findChild<QLineEdit*>("Text1");
    QTest::keyClicks(box, score);
    QTest::keyClick(box, Qt::Key(key));
}

int driver(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    const int port = QString::fromLatin1(argv[2]).toInt();
    Client c(QString::fromLocal8Bit(argv[3]));
    const Pick pick{QString::fromLatin1(argv[4]).toLongLong(), QString::fromLatin1(argv[5]).toLongLong()};
    QString why;
    if (!open_marking(c, port, pick, &why)) {
        std::printf("failed %s\n", qPrintable(why));
        return 1;
    }
    // Right after the batch: the automatic save is half a minute away.
    marking::MarkingForm* f = c.form();
    auto& rows = f->bufferList();
    QStringList keyed;
    for (int r = 1; r <= qMin(4, rows.rows() - 2); ++r) {
        const QString score = score_for(rows, r);
        keyed << rows.text(r, marking::Col::WorkId) + "=" + score;
        type_score(f, score, Qt::Key_Return);
    }
    std::printf("keyed %s\n", qPrintable(keyed.join(',')));
    std::fflush(stdout);
    QEventLoop().exec();
    return 0;
}

}  // namespace

class E2eMarkingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dbDir;
    std::unique_ptr<velmora::Server> server;
    int port = 0;
    Pick pick;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<net::PageResult>();
        ui::ImagePageView::setWebContentEnabled(false);
        velmora::ServerOptions o;
        o.db_path = (dbDir.path() + "/marks.db").toStdString();
        o.port = 0;
        o.demo = true;
        server = std::make_unique<velmora::Server>(o);
        port = server->start();
        pick = pick_teacher(*server);
        QVERIFY(pick.teacher >= 1 && pick.teacher <= 6 && pick.subject > 0);
    }

    void markAWholeBatchBySaveAndNext()
    {
        QTemporaryDir data;
        Client c(data.path());
        QString why;
        QVERIFY2(open_marking(c, port, pick, &why), qPrintable(why));
        marking::MarkingForm* f = c.form();
        auto& rows = f->bufferList();
        const int n = rows.rows();
        QVERIFY(n >= 3);
        QHash<qint64, double> expected;
        for (int r = 1; r <= n; ++r) {
            QCOMPARE(f->state().cur_row, r);
            const QString score = score_for(rows, r);
            expected.insert(rows.text(r, marking::Col::WorkId).toLongLong(), score.toDouble());
            // Enter on the last-but-one row saves: the teacher goes down instead.
            type_score(f, score, r == n - 1 ? Qt::Key_Down : Qt::Key_Return);
        }
        // The save, then the next batch with other answers.
        QTRY_VERIFY_WITH_TIMEOUT(rows.rows() == 0 || !expected.contains(rows.text(1, marking::Col::WorkId).toLongLong()), 15000);
        QVERIFY2(c.dialogs.messages.isEmpty(), qPrintable(c.dialogs.messages.join(" | ")));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QCOMPARE(server->score_count(it.key()), 1);
            QCOMPARE(server->score_of(it.key()).value_or(-1), it.value());
        }
        QCOMPARE(server->query_int("SELECT COUNT(*) FROM scores WHERE teacher_id = " + std::to_string(pick.teacher)),
                 std::int64_t(n));
        QVERIFY(f->saver().journal()->pending().isEmpty());
    }

    // A score put right from the worked list (double click, score, Enter)
    // reaches the server and shows in the worked list; the row stays in
    // the buffer list until its save is confirmed.
    void rescoreFromTheWorkedList()
    {
        QTemporaryDir data;
        Client c(data.path());
        QString why;
        QVERIFY2(open_marking(c, port, pick, &why), qPrintable(why));
        marking::MarkingForm* f = c.form();
        auto& rows = f->bufferList();
        const qint64 first = rows.text(1, marking::Col::WorkId).toLongLong();
        const QString full = rows.text(1, marking::Col::FullMark);
        type_score(f, "1", Qt::Key_Return);
        f->save_scores();
        QTRY_COMPARE_WITH_TIMEOUT(server->score_of(first).value_or(-1), 1.0, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!f->webBrowser1().busy() && rows.rows() > 0, 15000);

        auto& worked = f->workedList();
        f->workedPanel().Command4_Click();
        QTRY_VERIFY_WITH_TIMEOUT(worked.rows() > 0, 15000);
        int w = 0;
        for (int r = 1; r <= worked.rows(); ++r) {
            if (worked.text(r, marking::Col::WorkId).toLongLong() == first)
                w = r;
        }
        QVERIFY(w > 0);
        for (const QString& score : {QStringLiteral("0"), QStringLiteral("0.5"), full}) {
            auto* list2 = f->findChild<QTableView*>("ListView2");
            list2->setCurrentIndex(worked.index(w - 1, 0));
            f->workedPanel().ListView2_DblClick();
            const int row = rows.rows();
            QCOMPARE(rows.text(row, marking::Col::WorkId).toLongLong(), first);
            QTRY_VERIFY_WITH_TIMEOUT([&] {
                if (!f->webBrowser3().busy())
                    f->fetcher().Timer1_Timer();
                return rows.text(row, marking::Col::Downed) == "1";
            }(), 15000);
            f->ListView1_ItemClick(row);
            QCOMPARE(f->state().cur_row, row);
            auto* box = f->findChild<QLineEdit*>("Text1");
            QTest::keyClicks(box, score);
            QCOMPARE(rows.text(row, marking::Col::Score), score);
            QTest::keyClick(box, Qt::Key_Return);
            QTRY_COMPARE_WITH_TIMEOUT(server->score_of(first).value_or(-1), score.toDouble(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT(!f->webBrowser1().busy(), 15000);
            QTRY_VERIFY_WITH_TIMEOUT([&] {
                for (int r = 1; r <= worked.rows(); ++r) {
                    if (worked.text(r, marking::Col::WorkId).toLongLong() == first) {
                        w = r;
                        return worked.text(r, marking::Col::Score) == score;
                    }
                }
                return false;
            }(), 15000);
        }
        QCOMPARE(server->score_count(first), 1);
        QVERIFY2(c.dialogs.messages.isEmpty(), qPrintable(c.dialogs.messages.join(" | ")));
    }

    void killedClientLosesNoKeyedScore()
    {
        QTemporaryDir data;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--driver", QString::number(port), data.path(), QString::number(pick.teacher),
                     QString::number(pick.subject)});
        QVERIFY(child.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += child.readAllStandardOutput()).contains('\n'), 90000);
        QVERIFY2(out.startsWith("keyed "), out.constData());
        child.kill();  // SIGKILL: no close, no flush
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QHash<qint64, double> keyed;
        for (const QByteArray& pair : out.trimmed().mid(6).split(','))
            keyed.insert(pair.split('=').value(0).toLongLong(), pair.split('=').value(1).toDouble());
        QVERIFY(keyed.size() >= 1);
        for (auto it = keyed.cbegin(); it != keyed.cend(); ++it)
            QCOMPARE(server->score_count(it.key()), 0);  // nothing saved before the kill

        // The same teacher opens the same exam and subject again, after the
        // lease of those answers ran out.
        server->advance_clock(700);
        Client c(data.path());
        QString why;
        QVERIFY2(open_marking(c, port, pick, &why), qPrintable(why));
        for (auto it = keyed.cbegin(); it != keyed.cend(); ++it) {
            QTRY_COMPARE_WITH_TIMEOUT(server->score_count(it.key()), 1, 15000);
            QCOMPARE(server->score_of(it.key()).value_or(-1), it.value());
        }
        QTRY_VERIFY(c.form()->saver().journal()->pending().isEmpty());
        QVERIFY2(c.dialogs.messages.isEmpty(), qPrintable(c.dialogs.messages.join(" | ")));
    }

    void cleanupTestCase() { server.reset(); }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--driver") == 0) {
        ui::ImagePageView::setWebContentEnabled(false);
        return driver(argc, argv);
    }
    E2eMarkingTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_e2e_marking.moc"
