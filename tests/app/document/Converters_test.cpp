// Word files through the converter folder: which converter reads a file,
// what the program hands it and receives, the messages, the Open dialog's
// Word entry and the library's release, with converters that misbehave on
// purpose standing in for real ones.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "platform/Services.h"
#include "support/ScopedEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace qp;
using namespace qp::test;

namespace {

const QString ConverterMessage = QStringLiteral(
    "This file can not be opened.\rThe required converter can not be found,   \ror the file format is not recognized.");
const QString InitFailedMessage = QStringLiteral("Please report: InitConverter failed");
const char* const First = "MSWRD832.CNV";

// The reasons the message gives after the converter message.
const char* const NoConverter = "no converter is installed: install LibreOffice for Word files.";
const char* const NotRecognised = "its format is not recognized.";
const char* const Failed = "the converter failed on it.";
const char* const Password = "it is protected by a password.";
const char* const Damaged = "it is damaged.";
const char* const TimedOut = "the converter took too long and was stopped.";
const char* const CannotRead = "the file could not be read.";

QString failureMessage(const QString& name, const QString& reason)
{
    return ConverterMessage + QStringLiteral("\r\r'%1' cannot be opened: %2").arg(name, reason);
}
const char* const Second = "MSWRD632.WPC";

QByteArray wordFixture()
{
    return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"));
}

// Whether this process has the library mapped.
bool isMapped(const QString& path)
{
    return readAll(QStringLiteral("/proc/self/maps")).contains(QFileInfo(path).canonicalFilePath().toUtf8());
}

// Processes this one started that are still there, ended ones not yet reaped included.
QList<int> childProcesses()
{
    QList<int> children;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        const int pid = entry.toInt(&isProcess);
        if (!isProcess)
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets.
        const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            children << pid;
    }
    return children;
}

class ConverterFolder : public AppFixture {
protected:
    void SetUp() override { useConverterFolder(m_converters.path()); }
    // The fake converter `kind` under the file name `name`; no kind, no file.
    void install(const char* kind, const char* name)
    {
        if (!kind)
            return;
        if (QByteArray(kind) == "garbage") {
            QFile file(converterPath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("not a library at all");
            return;
        }
        const QString source = QStringLiteral(QP_FAKE_CONVERTER_DIR "/%1.fake").arg(QLatin1String(kind));
        ASSERT_TRUE(QFile::copy(source, converterPath(name))) << qPrintable(source);
    }
    DocumentState& doc() { return app().document(); }
    QString converterPath(const char* name) const { return QDir(m_converters.path()).filePath(QLatin1String(name)); }
    QString wordFile(const QString& name = QStringLiteral("report.doc")) { return writeFile(name, wordFixture()); }
    void open(const QString& path)
    {
        fileDialogs.choose(path);
        app().runCommand(Command::File_Open);
    }
    // What the echoing converter shows: the program path it was given, then the file name.
    QString echoed(const QString& path) const
    {
        return app().services().paths.programPath.toUpper() + QStringLiteral("\r\n") + path;
    }

    QTemporaryDir m_converters;
};

struct ImportCase {
    const char* name;
    const char* first;   // the fake installed as the first converter, or none
    const char* second;  // likewise the second
    int initMessages;    // "Please report" boxes before the outcome
    const char* reason;  // why the file did not open, as the message names it; none: it opens
};

void PrintTo(const ImportCase& c, std::ostream* out)
{
    *out << c.name;
}

class ImportTest : public ConverterFolder, public ::testing::WithParamInterface<ImportCase> {};

// The first converter that recognises the file and converts it without error
// wins; any failure passes the file on; when none succeeds the user hears so
// and gets an empty, unnamed document, and the file is left as it was.
TEST_P(ImportTest, ConvertersInTurn)
{
    const ImportCase& c = GetParam();
    install(c.first, First);
    install(c.second, Second);
    start();
    const QString before = writeFile("before.txt", "the document before");
    loadNamedFile(app(), before);
    const QString path = wordFile();
    const QByteArray bytes = readAll(path);

    open(path);

    const QStringList initBoxes(c.initMessages, InitFailedMessage);
    EXPECT_EQ(readAll(path), bytes) << "the Word file is never written";
    EXPECT_FALSE(editor().isReadOnly());
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    if (!c.reason) {
        EXPECT_EQ(messages.texts(), initBoxes);
        EXPECT_EQ(editor().text(), echoed(path));
        EXPECT_EQ(doc().state, DocState::Saved);
        EXPECT_EQ(doc().fileName, path);
        EXPECT_EQ(app().windowTitle(), "report.doc - Quillpress");
        return;
    }
    EXPECT_EQ(messages.texts(),
              initBoxes + QStringList{failureMessage(QStringLiteral("report.doc"), QLatin1String(c.reason))});
    EXPECT_EQ(editor().text(), QString());
    EXPECT_EQ(doc().state, DocState::New);
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(app().windowTitle(), "Quillpress");
    EXPECT_FALSE(app().revertEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    , ImportTest,
    ::testing::Values(ImportCase{"FirstConvertsBeforeTheSecond", "Echo", "Big", 0, nullptr},
                      ImportCase{"OnlySecondInstalled", nullptr, "Echo", 0, nullptr},
                      ImportCase{"FirstDoesNotRecogniseIt", "Unknown", "Echo", 0, nullptr},
                      ImportCase{"FirstReportsAnError", "Error", "Echo", 0, nullptr},
                      ImportCase{"FirstCannotStart", "InitFails", "Echo", 1, nullptr},
                      ImportCase{"FirstHasNoEntryPoints", "NoEntries", "Echo", 1, nullptr},
                      ImportCase{"FirstWritesNothing", "Empty", "Echo", 0, nullptr},
                      ImportCase{"FirstWritesNoRtf", "NotRtf", "Echo", 0, nullptr},
                      ImportCase{"FirstOverrunsTheTransferBlock", "Overrun", "Echo", 0, nullptr},
                      ImportCase{"FirstFindsAPassword", "Password", "Echo", 0, nullptr},
                      ImportCase{"NeitherInstalled", nullptr, nullptr, 0, NoConverter},
                      ImportCase{"NotALibrary", "garbage", nullptr, 0, NoConverter},
                      ImportCase{"NeitherRecognisesIt", "Unknown", "Unknown", 0, NotRecognised},
                      ImportCase{"BothCannotStart", "InitFails", "InitFails", 2, NotRecognised},
                      ImportCase{"BothSayWrongType", "WrongType", "WrongType", 0, NotRecognised},
                      ImportCase{"NoConversionEntryPoint", "NoConversion", nullptr, 0, Failed},
                      ImportCase{"SecondReportsAnError", nullptr, "Error", 0, Failed},
                      ImportCase{"FirstWritesNothingSecondMissing", "Empty", nullptr, 0, Failed},
                      ImportCase{"Password", "Password", nullptr, 0, Password},
                      // LibreOffice missing, antiword finds the document encrypted.
                      ImportCase{"NoToolThenPassword", "NoTool", "Password", 0, Password},
                      ImportCase{"DamagedThenUnknown", "Damaged", "Unknown", 0, Damaged},
                      ImportCase{"NoToolThenUnknown", "NoTool", "Unknown", 0, NoConverter},
                      ImportCase{"NoToolOnly", "NoTool", nullptr, 0, NoConverter},
                      ImportCase{"TimedOutThenWrongType", "TimedOut", "WrongType", 0, TimedOut},
                      ImportCase{"CannotOpen", "CannotOpen", "Error", 0, CannotRead}),
    [](const auto& info) { return std::string(info.param.name); });

// Output far past the stream's preset size arrives whole, in order.
TEST_F(ConverterFolder, OutputPastThePresetSizeArrivesWhole)
{
    install("Big", First);
    start();
    open(wordFile());

    ASSERT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    const QString text = editor().text();
    const QStringList paragraphs = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(paragraphs.size(), 8001);
    for (int i = 0; i < 8000; ++i) {
        if (!paragraphs[i].startsWith(QStringLiteral("P%1 ").arg(i, 5, 10, QLatin1Char('0'))))
            FAIL() << "paragraph " << i << " is " << qPrintable(paragraphs[i].left(20));
    }
    EXPECT_EQ(paragraphs.last(), "END");
    EXPECT_GT(text.toUtf8().size(), 512 * 1024);
}

// A Word file read through a converter is never written over unasked: Save,
// Save As and the question at close all ask for a name, proposing the same
// one with ".rtf" beside it, and say why.
struct WordSaveCase {
    const char* name;
    Command command;    // File_Save, File_SaveAs, or File_Exit (close, answering Yes)
    const char* chosen; // the name picked in the dialog; null: the dialog is cancelled
    Answer replace;     // the answer to "replace the Word file?" when it is asked
    bool wordKept;
};

void PrintTo(const WordSaveCase& c, std::ostream* out)
{
    *out << c.name;
}

class WordSave : public ConverterFolder, public ::testing::WithParamInterface<WordSaveCase> {};

TEST_P(WordSave, TheWordFileIsNotWrittenOverUnasked)
{
    const WordSaveCase& c = GetParam();
    install("Echo", First);
    start();
    const QString path = wordFile();
    open(path);
    ASSERT_EQ(doc().state, DocState::Saved);
    ASSERT_TRUE(doc().convertedFromWord);
    type("Edited ");
    const auto dialogsBefore = fileDialogs.requests().size();
    const QString chosen = c.chosen ? QFileInfo(path).absolutePath() + QLatin1Char('/') + QLatin1String(c.chosen) : QString();
    if (c.chosen)
        fileDialogs.choose(chosen, int(SaveFormat::RichText));
    else
        fileDialogs.cancelNext();
    if (c.command == Command::File_Exit)
        messages.answer(Answer::Yes);
    if (chosen == path)
        messages.answer(c.replace);
    if (c.command == Command::File_Exit)
        app().close();
    else
        app().runCommand(c.command);

    ASSERT_EQ(fileDialogs.requests().size(), dialogsBefore + 1) << "a name is asked for";
    const FileDialogRequest& request = fileDialogs.requests().last();
    EXPECT_EQ(request.fileName, QFileInfo(path).absolutePath() + "/report.rtf");
    EXPECT_EQ(request.filterIndex, int(SaveFormat::RichText));
    EXPECT_TRUE(request.note.contains("Word file")) << qPrintable(request.note);
    EXPECT_EQ(readAll(path) == wordFixture(), c.wordKept);
    EXPECT_EQ(messages.pendingAnswers(), 0);
    if (!c.chosen || (chosen == path && c.replace != Answer::Yes)) {
        EXPECT_EQ(doc().state, DocState::Modified);
        EXPECT_EQ(doc().fileName, path);
        EXPECT_TRUE(app().isVisible()) << "nothing saved, nothing closed";
        return;
    }
    EXPECT_EQ(doc().fileName, chosen);
    EXPECT_TRUE(readAll(chosen).startsWith("{\\rtf1"));
    if (c.command == Command::File_Exit)
        return;
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_FALSE(doc().convertedFromWord);
    // The new rich-text file is now the document: the next Save writes it without asking.
    type("Again ");
    app().runCommand(Command::File_Save);
    EXPECT_EQ(fileDialogs.requests().size(), dialogsBefore + 1);
    loadNamedFile(app(), chosen);
    EXPECT_EQ(editor().text(), QStringLiteral("Edited Again ") + echoed(path));
}

INSTANTIATE_TEST_SUITE_P(
    , WordSave,
    ::testing::Values(WordSaveCase{"CtrlS", Command::File_Save, "report.rtf", Answer::No, true},
                      WordSaveCase{"CtrlSCancelled", Command::File_Save, nullptr, Answer::No, true},
                      WordSaveCase{"SaveAs", Command::File_SaveAs, "report.rtf", Answer::No, true},
                      WordSaveCase{"CloseWithYes", Command::File_Exit, "report.rtf", Answer::No, true},
                      WordSaveCase{"CloseWithYesCancelled", Command::File_Exit, nullptr, Answer::No, true},
                      WordSaveCase{"SaveAsOntoTheWordFileRefused", Command::File_SaveAs, "report.doc", Answer::No, true},
                      WordSaveCase{"SaveAsOntoTheWordFileAgreed", Command::File_SaveAs, "report.doc", Answer::Yes, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Save As onto another Word file asks first; No leaves it as it was.
TEST_F(ConverterFolder, SaveAsOverAnotherWordFileAsksFirst)
{
    install("Echo", First);
    start();
    open(wordFile());
    const QString other = wordFile(QStringLiteral("other.doc"));
    fileDialogs.choose(other, int(SaveFormat::RichText));
    messages.answer(Answer::No);
    app().runCommand(Command::File_SaveAs);

    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().contains("other.doc"));
    EXPECT_EQ(messages.boxes().first().kind, FakeMessageService::Kind::Confirm);
    EXPECT_EQ(readAll(other), wordFixture());
}

struct FilterCase {
    const char* name;
    const char* first;
    const char* second;
    bool offersWord;
};

void PrintTo(const FilterCase& c, std::ostream* out)
{
    *out << c.name;
}

class OpenFilterTest : public ConverterFolder, public ::testing::WithParamInterface<FilterCase> {};

// The Word entry follows the files in the folder, whether they load or not.
TEST_P(OpenFilterTest, WordEntryWhenAConverterFileExists)
{
    const FilterCase& c = GetParam();
    install(c.first, First);
    install(c.second, Second);
    start();
    EXPECT_EQ(app().convertersAvailable(), c.offersWord);
    EXPECT_EQ(doc().openFilter.contains("Word Files (*.doc)|*.doc"), c.offersWord);

    fileDialogs.cancelNext();
    app().runCommand(Command::File_Open);
    ASSERT_EQ(fileDialogs.requests().size(), 1);
    const QString filter = fileDialogs.requests().first().filter;
    EXPECT_EQ(filter.startsWith(QString::fromLatin1(OpenFilterWithWord)), c.offersWord);
    // The word-processor files the converters read by content, in the first entry and in entries of their own.
    EXPECT_EQ(filter.startsWith("All Known Files (*.rtf, *.txt, *.doc)|*.rtf;*.txt;*.doc;*.docx;*.odt;*.sxw;*.wpd|"),
              c.offersWord);
    EXPECT_EQ(filter.contains("|Word Documents (*.doc *.docx)|*.doc;*.docx|"), c.offersWord);
    EXPECT_EQ(filter.contains("|OpenDocument Text (*.odt)|*.odt|"), c.offersWord);
    EXPECT_EQ(filter.contains("|Other Word Processors (*.sxw *.wpd)|*.sxw;*.wpd|"), c.offersWord);
    EXPECT_EQ(filter.contains("docx"), c.offersWord);
}

INSTANTIATE_TEST_SUITE_P(, OpenFilterTest,
                         ::testing::Values(FilterCase{"Neither", nullptr, nullptr, false},
                                           FilterCase{"FirstOnly", "Echo", nullptr, true},
                                           FilterCase{"SecondOnly", nullptr, "Echo", true},
                                           FilterCase{"FileThatIsNoLibrary", "garbage", nullptr, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// One converter is loaded at a time, and the last one stays until the program ends.
TEST_F(ConverterFolder, OneLibraryAtATimeReleasedAtExit)
{
    install("Unknown", First);
    install("Echo", Second);
    start();
    open(wordFile());
    ASSERT_TRUE(messages.texts().isEmpty());
    EXPECT_FALSE(isMapped(converterPath(First)));
    EXPECT_TRUE(isMapped(converterPath(Second)));

    stop();
    EXPECT_FALSE(isMapped(converterPath(Second)));
}

// A converter that waits for a slow tool ("sleep") in a process group of its
// own, and kills the group when asked to cancel.
class SlowConversion : public ConverterFolder {
protected:
    void SetUp() override
    {
        ConverterFolder::SetUp();
        install("Slow", First);
        start();
        loadNamedFile(app(), m_before);
        ASSERT_TRUE(childProcesses().isEmpty());
    }
    QProgressDialog* progressBox() const { return app().findChild<QProgressDialog*>(); }
    bool boxShown() const { return progressBox() && progressBox()->isVisible(); }
    // Runs `act` once, from inside the conversion's wait, as soon as `ready` holds.
    void actWhen(std::function<bool()> ready, std::function<void()> act)
    {
        auto* timer = new QTimer(&app());
        QObject::connect(timer, &QTimer::timeout, timer, [timer, ready = std::move(ready), act = std::move(act)] {
            if (!ready())
                return;
            timer->stop();
            act();
        });
        timer->start(10);
    }

    const QString m_before = writeFile(QStringLiteral("before.txt"), "the document before");
};

// The window goes on handling events while the tool works; the box shows
// after half a second, not before; the result arrives whole, and the box goes.
TEST_F(SlowConversion, TheWindowKeepsRunningAndTheResultArrivesWhole)
{
    const ScopedEnv sleep("QP_FAKE_SLEEP", "1.5");
    const QString path = wordFile();
    QElapsedTimer clock;
    int ticks = 0;
    qint64 boxAfter = -1;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        ++ticks;
        if (boxAfter < 0 && boxShown())
            boxAfter = clock.elapsed();
    });
    ticker.start(20);
    clock.start();
    open(path);
    ticker.stop();

    EXPECT_GT(ticks, 30) << "the GUI thread ran its timers during the conversion";
    EXPECT_GE(boxAfter, 450) << "shown, and not before half a second";
    EXPECT_FALSE(boxShown());
    ASSERT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    const QStringList paragraphs = editor().text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(paragraphs.size(), 8001);
    EXPECT_TRUE(paragraphs.first().startsWith("P00000 "));
    EXPECT_TRUE(paragraphs[7999].startsWith("P07999 "));
    EXPECT_EQ(paragraphs.last(), "END");
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_TRUE(childProcesses().isEmpty());
}

enum class Stop { CancelButton, EscInTheBox, EscBeforeTheBox, CloseBox, CloseBoxBeforeTheBox, CtrlQ };

struct StopCase {
    const char* name;
    Stop stop;
    bool closes;  // the window closes once the conversion has stopped
};

void PrintTo(const StopCase& c, std::ostream* out)
{
    *out << c.name;
}

class StopConversion : public SlowConversion, public ::testing::WithParamInterface<StopCase> {};

// Every way of stopping ends the tool's whole process group at once and
// leaves the document on show as it was; closing the window closes it too.
TEST_P(StopConversion, NoToolLeftAndTheDocumentAsItWas)
{
    const StopCase& c = GetParam();
    const QString path = wordFile();
    const QByteArray bytes = readAll(path);
    const bool inBox = c.stop == Stop::CancelButton || c.stop == Stop::EscInTheBox || c.stop == Stop::CloseBox;
    bool toolRan = false;
    actWhen([&] { return !childProcesses().isEmpty() && (!inBox || boxShown()); },
            [&] {
                toolRan = true;
                switch (c.stop) {
                case Stop::CancelButton:
                    QTest::mouseClick(progressBox()->findChild<QPushButton*>(), Qt::LeftButton);
                    break;
                case Stop::EscInTheBox:
                    QTest::keyClick(progressBox(), Qt::Key_Escape);
                    break;
                case Stop::EscBeforeTheBox:
                    QTest::keyClick(&editor(), Qt::Key_Escape);
                    break;
                case Stop::CloseBox:
                case Stop::CloseBoxBeforeTheBox:
                    app().close();
                    break;
                case Stop::CtrlQ:
                    QTest::keyClick(&editor(), Qt::Key_Q, Qt::ControlModifier);
                    break;
                }
            });
    QElapsedTimer clock;
    clock.start();
    open(path);
    const qint64 took = clock.elapsed();
    processEvents();

    EXPECT_TRUE(toolRan);
    EXPECT_LT(took, 10000) << "the 30-second tool was stopped";
    EXPECT_TRUE(childProcesses().isEmpty()) << "no tool process is left";
    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(editor().text(), "the document before");
    EXPECT_EQ(doc().fileName, m_before);
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_FALSE(doc().convertedFromWord);
    EXPECT_EQ(readAll(path), bytes);
    EXPECT_FALSE(boxShown());
    EXPECT_EQ(app().isVisible(), !c.closes);
}

INSTANTIATE_TEST_SUITE_P(, StopConversion,
                         ::testing::Values(StopCase{"CancelButton", Stop::CancelButton, false},
                                           StopCase{"EscInTheBox", Stop::EscInTheBox, false},
                                           StopCase{"EscBeforeTheBox", Stop::EscBeforeTheBox, false},
                                           StopCase{"CloseBox", Stop::CloseBox, true},
                                           StopCase{"CloseBoxBeforeTheBox", Stop::CloseBoxBeforeTheBox, true},
                                           StopCase{"CtrlQ", Stop::CtrlQ, true}),
                         [](const auto& info) { return std::string(info.param.name); });

QByteArray fixture(const char* name)
{
    return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/") + QLatin1String(name));
}

QByteArray zipStartingWith(const QByteArray& firstName, const QByteArray& content)
{
    return QByteArray("PK\x03\x04", 4) + QByteArray(26, '\0') + firstName + content + QByteArray(64, '\0');
}

struct ContentCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;
    bool throughConverter;  // else a read-only binary view
    const char* proposed;   // the name the first Save proposes
};

void PrintTo(const ContentCase& c, std::ostream* out)
{
    *out << c.name;
}

class ByContent : public ConverterFolder, public ::testing::WithParamInterface<ContentCase> {};

// Word-processor files go to the converter by their content, whatever their
// name, and open under their own name; like a Word file they are never written
// over, the first Save proposing the name with ".rtf". Other zip and compound
// files stay binary views.
TEST_P(ByContent, WordProcessorFilesOpenThroughTheConverter)
{
    const ContentCase& c = GetParam();
    install("Echo", First);
    start();
    const QString path = writeFile(QLatin1String(c.fileName), c.bytes);

    open(path);

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(app().windowTitle(), QLatin1String(c.fileName) + " - Quillpress");
    if (!c.throughConverter) {
        EXPECT_EQ(doc().fileTypeLabel, LabelBinary);
        EXPECT_TRUE(editor().isReadOnly());
        return;
    }
    EXPECT_EQ(editor().text(), echoed(path));
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    EXPECT_FALSE(editor().isReadOnly());
    type("Edited ");
    fileDialogs.cancelNext();
    app().runCommand(Command::File_Save);
    ASSERT_EQ(fileDialogs.requests().size(), 2);
    EXPECT_EQ(fileDialogs.requests().last().fileName, QFileInfo(path).absolutePath() + "/" + QLatin1String(c.proposed));
    EXPECT_EQ(readAll(path), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    , ByContent,
    ::testing::Values(
        ContentCase{"Docx", "letter.docx", fixture("formatted.docx"), true, "letter.rtf"},
        ContentCase{"DocxWithoutExtension", "letter", fixture("formatted.docx"), true, "letter.rtf"},
        ContentCase{"Odt", "story.odt", fixture("formatted.odt"), true, "story.rtf"},
        ContentCase{"OdtInCapitals", "STORY.ODT", fixture("formatted.odt"), true, "STORY.rtf"},
        ContentCase{"WordUnderAnotherName", "chapter.wri", fixture("formatted.doc"), true, "chapter.rtf"},
        ContentCase{"StarOfficeText", "old.sxw", zipStartingWith("mimetype", "application/vnd.sun.xml.writer"), true,
                    "old.rtf"},
        ContentCase{"WordPerfect", "letter.wpd", QByteArray("\xFFWPC\x10\0\0\0\x01\x0A\x02\x01\0\0\0\0", 16) + QByteArray(64, 'x'),
                    true, "letter.rtf"},
        ContentCase{"ProtectedDocx", "secret.docx",
                    QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(1024, '\0')
                        + QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32),
                    true, "secret.rtf"},
        ContentCase{"WordPerfectGraphic", "picture.wpg", QByteArray("\xFFWPC\x10\0\0\0\x01\x16\x01\0\0\0\0\0", 16) + QByteArray(64, 'x'),
                    false, nullptr},
        ContentCase{"OtherZip", "archive.zip", zipStartingWith("notes.txt", "some notes"), false, nullptr},
        ContentCase{"Spreadsheet", "sheet.ods",
                    zipStartingWith("mimetype", "application/vnd.oasis.opendocument.spreadsheet"), false, nullptr},
        ContentCase{"OtherCompoundFile", "budget.xls", fixture("binary.doc"), false, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a converter a .docx gives the message, not a binary view.
TEST_F(ConverterFolder, DocxWithoutAConverterGivesTheMessage)
{
    start();
    const QString path = writeFile(QStringLiteral("letter.docx"), fixture("formatted.docx"));
    open(path);

    EXPECT_EQ(messages.texts(), QStringList{failureMessage(QStringLiteral("letter.docx"), QLatin1String(NoConverter))});
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    EXPECT_FALSE(editor().isReadOnly());
}

// Save As onto a word-processor file asks, as for a Word file, instead of writing or refusing.
TEST_F(ConverterFolder, SaveAsOverAnOpenDocumentFileAsksFirst)
{
    start();
    type("my chapter");
    const QString target = writeFile(QStringLiteral("story.odt"), fixture("formatted.odt"));
    fileDialogs.choose(target, int(SaveFormat::RichText));
    messages.answer(Answer::No);
    app().runCommand(Command::File_SaveAs);

    ASSERT_EQ(messages.boxes().size(), 1);
    EXPECT_EQ(messages.boxes().first().kind, FakeMessageService::Kind::Confirm);
    EXPECT_TRUE(messages.texts().first().startsWith("\"story.odt\" is an OpenDocument text.")) << qPrintable(messages.texts().first());
    EXPECT_EQ(readAll(target), fixture("formatted.odt"));
    EXPECT_EQ(doc().state, DocState::Modified);
}

}  // namespace
