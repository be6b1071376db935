#include "files/Window_MyFiles.h"

namespace qp {

TForm_MyFiles::TForm_MyFiles(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_MyFiles"));
    setWindowTitle(QStringLiteral("My Files"));
}

}  // namespace qp
