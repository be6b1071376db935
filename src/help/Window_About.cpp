#include "help/Window_About.h"

namespace qp {

TForm_About::TForm_About(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_About"));
    setWindowTitle(QStringLiteral("About"));
}

}  // namespace qp
