// Where the program folder is: --data-dir in both of its command-line forms.
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
};

QTEST_GUILESS_MAIN(AppPathsTest)
#include "test_app_paths.moc"
