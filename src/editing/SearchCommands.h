#pragma once

namespace qp {

class TForm_FindAndReplace;

// Action_Search_FindSelection (F2): the next occurrence of the selected text.
void searchFindSelection(TForm_FindAndReplace& dialog);
// Action_Search_FindNext (F3): the window's Find Next, also while it is closed.
void searchFindNext(TForm_FindAndReplace& dialog);
// Action_Search_FindAndReplace (Ctrl+F): shows the window or brings it to the front.
void searchFindAndReplace(TForm_FindAndReplace& dialog);

}  // namespace qp
