#include "files/Window_RecentFiles.h"

namespace qp {

TForm_RecentFiles::TForm_RecentFiles(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TForm_RecentFiles"));
    setWindowTitle(QStringLiteral("Recent Files"));
}

}  // namespace qp
