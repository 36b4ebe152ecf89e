#pragma once
#include "app/app_paths.h"
#include "app/clock.h"
#include "app/dialogs.h"
#include "app/services.h"
#include "net/page_channel.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

namespace testsupport {

// Records every message instead of showing it, and answers file dialogs
// with the names queued beforehand.
class RecordingDialogs final : public app::Dialogs {
public:
    void message(const QString& text) override { messages << text; }
    QString openFileName(const QString&, const QString&) override { return nextFileName.isEmpty() ? QString() : nextFileName.takeFirst(); }
    QString saveFileName(const QString&, const QString& suggested, const QString&) override
    {
        suggestedNames << suggested;
        return nextFileName.isEmpty() ? QString() : nextFileName.takeFirst();
    }
    bool openUrl(const QUrl& url) override { openedUrls << url; return true; }

    QStringList messages;
    QStringList nextFileName;
    QStringList suggestedNames;  // the names save dialogs proposed
    QList<QUrl> openedUrls;
};

class FixedClock final : public app::Clock {
public:
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advanceSeconds(qint64 s) { now_ = now_.addSecs(s); }

private:
    QDateTime now_ = QDateTime(QDate(2026, 12, 10), QTime(8, 0, 0));
};

// Records the screen changes a screen asks for.
class RecordingFlow final : public app::ScreenFlow {
public:
    void showLogin() override { calls << QStringLiteral("login"); }
    void showExamList() override { calls << QStringLiteral("exams"); }
    void openWorkScreen(int workId) override { calls << QStringLiteral("work%1").arg(workId); }
    QStringList calls;
};

// Everything a screen under test is handed, with a temporary program folder.
struct TestServices {
    TestServices();
    QTemporaryDir dir;
    net::Network network;
    RecordingDialogs dialogs;
    FixedClock clock;
    app::AppPaths paths;
    RecordingFlow flow;
    app::Services services;
};

}  // namespace testsupport
