#include "app/SearchCommands.h"

#include "app/Applic.h"
#include "editing/Window_FindAndReplace.h"

namespace qp {

TForm_FindAndReplace* createFindAndReplace(TApp& app)
{
    return new TForm_FindAndReplace(&app);
}

// The commands below land with find and replace.
void searchFindSelection(TApp&) {}
void searchFindNext(TApp&) {}
void searchFindAndReplace(TApp&) {}

}  // namespace qp
