#pragma once

#include "platform/Paths.h"

namespace qp {

class Clock;
class FileDialogService;
class MessageService;
class PrintDialogService;
class Registry;
class ScreenInfo;
class ShellService;

// What the program needs from the platform; tests hand in fakes.
struct Services {
    MessageService& messages;
    FileDialogService& fileDialogs;
    PrintDialogService& printDialog;
    ShellService& shell;
    Clock& clock;
    ScreenInfo& screen;
    Registry& registry;
    Paths paths;
};

}  // namespace qp
