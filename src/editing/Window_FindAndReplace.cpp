#include "editing/Window_FindAndReplace.h"

namespace qp {

TForm_FindAndReplace::TForm_FindAndReplace(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_FindAndReplace"));
    setWindowTitle(QStringLiteral("Find and Replace"));
}

}  // namespace qp
