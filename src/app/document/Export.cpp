#include "app/document/Export.h"

#include "app/document/LongWork.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <vector>

namespace qp {

namespace {

const char* const ExportConverter = "MSWRD832.CNV";

const QString FailedMessage = QStringLiteral("\"%1\" could not be saved as %2.\r%3");

// A zero-filled text block as the converters take file names.
std::vector<unsigned char> nameBlock(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    std::vector<unsigned char> bytes(size_t(name.size()) * 2 + 1, 0);
    std::memcpy(bytes.data(), name.constData(), size_t(name.size()));
    return bytes;
}

QString reason(int32_t result)
{
    switch (result) {
    case QP_RESULT_NO_TOOL:
        return QStringLiteral("LibreOffice, which writes this format, is not installed.");
    case QP_RESULT_TIMED_OUT:
        return QStringLiteral("LibreOffice did not finish in time.");
    case QP_RESULT_CANNOT_OPEN:
        return QStringLiteral("The file can not be written there: the folder may be missing or read-only, "
                              "or the disk full.");
    case QP_RESULT_DAMAGED:
    case QP_RESULT_NOTHING_WRITTEN:
        return QStringLiteral("LibreOffice could not write the document in this format.");
    case QP_RESULT_TOOL_FAILED:
        return QStringLiteral("LibreOffice ended with an error.");
    default:
        return QStringLiteral("The converter reported error %1.").arg(result);
    }
}

}  // namespace

const ExportType* exportTypeOfEntry(int filterIndex)
{
    const int at = filterIndex - FirstExportEntry;
    return at >= 0 && at < int(std::size(ExportTypes)) ? &ExportTypes[at] : nullptr;
}

QString saveFilter(bool withExports)
{
    QString filter = QString::fromLatin1(SaveFilter);
    if (withExports) {
        for (const ExportType& type : ExportTypes)
            filter += QStringLiteral("|%1|*.%2").arg(QLatin1String(type.description), QLatin1String(type.extension));
    }
    return filter;
}

Exporter::Exporter(QString folder) : m_folder(std::move(folder)) {}

Exporter::~Exporter()
{
    if (m_library)
        m_library->unload();
}

bool Exporter::available()
{
    if (!m_library) {
        const QString name = QString::fromLatin1(ExportConverter);
        m_library = std::make_unique<QLibrary>(m_folder.isEmpty() ? name : QDir(m_folder).filePath(name));
        if (m_library->load()) {
            m_export = reinterpret_cast<QpRtfToForeign32>(m_library->resolve(QP_RTF_TO_FOREIGN));
            m_cancel = reinterpret_cast<QpCancelConverter32>(m_library->resolve(QP_CANCEL_CONVERTER));
        }
    }
    // Asked each time: LibreOffice may have been installed or removed meanwhile.
    return m_export && m_export(nullptr, nullptr, QP_EXPORT_PDF) == 0;
}

int32_t Exporter::run(const QString& rtfFile, const QString& target, int32_t format) const
{
    if (!m_export)
        return QP_RESULT_NO_TOOL;
    std::vector<unsigned char> rtfName = nameBlock(rtfFile);
    std::vector<unsigned char> targetName = nameBlock(target);
    QpBlock rtfBlock{rtfName.data(), rtfName.size()};
    QpBlock targetBlock{targetName.data(), targetName.size()};
    return m_export(&rtfBlock, &targetBlock, format);
}

void Exporter::cancel() const
{
    if (m_cancel)
        m_cancel();
}

void exportDocument(QWidget* parent, const RichEdit& editor, const Exporter& exporter, const QString& target,
                    const ExportType& type)
{
    const QString shortName = QFileInfo(target).fileName();
    const auto failed = [&](const QString& why) {
        return AppError(FailedMessage.arg(shortName, QLatin1String(type.name), why));
    };
    // The RTF goes to LibreOffice through a file in a folder only this user can read.
    QTemporaryDir folder;
    QFile rtf(folder.filePath(QStringLiteral("document.rtf")));
    const QByteArray bytes = editor.richText();
    if (!folder.isValid() || !rtf.open(QIODevice::WriteOnly) || rtf.write(bytes) != bytes.size() || !rtf.flush())
        throw failed(QStringLiteral("Its text could not be written to a temporary file: %1").arg(rtf.errorString()));
    rtf.close();

    int32_t result = QP_RESULT_INTERNAL;
    LongWork work(parent, QStringLiteral("Saving \"%1\" as %2...").arg(shortName, QLatin1String(type.name)));
    work.setTitle(QStringLiteral("Save As"));
    work.setCanceller([&exporter] { exporter.cancel(); });
    const bool cancelled = work.run([&](LongWork::Progress&) {
        result = exporter.run(rtf.fileName(), target, type.format);
    }) == LongWork::Outcome::Cancelled;

    if (result == QP_RESULT_CANCELLED || (cancelled && result != 0))
        cancel();
    if (result != 0)
        throw failed(reason(result));
}

}  // namespace qp
