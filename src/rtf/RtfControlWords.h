#pragma once

#include <string_view>

namespace qp {

// The control words the reader acts on. Anything else is ignored (and its
// text kept), unless it follows \* , in which case its group is skipped.
enum class RtfWord {
    Unknown,
    // Destinations.
    Rtf, FontTable, ColorTable, Pict, Field, FldInst, FldRslt, PnText, Pn, ListText,
    ListTable, List, ListLevel, ListOverrideTable, ListOverride, Upr, Ud, ShpPict, NestTableProps, Footnote, Skipped,
    Shp, ShpInst, ShpTxt, ShpRslt, LevelText, LfoLevel,
    // Document and encoding.
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Bin,
    // Font and colour tables.
    F, FCharset, Cpg, Red, Green, Blue,
    // Character formatting.
    Plain, Fs, B, I, Ul, UlNone, Strike, Cf, Highlight, Cb, ChCbPat, Sub, Super, NoSuperSub, Up, Dn, V, Caps, SCaps,
    // Paragraph formatting.
    Pard, Par, Ql, Qr, Qc, Qj, Fi, Li, Ri, Sb, Sa, Sl, SlMult, Tx, Tqr, Tqc, TqDec, Tb, PageBb, Ls, Ilvl, InTbl,
    // Old-style numbering (\pn).
    PnLvlBlt, PnLvlBody, PnLvlCont, PnLvl, PnDec, PnUcLtr, PnLcLtr, PnUcRm, PnLcRm, PnStart,
    // List table.
    ListId, LevelNfc, LevelStartAt,
    // Characters and breaks.
    Tab, Line, Emdash, Endash, Emspace, Enspace, Qmspace, Bullet, Lquote, Rquote, Ldblquote, Rdblquote,
    Zwj, Zwnj, Ltrmark, Rtlmark, Page, Sect, Cell, NestCell, Row, NestRow,
    // Notes: the automatic number, endnotes, and the numbering of each kind.
    Chftn, FtnAlt, FtnNumbering, AftnNumbering, FtnStart, AftnStart,
    // Picture properties.
    PngBlip, JpegBlip, OtherBlip, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY,
};

struct RtfWordInfo {
    RtfWord word = RtfWord::Unknown;
    bool destination = false;
};

RtfWordInfo lookupRtfWord(std::string_view name);

}  // namespace qp
