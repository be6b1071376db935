/* The calling convention between Quillpress and its text converters.
 *
 * A converter is a shared library with three C entry points, looked up by
 * name: InitConverter32, IsFormatCorrect32 and ForeignToRtf32. The program
 * owns every block it hands over; a converter reads the text blocks and
 * writes into the transfer block, never keeping a pointer past the call.
 *
 * Text blocks hold a zero-terminated file name (the system's 8-bit encoding
 * of the name) in a zero-filled block of 2 x length + 1 bytes; an empty text
 * is a block of 1 byte. The transfer block has QP_TRANSFER_SIZE + 1 bytes: the
 * converter puts at most QP_TRANSFER_SIZE bytes of RTF into it and then calls
 * the output callback with their count; the callback answers 0 to go on, and
 * anything else asks the converter to stop with an error. ForeignToRtf32
 * answers 0 when the whole document went through the callback.
 *
 * This header is plain C so that a converter needs nothing of the program.
 */
#ifndef QUILLPRESS_CONVERTER_ABI_H
#define QUILLPRESS_CONVERTER_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A block of memory that the program allocates, zero-fills and frees. */
typedef struct QpBlock {
    unsigned char* bytes;
    size_t size;
} QpBlock;

#define QP_TRANSFER_SIZE 4096

/* count: bytes waiting in the transfer block; percent: progress, 0 to 100. */
typedef int32_t (*QpOutputCallback)(int32_t count, int32_t percent);

/* window: the program's main window (an X11 window id, or 0); programPath:
 * the program's full path in capital letters. 0 means the converter cannot work. */
typedef int32_t (*QpInitConverter32)(uintptr_t window, const char* programPath);

/* Non-zero when the converter reads the named file. */
typedef int32_t (*QpIsFormatCorrect32)(QpBlock* fileName, QpBlock* className);

/* storage is always null here: files are read by name. */
typedef int32_t (*QpForeignToRtf32)(QpBlock* fileName, void* storage, QpBlock* transfer, QpBlock* className,
                                    QpBlock* subset, QpOutputCallback output);

/* What ForeignToRtf32 answers when it fails; the program names the reason. */
#define QP_RESULT_CANNOT_OPEN (-1)      /* the file could not be read */
#define QP_RESULT_TOOL_FAILED (-2)      /* the tool ended without saying why */
#define QP_RESULT_TIMED_OUT (-3)
#define QP_RESULT_NOTHING_WRITTEN (-4)  /* the tool gave back nothing */
#define QP_RESULT_CANCELLED (-5)        /* CancelConverter32, or the callback asked to stop */
#define QP_RESULT_WRONG_FILE_TYPE (-6)
#define QP_RESULT_INTERNAL (-7)
#define QP_RESULT_PASSWORD (-8)         /* the document is protected by a password */
#define QP_RESULT_DAMAGED (-9)          /* the tool read the file and found it damaged */
#define QP_RESULT_NO_TOOL (-10)         /* the tool this converter runs is not installed */

/* Optional. Called from another thread while ForeignToRtf32 runs: stops the
 * conversion and every process the converter started within a second, and
 * ForeignToRtf32 then answers QP_RESULT_CANCELLED. Harmless when nothing runs. */
typedef void (*QpCancelConverter32)(void);

/* Optional. Writes the RTF file as a document of another format into the
 * target file, replacing it only when the whole document is written (so a
 * failure leaves an existing target as it was). Both names are text blocks as
 * above. Answers 0 on success, else a QP_RESULT_ code. With a null rtfFile it
 * writes nothing and only answers whether it could: 0, or QP_RESULT_NO_TOOL.
 * CancelConverter32 stops it as it stops ForeignToRtf32. */
#define QP_EXPORT_DOCX 1 /* Word 2007-365 (.docx) */
#define QP_EXPORT_ODT 2  /* OpenDocument Text (.odt) */
#define QP_EXPORT_PDF 3  /* PDF */
typedef int32_t (*QpRtfToForeign32)(QpBlock* rtfFile, QpBlock* targetFile, int32_t format);

#define QP_INIT_CONVERTER "InitConverter32"
#define QP_IS_FORMAT_CORRECT "IsFormatCorrect32"
#define QP_FOREIGN_TO_RTF "ForeignToRtf32"
#define QP_CANCEL_CONVERTER "CancelConverter32"
#define QP_RTF_TO_FOREIGN "RtfToForeign32"

#ifdef __cplusplus
}
#endif

#endif
