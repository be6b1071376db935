#include "editing/Window_InsertCharacter.h"

namespace qp {

TForm_InsertCharacter::TForm_InsertCharacter(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_InsertCharacter"));
    setWindowTitle(QStringLiteral("Insert Character"));
}

}  // namespace qp
