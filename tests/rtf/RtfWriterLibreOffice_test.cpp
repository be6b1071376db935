// Another word processor reads the lists we write with the labels we show:
// LibreOffice's text export of our file against our own plain text.
#include "support/QtPrinters.h"

#include "editor/DocumentText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextProperties.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

namespace qp {
namespace {

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(QP_TEST_DATA_DIR "/rtf/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isBullet(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    return list && !listBullet(list->format()).isEmpty();
}

// Our labels and text, one line per paragraph, as LibreOffice writes them:
// the label and a space, with no indent. Its text export draws every bullet
// with a bullet of its own choice, so bullets compare as one.
QStringList ourLines(const QTextDocument& doc)
{
    QStringList lines;
    const QStringList plain = plainTextOf(doc).split(QLatin1Char('\n'));
    QTextBlock block = doc.begin();
    for (QString line : plain) {
        while (line.startsWith(QLatin1Char('\t')))
            line.remove(0, 1);
        if (block.textList()) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            line = (isBullet(block) ? QStringLiteral("\u2022") : line.left(tab)) + QLatin1Char(' ') + line.mid(tab + 1);
        }
        lines << line;
        block = block.next();
    }
    return lines;
}

QStringList theirLines(QString text)
{
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        line.remove(QLatin1Char('\r'));
        while (line.startsWith(QLatin1Char(' ')))
            line.remove(0, 1);
        if (line.size() > 1 && QStringView(u"\u2022\u25AA\u25E6\u25A0\u2013\u2043\u27A2\u2713").contains(line.at(0))
            && line.at(1) == QLatin1Char(' '))
            line[0] = QChar(0x2022);
    }
    return lines;
}

// Converts files with LibreOffice into `format`, next to them; false when it
// did not finish.
bool convert(const QString& soffice, const QTemporaryDir& dir, const QString& format, const QStringList& files)
{
    // A profile of its own, so that a LibreOffice already running elsewhere
    // neither takes the job nor is disturbed.
    QProcess process;
    process.setProgram(soffice);
    process.setArguments(QStringList{QStringLiteral("-env:UserInstallation=")
                                         + QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                                     QStringLiteral("--headless"), QStringLiteral("--convert-to"), format,
                                     QStringLiteral("--outdir"), dir.path()}
                         + files);
    process.start();
    return process.waitForFinished(240000);
}

std::unique_ptr<QTextDocument> readFixture(const QString& name)
{
    QByteArray source = fixture(name + QStringLiteral(".rtf"));
    QBuffer in(&source);
    in.open(QIODevice::ReadOnly);
    auto doc = std::make_unique<QTextDocument>();
    if (source.isEmpty() || !RtfReader().read(&in, doc.get()))
        return nullptr;
    return doc;
}

TEST(RtfWriterLibreOffice, ShowsTheLabelsWeShowAtEveryLevel)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    const QStringList names = {QStringLiteral("list-start"), QStringLiteral("list-nested"), QStringLiteral("list-font"),
                               QStringLiteral("list-outline-libreoffice")};
    std::vector<std::unique_ptr<QTextDocument>> docs;
    QStringList files;
    for (const QString& name : names) {
        auto doc = readFixture(name);
        ASSERT_TRUE(doc) << name.toStdString();
        QFile out(dir.filePath(name + QStringLiteral(".rtf")));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(RtfWriter().write(&out, doc.get()));
        files << out.fileName();
        docs.push_back(std::move(doc));
    }

    ASSERT_TRUE(convert(soffice, dir, QStringLiteral("txt:Text"), files)) << "LibreOffice did not finish";

    for (size_t i = 0; i < docs.size(); ++i) {
        QFile text(dir.filePath(names[qsizetype(i)] + QStringLiteral(".txt")));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << names[qsizetype(i)].toStdString();
        EXPECT_EQ(theirLines(QString::fromUtf8(text.readAll())).join(QLatin1Char('\n')).toStdString(),
                  ourLines(*docs[i]).join(QLatin1Char('\n')).toStdString())
            << names[qsizetype(i)].toStdString();
    }
}

// Its text export keeps hidden text, so the hidden runs are looked for in
// its HTML export, where they do not show.
TEST(RtfWriterLibreOffice, KeepsOurHiddenTextHidden)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto doc = readFixture(QStringLiteral("hidden"));
    ASSERT_TRUE(doc);
    QFile out(dir.filePath(QStringLiteral("hidden.rtf")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(RtfWriter().write(&out, doc.get()));
    out.close();
    ASSERT_TRUE(convert(soffice, dir, QStringLiteral("html"), {out.fileName()})) << "LibreOffice did not finish";

    QFile html(dir.filePath(QStringLiteral("hidden.html")));
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(html.readAll());
    QStringList hidden;
    const QRegularExpression span(QStringLiteral(R"(<span style="display: none">(.*?)</span>)"),
                                  QRegularExpression::DotMatchesEverythingOption);
    for (auto it = span.globalMatch(page); it.hasNext();)
        hidden << it.next().captured(1).remove(QRegularExpression(QStringLiteral("<[^>]*>"))).simplified();
    EXPECT_EQ(hidden.join(QLatin1Char('|')).toStdString(), "(note to self: check the date)|hidden and big|A whole hidden line");
    EXPECT_TRUE(page.contains(QLatin1String("Tuesday.")));
}

}  // namespace
}  // namespace qp
