#pragma once

#include "app/document/FileStamp.h"

#include <QString>

namespace qp {

class TApp;
struct RecoveryCopy;

enum class DocState { New = 0, Modified = 1, Saved = 2 };

// The Save dialog's type entries, counted from 1 as the dialog counts them.
enum class SaveFormat { RichText = 1, PlainText = 2, AllFiles = 3 };

inline constexpr const char* LabelRtf = "RTF Format";
inline constexpr const char* LabelTxt = "TXT Format";
inline constexpr const char* LabelBinary = "BINARY";

inline constexpr const char* SaveFilter =
    "Rich Text Format Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
inline constexpr const char* OpenFilter =
    "All Known Files (*.rtf, *.txt)|*.rtf;*.txt;|Rich Text Format Files (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|"
    "All Files (*.*)|*.*";
// With a converter: Word files, and the word-processor files the converter
// recognises by content, which the first entry takes in as well.
inline constexpr const char* OpenFilterWithWord =
    "All Known Files (*.rtf, *.txt, *.doc)|*.rtf;*.txt;*.doc;*.docx;*.odt;*.sxw;*.wpd|Rich Text Format Files (*.rtf)|"
    "*.rtf|Text Files (*.txt)|*.txt|Word Files (*.doc)|*.doc|Word Documents (*.doc *.docx)|*.doc;*.docx|"
    "OpenDocument Text (*.odt)|*.odt|Other Word Processors (*.sxw *.wpd)|*.sxw;*.wpd|All Files (*.*)|*.*";

struct DocumentState {
    QString fileName;
    DocState state = DocState::New;
    QString fileTypeLabel = QString::fromLatin1(LabelRtf);
    SaveFormat saveFormat = SaveFormat::RichText;
    // The user has agreed to lose this document's formatting in a plain-text save.
    bool plainTextFormattingAccepted = false;
    QString defaultExtension = QStringLiteral("rtf");
    // Read through a Word converter and not saved since: the file on disk is
    // one the program cannot write back, so the first save asks for a new name.
    bool convertedFromWord = false;
    // The file as last loaded or saved, to find changes made by other programs.
    FileStamp diskStamp;
    // The user has been told that the file is gone; not again until it returns.
    bool missingTold = false;
    // The Open dialog's type list, settled at start-up.
    QString openFilter = QString::fromLatin1(OpenFilter);
};

// Binary when a 0 byte stands among the first n - 9 of the first
// n = min(size, 1000) bytes. Throws AppError when the file cannot be read.
bool isBinaryFile(const QString& path);

// Word-processor files by their content, whatever their name: a Word file
// (97-2003 or 2007 and later, a protected one too), an OpenDocument text, or
// another word processor's document that the converter reads (an older
// StarOffice text, a WordPerfect document). None when the file cannot be read.
enum class WordProcessorKind { None, Word, OpenDocument, Other };
WordProcessorKind wordProcessorKind(const QString& path);

// The name in the Save dialog's name box after the user picks type entry
// `filterIndex`: entry 1 gives it the extension rtf, entry 2 txt.
QString nameForSaveType(const QString& name, int filterIndex);

// The commands.
void fileNew(TApp& app);
void fileOpen(TApp& app);
void fileSave(TApp& app);
void fileSaveAs(TApp& app);
void fileRevert(TApp& app);

// Entry points of the other features.
// Loads a named file into the editor. A missing file keeps the document as
// it was; a file that cannot be read leaves it as it was and throws.
void loadNamedFile(TApp& app, const QString& fileName);
// Files of at least this many bytes are read on a worker thread behind a
// progress box with Cancel (a megabyte unless a test says otherwise).
void setLongLoadThreshold(qsizetype bytes);
// Opens a copy left behind by a crash: its text, unsaved, under the name of
// the document it was made from (none for an unnamed one).
void openRecoveryCopy(TApp& app, const RecoveryCopy& copy);
// Asks "Save <name>?" when the document is Modified; Cancel ends the caller.
void querySave(TApp& app);
void newDocument(TApp& app);
// The untitled document's type from the default file type.
void applyNewDocumentType(TApp& app);
void refreshCaption(TApp& app);
// Looks whether another program has changed or deleted the document's file
// since it was loaded or saved, and asks what to do (when the window comes to
// the front).
void checkOutsideChange(TApp& app);
void setDocState(TApp& app, DocState state);
// The Open dialog's type list, from the store and the converters.
void setUpOpenDialogFilter(TApp& app);

}  // namespace qp
