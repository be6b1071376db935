#pragma once

#include <QStringList>

namespace qp {

// Documents written elsewhere ask for faces by name ("Courier New") that a
// Linux system rarely has; they are shown in an installed face of the same
// metrics, so lines break where they did. The stored name never changes.
void installFontSubstitutes();

// The font families installed for the screen, each once and without its
// foundry, with the faces shown through a substitute; unsorted. Gathered once per run.
const QStringList& fontFamilies();

}  // namespace qp
