#pragma once
// Reads back what a test wrote to an .xlsx: the first sheet's cells (shared
// strings resolved), its merges and its column widths, from the package's
// XML as `unzip` gives it.
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace testsupport {

struct SheetContents {
    QMap<QString, QString> cells;  // "B3" -> text or number as written
    QStringList merges;            // "A1:C1"
    QMap<int, double> widths;      // 1-based column -> width
    bool ok = false;
};

inline QByteArray unzipEntry(const QString& file, const QString& entry)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, entry});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

inline SheetContents readSheet(const QString& file)
{
    SheetContents out;
    QStringList shared;
    QXmlStreamReader ss(unzipEntry(file, QStringLiteral("xl/sharedStrings.xml")));
    QString current;
    bool inSi = false;
    while (!ss.atEnd()) {
        ss.readNext();
        if (ss.isStartElement() && ss.name() == u"si") {
            inSi = true;
            current.clear();
        } else if (ss.isStartElement() && ss.name() == u"t" && inSi) {
            current += ss.readElementText();
        } else if (ss.isEndElement() && ss.name() == u"si") {
            shared << current;
            inSi = false;
        }
    }
    const QByteArray sheet = unzipEntry(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheet.isEmpty())
        return out;
    QXmlStreamReader x(sheet);
    QString ref, type;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement())
            continue;
        const auto a = x.attributes();
        if (x.name() == u"c") {
            ref = a.value(QStringLiteral("r")).toString();
            type = a.value(QStringLiteral("t")).toString();
        } else if (x.name() == u"v") {
            const QString v = x.readElementText();
            out.cells[ref] = type == u"s" ? shared.value(v.toInt()) : v;
        } else if (x.name() == u"mergeCell") {
            out.merges << a.value(QStringLiteral("ref")).toString();
        } else if (x.name() == u"col") {
            for (int c = a.value(QStringLiteral("min")).toInt(); c <= a.value(QStringLiteral("max")).toInt(); ++c)
                out.widths[c] = a.value(QStringLiteral("width")).toDouble();
        }
    }
    out.ok = !x.hasError();
    return out;
}

}  // namespace testsupport
