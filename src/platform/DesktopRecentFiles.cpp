#include "platform/DesktopRecentFiles.h"

#include "platform/FileReading.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace qp {

namespace {

const QString BookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString MimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

QString stamp(const QDateTime& when)
{
    return when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
}

void writeApplication(QXmlStreamWriter& out, const RecentFileEntry& entry, int count)
{
    out.writeStartElement(BookmarkNs, QStringLiteral("application"));
    out.writeAttribute(QStringLiteral("name"), entry.applicationName);
    out.writeAttribute(QStringLiteral("exec"), entry.exec);
    out.writeAttribute(QStringLiteral("modified"), stamp(entry.when));
    out.writeAttribute(QStringLiteral("count"), QString::number(count));
    out.writeEndElement();
}

void writeBookmark(QXmlStreamWriter& out, const QString& href, const RecentFileEntry& entry)
{
    out.writeStartElement(QStringLiteral("bookmark"));
    out.writeAttribute(QStringLiteral("href"), href);
    for (const char* time : {"added", "modified", "visited"})
        out.writeAttribute(QString::fromLatin1(time), stamp(entry.when));
    out.writeStartElement(QStringLiteral("info"));
    out.writeStartElement(QStringLiteral("metadata"));
    out.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    out.writeEmptyElement(MimeNs, QStringLiteral("mime-type"));
    out.writeAttribute(QStringLiteral("type"), entry.mimeType);
    out.writeStartElement(BookmarkNs, QStringLiteral("applications"));
    writeApplication(out, entry, 1);
    out.writeEndElement();
    out.writeEndElement();
    out.writeEndElement();
    out.writeEndElement();
}

// The start tag of the reader's element with some attributes replaced.
void copyStartWith(QXmlStreamReader& in, QXmlStreamWriter& out, const QList<std::pair<QString, QString>>& replaced)
{
    out.writeStartElement(in.namespaceUri().toString(), in.name().toString());
    for (const QXmlStreamNamespaceDeclaration& ns : in.namespaceDeclarations())
        out.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
    for (const QXmlStreamAttribute& attribute : in.attributes()) {
        const QString name = attribute.qualifiedName().toString();
        auto found = std::find_if(replaced.begin(), replaced.end(), [&](const auto& r) { return r.first == name; });
        out.writeAttribute(attribute.namespaceUri().toString(), attribute.name().toString(),
                           found != replaced.end() ? found->second : attribute.value().toString());
    }
}

void declareIfMissing(const QXmlStreamReader& in, QXmlStreamWriter& out, const QString& uri, const QString& prefix)
{
    const auto declared = in.namespaceDeclarations();
    if (std::none_of(declared.begin(), declared.end(), [&](const auto& ns) { return ns.namespaceUri() == uri; }))
        out.writeNamespace(uri, prefix);
}

// Copies the list token by token, changing only this file's bookmark.
bool rewrite(const QByteArray& old, const QString& href, const RecentFileEntry& entry, QByteArray& result)
{
    QXmlStreamReader in(old);
    QXmlStreamWriter out(&result);
    out.setAutoFormatting(true);
    out.writeStartDocument();
    bool inOurs = false;
    bool counted = false;
    bool found = false;
    int depth = 0;
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::DTD:
            break;
        case QXmlStreamReader::StartElement: {
            ++depth;
            const QStringView name = in.name();
            if (depth == 1) {
                if (name != QLatin1String("xbel"))
                    return false;
                copyStartWith(in, out, {});
                // Readers of this list match the prefixed names literally.
                declareIfMissing(in, out, BookmarkNs, QStringLiteral("bookmark"));
                declareIfMissing(in, out, MimeNs, QStringLiteral("mime"));
            } else if (depth == 2 && name == QLatin1String("bookmark") &&
                in.attributes().value(QStringLiteral("href")) == href) {
                inOurs = found = true;
                copyStartWith(in, out, {{QStringLiteral("modified"), stamp(entry.when)},
                                        {QStringLiteral("visited"), stamp(entry.when)}});
            } else if (inOurs && name == QLatin1String("application") && in.namespaceUri() == BookmarkNs &&
                       in.attributes().value(QStringLiteral("name")) == entry.applicationName) {
                const int count = in.attributes().value(QStringLiteral("count")).toInt() + 1;
                copyStartWith(in, out, {{QStringLiteral("modified"), stamp(entry.when)},
                                        {QStringLiteral("count"), QString::number(count)}});
                counted = true;
            } else {
                out.writeCurrentToken(in);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (inOurs && !counted && in.name() == QLatin1String("applications")) {
                writeApplication(out, entry, 1);
                counted = true;
            }
            if (depth == 2 && inOurs)
                inOurs = false;
            if (depth == 1 && !found)
                writeBookmark(out, href, entry);
            --depth;
            out.writeCurrentToken(in);
            break;
        case QXmlStreamReader::Characters:
            // The writer lays the file out again.
            if (!in.isWhitespace())
                out.writeCurrentToken(in);
            break;
        default:
            out.writeCurrentToken(in);
            break;
        }
    }
    return !in.hasError() && depth == 0;
}

}  // namespace

bool addToDesktopRecentFiles(const QString& xbelPath, const RecentFileEntry& entry)
{
    const QString href = QString::fromUtf8(QUrl::fromLocalFile(entry.filePath).toEncoded());
    // The desktop's list holds a few thousand entries at most; anything else in
    // its place (a FIFO, a device, a huge file) is left alone.
    const SmallFile file = readSmallFile(xbelPath, 32 * 1024 * 1024);
    if (file.state == SmallFile::State::Refused)
        return false;
    QByteArray old = file.bytes;
    if (old.trimmed().isEmpty())
        old = QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\"></xbel>\n");
    QByteArray result;
    if (!rewrite(old, href, entry, result))
        return false;
    QDir().mkpath(QFileInfo(xbelPath).absolutePath());
    QSaveFile out(xbelPath);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(result);
    return out.commit();
}

QString desktopRecentFilesPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

}  // namespace qp
