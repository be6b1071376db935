#pragma once

#include <QString>

namespace qp::test {

// Reads printed PDF files back with poppler-utils.
// The text of pages first..last (0: to the end), in reading order.
QString pdfText(const QString& path, int first = 1, int last = 0);
int pdfPageCount(const QString& path);
QString pdfTitle(const QString& path);
// The left edge, in points from the sheet's edge, of the first word equal to `word`; -1 if none.
double pdfWordLeft(const QString& path, const QString& word);

}  // namespace qp::test
