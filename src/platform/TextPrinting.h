#pragma once

#include <QStringList>

class QFont;
class QPrinter;

namespace qp {

// Prints the lines as plain text in the font, top to bottom, going on to a
// new page when a page is full. Throws the error when the printer refuses the job.
void printTextLines(QPrinter& printer, const QStringList& lines, const QFont& font);

}  // namespace qp
