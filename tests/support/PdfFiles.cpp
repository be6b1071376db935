#include "support/PdfFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace qp::test {

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString infoField(const QString& path, const QString& field)
{
    const QString info = run(QStringLiteral("pdfinfo"), {path});
    const QRegularExpression pattern(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    return pattern.match(info).captured(1).trimmed();
}

}  // namespace

QString pdfText(const QString& path, int first, int last)
{
    QStringList arguments{QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(first)};
    if (last > 0)
        arguments << QStringLiteral("-l") << QString::number(last);
    arguments << path << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), arguments);
}

int pdfPageCount(const QString& path)
{
    return infoField(path, QStringLiteral("Pages")).toInt();
}

QString pdfTitle(const QString& path)
{
    return infoField(path, QStringLiteral("Title"));
}

double pdfWordLeft(const QString& path, const QString& word)
{
    const QString boxes = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    const QRegularExpression pattern(QStringLiteral("<word xMin=\"([0-9.]+)\"[^>]*>%1</word>")
                                         .arg(QRegularExpression::escape(word)));
    const QRegularExpressionMatch match = pattern.match(boxes);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

}  // namespace qp::test
