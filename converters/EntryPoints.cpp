// The three entry points every converter module exports; what differs
// between the modules is behind moduleRecognises and moduleConvert.

#include "ModuleSupport.h"

#define QP_CONVERTER_EXPORT extern "C" __attribute__((visibility("default")))

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
        return moduleConvert(blockText(fileName), transfer, output);
    } catch (...) {
        return Internal;
    }
}
