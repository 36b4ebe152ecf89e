// The marking screen against the reference server started in-process with
// its demo data: the first question's batch arrives, the prefetch fills the
// cache, and every cached image decodes.
#include "app/session.h"
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
#include "net/page_channel.h"
#include "recorders.h"
#include "ui/image_page_view.h"
#include "server_login.h"
#include "velmora_server.h"

#include <QDir>
#include <QImageReader>
#include <QTest>
#include <QTimer>
#include <memory>

class MarkingServerTest : public QObject {
    Q_OBJECT
private slots:
    void batchPrefetchAndOpen()
    {
        ui::ImagePageView::setWebContentEnabled(false);
        QTemporaryDir dbDir;
        velmora::ServerOptions o;
        o.db_path = (dbDir.path() + "/marks.db").toStdString();
        o.port = 0;
        o.demo = true;
        velmora::Server server(o);
        server.start();

        // A demo teacher whose work is assigned by question.
        const auto teacher = server.query_int(
            "SELECT teacher_id FROM assignments WHERE question_id IS NOT NULL ORDER BY id LIMIT 1");
        const auto subject = server.query_int("SELECT subject_id FROM assignments WHERE question_id IS NOT NULL AND teacher_id = "
                                              + std::to_string(teacher) + " ORDER BY id LIMIT 1");
        const auto exam = server.query_int("SELECT exam_id FROM subjects WHERE id = " + std::to_string(subject));
        QVERIFY(teacher > 0 && subject > 0 && exam > 0);

        testsupport::TestServices t;
        app::reset_session();
        app::Session& s = app::session();
        s.Server_URL = QString::fromStdString(server.base_url());
        s.ks_id = QString::number(exam);
        s.KM_id = int(subject);
        s.User_ID = int(teacher);
        s.School_ID = int(server.query_int("SELECT school_id FROM teachers WHERE id = " + std::to_string(teacher)));
        s.JS_Name = QStringLiteral("demo");
        QVERIFY(testsupport::logIn(t.network, s.Server_URL, s.School_ID, teacher));

        marking::MarkingState memory;
        marking::MarkingForm form(t.services, memory);
        QTRY_VERIFY_WITH_TIMEOUT(form.bufferList().rows() > 0, 15000);
        QCOMPARE(form.state().task_type, QString("TH"));
        QVERIFY(!form.state().th_bj.isEmpty());
        auto& list = form.bufferList();

        // Drive the prefetch tick as fast as the downloads complete.
        auto allCached = [&] {
            if (!form.webBrowser3().busy())
                form.fetcher().Timer1_Timer();
            for (int r = 1; r <= list.rows(); ++r) {
                if (list.text(r, marking::Col::Downed) != "1")
                    return false;
            }
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allCached(), 60000);
        QVERIFY2(t.dialogs.messages.isEmpty(), qPrintable(t.dialogs.messages.join(" | ")));

        for (int r = 1; r <= qMin(3, list.rows()); ++r) {
            form.ListView1_ItemClick(r);
            QVERIFY(form.imageView().showsImages());
            QVERIFY(form.imageView().text().contains(list.text(r, marking::Col::Candidate) + "_" + list.text(r, marking::Col::Question)));
            QVERIFY(form.imageView().shownSize(0).isValid());
        }

        const QDir cache(form.cache().folder());
        const QStringList files = cache.entryList(QDir::Files);
        QCOMPARE(files.size(), list.rows());
        for (const QString& name : files) {
            QImageReader reader(cache.filePath(name));
            QVERIFY2(!reader.read().isNull(), qPrintable(name + ": " + reader.errorString()));
        }
    }
};

QTEST_MAIN(MarkingServerTest)
#include "test_marking_server.moc"
