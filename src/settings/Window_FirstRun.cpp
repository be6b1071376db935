#include "settings/Window_FirstRun.h"

namespace qp {

TForm_FirstRun::TForm_FirstRun(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_FirstRun"));
    setWindowTitle(QStringLiteral("Setup"));
}

}  // namespace qp
