#pragma once

#include "ConverterAbi.h"

#include <QString>

#include <memory>

class QLibrary;
class QWidget;

namespace qp {

class RichEdit;

// A format Save As writes through the LibreOffice converter; the document
// itself stays rich text inside the program.
struct ExportType {
    const char* description;  // the Save dialog's entry
    const char* extension;    // without the dot
    const char* name;         // in messages
    int32_t format;           // QP_EXPORT_*
};

inline constexpr ExportType ExportTypes[] = {
    {"Word Document (*.docx)", "docx", "a Word document", QP_EXPORT_DOCX},
    {"OpenDocument Text (*.odt)", "odt", "an OpenDocument text", QP_EXPORT_ODT},
    {"PDF (*.pdf)", "pdf", "PDF", QP_EXPORT_PDF},
};
// The Save dialog's entry of the first of them, after the program's own three.
inline constexpr int FirstExportEntry = 4;

// The export type of a Save dialog entry, or null for the program's own entries.
const ExportType* exportTypeOfEntry(int filterIndex);

// The Save dialog's type list: the program's own, then the export formats
// when they can be written.
QString saveFilter(bool withExports);

// The converter that writes the formats ("MSWRD832.CNV" of the converter
// folder), loaded when first asked and kept until this object goes. It is the
// module that reads Word files too, so both share the LibreOffice it keeps.
class Exporter {
public:
    explicit Exporter(QString folder);
    ~Exporter();
    Exporter(const Exporter&) = delete;
    Exporter& operator=(const Exporter&) = delete;

    // Whether the converter is installed, writes these formats and finds LibreOffice.
    bool available();
    // Writes the RTF file as `format` to `target`; a QP_RESULT_ code, 0 on
    // success. Runs on any thread once `available` said yes.
    int32_t run(const QString& rtfFile, const QString& target, int32_t format) const;
    // From another thread while `run` runs: stops it.
    void cancel() const;

private:
    QString m_folder;
    std::unique_ptr<QLibrary> m_library;
    QpRtfToForeign32 m_export = nullptr;
    QpCancelConverter32 m_cancel = nullptr;
};

// Writes the document as `type` to `target` off the GUI thread, with a
// progress box and Cancel when it takes more than half a second. The
// document, its name and its state stay as they are. Cancel ends the command
// silently; a failure throws AppError naming the file and the reason, and
// leaves an existing target as it was.
void exportDocument(QWidget* parent, const RichEdit& editor, const Exporter& exporter, const QString& target,
                    const ExportType& type);

}  // namespace qp
