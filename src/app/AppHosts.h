#pragma once

#include <memory>

namespace qp {

class AutoWordsHost;
class EditingDialogHost;
class EditingHost;
class FilesHost;
class FormatHost;
class HelpHost;
class PrintHost;
class SearchHost;
class SetupHost;
class TApp;
class ViewHost;

// The main window as each feature sees it: the narrow seams that feature
// code is written against, so that no feature knows TApp.
std::unique_ptr<EditingHost> makeEditingHost(TApp& app);
std::unique_ptr<ViewHost> makeViewHost(TApp& app);
std::unique_ptr<SearchHost> makeSearchHost(TApp& app);
std::unique_ptr<FilesHost> makeFilesHost(TApp& app);
std::unique_ptr<EditingDialogHost> makeEditingDialogHost(TApp& app);
std::unique_ptr<AutoWordsHost> makeAutoWordsHost(TApp& app);
std::unique_ptr<FormatHost> makeFormatHost(TApp& app);
std::unique_ptr<PrintHost> makePrintHost(TApp& app);
std::unique_ptr<HelpHost> makeHelpHost(TApp& app);
std::unique_ptr<SetupHost> makeSetupHost(TApp& app);

}  // namespace qp
