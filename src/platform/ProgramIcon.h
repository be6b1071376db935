#pragma once

#include <QIcon>

namespace qp {

// The program's icon for its windows and task bar entry: "quillpress" from
// the icon theme (the desktop integration installs it there), else a drawn
// mark in the sizes task bars ask for.
QIcon programIcon();

}  // namespace qp
