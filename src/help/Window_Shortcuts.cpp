#include "help/Window_Shortcuts.h"

namespace qp {

TForm_Shortcuts::TForm_Shortcuts(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_Shortcuts"));
    setWindowTitle(QStringLiteral("Additional Functions"));
}

}  // namespace qp
