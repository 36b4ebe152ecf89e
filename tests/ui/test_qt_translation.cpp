// Qt's own texts in Chinese: the message box's button reads "确定"; the
// program's message box shows a server's text as plain text.
#include "app/qt_translation.h"
#include "ui/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString okText()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("tavix"), QStringLiteral("x"), QMessageBox::Ok);
    return box.button(QMessageBox::Ok)->text();
}
}  // namespace

class QtTranslationTest : public QObject {
    Q_OBJECT
private slots:
    // Rows in this order: an installed translation stays installed.
    void messageBoxButton_data()
    {
        QTest::addColumn<bool>("installedPath");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("ok");
        QTest::newRow("folder without it") << false << false << "OK";
        QTest::newRow("Qt's translations folder") << true << true << QStringLiteral("确定");
    }
    void messageBoxButton()
    {
        QFETCH(bool, installedPath);
        QFETCH(bool, loads);
        QFETCH(QString, ok);
        QTemporaryDir empty;
        const QString installed = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (installedPath && !QFile::exists(installed + "/qt_zh_CN.qm"))
            QSKIP("Qt's Chinese translation is not installed (scripts/deps installs it)");
        QCOMPARE(app::install_qt_chinese(*qApp, installedPath ? QString() : empty.path()), loads);
        QCOMPARE(okText(), ok);
    }

    // Text a hostile server sends shows as it is: no live link, no markup.
    void messagesArePlainText()
    {
        const auto box = ui::QtDialogs::messageBox(QStringLiteral("出错地址：<a href=\"http://x/\">点这里</a>\r更多信息"));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->text(), QStringLiteral("出错地址：<a href=\"http://x/\">点这里</a>\n更多信息"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Velmora网上阅卷"));
    }
};

QTEST_MAIN(QtTranslationTest)
#include "test_qt_translation.moc"
