#include "editing/Window_EditAutoWords.h"

namespace qp {

TForm_EditAutoWords::TForm_EditAutoWords(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_EditAutoWords"));
    setWindowTitle(QStringLiteral("Edit Auto Words"));
}

}  // namespace qp
