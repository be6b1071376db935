// The entry points every converter module exports; what differs between
// the modules is behind moduleRecognises and moduleConvert.

#include "ModuleSupport.h"

using namespace qpconv;

QP_CONVERTER_EXPORT int32_t InitConverter32(uintptr_t, const char*)
{
    return 1;
}

QP_CONVERTER_EXPORT int32_t IsFormatCorrect32(QpBlock* fileName, QpBlock*)
{
    try {
        return moduleRecognises(blockText(fileName)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QP_CONVERTER_EXPORT int32_t ForeignToRtf32(QpBlock* fileName, void*, QpBlock* transfer, QpBlock*, QpBlock*,
                                           QpOutputCallback output)
{
    try {
        const WorkScope work;
        const int32_t result = moduleConvert(blockText(fileName), transfer, output);
        // Whatever a killed tool left behind, the user asked to stop.
        return cancelRequested() ? int32_t(Cancelled) : result;
    } catch (...) {
        return Internal;
    }
}

QP_CONVERTER_EXPORT void CancelConverter32()
{
    try {
        cancelWork();
    } catch (...) {
    }
}
