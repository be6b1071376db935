#include "editing/SearchCommands.h"

#include "editing/Window_FindAndReplace.h"

namespace qp {

void searchFindSelection(TForm_FindAndReplace& dialog)
{
    dialog.findSelection();
}

void searchFindNext(TForm_FindAndReplace& dialog)
{
    dialog.findNext();
}

void searchFindAndReplace(TForm_FindAndReplace& dialog)
{
    dialog.showDialog();
}

}  // namespace qp
