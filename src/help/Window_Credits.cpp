#include "help/Window_Credits.h"

namespace qp {

TForm_Credits::TForm_Credits(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_Credits"));
    setWindowTitle(QStringLiteral("Credits"));
}

}  // namespace qp
