#pragma once

#include <QString>

namespace qp {

inline constexpr const char* VersionText = "2.03";
inline constexpr const char* ProgramTitle = "Quillpress";

// Program-wide values owned by the main window and set at start-up.
struct ProgramValues {
    QString versionText;
    bool fullScreen = false;
    // The first argument, exactly as written, when it names an existing file.
    QString startupFile;
    bool loadAtStart = false;
};

}  // namespace qp
