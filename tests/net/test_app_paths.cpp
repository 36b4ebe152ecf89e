// Where the program folder is: --data-dir in both of its command-line forms,
// never a system folder.
#include "app/app_paths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class AppPathsTest : public QObject {
    Q_OBJECT
private slots:
    void dataDirOption_data()
    {
        QTest::addColumn<QStringList>("args");  // "DIR" stands for the folder
        QTest::newRow("separate value") << QStringList{"tavix", "--data-dir", "DIR"};
        QTest::newRow("joined by =") << QStringList{"tavix", "--data-dir=DIR"};
        QTest::newRow("last one wins") << QStringList{"tavix", "--data-dir=elsewhere", "--data-dir", "DIR"};
    }
    void dataDirOption()
    {
        QFETCH(QStringList, args);
        QTemporaryDir tmp;
        const QString dir = tmp.filePath("data/client");  // missing: created
        args.replaceInStrings("DIR", dir);
        args.replaceInStrings("elsewhere", tmp.filePath("elsewhere"));
        const app::AppPaths paths = app::AppPaths::fromArguments(args);
        QCOMPARE(paths.programDir(), QDir::cleanPath(dir));
        QVERIFY(QFileInfo(dir).isDir());
        QCOMPARE(paths.file("url.txt"), QDir::cleanPath(dir) + "/url.txt");
    }

    // An installed program never writes beside its executable, even when
    // root could: its program folder is the user's data folder.
    void systemFolders_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<bool>("system");
        QTest::newRow("installed") << "/usr/bin" << true;
        QTest::newRow("local install") << "/usr/local/bin" << true;
        QTest::newRow("bin") << "/bin" << true;
        QTest::newRow("opt") << "/opt/tavix/bin" << true;
        QTest::newRow("build folder") << "/work/main/build/bin" << false;
        QTest::newRow("a name that only starts alike") << "/usrdata/bin" << false;
        QTest::newRow("home") << "/home/teacher/tavix" << false;
    }
    void systemFolders()
    {
        QFETCH(QString, dir);
        QTEST(app::is_system_folder(dir), "system");
    }
};

QTEST_GUILESS_MAIN(AppPathsTest)
#include "test_app_paths.moc"
