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

QList<PdfWord> pdfWords(const QString& path)
{
    const QString boxes = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression page(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    QList<PdfWord> words;
    int number = 0;
    double width = 0;
    double height = 0;
    const QStringList lines = boxes.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (const QRegularExpressionMatch m = page.match(line); m.hasMatch()) {
            ++number;
            width = m.captured(1).toDouble();
            height = m.captured(2).toDouble();
        } else if (const QRegularExpressionMatch w = word.match(line); w.hasMatch()) {
            words.append({number, w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).toDouble(),
                          w.captured(4).toDouble(), width, height, w.captured(5)});
        }
    }
    return words;
}

}  // namespace qp::test
