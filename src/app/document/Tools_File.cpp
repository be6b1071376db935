#include "app/document/Tools_File.h"

#include "app/Applic.h"
#include "app/document/Converters.h"
#include "app/document/Export.h"
#include "app/document/LongWork.h"
#include "app/document/Recovery.h"
#include "editor/RichEdit.h"
#include "format/Tools_Format.h"
#include "platform/Errors.h"
#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "platform/Services.h"
#include "platform/ShellService.h"
#include "platform/SystemServices.h"
#include "settings/DateTimePatterns.h"
#include "store/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTextDocument>

#include <algorithm>

namespace qp {

namespace {

const QString MissingFileMessage =
    QStringLiteral("This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.");
const QString BinaryMessage = QStringLiteral("Binary files can not be saved.");
const QString PlainTextFormattingQuestion =
    QStringLiteral("This document is saved as plain text, which keeps only the words: its fonts, styles, colours "
                   "and paragraph layout will be lost.\rSave it as plain text?");
const QString ConverterMessage = QStringLiteral(
    "This file can not be opened.\rThe required converter can not be found,   \ror the file format is not recognized.");
const QString ForeignFileMessage = QStringLiteral(
    "\"%1\" is a binary file of a kind Quillpress can not write.\rIt is left as it is; save the document under another name.");
const QString ReplaceWordQuestion = QStringLiteral(
    "\"%1\" is %2. Saving replaces it with rich text, and whatever Quillpress did not show "
    "(tables, pictures, notes) is lost.\rReplace it?");
const QString ChangedOnSaveQuestion = QStringLiteral(
    "\"%1\" has been changed by another program since Quillpress opened or saved it.\r"
    "Save your text over it? The other program's changes will be lost.");
const QString ChangedQuestion = QStringLiteral(
    "\"%1\" has been changed by another program.\rReload it? Yes shows the file as it is now%2; No keeps your text.");
const QString MissingFileNotice = QStringLiteral(
    "\"%1\" has been deleted, renamed or moved by another program.\rYour text is kept; Save writes the file again.");
const QString OpenElsewhereQuestion = QStringLiteral(
    "\"%1\" is already open in another Quillpress window.\r"
    "Open it read-only? Yes opens it read-only; No opens it for editing all the same "
    "(a save asks before it writes over changes saved in the other window).");
const QString OwnFileExportMessage =
    QStringLiteral("\"%1\" is this document's own file, and saving it as %2 would replace the document.\r"
                   "Choose another name.");
const QString ReplaceQuestion = QStringLiteral("\"%1\" already exists.\rDo you want to replace it?");
const QString ConvertedNote = QStringLiteral(
    "This document was read from a Word file, which Quillpress can not write. It is saved as rich text under a "
    "name of its own, so the Word file stays as it is.");

QString lowerExtension(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toLower();
}

struct LoadType {
    QString label;
    SaveFormat saveFormat;
    TextMode mode;
};

LoadType richType()
{
    return {QString::fromLatin1(LabelRtf), SaveFormat::RichText, TextMode::Rich};
}

LoadType textType()
{
    return {QString::fromLatin1(LabelTxt), SaveFormat::PlainText, TextMode::Plain};
}

// The type a file is loaded as: by its extension, else binary or text.
LoadType fileTypeOnLoad(const QString& fileName)
{
    const QString extension = lowerExtension(fileName);
    if (extension == QLatin1String(".rtf") || extension == QLatin1String(".doc"))
        return richType();
    if (extension == QLatin1String(".txt"))
        return textType();
    LoadType type = textType();
    if (isBinaryFile(fileName))
        type.label = QString::fromLatin1(LabelBinary);
    return type;
}

}  // namespace

WordProcessorKind wordProcessorKind(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return WordProcessorKind::None;
    const QByteArray head = file.read(4096);
    // Word 97-2003: a compound file (as spreadsheets and mail are too) whose
    // directory, anywhere in it, names a "WordDocument" stream; a protected
    // .docx is a compound file holding the encrypted package.
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        static const QByteArray Streams[] = {QByteArray("W\0o\0r\0d\0D\0o\0c\0u\0m\0e\0n\0t\0", 24),
                                             QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)};
        QByteArray piece = head;
        while (true) {
            for (const QByteArray& stream : Streams)
                if (piece.contains(stream))
                    return WordProcessorKind::Word;
            const QByteArray more = file.read(1024 * 1024);
            if (more.isEmpty())
                return WordProcessorKind::None;
            // The pieces overlap, so that a name across their seam is found.
            piece = piece.right(Streams[1].size()) + more;
        }
    }
    // WordPerfect: its mark, a pointer, then the product (1) and the file type (10, a document).
    if (head.startsWith("\xFFWPC") && head.size() >= 16 && head[8] == 1 && head[9] == 10)
        return WordProcessorKind::Other;
    if (!head.startsWith("PK\x03\x04"))
        return WordProcessorKind::None;
    // An OpenDocument file names its type in an uncompressed first entry, as its forerunner does.
    if (head.mid(30, 8) == "mimetype") {
        const QByteArray type = head.mid(38, 64);
        if (type.startsWith("application/vnd.oasis.opendocument.text"))
            return WordProcessorKind::OpenDocument;
        return type.startsWith("application/vnd.sun.xml.writer") ? WordProcessorKind::Other : WordProcessorKind::None;
    }
    // A Word 2007 document is a zip whose directory, at the end, names its main part.
    const qint64 tail = std::min<qint64>(file.size(), 256 * 1024);
    if (!file.seek(file.size() - tail))
        return WordProcessorKind::None;
    return file.read(tail).contains("word/document.xml") ? WordProcessorKind::Word : WordProcessorKind::None;
}

namespace {

// Word-processor files go through the converters, never into the editor as
// they are: a binary file named .doc, and any file that is one by its content
// (a .docx or .odt under any name but .rtf and .txt, which keep their meaning).
bool needsConverter(const QString& fileName)
{
    const QString extension = lowerExtension(fileName);
    if (extension == QLatin1String(".rtf") || extension == QLatin1String(".txt"))
        return false;
    if (wordProcessorKind(fileName) != WordProcessorKind::None)
        return true;
    return extension == QLatin1String(".doc") && isBinaryFile(fileName);
}

// A file the program reads in a way it cannot write back: through a converter
// or as a binary view. Overwriting it would destroy what the program never showed.
bool cannotWriteBack(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile())
        return false;
    const QString extension = lowerExtension(fileName);
    if (extension == QLatin1String(".rtf") || extension == QLatin1String(".txt"))
        return false;
    try {
        return isBinaryFile(fileName);
    } catch (const AppError&) {
        return false;  // an unreadable file fails the write itself, with its reason
    }
}

// What a load or save may change before it is sure to succeed, so that a
// failure can put it back.
struct TypeSnapshot {
    explicit TypeSnapshot(TApp& app)
        : app(app), doc(app.document()), mode(app.editor().textMode()), readOnly(app.editor().isReadOnly())
    {
    }
    void restore() const
    {
        app.document() = doc;
        app.editor().setTextMode(mode);
        app.editor().setReadOnly(readOnly);
        app.refreshFileTypePanel();
    }
    TApp& app;
    DocumentState doc;
    TextMode mode;
    bool readOnly;
};

void applyFileType(TApp& app, const LoadType& type)
{
    DocumentState& doc = app.document();
    app.editor().setTextMode(type.mode);
    doc.fileTypeLabel = type.label;
    doc.saveFormat = type.saveFormat;
    doc.defaultExtension = type.mode == TextMode::Rich ? QStringLiteral("rtf") : QStringLiteral("txt");
    app.refreshFileTypePanel();
}

// Bytes 128 to 159 of Windows-1252; the rest of the upper half is Latin-1.
QChar windows1252Char(unsigned char code)
{
    static const char16_t High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return code >= 0x80 && code < 0xA0 ? QChar(High[code - 0x80]) : QChar(code);
}

QString binaryViewText(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        *out++ = code < 32 ? QChar(QLatin1Char('.')) : QChar(windows1252Char(code));
    }
    return text;
}

// Past these the editor would stand still for minutes while it opens the
// file, or want more memory than a desktop has: such files are refused before
// anything is read.
constexpr qint64 kMaxOpenMegabytes = 64;
constexpr qsizetype kMaxOpenLines = 1'000'000;

QByteArray readWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    if (file.size() > kMaxOpenMegabytes * 1024 * 1024)
        throw AppError(QStringLiteral("\"%1\" is too large to open: it holds %2 MB, and Quillpress opens files of up to %3 MB.")
                           .arg(fileName)
                           .arg(file.size() / (1024 * 1024))
                           .arg(kMaxOpenMegabytes));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
    if (const qsizetype lines = bytes.count('\n'); lines > kMaxOpenLines)
        throw AppError(QStringLiteral("\"%1\" is too large to open: it has %2 lines, and Quillpress opens files of up to %3 lines.")
                           .arg(fileName, QLocale().toString(lines), QLocale().toString(kMaxOpenLines)));
    return bytes;
}

QString notesName(TApp& app)
{
    const QDateTime today = datePart(app.services().clock.now());
    return QStringLiteral("Notes ") + formatDateTime(app.options().dateFormat, today, app.regionalValues());
}

bool notesRuleApplies(TApp& app)
{
    return app.document().fileName.isEmpty() && app.options().notesFileName;
}

void saveToName(TApp& app, const QString& fileName)
{
    DocumentState& doc = app.document();
    if (doc.fileTypeLabel == QLatin1String(LabelBinary)) {
        app.services().messages.information(BinaryMessage);
        return;
    }
    // A file the program can only show is never written over unasked: a Word
    // document only when the user says so, anything else not at all.
    if (cannotWriteBack(fileName)) {
        const QString shortName = QFileInfo(fileName).fileName();
        const WordProcessorKind found = wordProcessorKind(fileName);
        if (lowerExtension(fileName) != QLatin1String(".doc") && found == WordProcessorKind::None) {
            app.services().messages.information(ForeignFileMessage.arg(shortName));
            cancel();
        }
        const QString kind = found == WordProcessorKind::OpenDocument ? QStringLiteral("an OpenDocument text")
            : found == WordProcessorKind::Other                       ? QStringLiteral("a word-processor document")
                                                                      : QStringLiteral("a Word document");
        if (app.services().messages.confirm(ReplaceWordQuestion.arg(shortName, kind), Buttons::YesNo) != Answer::Yes)
            cancel();
    }
    // An outside change to the document's own file is never written over unasked.
    if (fileName == doc.fileName && !doc.diskStamp.isEmpty()
        && doc.diskStamp.compare(fileName) == FileStamp::Change::Changed
        && app.services().messages.confirm(ChangedOnSaveQuestion.arg(QFileInfo(fileName).fileName()), Buttons::YesNo)
               != Answer::Yes)
        cancel();
    // A plain-text save drops the formatting without a trace: the user hears of
    // it once per document, before the first such save.
    if (doc.saveFormat != SaveFormat::RichText && !doc.plainTextFormattingAccepted
        && app.editor().hasMixedFormatting()) {
        if (app.services().messages.confirm(PlainTextFormattingQuestion, Buttons::YesNo) != Answer::Yes)
            cancel();
        doc.plainTextFormattingAccepted = true;
    }
    const TypeSnapshot before(app);
    QByteArray written;
    try {
        applyFileType(app, doc.saveFormat == SaveFormat::RichText ? richType() : textType());
        written = app.editor().saveFile(fileName);
    } catch (...) {
        // A failed write leaves the file on disk, the type, state and name as they were.
        before.restore();
        throw;
    }
    doc.fileName = fileName;
    doc.convertedFromWord = false;
    doc.diskStamp = FileStamp::of(fileName, written);
    doc.missingTold = false;
    app.recovery().setOpenFile(fileName);
    refreshCaption(app);
    setDocState(app, DocState::Saved);
    app.recovery().documentClean();
    app.setRevertEnabled(false);
    // The desktop's own list shows saved files too; the program's list only loaded ones.
    app.services().shell.addRecentDocument(fileName);
}

void loadSucceeded(TApp& app, const QString& fileName, const FileStamp& stamp, bool convertedFromWord = false)
{
    app.document().plainTextFormattingAccepted = false;
    setDocState(app, DocState::Saved);
    app.document().fileName = fileName;
    app.document().convertedFromWord = convertedFromWord;
    app.document().diskStamp = stamp;
    app.document().missingTold = false;
    app.recovery().documentClean();
    app.recovery().setOpenFile(fileName);
    refreshCaption(app);
    app.setRevertEnabled(false);
    if (app.arguments().value(1) == QLatin1String("-p")) {
        app.printFromCommandLine();
        app.close();
    }
    app.addToRecentFiles(fileName);
}

// Files from this size on are read on a worker behind the progress box; below
// it a file opens at once, with no thread and no box.
qsizetype s_longLoadBytes = 1024 * 1024;

// The editor as a load leaves it before the file's content comes in: empty,
// in the file's mode, with the stored default format (once more in the mode
// that a known extension chose).
void prepareEditorForLoad(RichEdit& editor, TextMode mode, bool knownExtension,
                          const std::optional<DefaultFormat>& defaultFormat)
{
    editor.clearText();
    editor.setTextMode(TextMode::Plain);
    applyDefaultFormat(editor, defaultFormat);
    editor.setTextMode(mode);
    if (knownExtension)
        applyDefaultFormat(editor, defaultFormat);
}

QString openingLabel(const QString& fileName)
{
    return QStringLiteral("Opening \"%1\"...").arg(QFileInfo(fileName).fileName());
}

// Reads a long file and its stamp into a document of its own on a worker, with the
// progress box; nothing when the user cancels. The editor on show is not
// touched before the end.
std::optional<RichEdit::LoadedDocument> readLongFile(TApp& app, const QString& fileName, TextMode mode,
                                                     const std::optional<DefaultFormat>& defaultFormat, FileStamp& stamp)
{
    // Read with the caret's formats as they are; plain text takes the
    // prepared editor's when it is shown. RTF depends only on the default
    // font, which the default format sets as it will on the editor.
    RichEdit::LoadSetup setup = app.editor().loadSetup();
    setup.mode = mode;
    if (defaultFormat) {
        if (!defaultFormat->fontName.isEmpty())
            setup.document.font.setFamilies(QStringList{defaultFormat->fontName});
        setup.document.font.setPointSizeF(std::max<qreal>(1, defaultFormat->fontSize));
    }

    RichEdit::LoadedDocument loaded;
    LongWork work(&app, openingLabel(fileName));
    work.setCloseKeys(app.action(Command::File_Exit)->shortcuts());
    const LongWork::Outcome outcome = work.run([&](LongWork::Progress& progress) {
        RichEdit::LoadWatch watch;
        watch.percent = [&progress](int percent) { progress.setPercent(percent); };
        watch.stopped = [&progress] { return progress.cancelled(); };
        // Read here too: what one thread's allocator gives and takes back it
        // can give again, so the file's bytes and its document share memory
        // as they do on the GUI thread.
        QByteArray bytes = readWholeFile(fileName);
        stamp = FileStamp::of(fileName, bytes);
        loaded = RichEdit::readDocument(std::move(bytes), setup, watch);
    });
    if (outcome == LongWork::Outcome::Cancelled || !loaded.document)
        return std::nullopt;
    return loaded;
}

// Why no converter read a file, from what each one said; the most telling
// reason wins (a password over "not installed" over "not recognised").
QString conversionFailure(const QString& fileName, const QList<Converters::Result>& results)
{
    using Status = Converters::Result::Status;
    const auto said = [&](int32_t code) {
        return std::any_of(results.cbegin(), results.cend(), [code](const Converters::Result& result) {
            return result.status == Status::Failed && result.code == code;
        });
    };
    const auto all = [&](Status status) {
        return std::all_of(results.cbegin(), results.cend(),
                           [status](const Converters::Result& result) { return result.status == status; });
    };
    QString reason;
    if (said(QP_RESULT_PASSWORD))
        reason = QStringLiteral("it is protected by a password.");
    else if (said(QP_RESULT_DAMAGED))
        reason = QStringLiteral("it is damaged.");
    else if (said(QP_RESULT_CANNOT_OPEN))
        reason = QStringLiteral("the file could not be read.");
    else if (said(QP_RESULT_TIMED_OUT))
        reason = QStringLiteral("the converter took too long and was stopped.");
    else if (said(QP_RESULT_NO_TOOL) || all(Status::Missing))
        reason = QStringLiteral("no converter is installed: install LibreOffice for Word files.");
    else if (std::any_of(results.cbegin(), results.cend(), [](const Converters::Result& result) {
                 return result.status == Status::Failed && result.code != QP_RESULT_WRONG_FILE_TYPE;
             }))
        reason = QStringLiteral("the converter failed on it.");
    else
        reason = QStringLiteral("its format is not recognized.");
    return ConverterMessage + QStringLiteral("\r\r'%1' cannot be opened: %2").arg(QFileInfo(fileName).fileName(), reason);
}

// One converter on a file: asked on the GUI thread whether it reads it, then
// run on a worker with the progress box, the RTF read into a document there too.
Converters::Result convertWithProgress(TApp& app, const QString& fileName, const QString& converter,
                                       std::unique_ptr<QTextDocument>& document)
{
    Converters& converters = app.converters();
    Converters::Result result;
    result.status = converters.open(fileName, converter, app.converterCaller());
    if (result.status != Converters::Result::Status::Converted)
        return result;
    const RichEdit::DocumentSetup setup = app.editor().documentSetup();
    LongWork work(&app, openingLabel(fileName));
    work.setCanceller([&converters] { converters.cancel(); });
    work.setCloseKeys(app.action(Command::File_Exit)->shortcuts());
    const LongWork::Outcome outcome = work.run([&](LongWork::Progress& progress) {
        result = converters.run(fileName, [&progress](int percent) { progress.setPercent(percent); });
        if (result.status != Converters::Result::Status::Converted || progress.cancelled())
            return;
        // What the editor's reader cannot read fails the import as a whole.
        document = RichEdit::readRichDocument(result.rtf, setup);
        result.rtf.clear();
        if (!document) {
            result.status = Converters::Result::Status::Failed;
            result.code = QP_RESULT_INTERNAL;
        }
    });
    if (outcome == LongWork::Outcome::Cancelled) {
        document.reset();
        result.status = Converters::Result::Status::Cancelled;
    }
    return result;
}

// A Word file: the converters in turn, while the document on show stays as
// it is. The first whole conversion replaces it; Cancel keeps it. When none
// reads the file the document is left empty and unnamed, so that no save can
// write rich text over the Word file.
void loadThroughConverters(TApp& app, const QString& fileName)
{
    QList<Converters::Result> results;
    for (const char* converter : WordConverters) {
        std::unique_ptr<QTextDocument> document;
        Converters::Result result = convertWithProgress(app, fileName, QString::fromLatin1(converter), document);
        if (result.status == Converters::Result::Status::Cancelled)
            cancel();
        if (document) {
            const FileStamp stamp = FileStamp::of(fileName, readWholeFile(fileName));
            RichEdit& editor = app.editor();
            editor.setReadOnly(false);
            applyFileType(app, richType());
            editor.showRichDocument(std::move(document));
            loadSucceeded(app, fileName, stamp, true);
            return;
        }
        results.append(std::move(result));
    }
    app.services().messages.information(conversionFailure(fileName, results));
    RichEdit& editor = app.editor();
    editor.clearText();
    editor.setReadOnly(false);
    applyFileType(app, richType());
    setDocState(app, DocState::New);
    app.document().fileName.clear();
    app.document().convertedFromWord = false;
    app.document().diskStamp = {};
    app.recovery().documentClean();
    app.recovery().setOpenFile({});
    refreshCaption(app);
    app.setRevertEnabled(false);
    cancel();
}

}  // namespace

bool isBinaryFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray head = file.read(1000);
    // UTF-16 text is half zero bytes; its byte order mark says it is text.
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return false;
    const qsizetype examined = head.size() - 9;
    for (qsizetype i = 0; i < examined; ++i) {
        if (head[i] == '\0')
            return true;
    }
    return false;
}

QString nameForSaveType(const QString& name, int filterIndex)
{
    QString extension;
    if (filterIndex == int(SaveFormat::RichText))
        extension = QStringLiteral("rtf");
    else if (filterIndex == int(SaveFormat::PlainText))
        extension = QStringLiteral("txt");
    else if (const ExportType* type = exportTypeOfEntry(filterIndex))
        extension = QLatin1String(type->extension);
    else
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name + QLatin1Char('.') : name.left(dot + 1)) + extension;
}

void refreshCaption(TApp& app)
{
    const QString& fileName = app.document().fileName;
    if (fileName.isEmpty()) {
        app.setWindowTitle(QString::fromLatin1(ProgramTitle));
        setApplicationTitle(QString::fromLatin1(ProgramTitle));
        return;
    }
    const QString shortName = QFileInfo(fileName).fileName();
    app.setWindowTitle(shortName + QStringLiteral(" - ") + QString::fromLatin1(ProgramTitle));
    setApplicationTitle(shortName);
}

void checkOutsideChange(TApp& app)
{
    DocumentState& doc = app.document();
    if (doc.fileName.isEmpty() || doc.diskStamp.isEmpty() || doc.fileTypeLabel == QLatin1String(LabelBinary))
        return;
    const QString shortName = QFileInfo(doc.fileName).fileName();
    FileStamp current;
    switch (doc.diskStamp.compare(doc.fileName, &current)) {
    case FileStamp::Change::None:
        // Touched or replaced, but the same bytes: nothing to ask, and no need to hash again next time.
        doc.diskStamp = current;
        doc.missingTold = false;
        return;
    case FileStamp::Change::Missing:
        if (doc.missingTold)
            return;
        doc.missingTold = true;
        // The text is now only in the window: closing must ask before it goes.
        setDocState(app, DocState::Modified);
        app.services().messages.information(MissingFileNotice.arg(shortName));
        return;
    case FileStamp::Change::Changed:
        break;
    }
    doc.missingTold = false;
    const QString losing = doc.state == DocState::Modified ? QStringLiteral(" and your changes are lost") : QString();
    if (app.services().messages.confirm(ChangedQuestion.arg(shortName, losing), Buttons::YesNo) == Answer::Yes) {
        loadNamedFile(app, doc.fileName);
        return;
    }
    // The user keeps the text knowingly: the file as it is now is what the
    // next save replaces without asking again, and the text differs from it.
    try {
        doc.diskStamp = FileStamp::of(doc.fileName, readWholeFile(doc.fileName));
    } catch (const AppError&) {
        doc.diskStamp = {};
    }
    setDocState(app, DocState::Modified);
    if (!doc.fileName.isEmpty())
        app.setRevertEnabled(true);
}

void setDocState(TApp& app, DocState state)
{
    app.document().state = state;
    app.refreshStatePanel();
    if (state == DocState::Modified)
        app.recovery().documentChanged();
}

void loadNamedFile(TApp& app, const QString& fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        refreshCaption(app);
        app.services().messages.information(MissingFileMessage);
        return;
    }
    // Another window editing the same file: read-only here, unless the user
    // wants two editors (the save then asks before it writes over the other's).
    bool readOnly = false;
    if (fileName != app.document().fileName && app.recovery().openElsewhere(fileName)) {
        switch (app.services().messages.confirm(OpenElsewhereQuestion.arg(QFileInfo(fileName).fileName()),
                                                Buttons::YesNoCancel)) {
        case Answer::Yes:
            readOnly = true;
            break;
        case Answer::No:
            break;
        default:
            cancel();
        }
    }
    const auto keepReadOnly = qScopeGuard([&] {
        if (readOnly && app.document().fileName == fileName)
            app.editor().setReadOnly(true);
    });
    if (needsConverter(fileName)) {
        loadThroughConverters(app, fileName);
        return;
    }
    // Everything is read before the editor is touched: a file that cannot be
    // read, or a stored default format that lacks a value, leaves the
    // document, its type and its name as they were.
    const LoadType type = fileTypeOnLoad(fileName);
    const bool binaryView = type.label == QLatin1String(LabelBinary);
    const std::optional<DefaultFormat> defaultFormat = readDefaultFormat(app.registry());
    const QString extension = lowerExtension(fileName);
    const bool knownExtension = extension == QLatin1String(".rtf") || extension == QLatin1String(".txt")
                                || extension == QLatin1String(".doc");
    QByteArray bytes;
    FileStamp stamp;
    // A long file is read while the document on show stays; Cancel keeps it.
    std::optional<RichEdit::LoadedDocument> loaded;
    if (!binaryView && QFileInfo(fileName).size() >= s_longLoadBytes) {
        loaded = readLongFile(app, fileName, type.mode, defaultFormat, stamp);
        if (!loaded)
            cancel();
    } else {
        bytes = readWholeFile(fileName);
        stamp = FileStamp::of(fileName, bytes);
    }

    const TypeSnapshot before(app);
    RichEdit& editor = app.editor();
    try {
        prepareEditorForLoad(editor, type.mode, knownExtension, defaultFormat);
        applyFileType(app, type);
        if (loaded) {
            editor.showLoadedDocument(std::move(*loaded));
            editor.setReadOnly(false);
        } else if (!binaryView) {
            editor.loadBytes(std::move(bytes));
            editor.setReadOnly(false);
        } else {
            editor.setText(binaryViewText(bytes));
            editor.setReadOnly(true);
        }
    } catch (...) {
        before.restore();
        throw;
    }
    loadSucceeded(app, fileName, stamp);
}

void setLongLoadThreshold(qsizetype bytes)
{
    s_longLoadBytes = bytes;
}

void openRecoveryCopy(TApp& app, const RecoveryCopy& copy)
{
    querySave(app);
    const QByteArray bytes = readWholeFile(copy.copyPath);
    const std::optional<DefaultFormat> defaultFormat = readDefaultFormat(app.registry());
    const TypeSnapshot before(app);
    RichEdit& editor = app.editor();
    try {
        editor.clearText();
        editor.setTextMode(copy.rich ? TextMode::Rich : TextMode::Plain);
        applyDefaultFormat(editor, defaultFormat);
        applyFileType(app, copy.rich ? richType() : textType());
        editor.loadBytes(bytes);
        editor.setReadOnly(false);
    } catch (...) {
        before.restore();
        throw;
    }
    DocumentState& doc = app.document();
    doc.fileName = copy.originalName;
    doc.convertedFromWord = false;
    doc.missingTold = false;
    // The file as it is now is what the recovered text replaces when saved.
    doc.diskStamp = {};
    if (!copy.originalName.isEmpty() && QFileInfo(copy.originalName).isFile()) {
        try {
            doc.diskStamp = FileStamp::of(copy.originalName, readWholeFile(copy.originalName));
        } catch (const AppError&) {
        }
    }
    refreshCaption(app);
    // Unsaved, as it was when the copy was made.
    setDocState(app, DocState::Modified);
    app.setRevertEnabled(!doc.fileName.isEmpty());
    app.recovery().adopt(copy);
    app.recovery().setOpenFile(doc.fileName);
}

void querySave(TApp& app)
{
    if (app.document().state != DocState::Modified)
        return;
    const QString question = QStringLiteral("Save ") + app.document().fileName + QLatin1Char('?');
    switch (app.services().messages.confirm(question, Buttons::YesNoCancel)) {
    case Answer::Yes:
        fileSave(app);
        return;
    case Answer::No:
        // The user lets the changes go, and their copy with them.
        setDocState(app, DocState::Saved);
        app.recovery().documentClean();
        return;
    default:
        cancel();
    }
}

void applyNewDocumentType(TApp& app)
{
    DocumentState& doc = app.document();
    if (app.options().defaultFileType == FileType::Text) {
        doc.fileTypeLabel = QString::fromLatin1(LabelTxt);
        doc.saveFormat = SaveFormat::PlainText;
    } else {
        doc.fileTypeLabel = QString::fromLatin1(LabelRtf);
        doc.saveFormat = SaveFormat::RichText;
    }
    refreshCaption(app);
    app.refreshFileTypePanel();
    app.refreshStatePanel();
    app.setRevertEnabled(false);
}

void newDocument(TApp& app)
{
    RichEdit& editor = app.editor();
    editor.setFocus();
    editor.clearText();
    // A binary view is read-only; a new document never is.
    editor.setReadOnly(false);
    app.document().fileName.clear();
    app.document().convertedFromWord = false;
    app.document().diskStamp = {};
    app.document().plainTextFormattingAccepted = false;
    app.applyDefaultFormat();
    setDocState(app, DocState::New);
    app.recovery().documentClean();
    app.recovery().setOpenFile({});
    applyNewDocumentType(app);
}

void fileNew(TApp& app)
{
    querySave(app);
    newDocument(app);
}

void fileOpen(TApp& app)
{
    querySave(app);
    FileDialogRequest request;
    request.parent = &app;
    request.title = QStringLiteral("Open");
    request.filter = app.document().openFilter;
    request.mustExist = true;
    const FileDialogResult chosen = app.services().fileDialogs.open(request);
    if (!chosen.accepted)
        cancel();
    loadNamedFile(app, chosen.fileName);
}

void fileSave(TApp& app)
{
    // Saving a converted document under its own name would put rich text in
    // place of the Word file; the first save asks for a name instead.
    if (app.document().convertedFromWord) {
        fileSaveAs(app);
        return;
    }
    if (!app.document().fileName.isEmpty()) {
        saveToName(app, app.document().fileName);
        return;
    }
    if (app.options().notesFileName)
        app.document().fileName = notesName(app);
    fileSaveAs(app);
}

// Save As to a format the program writes through LibreOffice: an export. The
// document stays what it was, under its own name and in its own state, as
// the file written is not one the program edits.
void exportTo(TApp& app, QString target, const ExportType& type)
{
    // The dialog adds the document's own extension to a bare name; the format's belongs there.
    const QString suffix = QFileInfo(target).suffix().toLower();
    if (suffix != QLatin1String(type.extension)) {
        if (suffix == QLatin1String("rtf") || suffix == QLatin1String("txt"))
            target.chop(suffix.size() + 1);
        target += QLatin1Char('.') + QLatin1String(type.extension);
        if (QFileInfo::exists(target)
            && app.services().messages.confirm(ReplaceQuestion.arg(QFileInfo(target).fileName()), Buttons::YesNo)
                   != Answer::Yes)
            cancel();
    }
    const DocumentState& doc = app.document();
    if (!doc.fileName.isEmpty() && QFileInfo(target) == QFileInfo(doc.fileName)) {
        app.services().messages.information(
            OwnFileExportMessage.arg(QFileInfo(target).fileName(), QLatin1String(type.name)));
        cancel();
    }
    exportDocument(&app, app.editor(), app.exporter(), target, type);
}

void fileSaveAs(TApp& app)
{
    DocumentState& doc = app.document();
    const QString nameBefore = doc.fileName;
    if (notesRuleApplies(app))
        doc.fileName = notesName(app);
    const bool exports = app.exporter().available();
    FileDialogRequest request;
    request.parent = &app;
    request.title = QStringLiteral("Save");
    request.filter = saveFilter(exports);
    request.filterIndex = int(doc.saveFormat);
    request.fileName = doc.fileName;
    if (doc.convertedFromWord) {
        const QFileInfo word(doc.fileName);
        request.fileName = QDir(word.path()).filePath(word.completeBaseName() + QStringLiteral(".rtf"));
        request.filterIndex = int(SaveFormat::RichText);
        request.note = ConvertedNote;
    }
    request.defaultExtension = doc.defaultExtension;
    request.overwritePrompt = true;
    request.onTypeChange = [](int entry, const QString& name) { return nameForSaveType(name, entry); };
    const FileDialogResult chosen = app.services().fileDialogs.save(request);
    if (!chosen.accepted) {
        if (doc.fileName == notesName(app))
            doc.fileName.clear();
        cancel();
    }
    if (const ExportType* type = exportTypeOfEntry(chosen.filterIndex); type && exports) {
        // An unnamed document stays unnamed.
        doc.fileName = nameBefore;
        exportTo(app, chosen.fileName, *type);
        return;
    }
    const SaveFormat previous = doc.saveFormat;
    if (chosen.filterIndex >= 1 && chosen.filterIndex <= 3)
        doc.saveFormat = SaveFormat(chosen.filterIndex);
    try {
        saveToName(app, chosen.fileName);
    } catch (...) {
        doc.saveFormat = previous;
        throw;
    }
}

void fileRevert(TApp& app)
{
    DocumentState& doc = app.document();
    if (doc.state != DocState::Modified)
        return;
    if (app.services().messages.confirm(QStringLiteral("Revert ") + doc.fileName + QLatin1Char('?'), Buttons::YesNo)
        != Answer::Yes)
        cancel();
    loadNamedFile(app, doc.fileName);
}

void setUpOpenDialogFilter(TApp& app)
{
    const auto misc = RegKey::openSettingsRead(app.registry(), QStringLiteral("Miscellaneous"));
    if (!misc)
        return;
    const QString base = app.convertersAvailable() ? QString::fromLatin1(OpenFilterWithWord)
                                                   : QString::fromLatin1(OpenFilter);
    app.document().openFilter = base + misc->readString(QStringLiteral("Custom_FileFilters"));
}

}  // namespace qp
