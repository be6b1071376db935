// Document files: New, Open, Save, Save As, Revert, the query save, the binary
// view and the file type, driven through the program's commands.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "app/document/LongWork.h"
#include "editor/RichEdit.h"
#include "format/Tools_Format.h"
#include "store/Registry.h"

#include <QFile>
#include <QLocale>
#include <QFileInfo>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

using namespace qp;
using namespace qp::test;

namespace {

class DocumentFiles : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    void run(Command command) { app().runCommand(command); }
    DocumentState& doc() { return app().document(); }
    // A file of `size` bytes of letters with one 0 byte at `zeroAt` (none when negative).
    QString fileWithZero(const QString& name, int size, int zeroAt)
    {
        QByteArray bytes(size, 'x');
        if (zeroAt >= 0)
            bytes[zeroAt] = '\0';
        return writeFile(name, bytes);
    }
};

struct BinaryCase {
    const char* name;
    int size;
    int zeroAt;
    bool binary;
};

class BinaryTest : public DocumentFiles, public ::testing::WithParamInterface<BinaryCase> {};

// Only the first n - 9 of the first n = min(size, 1000) bytes are examined.
TEST_P(BinaryTest, ZeroBytesInTheExaminedHead)
{
    const BinaryCase& c = GetParam();
    EXPECT_EQ(isBinaryFile(fileWithZero("probe.bin", c.size, c.zeroAt)), c.binary);
}

INSTANTIATE_TEST_SUITE_P(, BinaryTest,
                         ::testing::Values(BinaryCase{"NoZero", 2000, -1, false},
                                           BinaryCase{"ZeroAtStart", 2000, 0, true},
                                           BinaryCase{"ZeroAtNMinus10", 2000, 990, true},
                                           BinaryCase{"ZeroAtNMinus9", 2000, 991, false},
                                           BinaryCase{"ZeroPastTheHead", 2000, 1500, false},
                                           BinaryCase{"ShortFileZeroAtNMinus10", 50, 40, true},
                                           BinaryCase{"ShortFileZeroAtNMinus9", 50, 41, false},
                                           BinaryCase{"UnderTenBytesNeverBinary", 9, 0, false},
                                           BinaryCase{"EmptyFile", 0, -1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TypeCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;
    const char* label;
    SaveFormat saveFormat;
    bool readOnly;
};

class FileTypeOnLoad : public DocumentFiles, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(FileTypeOnLoad, ByExtensionThenByContent)
{
    const TypeCase& c = GetParam();
    loadNamedFile(app(), writeFile(c.fileName, c.bytes));
    EXPECT_EQ(doc().fileTypeLabel, c.label);
    EXPECT_EQ(doc().saveFormat, c.saveFormat);
    EXPECT_EQ(editor().isReadOnly(), c.readOnly);
    EXPECT_EQ(doc().state, DocState::Saved);
}

const QByteArray BinaryBytes = QByteArray("head\0\x01\x02tail-of-the-file", 23);

INSTANTIATE_TEST_SUITE_P(
    , FileTypeOnLoad,
    ::testing::Values(TypeCase{"Rtf", "a.rtf", "{\\rtf1 hello}", LabelRtf, SaveFormat::RichText, false},
                      TypeCase{"RtfInCapitals", "A.RTF", "{\\rtf1 hello}", LabelRtf, SaveFormat::RichText, false},
                      TypeCase{"TxtInCapitals", "B.TxT", "hello", LabelTxt, SaveFormat::PlainText, false},
                      TypeCase{"RtfWithZeroBytes", "z.rtf", BinaryBytes, LabelRtf, SaveFormat::RichText, false},
                      TypeCase{"OtherExtensionText", "notes.log", "plain words", LabelTxt, SaveFormat::PlainText,
                               false},
                      TypeCase{"BinaryLog", "data.log", BinaryBytes, LabelBinary, SaveFormat::PlainText, true},
                      TypeCase{"NoExtension", "README", "words", LabelTxt, SaveFormat::PlainText, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFiles, BinaryViewShowsControlBytesAsDotsAndCannotBeSaved)
{
    const QString path = writeFile("data.log", BinaryBytes);
    loadNamedFile(app(), path);
    EXPECT_EQ(editor().text(), "head...tail-of-the-file");

    run(Command::File_Save);
    fileDialogs.choose(scratchPath("copy.txt"));
    run(Command::File_SaveAs);
    EXPECT_EQ(messages.texts(), (QStringList{"Binary files can not be saved.", "Binary files can not be saved."}));
    EXPECT_EQ(readAll(path), BinaryBytes);
    EXPECT_FALSE(QFile::exists(scratchPath("copy.txt")));
}

TEST_F(DocumentFiles, Utf16TextWithAnyExtensionIsEditableTextAndSavedAsUtf16)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const char16_t c : u"Chapter \u00e9\r\nwords")
        if (c)
            bytes += char(c & 0xFF), bytes += char(c >> 8);
    const QString path = writeFile("chapter.md", bytes);
    loadNamedFile(app(), path);
    EXPECT_EQ(doc().fileTypeLabel, LabelTxt);
    EXPECT_FALSE(editor().isReadOnly());
    EXPECT_EQ(editor().text(), QStringLiteral("Chapter \u00e9\r\nwords"));

    editor().setSelection(editor().textLength(), 0);
    editor().replaceSelection(QStringLiteral("!"));
    run(Command::File_Save);
    EXPECT_EQ(readAll(path), bytes + QByteArray("!\0", 2));
}

TEST_F(DocumentFiles, NewAfterABinaryViewIsEditable)
{
    loadNamedFile(app(), writeFile("data.log", BinaryBytes));
    run(Command::File_New);
    EXPECT_FALSE(editor().isReadOnly());
    type("fresh");
    EXPECT_EQ(editor().text(), "fresh");
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
}

TEST_F(DocumentFiles, SaveAsWithAllFilesWritesPlainTextAndPreselectsText)
{
    type("Chapter one");
    fileDialogs.choose(scratchPath("draft.any"), int(SaveFormat::AllFiles));
    run(Command::File_SaveAs);
    EXPECT_EQ(readAll(scratchPath("draft.any")), "Chapter one");
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_EQ(doc().fileName, scratchPath("draft.any"));
    EXPECT_EQ(app().windowTitle(), "draft.any - Quillpress");

    fileDialogs.cancelNext();
    run(Command::File_SaveAs);
    ASSERT_EQ(fileDialogs.requests().size(), 2);
    EXPECT_EQ(fileDialogs.requests().last().filterIndex, int(SaveFormat::PlainText));
    EXPECT_EQ(fileDialogs.requests().last().title, "Save");
    EXPECT_TRUE(fileDialogs.requests().last().overwritePrompt);
}

TEST_F(DocumentFiles, SaveWritesRichTextThatLoadsBack)
{
    type("Bold words");
    fileDialogs.choose(scratchPath("story.rtf"), int(SaveFormat::RichText));
    run(Command::File_Save);
    EXPECT_TRUE(readAll(scratchPath("story.rtf")).startsWith("{\\rtf1"));

    run(Command::File_New);
    loadNamedFile(app(), scratchPath("story.rtf"));
    EXPECT_EQ(editor().text(), "Bold words");
}

struct TypeChange {
    const char* name;
    const char* before;
    int entry;
    const char* after;
};

class SaveDialogTypeChange : public ::testing::TestWithParam<TypeChange> {};

TEST_P(SaveDialogTypeChange, RewritesTheExtensionAfterTheLastDot)
{
    EXPECT_EQ(nameForSaveType(GetParam().before, GetParam().entry), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(, SaveDialogTypeChange,
                         ::testing::Values(TypeChange{"TxtToRtf", "story.txt", 1, "story.rtf"},
                                           TypeChange{"RtfToTxt", "story.rtf", 2, "story.txt"},
                                           TypeChange{"NoDotGetsOne", "story", 1, "story.rtf"},
                                           TypeChange{"AllFilesLeavesIt", "story.txt", 3, "story.txt"},
                                           TypeChange{"DottedNotesDate", "Notes 01.05.2024", 1, "Notes 01.05.rtf"},
                                           TypeChange{"RtfToDocx", "story.rtf", 4, "story.docx"},
                                           TypeChange{"TxtToOdt", "story.txt", 5, "story.odt"},
                                           TypeChange{"NoDotToPdf", "story", 6, "story.pdf"},
                                           TypeChange{"PastTheListLeavesIt", "story.rtf", 7, "story.rtf"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFiles, NotesNameIsOfferedAndClearedAgainOnCancel)
{
    app().options().notesFileName = true;
    app().options().dateFormat = "dd.mm.yyyy";
    type("a thought");

    fileDialogs.cancelNext();
    run(Command::File_SaveAs);
    ASSERT_EQ(fileDialogs.requests().size(), 1);
    EXPECT_EQ(fileDialogs.requests().first().fileName, "Notes 01.05.2024");
    ASSERT_TRUE(fileDialogs.requests().first().onTypeChange);
    EXPECT_EQ(fileDialogs.requests().first().onTypeChange(1, "Notes 01.05.2024"), "Notes 01.05.rtf");
    EXPECT_TRUE(doc().fileName.isEmpty()) << "Cancel leaves the document unnamed";
    EXPECT_EQ(doc().state, DocState::Modified);
}

TEST_F(DocumentFiles, QuerySaveOfAnUnnamedDocumentAsksWithAnEmptyName)
{
    type("words");
    messages.answer(Answer::Cancel);
    run(Command::File_New);
    EXPECT_EQ(messages.boxes().last().text, "Save ?");
    EXPECT_EQ(messages.boxes().last().buttons, Buttons::YesNoCancel);
    EXPECT_EQ(editor().text(), "words") << "Cancel ends New";

    messages.answer(Answer::Yes);
    fileDialogs.cancelNext();
    run(Command::File_New);
    EXPECT_EQ(editor().text(), "words") << "a cancelled Save As ends New too";

    messages.answer(Answer::No);
    run(Command::File_New);
    EXPECT_EQ(editor().text(), "");
    EXPECT_EQ(doc().state, DocState::New);
}

TEST_F(DocumentFiles, RevertOfADeletedFileKeepsTheEditedText)
{
    const QString path = writeFile("gone.txt", "original");
    loadNamedFile(app(), path);
    type("edited ");
    ASSERT_TRUE(app().revertEnabled());
    QFile::remove(path);

    messages.answer(Answer::Yes);
    run(Command::File_Revert);
    EXPECT_EQ(messages.boxes().first().text, "Revert " + path + "?");
    EXPECT_EQ(messages.boxes().last().text,
              "This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.");
    EXPECT_EQ(editor().text(), "edited original");
    EXPECT_EQ(doc().fileName, path);
}

TEST_F(DocumentFiles, RevertReloadsTheFileAfterYes)
{
    const QString path = writeFile("kept.txt", "original");
    loadNamedFile(app(), path);
    type("edited ");
    messages.answer(Answer::No);
    run(Command::File_Revert);
    EXPECT_EQ(editor().text(), "edited original");

    messages.answer(Answer::Yes);
    run(Command::File_Revert);
    EXPECT_EQ(editor().text(), "original");
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_FALSE(app().revertEnabled());
}

TEST_F(DocumentFiles, OpenLoadsTheChosenFileAndCancelChangesNothing)
{
    fileDialogs.cancelNext();
    run(Command::File_Open);
    ASSERT_EQ(fileDialogs.requests().size(), 1);
    EXPECT_EQ(fileDialogs.requests().first().title, "Open");
    EXPECT_EQ(fileDialogs.requests().first().filter,
              "All Known Files (*.rtf, *.txt)|*.rtf;*.txt;|Rich Text Format Files (*.rtf)|*.rtf|Text Files "
              "(*.txt)|*.txt|All Files (*.*)|*.*");

    const QString path = writeFile("open me.txt", "contents");
    fileDialogs.choose(path);
    run(Command::File_Open);
    EXPECT_EQ(editor().text(), "contents");
    EXPECT_EQ(app().windowTitle(), "open me.txt - Quillpress");
}

TEST_F(DocumentFiles, CustomFiltersFollowTheKnownTypesOnlyWhenMiscellaneousExists)
{
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Custom_FileFilters", "|Markdown (*.md)|*.md");
    start();
    EXPECT_TRUE(doc().openFilter.endsWith("All Files (*.*)|*.*|Markdown (*.md)|*.md"));
}

// A save that cannot complete leaves the old file, the name and the state as they were.
TEST_F(DocumentFiles, AFailedSaveChangesNothing)
{
    const QString path = writeFile("safe.txt", "old contents");
    loadNamedFile(app(), path);
    type("new ");
    const QString impossible = path + "/inside-a-file.txt";
    fileDialogs.choose(impossible, int(SaveFormat::RichText));
    run(Command::File_SaveAs);

    ASSERT_EQ(messages.errors().size(), 1);
    // The message names the file and the system's reason.
    EXPECT_EQ(messages.errors().first(), "Failed to Save Stream\r" + impossible + ": Not a directory");
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(doc().state, DocState::Modified);
    EXPECT_EQ(doc().fileTypeLabel, LabelTxt);
    EXPECT_EQ(doc().saveFormat, SaveFormat::PlainText);
    EXPECT_EQ(readAll(path), "old contents");
}

TEST_F(DocumentFiles, SaveKeepsTheFilesPermissionsAndBytesOfItsTextFormat)
{
    const QByteArray original = "caf\xe9\r\nsecond line\r\n";
    const QString path = writeFile("latin.txt", original);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    loadNamedFile(app(), path);
    EXPECT_EQ(editor().text(), QString::fromUtf8("café\r\nsecond line\r\n"));

    run(Command::File_Save);
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

TEST_F(DocumentFiles, TextTheEncodingCannotHoldIsSavedAsUtf8AndSaid)
{
    const QString path = writeFile("latin.txt", "caf\xe9");
    loadNamedFile(app(), path);
    editor().setSelection(editor().textLength(), 0);
    editor().replaceSelection(QString::fromUtf8(" \u6f22"));
    run(Command::File_Save);
    EXPECT_EQ(readAll(path), QString::fromUtf8("café \u6f22").toUtf8());
    ASSERT_EQ(messages.boxes().size(), 1);
    EXPECT_EQ(messages.boxes().first().kind, FakeMessageService::Kind::Information);
    EXPECT_EQ(doc().state, DocState::Saved);
}

// Reading this file fails after it opens; nothing of the document may change.
TEST_F(DocumentFiles, AFileThatCannotBeReadLeavesTheDocumentAsItWas)
{
    const QString path = writeFile("mine.rtf", "{\\rtf1 my words}");
    loadNamedFile(app(), path);
    type("more ");
    EXPECT_FALSE(app().guarded([&] { loadNamedFile(app(), "/proc/self/mem"); }));

    ASSERT_EQ(messages.errors().size(), 1);
    EXPECT_EQ(editor().text(), "more my words");
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    EXPECT_EQ(editor().textMode(), TextMode::Rich);
    EXPECT_EQ(doc().state, DocState::Modified);
}

TEST_F(DocumentFiles, AFileBeyondReachIsRefusedAtOnceAndTheDocumentStays)
{
    const QString path = writeFile("mine.txt", "my words");
    loadNamedFile(app(), path);
    type("more ");
    const QString huge = writeFile("huge.txt", "");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(qint64(1) << 30));  // sparse: a gigabyte on paper only
    }
    const QString lines = writeFile("lines.txt", QByteArray(1'000'001, '\n'));
    const struct {
        QString file;
        QString reason;
    } cases[] = {{huge, "it holds 1024 MB, and Quillpress opens files of up to 64 MB."},
                 {lines, QStringLiteral("it has %1 lines, and Quillpress opens files of up to %2 lines.")
                             .arg(QLocale().toString(1'000'001), QLocale().toString(1'000'000))}};
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_FALSE(app().guarded([&] { loadNamedFile(app(), c.file); }));
        ASSERT_EQ(messages.errors().size(), 1);
        EXPECT_EQ(messages.errors().front(), QStringLiteral("\"%1\" is too large to open: %2").arg(c.file, c.reason));
        EXPECT_EQ(editor().text(), "more my words");
        EXPECT_EQ(doc().fileName, path);
    }
}

// A made-up file in the shape of a binary Word document: the compound-file
// signature, zero bytes in its head and some text.
QByteArray wordFixture()
{
    QFile file(QStringLiteral(QP_TEST_DATA_DIR "/word/binary.doc"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString ConverterMessage = QStringLiteral(
    "This file can not be opened.\rThe required converter can not be found,   \ror the file format is not recognized.");

struct DocCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;  // empty: the binary Word fixture
    bool throughConverter;
    const char* text;  // what the editor shows after the load
};

void PrintTo(const DocCase& c, std::ostream* out)
{
    *out << c.name;
}

class WordFiles : public DocumentFiles, public ::testing::WithParamInterface<DocCase> {};

// A ".doc" with zero bytes in its head goes to the converters; with none
// installed the user hears so and gets an empty unnamed document, which no
// save can write over the Word file. Any other ".doc" is read as rich text.
TEST_P(WordFiles, LoadAndSave)
{
    const DocCase& c = GetParam();
    const QByteArray bytes = c.bytes.isEmpty() ? wordFixture() : c.bytes;
    ASSERT_FALSE(bytes.isEmpty());
    const QString before = writeFile("before.txt", "the document before");
    loadNamedFile(app(), before);
    const QString path = writeFile(c.fileName, bytes);

    const bool loaded = app().guarded([&] { loadNamedFile(app(), path); });
    EXPECT_EQ(loaded, !c.throughConverter) << "a failed conversion ends the command silently";
    EXPECT_EQ(editor().text(), QString::fromLatin1(c.text));
    EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
    EXPECT_EQ(doc().saveFormat, SaveFormat::RichText);
    EXPECT_FALSE(editor().isReadOnly());
    EXPECT_FALSE(app().revertEnabled());
    if (c.throughConverter) {
        EXPECT_EQ(messages.texts(), QStringList{ConverterMessage + QStringLiteral("\r\r'%1' cannot be opened: no converter is "
                                                                                  "installed: install LibreOffice for Word files.")
                                                                      .arg(QLatin1String(c.fileName))});
        EXPECT_EQ(doc().state, DocState::New);
        EXPECT_EQ(doc().fileName, QString());
        EXPECT_EQ(app().windowTitle(), "Quillpress");
    } else {
        EXPECT_TRUE(messages.boxes().isEmpty());
        EXPECT_EQ(doc().state, DocState::Saved);
        EXPECT_EQ(doc().fileName, path);
    }

    // Saving asks for a name instead of writing over the Word file.
    type("new words");
    fileDialogs.cancelNext();
    run(Command::File_Save);
    if (c.throughConverter) {
        ASSERT_EQ(fileDialogs.requests().size(), 1);
        EXPECT_EQ(readAll(path), bytes);
    } else {
        EXPECT_TRUE(fileDialogs.requests().isEmpty());
        EXPECT_TRUE(readAll(path).startsWith("{\\rtf1"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    , WordFiles,
    ::testing::Values(DocCase{"BinaryWordFile", "report.doc", {}, true, ""},
                      DocCase{"BinaryWordFileInCapitals", "REPORT.DOC", {}, true, ""},
                      DocCase{"RichTextNamedDoc", "letter.doc", "{\\rtf1 Dear reader}", false, "Dear reader"},
                      DocCase{"PlainTextNamedDoc", "notes.doc", "plain words", false, "plain words"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ForeignCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;  // empty: the binary Word fixture
    bool written;
};

void PrintTo(const ForeignCase& c, std::ostream* out)
{
    *out << c.name;
}

class OverwriteTest : public DocumentFiles, public ::testing::WithParamInterface<ForeignCase> {};

// Save As over an existing file the program can only show, never write back
// (a Word file unless the user agrees, a binary view), leaves the file and
// the document alone.
TEST_P(OverwriteTest, SaveAsOverAnExistingFile)
{
    const ForeignCase& c = GetParam();
    const QByteArray bytes = c.bytes.isEmpty() ? wordFixture() : c.bytes;
    const QString target = writeFile(c.fileName, bytes);
    type("my chapter");
    if (QByteArray(c.fileName).endsWith(".doc") && !c.written)
        messages.answer(Answer::No);  // a Word file is written over only when the user says so
    fileDialogs.choose(target, int(SaveFormat::RichText));
    run(Command::File_SaveAs);

    if (c.written) {
        EXPECT_TRUE(messages.boxes().isEmpty());
        EXPECT_EQ(doc().fileName, target);
        EXPECT_NE(readAll(target), bytes);
        return;
    }
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().contains(QString::fromLatin1(c.fileName)));
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(doc().state, DocState::Modified);
    EXPECT_EQ(doc().saveFormat, SaveFormat::RichText);
}

INSTANTIATE_TEST_SUITE_P(
    , OverwriteTest,
    ::testing::Values(ForeignCase{"WordFile", "report.doc", {}, false},
                      ForeignCase{"BinaryOfAnotherKind", "data.log", BinaryBytes, false},
                      ForeignCase{"RichTextWithZeroBytes", "z.rtf", BinaryBytes, true},
                      ForeignCase{"RichTextNamedDoc", "letter.doc", "{\\rtf1 old}", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFiles, DefaultFileTypeTextMakesNewDocumentsText)
{
    app().options().defaultFileType = FileType::Text;
    run(Command::File_New);
    EXPECT_EQ(doc().fileTypeLabel, LabelTxt);
    EXPECT_EQ(doc().saveFormat, SaveFormat::PlainText);
}

// What a load leaves: the text, its formats (as RTF), the format of the
// caret (what typing gets), the file's encoding and line ends, and the type.
struct LoadResult {
    QString text;
    QByteArray rich;
    QByteArray richAfterTyping;
    TextFileFormat fileFormat;
    QString label;
    SaveFormat saveFormat;
    bool readOnly;
    bool mixed;
    QString fontFamily;
};

struct LongLoadCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;
    bool withDefaultFormat;
    bool alignRight;
};

void PrintTo(const LongLoadCase& c, std::ostream* out)
{
    *out << c.name;
}

class LongLoad : public DocumentFiles, public ::testing::WithParamInterface<LongLoadCase> {
protected:
    void TearDown() override { setLongLoadThreshold(1024 * 1024); }
    LoadResult load(const QString& path)
    {
        // A document before whose caret formats are none of the file's: the
        // load must not carry them over, whichever way it reads.
        loadNamedFile(app(), writeFile(QStringLiteral("before.rtf"), "{\\rtf1\\qc\\tx720{\\i\\fs40 Big}\\par x}"));
        loadNamedFile(app(), path);
        LoadResult result{editor().text(), editor().richText(), {}, editor().textFileFormat(), doc().fileTypeLabel,
                          doc().saveFormat, editor().isReadOnly(), editor().hasMixedFormatting(),
                          editor().document()->defaultFont().family()};
        editor().moveCursor(QTextCursor::Start);
        type("X");
        result.richAfterTyping = editor().richText();
        return result;
    }
};

// A file read on the worker opens exactly as one read at once: same text,
// formats, caret format, encoding and type, with or without a stored default format.
TEST_P(LongLoad, OpensAsAShortLoadDoes)
{
    const LongLoadCase& c = GetParam();
    if (c.withDefaultFormat) {
        DefaultFormat stored;
        stored.fontName = QStringLiteral("Liberation Serif");
        stored.fontSize = 14;
        stored.bold = true;
        stored.tabSize = 20;
        stored.alignLeft = !c.alignRight;
        stored.alignRight = c.alignRight;
        writeDefaultFormat(registry(), stored);
    }
    const QString path = writeFile(QLatin1String(c.fileName), c.bytes);
    setLongLoadThreshold(std::numeric_limits<qsizetype>::max());
    const LoadResult atOnce = load(path);
    setLongLoadThreshold(0);
    const LoadResult onWorker = load(path);

    EXPECT_EQ(onWorker.text, atOnce.text);
    EXPECT_EQ(onWorker.rich.toStdString(), atOnce.rich.toStdString());
    EXPECT_EQ(onWorker.richAfterTyping.toStdString(), atOnce.richAfterTyping.toStdString());
    EXPECT_TRUE(onWorker.fileFormat == atOnce.fileFormat);
    EXPECT_EQ(onWorker.label, atOnce.label);
    EXPECT_EQ(onWorker.saveFormat, atOnce.saveFormat);
    EXPECT_EQ(onWorker.readOnly, atOnce.readOnly);
    EXPECT_EQ(onWorker.mixed, atOnce.mixed);
    EXPECT_EQ(onWorker.fontFamily, atOnce.fontFamily);
    EXPECT_EQ(doc().fileName, path);
    EXPECT_TRUE(messages.boxes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    , LongLoad,
    ::testing::Values(LongLoadCase{"Text", "notes.txt", "one\r\ntwo\tthree\r\n", false, false},
                      LongLoadCase{"TextWithDefaultFormat", "notes.txt", "one\r\ntwo\tthree\r\n", true, false},
                      LongLoadCase{"TextRightAligned", "notes.txt", "one\ntwo\n", true, true},
                      LongLoadCase{"OtherExtension", "notes.log", "a log\rline two", true, false},
                      LongLoadCase{"Utf16", "wide.txt", QByteArray::fromHex("fffe41000d000a004200"), true, false},
                      LongLoadCase{"Windows1252", "old.txt", "caf\xe9 \x93quoted\x94", false, false},
                      LongLoadCase{"Rtf", "story.rtf", "{\\rtf1 {\\b bold} plain\\par second}", true, false},
                      LongLoadCase{"RtfNameButText", "notes.rtf", "not rtf\r\nat all", true, true},
                      LongLoadCase{"Empty", "empty.txt", "", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs `act` once, from inside the load's wait, as soon as `ready` holds.
void actWhen(QObject* context, std::function<bool()> ready, std::function<void()> act)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ready = std::move(ready), act = std::move(act)] {
        if (!ready())
            return;
        timer->stop();
        act();
    });
    timer->start(5);
}

QByteArray manyLines(int megabytes)
{
    QByteArray line = "a line of a long novel, with some words in it and then some more of them\n";
    QByteArray bytes;
    bytes.reserve(megabytes * 1024 * 1024 + line.size());
    while (bytes.size() < megabytes * 1024 * 1024)
        bytes += line;
    return bytes;
}

// Esc while a long file is read stops the read; the document on show, its
// name, state and the file are as they were, and keys meant for it while it
// waited did not reach the editor. The RTF reader stops part-way too.
struct CancelCase {
    const char* name;
    const char* fileName;
    QByteArray bytes;
};

void PrintTo(const CancelCase& c, std::ostream* out)
{
    *out << c.name;
}

QByteArray manyRtfParagraphs(int megabytes)
{
    QByteArray bytes = "{\\rtf1\\ansi ";
    const QByteArray paragraph = "{\\b A paragraph} of a long document, read on a worker.\\par\n";
    while (bytes.size() < megabytes * 1024 * 1024)
        bytes += paragraph;
    return bytes + "}";
}

class CancelledLoad : public DocumentFiles, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelledLoad, KeepsTheDocument)
{
    const CancelCase& c = GetParam();
    const auto threshold = qScopeGuard([] { setLongLoadThreshold(1024 * 1024); });
    setLongLoadThreshold(0);
    const QString before = writeFile("before.txt", "the document before");
    loadNamedFile(app(), before);
    type("edited ");
    const QString path = writeFile(QLatin1String(c.fileName), c.bytes);
    bool typed = false;
    actWhen(&app(), [] { return LongWork::busy(); }, [&] {
        typed = true;
        QTest::keyClick(&editor(), Qt::Key_Z);
        QTest::keyClick(&editor(), Qt::Key_Escape);
    });

    EXPECT_FALSE(app().guarded([&] { loadNamedFile(app(), path); })) << "the load ends silently";

    EXPECT_TRUE(typed);
    EXPECT_FALSE(LongWork::busy());
    EXPECT_EQ(editor().text(), "edited the document before");
    EXPECT_EQ(doc().fileName, before);
    EXPECT_EQ(doc().state, DocState::Modified);
    EXPECT_EQ(doc().fileTypeLabel, LabelTxt);
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_EQ(readAll(path), c.bytes);
    EXPECT_EQ(app().windowTitle(), "before.txt - Quillpress");
}

INSTANTIATE_TEST_SUITE_P(, CancelledLoad,
                         ::testing::Values(CancelCase{"Text", "long.txt", manyLines(16)},
                                           CancelCase{"Rtf", "long.rtf", manyRtfParagraphs(16)}),
                         [](const auto& info) { return std::string(info.param.name); });

// A long load lets the window go on with its events and ends with the whole file.
TEST_F(DocumentFiles, ALongLoadLetsTheWindowRun)
{
    const QByteArray bytes = manyLines(12);
    const QString path = writeFile("long.txt", bytes);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] { ticks += LongWork::busy() ? 1 : 0; });
    ticker.start(1);
    loadNamedFile(app(), path);
    ticker.stop();

    EXPECT_GT(ticks, 0) << "the GUI thread ran its timers while the file was read";
    const QString expected = QString::fromLatin1(bytes).replace("\n", "\r\n");
    const QString shown = editor().text();
    EXPECT_EQ(shown.size(), expected.size());
    EXPECT_TRUE(shown == expected) << qPrintable(shown.right(10).toUtf8().toHex());
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_FALSE(app().findChild<QProgressDialog*>() && app().findChild<QProgressDialog*>()->isVisible());
}

}  // namespace
