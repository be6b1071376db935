#include "format/Window_TextSpecifications.h"

namespace qp {

TForm_TextSpecifications::TForm_TextSpecifications(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_TextSpecifications"));
    setWindowTitle(QStringLiteral("Text Specifications"));
}

}  // namespace qp
