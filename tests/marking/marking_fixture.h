#pragma once
// A marking screen on the stub server: a session for exam 7, subject 2,
// teacher 5, and helpers for cached images and image replies.
#include "app/session.h"
#include "marking/answer_lists.h"
#include "marking/feedback_panel.h"
#include "marking/image_fetcher.h"
#include "marking/marking_form.h"
#include "marking/progress_panel.h"
#include "marking/score_options_box.h"
#include "marking/score_panel.h"
#include "marking/score_saver.h"
#include "marking/selector_bar.h"
#include "marking/status_bar.h"
#include "marking/marking_state.h"
#include "screen_test.h"
#include "test_images.h"
#include "ui/image_page_view.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <memory>

namespace markingtest {

inline QByteArray png_bytes(int w = 40, int h = 30, QColor c = Qt::darkBlue)
{
    return testsupport::image_bytes(w, h, c);
}

using testsupport::image_reply;

// progress record + answers "work_id,cj_id,name,question,full,candidate,score,flag,xx_id,class"
inline QString batch(const QStringList& answers, const QString& progress = QStringLiteral("0,8,45,12,540,300,2,16,3,0"))
{
    QString r = progress + u';';
    for (const QString& a : answers)
        r += a + u';';
    return r;
}

inline QString answer(int workId, int cjId, const QString& question, const QString& candidate,
                      const QString& score = QStringLiteral("0.001"))
{
    return QStringLiteral("%1,%2,学生%2,%3,10,%4,%5,0,1,12").arg(workId).arg(cjId).arg(question, candidate, score);
}

struct Fixture : testsupport::ScreenTest {
    marking::MarkingState memory;  // what the program flow keeps between openings
    std::unique_ptr<marking::MarkingForm> form;

    Fixture()
    {
        ui::ImagePageView::setWebContentEnabled(false);
        chooseExam(QStringLiteral("王老师"));
    }

    QString cacheDir() const { return t.paths.programDir() + QStringLiteral("/ks_data/7/2"); }
    QString cached(const QString& name) const { return cacheDir() + u'/' + name; }
    void writeCached(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(cacheDir());
        QFile f(cached(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    void open() { form = std::make_unique<marking::MarkingForm>(t.services, memory); }

    // Opens the screen with an assignment and a first batch (the caller
    // waits for the batch).
    void openWith(const QString& assignment, const QString& firstBatch)
    {
        stub.setReply(QStringLiteral("net_get_work.asp"), assignment);
        stub.setReply(QStringLiteral("net_user_work.asp"), firstBatch);
        open();
    }

    template <typename T>
    T* find(const QString& name) const { return control<T>(*form, name); }
};

}  // namespace markingtest
