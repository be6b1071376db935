#pragma once

#include <QString>

#include <array>
#include <span>

class QAction;

namespace qp {

class TApp;

// Every command of the main window. The order is ActionList1's, then
// ActionList2's (the tool slots); FullScreen_Esc stands before File_ExitEsc,
// the one other command on Esc.
enum class Command {
    File_New, File_NewWindow, File_Open, File_MyFiles, File_RecentFiles, File_Save, File_SaveAs,
    File_Revert, File_PrintOptions, File_Print, File_Exit,
    View_FullScreen_Esc,
    File_ExitEsc,
    EditUndo1, EditRedo1, EditCut1, EditCopy1, EditPaste1, EditSelectAll1, Edit_DeleteLine, Edit_ChangeCase,
    Insert_InsertCharacter, Insert_InsertDate, Insert_InsertTime, Insert_AutoWords, Insert_EditAutoWords,
    Insert_ChangeSortOrder,
    RichEditBold1, RichEditItalic1, RichEditUnderline1, RichEditAlignLeft1, RichEditAlignRight1,
    RichEditAlignCenter1,
    Format_IncreaseFontsize, Format_DecreaseFontsize, Format_CopyFormat, Format_PasteFormat,
    Format_RemoveFormat, Format_TextSpecifications,
    Search_FindSelection, Search_FindNext, Search_FindAndReplace, Search_MarkLine, Search_GoToLine,
    Other_Run, Tools_Settings, Tools_Setup,
    View_WordwrapEnabled, View_StatusBarEnabled, View_Stayontop, View_WritersMode, View_FullScreen,
    View_ScrollBarEnabled, View_MaximizeRestore, View_StatusBarPos, View_BasicStatusbar,
    View_EditorIncrease, View_EditorDecrease, View_EditorMoveRight, View_EditorMoveLeft, View_EditorReset,
    View_EditorCenter,
    Help_Shortcuts, Help_Documentation,
    Edit_SwitchCharacters, Edit_AltCut, Edit_AltCopy, Edit_AltPaste, Edit_UpperCase, Edit_LowerCase,
    Edit_Clip1Create, Edit_Clip2Create, Edit_Clip3Create, Edit_Clip4Create,
    Edit_Clip1Paste, Edit_Clip2Paste, Edit_Clip3Paste, Edit_Clip4Paste,
    Format_IncreaseIndent, Format_DecreaseIndent,
    Other_SetFocusToRichEdit, Other_InsertDoubleReturn, Other_PopupAlternative, Other_PopupStandard,
    View_CheckSpelling,
    Plugin00, Plugin01, Plugin02, Plugin03, Plugin04, Plugin05, Plugin06, Plugin07, Plugin08, Plugin09,
    Count
};

inline constexpr int CommandCount = int(Command::Count);
inline constexpr int FirstToolSlot = int(Command::Plugin00);

enum CommandFlag : unsigned {
    NoFlags = 0,
    StartsDisabled = 1,
    StartsHidden = 2,
    Checkable = 4,
    StartsChecked = 8 | Checkable,
    // Works on the focused text control; disabled while none has the focus.
    Standard = 16,
};

using CommandHandler = void (*)(TApp&);

struct CommandRow {
    Command command;
    const char* name;
    const char* caption;
    const char* shortcut;  // portable text of QKeySequence, US layout; empty for none
    unsigned flags;
    CommandHandler handler;  // nullptr: the command's feature has not landed yet
};

// The table, in ActionList1 then ActionList2 order (row i is Command i).
std::span<const CommandRow> commandTable();
const CommandRow& commandRow(Command command);

// A menu: a title and its items; Command::Count stands for a separator line.
struct MenuItem {
    Command command;
};
inline constexpr MenuItem Separator{Command::Count};

struct MenuLayout {
    const char* name;
    const char* title;
    std::span<const MenuItem> items;
};

std::span<const MenuLayout> mainMenuLayout();
// PopupMenu1 (margin) ... PopupMenu5 (alternative), in number order.
std::span<const MenuLayout> popupMenuLayouts();

}  // namespace qp
