#pragma once

#include <QList>
#include <QString>

namespace qp::test {

// Reads printed PDF files back with poppler-utils.
// The text of pages first..last (0: to the end), in reading order.
QString pdfText(const QString& path, int first = 1, int last = 0);
int pdfPageCount(const QString& path);
QString pdfTitle(const QString& path);
// The left edge, in points from the sheet's edge, of the first word equal to `word`; -1 if none.
double pdfWordLeft(const QString& path, const QString& word);

// One word of a PDF's text layer, in points from the sheet's top left corner.
struct PdfWord {
    int page = 0;  // from 1
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double pageWidth = 0;
    double pageHeight = 0;
    QString text;
};
// Every word of the text layer, page by page in reading order.
QList<PdfWord> pdfWords(const QString& path);

}  // namespace qp::test
