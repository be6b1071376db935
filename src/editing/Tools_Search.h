#pragma once

#include "editor/RichEdit.h"

#include <QString>

namespace qp {

class MessageService;

// The codes of the search fields: every "^t" becomes a tab, then every "^p" a
// paragraph break (CR LF). There is no escape for a literal "^t" or "^p".
QString convertSearchCodes(const QString& fieldText);

// Searches forward from the end of the selection and selects the match, ten
// lines below the top of the view where the text allows. At the end of the
// text the user is asked whether to go on from the beginning; No ends the
// command with the cancel signal and leaves the selection where it is.
// An empty search text is the caller's to refuse.
void searchFromSelection(RichEdit& editor, MessageService& messages, const QString& what, FindOptions options);

// Replaces every match from the start of the text by `with`, as one undo
// step, and returns how many it replaced; the caret ends after the last
// replacement. Each search goes on after the text just inserted, so a
// replacement that holds the search text is never searched again. A search
// for CR LF stops, caret at the match, where the match does not read CR LF
// once selected. An empty search text replaces nothing.
int replaceAll(RichEdit& editor, const QString& what, const QString& with, FindOptions options);

}  // namespace qp
