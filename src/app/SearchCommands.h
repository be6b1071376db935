#pragma once

namespace qp {

class TApp;
class TForm_FindAndReplace;

// Creates the Find and Replace window for the main window, hidden.
TForm_FindAndReplace* createFindAndReplace(TApp& app);

// Action_Search_FindSelection (F2): the next occurrence of the selected text.
void searchFindSelection(TApp& app);
// Action_Search_FindNext (F3): the window's Find Next, also while it is closed.
void searchFindNext(TApp& app);
// Action_Search_FindAndReplace (Ctrl+F): shows the window or brings it to the front.
void searchFindAndReplace(TApp& app);

}  // namespace qp
