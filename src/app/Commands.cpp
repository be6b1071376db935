#include "app/Commands.h"

#include "app/Applic.h"
#include "app/Tools_Other.h"
#include "app/window/Tools_Mainform.h"
#include "editing/AutoWordList.h"
#include "editing/EditCommands.h"
#include "editing/Window_EditAutoWords.h"
#include "editing/SearchCommands.h"
#include "editing/StandardCommands.h"
#include "editing/ViewCommands.h"
#include "editing/Window_GoToLine.h"
#include "editing/Window_InsertCharacter.h"
#include "files/Window_MyFiles.h"
#include "files/Window_RecentFiles.h"
#include "format/Tools_Format.h"
#include "format/Window_TextSpecifications.h"
#include "help/HelpCommands.h"
#include "help/Window_Documentation.h"
#include "help/Window_Shortcuts.h"
#include "app/AppHosts.h"
#include "platform/Services.h"
#include "print/PrintCommands.h"
#include "print/Window_PrintOptions.h"
#include "settings/Window_FirstRun.h"
#include "settings/Window_Settings.h"

namespace qp {

namespace {

using C = Command;

void exitProgram(TApp& app)
{
    // The query save runs here; Yes or No leaves the document Saved, so the
    // close sequence does not ask again.
    querySave(app);
    app.close();
}

// A command of a feature, handed the narrow part of the main window it works on.
template <int Slot>
void toolSlot(TApp& app)
{
    runToolSlot(app, Slot);
}

template <void (*Run)(RichEdit&)>
void onEditor(TApp& app)
{
    Run(app.editor());
}

template <void (*Run)(EditingHost&)>
void onEditing(TApp& app)
{
    Run(app.editingHost());
}

template <void (*Run)(ViewHost&)>
void onView(TApp& app)
{
    Run(app.viewHost());
}

template <void (*Run)(TForm_FindAndReplace&)>
void onSearch(TApp& app)
{
    Run(*app.windows().findAndReplace);
}

void printDocument(TApp& app)
{
    filePrint(*makePrintHost(app), *app.windows().printOptions);
}

void openDocumentation(TApp& app)
{
    // Without a page there is nothing to show, and nothing is said.
    const QString page = documentationFile(app.services().paths);
    if (page.isEmpty())
        return;
    auto* window = app.findChild<TForm_Documentation*>();
    if (!window)
        window = new TForm_Documentation(makeHelpHost(app), &app);
    window->showPage(page);
}

void copyFormat(TApp& app)
{
    formatCopyFormat(app.editor(), app.formatMemory());
}

void pasteFormat(TApp& app)
{
    formatPasteFormat(app.editor(), app.formatMemory());
}

template <int Slot>
void clipCreateSlot(TApp& app)
{
    clipCreate(app.editor(), app.editingHost().clipSlots(), Slot);
}

template <int Slot>
void clipPasteSlot(TApp& app)
{
    clipPaste(app.editor(), app.editingHost().clipSlots(), Slot);
}

// clang-format off
constexpr CommandRow Rows[] = {
    {C::File_New, "Action_File_New", "&New", "Ctrl+N", NoFlags, fileNew},
    {C::File_NewWindow, "Action_File_NewWindow", "New &Window", "Ctrl+Shift+N", NoFlags, [](TApp& a) { a.startNewWindow(); }},
    {C::File_Open, "Action_File_Open", "&Open...", "Ctrl+O", NoFlags, fileOpen},
    {C::File_MyFiles, "Action_File_MyFiles", "&My Files...", "F7", NoFlags, [](TApp& a) { a.windows().myFiles->showDialog(); }},
    {C::File_RecentFiles, "Action_File_RecentFiles", "Recent &Files...", "F8", NoFlags, [](TApp& a) { a.windows().recentFiles->showDialog(); }},
    {C::File_Save, "Action_File_Save", "&Save", "Ctrl+S", NoFlags, fileSave},
    {C::File_SaveAs, "Action_File_SaveAs", "Save &As...", "Ctrl+Shift+S", NoFlags, fileSaveAs},
    {C::File_Revert, "Action_File_Revert", "&Revert...", "Ctrl+Shift+R", NoFlags, fileRevert},
    {C::File_PrintOptions, "Action_File_PrintOptions", "Prin&t Options...", "Ctrl+Shift+P", NoFlags, [](TApp& a) { a.windows().printOptions->showDialog(); }},
    {C::File_Print, "Action_File_Print", "&Print...", "Ctrl+P", NoFlags, printDocument},
    {C::File_Exit, "Action_File_Exit", "&Exit", "Ctrl+Q", StartsHidden, exitProgram},
    {C::View_FullScreen_Esc, "Action_View_FullScreen_Esc", "", "Esc", NoFlags, viewFullScreenEsc},
    {C::File_ExitEsc, "Action_File_ExitEsc", "&Exit", "Esc", NoFlags, exitProgram},
    {C::EditUndo1, "EditUndo1", "&Undo", "Ctrl+Z", Standard, [](TApp& a) { standardUndo(a.commandFocus()); }},
    {C::EditRedo1, "EditRedo1", "Redo", "Ctrl+Shift+Z", Standard, [](TApp& a) { standardRedo(a.commandFocus()); }},
    {C::EditCut1, "EditCut1", "Cu&t", "Ctrl+X", Standard, [](TApp& a) { standardCut(a.commandFocus()); }},
    {C::EditCopy1, "EditCopy1", "&Copy", "Ctrl+C", Standard, [](TApp& a) { standardCopy(a.commandFocus()); }},
    {C::EditPaste1, "EditPaste1", "&Paste", "Ctrl+V", Standard, [](TApp& a) { standardPaste(a.commandFocus()); }},
    {C::EditSelectAll1, "EditSelectAll1", "Select &All", "Ctrl+A", Standard, [](TApp& a) { standardSelectAll(a.commandFocus()); }},
    {C::Edit_DeleteLine, "Action_Edit_DeleteLine", "Delete &Line", "Ctrl+Y", NoFlags, onEditor<editDeleteLine>},
    {C::Edit_ChangeCase, "Action_Edit_ChangeCase", "C&hange Case", "Shift+F3", StartsDisabled, onEditor<editChangeCase>},
    {C::Insert_InsertCharacter, "Action_Insert_InsertCharacter", "&Character...", "Ctrl+K", NoFlags, [](TApp& a) { a.windows().insertCharacter->showDialog(); }},
    {C::Insert_InsertDate, "Action_Insert_InsertDate", "Insert &Date", "Ctrl+D", NoFlags, onEditing<insertDate>},
    {C::Insert_InsertTime, "Action_Insert_InsertTime", "Insert &Time", "Ctrl+Shift+D", NoFlags, onEditing<insertTime>},
    {C::Insert_AutoWords, "Action_Insert_AutoWords", "&Auto Word...", "Alt+\\", StartsDisabled, [](TApp& a) { showAutoWordList(a.autoWordsHost(), a.autoWordList()); }},
    {C::Insert_EditAutoWords, "Action_Insert_EditAutoWords", "&Edit Auto Words...", "Ctrl+Shift+\\", NoFlags, [](TApp& a) { a.windows().editAutoWords->showDialog(); }},
    {C::Insert_ChangeSortOrder, "Action_Insert_ChangeSortOrder", "Alphabetic Sort", "Ctrl+F5", StartsChecked, [](TApp& a) { toggleAutoWordSort(a.autoWordsHost(), a.autoWordList()); }},
    {C::RichEditBold1, "RichEditBold1", "&Bold", "Ctrl+B", Standard | Checkable, [](TApp& a) { standardToggleStyle(a.commandFocus(), TextStyle::Bold); }},
    {C::RichEditItalic1, "RichEditItalic1", "&Italic", "Ctrl+I", Standard | Checkable, [](TApp& a) { standardToggleStyle(a.commandFocus(), TextStyle::Italic); }},
    {C::RichEditUnderline1, "RichEditUnderline1", "&Underline", "Ctrl+U", Standard | Checkable, [](TApp& a) { standardToggleStyle(a.commandFocus(), TextStyle::Underline); }},
    {C::RichEditAlignLeft1, "RichEditAlignLeft1", "Align &Left", "Ctrl+L", Standard | Checkable, [](TApp& a) { standardAlign(a.commandFocus(), Qt::AlignLeft); }},
    {C::RichEditAlignRight1, "RichEditAlignRight1", "Align &Right", "Ctrl+R", Standard | Checkable, [](TApp& a) { standardAlign(a.commandFocus(), Qt::AlignRight); }},
    {C::RichEditAlignCenter1, "RichEditAlignCenter1", "C&enter", "Ctrl+E", Standard | Checkable, [](TApp& a) { standardAlign(a.commandFocus(), Qt::AlignHCenter); }},
    {C::Format_IncreaseFontsize, "Action_Format_IncreaseFontsize", "I&ncrease Fontsize", "Ctrl+Shift+.", NoFlags, onEditor<formatIncreaseFontsize>},
    {C::Format_DecreaseFontsize, "Action_Format_DecreaseFontsize", "Decrea&se Fontsize", "Ctrl+Shift+,", NoFlags, onEditor<formatDecreaseFontsize>},
    {C::Format_CopyFormat, "Action_Format_CopyFormat", "&Copy Format", "Ctrl+Shift+C", NoFlags, copyFormat},
    {C::Format_PasteFormat, "Action_Format_PasteFormat", "&Paste Format", "Ctrl+Shift+V", NoFlags, pasteFormat},
    {C::Format_RemoveFormat, "Action_Format_RemoveFormat", "Re&move Format...", "Alt+Backspace", StartsDisabled, [](TApp& a) { formatRemoveFormat(a.formatHost()); }},
    {C::Format_TextSpecifications, "Action_Format_TextSpecifications", "&Text Specifications...", "Ctrl+H", NoFlags, [](TApp& a) { a.windows().textSpecifications->showDialog(); }},
    {C::Search_FindSelection, "Action_Search_FindSelection", "Find &Selection", "F2", StartsDisabled, onSearch<searchFindSelection>},
    {C::Search_FindNext, "Action_Search_FindNext", "Find &Next", "F3", StartsDisabled, onSearch<searchFindNext>},
    {C::Search_FindAndReplace, "Action_Search_FindAndReplace", "&Find and Replace...", "Ctrl+F", NoFlags, onSearch<searchFindAndReplace>},
    {C::Search_MarkLine, "Action_Search_MarkLine", "&Mark Line", "Ctrl+Shift+G", NoFlags, [](TApp& a) { a.windows().goToLine->markLine(); }},
    {C::Search_GoToLine, "Action_Search_GoToLine", "&Go to Line...", "Ctrl+G", NoFlags, [](TApp& a) { a.windows().goToLine->showDialog(); }},
    {C::Other_Run, "Action_Other_Run", "&Run", "F9", StartsDisabled, runDocument},
    {C::Tools_Settings, "Action_Tools_Settings", "&Settings...", "F4", NoFlags, [](TApp& a) { a.windows().settings->showSettings(); }},
    {C::Tools_Setup, "Action_Tools_Setup", "Se&tup...", "", NoFlags, [](TApp& a) { a.windows().firstRun->showSetup(); }},
    {C::View_WordwrapEnabled, "Action_View_WordwrapEnabled", "&Wordwrap", "Ctrl+W", StartsChecked, onView<viewWordWrap>},
    {C::View_StatusBarEnabled, "Action_View_StatusBarEnabled", "&Statusbar", "Ctrl+T", StartsChecked, onView<viewStatusBar>},
    {C::View_Stayontop, "Action_View_Stayontop", "Stay on &Top", "Ctrl+M", Checkable, viewStayOnTop},
    {C::View_WritersMode, "Action_View_WritersMode", "Writers &Mode", "Ctrl+0", Checkable, onView<viewWritersMode>},
    {C::View_FullScreen, "Action_View_FullScreen", "&Full Screen", "F11", NoFlags, viewFullScreen},
    {C::View_ScrollBarEnabled, "Action_View_ScrollBarEnabled", "&Vertical Scrollbar", "Ctrl+Alt+B", StartsChecked, onView<viewScrollBars>},
    {C::View_MaximizeRestore, "Action_View_MaximizeRestore", "&Ma&ximize/Restore", "F12", NoFlags, viewMaximizeRestore},
    {C::View_StatusBarPos, "Action_View_StatusBarPos", "Statusbar &Top", "Ctrl+Shift+T", Checkable, onView<viewStatusBarPosition>},
    {C::View_BasicStatusbar, "Action_View_BasicStatusbar", "Basic Statusba&r", "F6", Checkable, onView<viewBasicStatusBar>},
    {C::View_EditorIncrease, "Action_View_EditorIncrease", "&Increase Editor Width", "Alt+X", NoFlags, editorIncrease},
    {C::View_EditorDecrease, "Action_View_EditorDecrease", "&Decrease Editor Width", "Alt+Z", NoFlags, editorDecrease},
    {C::View_EditorMoveRight, "Action_View_EditorMoveRight", "Move Editor &Right", "Alt+W", NoFlags, editorMoveRight},
    {C::View_EditorMoveLeft, "Action_View_EditorMoveLeft", "Move Editor &Left", "Alt+Q", NoFlags, editorMoveLeft},
    {C::View_EditorReset, "Action_View_EditorReset", "Editor &Max Width", "Alt+R", NoFlags, editorReset},
    {C::View_EditorCenter, "Action_View_EditorCenter", "&Center Editor", "Alt+C", NoFlags, editorCenter},
    {C::Help_Shortcuts, "Action_Help_Shortcuts", "Additional &Functions...", "F1", NoFlags, [](TApp& a) { a.windows().shortcuts->showDialog(); }},
    {C::Help_Documentation, "Action_Help_Documentation", "&Documentation...", "Ctrl+F1", StartsHidden, openDocumentation},
    {C::Edit_SwitchCharacters, "Action_Edit_SwitchCharacters", "&Switch Characters", "Alt+;", NoFlags, onEditor<editSwitchCharacters>},
    {C::Edit_AltCut, "Action_Edit_AltCut", "", "Shift+Del", NoFlags, onEditor<altCut>},
    {C::Edit_AltCopy, "Action_Edit_AltCopy", "", "Ctrl+Ins", NoFlags, onEditor<altCopy>},
    {C::Edit_AltPaste, "Action_Edit_AltPaste", "", "Shift+Ins", NoFlags, onEditor<altPaste>},
    {C::Edit_UpperCase, "Action_Edit_UpperCase", "", "Ctrl+]", NoFlags, onEditor<editUpperCase>},
    {C::Edit_LowerCase, "Action_Edit_LowerCase", "", "Ctrl+[", NoFlags, onEditor<editLowerCase>},
    {C::Edit_Clip1Create, "Action_Edit_Clip1Create", "", "Ctrl+Shift+1", NoFlags, clipCreateSlot<1>},
    {C::Edit_Clip2Create, "Action_Edit_Clip2Create", "", "Ctrl+Shift+2", NoFlags, clipCreateSlot<2>},
    {C::Edit_Clip3Create, "Action_Edit_Clip3Create", "", "Ctrl+Shift+3", NoFlags, clipCreateSlot<3>},
    {C::Edit_Clip4Create, "Action_Edit_Clip4Create", "", "Ctrl+Shift+4", NoFlags, clipCreateSlot<4>},
    {C::Edit_Clip1Paste, "Action_Edit_Clip1Paste", "", "Alt+1", NoFlags, clipPasteSlot<1>},
    {C::Edit_Clip2Paste, "Action_Edit_Clip2Paste", "", "Alt+2", NoFlags, clipPasteSlot<2>},
    {C::Edit_Clip3Paste, "Action_Edit_Clip3Paste", "", "Alt+3", NoFlags, clipPasteSlot<3>},
    {C::Edit_Clip4Paste, "Action_Edit_Clip4Paste", "", "Alt+4", NoFlags, clipPasteSlot<4>},
    {C::Format_IncreaseIndent, "Action_Format_IncreaseIndent", "", "Ctrl+.", NoFlags, onEditor<formatIncreaseIndent>},
    {C::Format_DecreaseIndent, "Action_Format_DecreaseIndent", "", "Ctrl+,", NoFlags, onEditor<formatDecreaseIndent>},
    {C::Other_SetFocusToRichEdit, "Action_Other_SetFocusToRichEdit", "", "Ctrl+Tab", NoFlags, onEditing<setFocusToRichEdit>},
    {C::Other_InsertDoubleReturn, "Action_Other_InsertDoubleReturn", "", "Shift+Return", NoFlags, onEditor<insertDoubleReturn>},
    {C::Other_PopupAlternative, "Action_Other_PopupAlternative", "", "Ctrl+Space", NoFlags, onEditing<popupAlternative>},
    {C::Other_PopupStandard, "Action_Other_PopupStandard", "", "Ctrl+Alt+Space", NoFlags, onEditing<popupStandard>},
    {C::View_CheckSpelling, "Action_View_CheckSpelling", "&Check Spelling", "", Checkable, [](TApp& a) { a.toggleSpelling(); }},
    {C::Plugin00, "Plugin00", "&0", "", StartsHidden, toolSlot<0>},
    {C::Plugin01, "Plugin01", "&1", "", StartsHidden, toolSlot<1>},
    {C::Plugin02, "Plugin02", "&2", "", StartsHidden, toolSlot<2>},
    {C::Plugin03, "Plugin03", "&3", "", StartsHidden, toolSlot<3>},
    {C::Plugin04, "Plugin04", "&4", "", StartsHidden, toolSlot<4>},
    {C::Plugin05, "Plugin05", "&5", "", StartsHidden, toolSlot<5>},
    {C::Plugin06, "Plugin06", "&6", "", StartsHidden, toolSlot<6>},
    {C::Plugin07, "Plugin07", "&7", "", StartsHidden, toolSlot<7>},
    {C::Plugin08, "Plugin08", "&8", "", StartsHidden, toolSlot<8>},
    {C::Plugin09, "Plugin09", "&9", "", StartsHidden, toolSlot<9>},
};
// clang-format on

static_assert(std::size(Rows) == CommandCount, "one row per command");

constexpr bool rowsInOrder()
{
    for (int i = 0; i < CommandCount; ++i) {
        if (int(Rows[i].command) != i)
            return false;
    }
    return true;
}

const MenuItem FileItems[] = {{C::File_New}, {C::File_NewWindow}, {C::File_Open}, Separator, {C::File_MyFiles},
                              {C::File_RecentFiles}, Separator, {C::File_Save}, {C::File_SaveAs}, {C::File_Revert},
                              Separator, {C::File_PrintOptions}, {C::File_Print}, Separator, {C::File_Exit},
                              {C::File_ExitEsc}};
const MenuItem EditItems[] = {{C::EditUndo1}, {C::EditRedo1}, Separator, {C::EditCut1}, {C::EditCopy1}, {C::EditPaste1}, Separator,
                              {C::EditSelectAll1}, Separator, {C::Edit_DeleteLine}, {C::Edit_ChangeCase}};
const MenuItem InsertItems[] = {{C::Insert_InsertCharacter}, Separator, {C::Insert_InsertDate},
                                {C::Insert_InsertTime}, Separator, {C::Insert_AutoWords}, {C::Insert_EditAutoWords}};
const MenuItem FormatItems[] = {{C::RichEditBold1}, {C::RichEditItalic1}, {C::RichEditUnderline1}, Separator,
                                {C::RichEditAlignLeft1}, {C::RichEditAlignRight1}, {C::RichEditAlignCenter1},
                                Separator, {C::Format_IncreaseFontsize}, {C::Format_DecreaseFontsize}, Separator,
                                {C::Format_CopyFormat}, {C::Format_PasteFormat}, {C::Format_RemoveFormat}, Separator,
                                {C::Format_TextSpecifications}};
const MenuItem SearchItems[] = {{C::Search_FindSelection}, {C::Search_FindNext}, {C::Search_FindAndReplace},
                                Separator, {C::Search_MarkLine}, {C::Search_GoToLine}};
const MenuItem ToolsItems[] = {{C::Other_Run}, Separator, {C::Plugin00}, {C::Plugin01}, {C::Plugin02},
                               {C::Plugin03}, {C::Plugin04}, {C::Plugin05}, {C::Plugin06}, {C::Plugin07},
                               {C::Plugin08}, {C::Plugin09}, Separator, {C::Tools_Settings}, {C::Tools_Setup}};
const MenuItem ViewItems[] = {{C::View_WordwrapEnabled}, {C::View_CheckSpelling}, Separator, {C::View_StatusBarEnabled}, {C::View_Stayontop},
                              {C::View_WritersMode}, Separator, {C::View_FullScreen}};
// The About item has no command; the main window adds it after these.
const MenuItem HelpItems[] = {{C::Help_Shortcuts}, {C::Help_Documentation}, Separator};

const MenuLayout MainMenu[] = {
    {"File", "&File", FileItems},       {"Edit", "&Edit", EditItems},       {"Insert", "&Insert", InsertItems},
    {"Format", "F&ormat", FormatItems}, {"Search", "&Search", SearchItems}, {"Tools", "&Tools", ToolsItems},
    {"View", "&View", ViewItems},       {"Help", "&Help", HelpItems},
};

const MenuItem MarginItems[] = {{C::View_EditorIncrease}, {C::View_EditorDecrease}, Separator,
                                {C::View_EditorMoveRight}, {C::View_EditorMoveLeft}, Separator,
                                {C::View_EditorReset}, {C::View_EditorCenter}};
const MenuItem EditorItems[] = {{C::EditUndo1}, Separator, {C::EditCut1}, {C::EditCopy1}, {C::EditPaste1},
                                Separator, {C::EditSelectAll1}};
const MenuItem StatusBarItems[] = {{C::View_BasicStatusbar}, {C::View_StatusBarPos}};
const MenuItem AutoWordItems[] = {{C::Insert_ChangeSortOrder}};
const MenuItem AlternativeItems[] = {{C::Edit_DeleteLine}, {C::Edit_ChangeCase}, Separator,
                                     {C::Insert_InsertDate}, {C::Insert_InsertTime}, Separator,
                                     {C::Insert_AutoWords}};

const MenuLayout PopupMenus[] = {
    {"PopupMenu1", "", MarginItems},    {"PopupMenu2", "", EditorItems},      {"PopupMenu3", "", StatusBarItems},
    {"PopupMenu4", "", AutoWordItems},  {"PopupMenu5", "", AlternativeItems},
};

}  // namespace

std::span<const CommandRow> commandTable()
{
    static_assert(rowsInOrder(), "rows stand in the order of the Command enumeration");
    return Rows;
}

const CommandRow& commandRow(Command command)
{
    return Rows[int(command)];
}

std::span<const MenuLayout> mainMenuLayout()
{
    return MainMenu;
}

std::span<const MenuLayout> popupMenuLayouts()
{
    return PopupMenus;
}

}  // namespace qp
