#include "print/Window_PrintOptions.h"

namespace qp {

TForm_PrintOptions::TForm_PrintOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_PrintOptions"));
    setWindowTitle(QStringLiteral("Print Options"));
}

}  // namespace qp
