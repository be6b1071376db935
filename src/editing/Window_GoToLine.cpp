#include "editing/Window_GoToLine.h"

namespace qp {

TForm_GoToLine::TForm_GoToLine(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_GoToLine"));
    setWindowTitle(QStringLiteral("Go To Line"));
}

}  // namespace qp
