#pragma once

namespace qp {

class TApp;
class TForm_FindAndReplace;

// Creates the Find and Replace window for the main window, hidden.
TForm_FindAndReplace* createFindAndReplace(TApp& app);

void searchFindSelection(TApp& app);
void searchFindNext(TApp& app);
void searchFindAndReplace(TApp& app);

}  // namespace qp
