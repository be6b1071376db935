#include "app/document/Tools_File.h"

#include "app/Applic.h"
#include "app/document/Converters.h"
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

#include <QFile>
#include <QFileInfo>

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

// A binary Word file goes through the converters, never into the editor as it is.
bool needsConverter(const QString& fileName)
{
    return lowerExtension(fileName) == QLatin1String(".doc") && isBinaryFile(fileName);
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

bool sameFile(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a) == QFileInfo(b);
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

QByteArray readWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
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
    // The document's own Word file, once a converter has read it, is saved as
    // rich text under its name; any other such file is not written over.
    if (!sameFile(fileName, doc.fileName) && cannotWriteBack(fileName)) {
        app.services().messages.information(ForeignFileMessage.arg(QFileInfo(fileName).fileName()));
        cancel();
    }
    // A plain-text save drops the formatting without a trace: the user hears of
    // it once per document, before the first such save.
    if (doc.saveFormat != SaveFormat::RichText && !doc.plainTextFormattingAccepted
        && app.editor().hasMixedFormatting()) {
        if (app.services().messages.confirm(PlainTextFormattingQuestion, Buttons::YesNo) != Answer::Yes)
            cancel();
        doc.plainTextFormattingAccepted = true;
    }
    const TypeSnapshot before(app);
    try {
        applyFileType(app, doc.saveFormat == SaveFormat::RichText ? richType() : textType());
        app.editor().saveFile(fileName);
    } catch (...) {
        // A failed write leaves the file on disk, the type, state and name as they were.
        before.restore();
        throw;
    }
    doc.fileName = fileName;
    refreshCaption(app);
    setDocState(app, DocState::Saved);
    app.setRevertEnabled(false);
    // The desktop's own list shows saved files too; the program's list only loaded ones.
    app.services().shell.addRecentDocument(fileName);
}

void loadSucceeded(TApp& app, const QString& fileName)
{
    app.document().plainTextFormattingAccepted = false;
    setDocState(app, DocState::Saved);
    app.document().fileName = fileName;
    refreshCaption(app);
    app.setRevertEnabled(false);
    if (app.arguments().value(1) == QLatin1String("-p")) {
        app.printFromCommandLine();
        app.close();
    }
    app.addToRecentFiles(fileName);
}

// A binary Word file: an empty rich-text document, then the converters in
// turn. When none reads it the document is left empty and unnamed, so that no
// save can write rich text over the Word file.
void loadThroughConverters(TApp& app, const QString& fileName)
{
    RichEdit& editor = app.editor();
    editor.clearText();
    editor.setReadOnly(false);
    applyFileType(app, richType());
    for (const char* converter : WordConverters) {
        if (app.importThroughConverter(fileName, QString::fromLatin1(converter))) {
            loadSucceeded(app, fileName);
            return;
        }
    }
    app.services().messages.information(ConverterMessage);
    setDocState(app, DocState::New);
    app.document().fileName.clear();
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

void setDocState(TApp& app, DocState state)
{
    app.document().state = state;
    app.refreshStatePanel();
}

void loadNamedFile(TApp& app, const QString& fileName)
{
    if (!QFileInfo(fileName).isFile()) {
        refreshCaption(app);
        app.services().messages.information(MissingFileMessage);
        return;
    }
    if (needsConverter(fileName)) {
        loadThroughConverters(app, fileName);
        return;
    }
    // Everything is read before the editor is touched: a file that cannot be
    // read, or a stored default format that lacks a value, leaves the
    // document, its type and its name as they were.
    const LoadType type = fileTypeOnLoad(fileName);
    const bool binaryView = type.label == QLatin1String(LabelBinary);
    const QByteArray bytes = readWholeFile(fileName);
    const std::optional<DefaultFormat> defaultFormat = readDefaultFormat(app.registry());

    const TypeSnapshot before(app);
    RichEdit& editor = app.editor();
    try {
        editor.clearText();
        editor.setTextMode(TextMode::Plain);
        applyDefaultFormat(editor, defaultFormat);
        applyFileType(app, type);
        // Once more in the mode that a known extension chose.
        const QString extension = lowerExtension(fileName);
        if (extension == QLatin1String(".rtf") || extension == QLatin1String(".txt") || extension == QLatin1String(".doc"))
            applyDefaultFormat(editor, defaultFormat);
        if (!binaryView) {
            editor.loadBytes(bytes);
            editor.setReadOnly(false);
        } else {
            editor.setText(binaryViewText(bytes));
            editor.setReadOnly(true);
        }
    } catch (...) {
        before.restore();
        throw;
    }
    loadSucceeded(app, fileName);
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
        setDocState(app, DocState::Saved);
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
    app.document().plainTextFormattingAccepted = false;
    app.applyDefaultFormat();
    setDocState(app, DocState::New);
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
    if (!app.document().fileName.isEmpty()) {
        saveToName(app, app.document().fileName);
        return;
    }
    if (app.options().notesFileName)
        app.document().fileName = notesName(app);
    fileSaveAs(app);
}

void fileSaveAs(TApp& app)
{
    DocumentState& doc = app.document();
    if (notesRuleApplies(app))
        doc.fileName = notesName(app);
    FileDialogRequest request;
    request.parent = &app;
    request.title = QStringLiteral("Save");
    request.filter = QString::fromLatin1(SaveFilter);
    request.filterIndex = int(doc.saveFormat);
    request.fileName = doc.fileName;
    request.defaultExtension = doc.defaultExtension;
    request.overwritePrompt = true;
    request.onTypeChange = [](int entry, const QString& name) { return nameForSaveType(name, entry); };
    const FileDialogResult chosen = app.services().fileDialogs.save(request);
    if (!chosen.accepted) {
        if (doc.fileName == notesName(app))
            doc.fileName.clear();
        cancel();
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
