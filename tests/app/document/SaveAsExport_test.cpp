// Save As to .docx, .odt and PDF: written through the LibreOffice converter
// as exports, while the document stays the rich-text document it was. With
// LibreOffice itself when it is installed, and with stand-in scripts for
// what it does wrong.
#include "support/OfficeStandIn.h"
#include "support/AppFixture.h"
#include "support/ScopedEnv.h"

#include "app/Applic.h"
#include "app/document/Export.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <signal.h>

using namespace qp;
using namespace qp::test;

namespace {

const QString Words = QStringLiteral("It was a quiet harbour town, and she wrote every morning.");

bool libreOfficeInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

class SaveAsExport : public AppFixture {
protected:
    void SetUp() override
    {
        useConverterFolder(QStringLiteral(QP_CONVERTER_DIR));
        start();
    }
    DocumentState& doc() { return app().document(); }

    // A named rich-text document with changes not yet saved.
    QString modifiedStory()
    {
        const QString story = writeFile(QStringLiteral("Story.rtf"), "{\\rtf1\\ansi " + Words.toUtf8() + "\\par}");
        loadNamedFile(app(), story);
        type(QStringLiteral("Draft. "));
        EXPECT_EQ(doc().state, DocState::Modified);
        return story;
    }
    void saveAs(const QString& target, int entry)
    {
        fileDialogs.choose(target, entry);
        app().runCommand(Command::File_SaveAs);
    }
    // An executable script standing in for soffice: `conversion` is what it
    // does when asked to convert; as the instance that stays, it waits.
    QString fakeSoffice(const QByteArray& conversion)
    {
        const QString path = writeFile(QStringLiteral("soffice"),
                                       "#!/bin/sh\n" + test::officeServerScript()
                                           + "while [ $# -gt 1 ]; do case \"$1\" in --outdir) out=\"$2\";; esac; shift; done\n"
                                       + conversion);
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
};

struct FormatCase {
    const char* name;
    int entry;
    const char* extension;
    QByteArray magic;
};

void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << c.name;
}

class ThroughLibreOffice : public SaveAsExport, public ::testing::WithParamInterface<FormatCase> {};

// The file is written in the format; the document keeps its own name, type
// and Modified state, and its own file is untouched. A .docx or .odt reads
// back through the converter with the text.
TEST_P(ThroughLibreOffice, WritesTheFormatAndKeepsTheDocument)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const FormatCase& c = GetParam();
    const QString story = modifiedStory();
    const QByteArray storyBytes = readAll(story);
    const QString target = QFileInfo(story).absolutePath() + QStringLiteral("/Story.") + QLatin1String(c.extension);

    saveAs(target, c.entry);

    ASSERT_EQ(fileDialogs.requests().size(), 1);
    EXPECT_TRUE(fileDialogs.requests().first().filter.endsWith(
        "|Word Document (*.docx)|*.docx|OpenDocument Text (*.odt)|*.odt|PDF (*.pdf)|*.pdf"));
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_TRUE(readAll(target).startsWith(c.magic));
    EXPECT_EQ(doc().fileName, story);
    EXPECT_EQ(doc().state, DocState::Modified);
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    EXPECT_EQ(doc().saveFormat, SaveFormat::RichText);
    EXPECT_EQ(app().windowTitle(), "Story.rtf - Quillpress");
    EXPECT_EQ(readAll(story), storyBytes);
    if (c.magic == "%PDF-")
        return;
    // The export opens again as a document of its own, through the converter.
    loadNamedFile(app(), target);
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(doc().fileName, target);
    EXPECT_EQ(editor().text(), "Draft. " + Words);
}

INSTANTIATE_TEST_SUITE_P(, ThroughLibreOffice,
                         ::testing::Values(FormatCase{"Docx", 4, "docx", "PK\x03\x04"},
                                           FormatCase{"Odt", 5, "odt", "PK\x03\x04"},
                                           FormatCase{"Pdf", 6, "pdf", "%PDF-"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without LibreOffice the dialog offers the program's own types only.
TEST_F(SaveAsExport, WithoutLibreOfficeOnlyTheProgramsOwnTypes)
{
    const ScopedEnv noLibreOffice("QUILLPRESS_SOFFICE", "/nonexistent/soffice");
    fileDialogs.cancelNext();
    app().runCommand(Command::File_SaveAs);
    ASSERT_EQ(fileDialogs.requests().size(), 1);
    EXPECT_EQ(fileDialogs.requests().first().filter, QString::fromLatin1(SaveFilter));
}

// A failed export names the file and the reason and leaves the file that was
// there as it was; the document is unchanged.
TEST_F(SaveAsExport, AFailureLeavesTheTargetAndTheDocument)
{
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", fakeSoffice("echo 'Error: cannot write'\nexit 1\n").toUtf8());
    const QString story = modifiedStory();
    const QString target = writeFile(QStringLiteral("Story.pdf"), "%PDF-1.4 the earlier version");

    saveAs(target, 6);

    EXPECT_EQ(messages.texts(), QStringList{"\"Story.pdf\" could not be saved as PDF.\rLibreOffice ended with an error."});
    EXPECT_EQ(readAll(target), "%PDF-1.4 the earlier version");
    EXPECT_EQ(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"Story.pdf", "Story.rtf", "soffice"}));
    EXPECT_EQ(doc().fileName, story);
    EXPECT_EQ(doc().state, DocState::Modified);
}

// The dialog adds the document's own extension to a bare name; the export
// gets the format's own instead, and never replaces the document's file.
TEST_F(SaveAsExport, TheFormatsExtensionInPlaceOfTheDocuments)
{
    const ScopedEnv soffice("QUILLPRESS_SOFFICE",
                            fakeSoffice("printf 'PDF of %s' \"$(basename \"$1\")\" > \"$out/document.pdf\"\n").toUtf8());
    const QString story = modifiedStory();
    const QByteArray storyBytes = readAll(story);

    saveAs(story, 6);

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(readAll(story), storyBytes);
    EXPECT_EQ(readAll(QFileInfo(story).absolutePath() + QStringLiteral("/Story.pdf")), "PDF of document.rtf");
    EXPECT_EQ(doc().fileName, story);
}

// An unnamed document offered a "Notes" name stays unnamed after an export:
// the exported file is not the document's.
TEST_F(SaveAsExport, AnUnnamedDocumentStaysUnnamed)
{
    const ScopedEnv soffice("QUILLPRESS_SOFFICE",
                            fakeSoffice("printf 'converted' > \"$out/document.odt\"\n").toUtf8());
    app().options().notesFileName = true;
    type(QStringLiteral("a thought"));
    const QString target = QFileInfo(writeFile(QStringLiteral("placeholder"), {})).absolutePath()
                           + QStringLiteral("/Thought.odt");

    saveAs(target, 5);

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_TRUE(fileDialogs.requests().first().fileName.startsWith("Notes "));
    EXPECT_EQ(readAll(target), "converted");
    EXPECT_TRUE(doc().fileName.isEmpty());
    EXPECT_EQ(doc().state, DocState::Modified);
    EXPECT_EQ(app().windowTitle(), "Quillpress");
}

// An export onto the document's own file would put another format in place
// of the document: refused with a message, the file untouched.
TEST_F(SaveAsExport, NeverOntoTheDocumentsOwnFile)
{
    const ScopedEnv soffice("QUILLPRESS_SOFFICE",
                            fakeSoffice("printf 'converted' > \"$out/document.docx\"\n").toUtf8());
    const QString own = writeFile(QStringLiteral("Letter.docx"), "plain words in a file named .docx");
    loadNamedFile(app(), own);
    type(QStringLiteral("More "));

    saveAs(own, 4);

    EXPECT_EQ(messages.texts(), QStringList{"\"Letter.docx\" is this document's own file, and saving it as a Word "
                                            "document would replace the document.\rChoose another name."});
    EXPECT_EQ(readAll(own), "plain words in a file named .docx");
}

using test::isRunningNow;

// A long export shows its progress box after half a second; Cancel there ends
// it and every process it started within a second, silently, with nothing
// written.
TEST_F(SaveAsExport, CancelInTheProgressBox)
{
    const QString pids = writeFile(QStringLiteral("pids"), {});
    const ScopedEnv soffice("QUILLPRESS_SOFFICE",
                            fakeSoffice("sleep 300 &\necho $! >> '" + pids.toUtf8() + "'\necho $$ >> '" + pids.toUtf8()
                                        + "'\nwait\n").toUtf8());
    modifiedStory();
    const QString target = QFileInfo(doc().fileName).absolutePath() + QStringLiteral("/Story.odt");

    QElapsedTimer sinceStart;
    qint64 shownAfter = -1;
    QElapsedTimer sinceCancel;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(widget);
            if (progress && progress->isVisible() && shownAfter < 0 && readAll(pids).count('\n') >= 2) {
                shownAfter = sinceStart.elapsed();
                EXPECT_TRUE(progress->labelText().contains("Story.odt")) << qPrintable(progress->labelText());
                sinceCancel.start();
                progress->findChild<QPushButton*>()->click();
            }
        }
    });
    poll.start(20);
    sinceStart.start();
    saveAs(target, 5);
    const qint64 cancelTook = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    poll.stop();

    EXPECT_GE(shownAfter, 450);
    EXPECT_GE(cancelTook, 0);
    EXPECT_LT(cancelTook, 1000);
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_FALSE(QFileInfo::exists(target));
    for (const QByteArray& pid : readAll(pids).split('\n')) {
        if (!pid.isEmpty()) {
            EXPECT_FALSE(isRunningNow(pid_t(pid.toInt()))) << "process " << pid.constData() << " still runs";
        }
    }
    EXPECT_EQ(doc().state, DocState::Modified);
}

}  // namespace
