#include "rtf/RtfControlWords.h"

#include <array>
#include <cstdint>
#include <iterator>

namespace qp {

namespace {

struct Entry {
    std::string_view name;
    RtfWord word;
    bool destination;
};

constexpr bool D = true;   // starts a destination
constexpr bool W = false;  // acts in place

// Destinations whose text is not body text (page furniture, notes, document
// properties, style and revision tables, index entries, alternatives meant
// for older readers) map to Skipped.
constexpr Entry kWords[] = {
    {"rtf", RtfWord::Rtf, D},
    {"fonttbl", RtfWord::FontTable, D},
    {"colortbl", RtfWord::ColorTable, D},
    {"pict", RtfWord::Pict, D},
    {"field", RtfWord::Field, D},
    {"fldinst", RtfWord::FldInst, D},
    {"fldrslt", RtfWord::FldRslt, D},
    {"pntext", RtfWord::PnText, D},
    {"pn", RtfWord::Pn, D},
    {"listtext", RtfWord::ListText, D},
    {"listtable", RtfWord::ListTable, D},
    {"list", RtfWord::List, D},
    {"listlevel", RtfWord::ListLevel, D},
    {"listoverridetable", RtfWord::ListOverrideTable, D},
    {"listoverride", RtfWord::ListOverride, D},
    {"upr", RtfWord::Upr, D},
    {"ud", RtfWord::Ud, D},
    {"shppict", RtfWord::ShpPict, D},
    {"nesttableprops", RtfWord::NestTableProps, D},
    {"footnote", RtfWord::Footnote, D},
    {"shp", RtfWord::Shp, D},
    {"shpinst", RtfWord::ShpInst, D},
    {"shptxt", RtfWord::ShpTxt, D},
    {"shprslt", RtfWord::ShpRslt, D},

    {"info", RtfWord::Skipped, D},
    {"stylesheet", RtfWord::Skipped, D},
    {"header", RtfWord::Skipped, D},
    {"headerl", RtfWord::Skipped, D},
    {"headerr", RtfWord::Skipped, D},
    {"headerf", RtfWord::Skipped, D},
    {"footer", RtfWord::Skipped, D},
    {"footerl", RtfWord::Skipped, D},
    {"footerr", RtfWord::Skipped, D},
    {"footerf", RtfWord::Skipped, D},
    {"ftnsep", RtfWord::Skipped, D},
    {"ftnsepc", RtfWord::Skipped, D},
    {"ftncn", RtfWord::Skipped, D},
    {"aftnsep", RtfWord::Skipped, D},
    {"aftnsepc", RtfWord::Skipped, D},
    {"aftncn", RtfWord::Skipped, D},
    {"annotation", RtfWord::Skipped, D},
    {"atnid", RtfWord::Skipped, D},
    {"atnauthor", RtfWord::Skipped, D},
    {"atnref", RtfWord::Skipped, D},
    {"atndate", RtfWord::Skipped, D},
    {"atnicn", RtfWord::Skipped, D},
    {"xe", RtfWord::Skipped, D},
    {"tc", RtfWord::Skipped, D},
    {"tcn", RtfWord::Skipped, D},
    {"txe", RtfWord::Skipped, D},
    {"rxe", RtfWord::Skipped, D},
    {"bkmkstart", RtfWord::Skipped, D},
    {"bkmkend", RtfWord::Skipped, D},
    {"pntxta", RtfWord::Skipped, D},
    {"pntxtb", RtfWord::Skipped, D},
    {"leveltext", RtfWord::LevelText, D},
    {"lfolevel", RtfWord::LfoLevel, D},
    {"levelnumbers", RtfWord::Skipped, D},
    {"listname", RtfWord::Skipped, D},
    {"listpicture", RtfWord::Skipped, D},
    {"nonshppict", RtfWord::Skipped, D},
    {"nonesttables", RtfWord::Skipped, D},
    {"objdata", RtfWord::Skipped, D},
    {"objclass", RtfWord::Skipped, D},
    {"objname", RtfWord::Skipped, D},
    {"revtbl", RtfWord::Skipped, D},
    {"filetbl", RtfWord::Skipped, D},
    {"template", RtfWord::Skipped, D},
    {"private", RtfWord::Skipped, D},
    {"docvar", RtfWord::Skipped, D},
    {"datafield", RtfWord::Skipped, D},
    {"comment", RtfWord::Skipped, D},
    {"title", RtfWord::Skipped, D},
    {"subject", RtfWord::Skipped, D},
    {"author", RtfWord::Skipped, D},
    {"operator", RtfWord::Skipped, D},
    {"keywords", RtfWord::Skipped, D},
    {"doccomm", RtfWord::Skipped, D},
    {"company", RtfWord::Skipped, D},
    {"generator", RtfWord::Skipped, D},

    {"ansi", RtfWord::Ansi, W},
    {"mac", RtfWord::Mac, W},
    {"pc", RtfWord::Pc, W},
    {"pca", RtfWord::Pca, W},
    {"ansicpg", RtfWord::AnsiCpg, W},
    {"deff", RtfWord::Deff, W},
    {"uc", RtfWord::Uc, W},
    {"u", RtfWord::U, W},
    {"bin", RtfWord::Bin, W},

    {"f", RtfWord::F, W},
    {"fcharset", RtfWord::FCharset, W},
    {"cpg", RtfWord::Cpg, W},
    {"red", RtfWord::Red, W},
    {"green", RtfWord::Green, W},
    {"blue", RtfWord::Blue, W},

    {"plain", RtfWord::Plain, W},
    {"fs", RtfWord::Fs, W},
    {"b", RtfWord::B, W},
    {"i", RtfWord::I, W},
    {"ul", RtfWord::Ul, W},
    {"uld", RtfWord::Ul, W},
    {"uldash", RtfWord::Ul, W},
    {"uldashd", RtfWord::Ul, W},
    {"uldashdd", RtfWord::Ul, W},
    {"uldb", RtfWord::Ul, W},
    {"ulhwave", RtfWord::Ul, W},
    {"ulldash", RtfWord::Ul, W},
    {"ulth", RtfWord::Ul, W},
    {"ulthd", RtfWord::Ul, W},
    {"ulthdash", RtfWord::Ul, W},
    {"ulthdashd", RtfWord::Ul, W},
    {"ulthdashdd", RtfWord::Ul, W},
    {"ulthldash", RtfWord::Ul, W},
    {"ululdbwave", RtfWord::Ul, W},
    {"ulw", RtfWord::Ul, W},
    {"ulwave", RtfWord::Ul, W},
    {"ulnone", RtfWord::UlNone, W},
    {"strike", RtfWord::Strike, W},
    {"striked", RtfWord::Strike, W},
    {"cf", RtfWord::Cf, W},
    {"highlight", RtfWord::Highlight, W},
    {"cb", RtfWord::Cb, W},
    {"chcbpat", RtfWord::ChCbPat, W},
    {"sub", RtfWord::Sub, W},
    {"super", RtfWord::Super, W},
    {"nosupersub", RtfWord::NoSuperSub, W},
    {"up", RtfWord::Up, W},
    {"dn", RtfWord::Dn, W},
    {"v", RtfWord::V, W},
    {"caps", RtfWord::Caps, W},
    {"scaps", RtfWord::SCaps, W},

    {"pard", RtfWord::Pard, W},
    {"par", RtfWord::Par, W},
    {"ql", RtfWord::Ql, W},
    {"qr", RtfWord::Qr, W},
    {"qc", RtfWord::Qc, W},
    {"qj", RtfWord::Qj, W},
    {"fi", RtfWord::Fi, W},
    {"li", RtfWord::Li, W},
    {"ri", RtfWord::Ri, W},
    {"sb", RtfWord::Sb, W},
    {"sa", RtfWord::Sa, W},
    {"sl", RtfWord::Sl, W},
    {"slmult", RtfWord::SlMult, W},
    {"tx", RtfWord::Tx, W},
    {"tqr", RtfWord::Tqr, W},
    {"tqc", RtfWord::Tqc, W},
    {"tqdec", RtfWord::TqDec, W},
    {"tb", RtfWord::Tb, W},
    {"pagebb", RtfWord::PageBb, W},
    {"ls", RtfWord::Ls, W},
    {"ilvl", RtfWord::Ilvl, W},
    {"intbl", RtfWord::InTbl, W},

    {"pnlvlblt", RtfWord::PnLvlBlt, W},
    {"pnlvlbody", RtfWord::PnLvlBody, W},
    {"pnlvlcont", RtfWord::PnLvlCont, W},
    {"pnlvl", RtfWord::PnLvl, W},
    {"pndec", RtfWord::PnDec, W},
    {"pnucltr", RtfWord::PnUcLtr, W},
    {"pnlcltr", RtfWord::PnLcLtr, W},
    {"pnucrm", RtfWord::PnUcRm, W},
    {"pnlcrm", RtfWord::PnLcRm, W},
    {"pnstart", RtfWord::PnStart, W},

    {"listid", RtfWord::ListId, W},
    {"levelnfc", RtfWord::LevelNfc, W},
    {"levelnfcn", RtfWord::LevelNfc, W},
    {"levelstartat", RtfWord::LevelStartAt, W},

    {"tab", RtfWord::Tab, W},
    {"line", RtfWord::Line, W},
    {"emdash", RtfWord::Emdash, W},
    {"endash", RtfWord::Endash, W},
    {"emspace", RtfWord::Emspace, W},
    {"enspace", RtfWord::Enspace, W},
    {"qmspace", RtfWord::Qmspace, W},
    {"bullet", RtfWord::Bullet, W},
    {"lquote", RtfWord::Lquote, W},
    {"rquote", RtfWord::Rquote, W},
    {"ldblquote", RtfWord::Ldblquote, W},
    {"rdblquote", RtfWord::Rdblquote, W},
    {"zwj", RtfWord::Zwj, W},
    {"zwnj", RtfWord::Zwnj, W},
    {"ltrmark", RtfWord::Ltrmark, W},
    {"rtlmark", RtfWord::Rtlmark, W},
    {"page", RtfWord::Page, W},
    {"sect", RtfWord::Sect, W},
    {"cell", RtfWord::Cell, W},
    {"nestcell", RtfWord::NestCell, W},
    {"row", RtfWord::Row, W},
    {"nestrow", RtfWord::NestRow, W},

    {"chftn", RtfWord::Chftn, W},
    {"ftnalt", RtfWord::FtnAlt, W},
    {"ftnnar", RtfWord::FtnNumbering, W},
    {"ftnnalc", RtfWord::FtnNumbering, W},
    {"ftnnauc", RtfWord::FtnNumbering, W},
    {"ftnnrlc", RtfWord::FtnNumbering, W},
    {"ftnnruc", RtfWord::FtnNumbering, W},
    {"ftnnchi", RtfWord::FtnNumbering, W},
    {"aftnnar", RtfWord::AftnNumbering, W},
    {"aftnnalc", RtfWord::AftnNumbering, W},
    {"aftnnauc", RtfWord::AftnNumbering, W},
    {"aftnnrlc", RtfWord::AftnNumbering, W},
    {"aftnnruc", RtfWord::AftnNumbering, W},
    {"aftnnchi", RtfWord::AftnNumbering, W},
    {"ftnstart", RtfWord::FtnStart, W},
    {"aftnstart", RtfWord::AftnStart, W},

    {"pngblip", RtfWord::PngBlip, W},
    {"jpegblip", RtfWord::JpegBlip, W},
    {"emfblip", RtfWord::OtherBlip, W},
    {"wmetafile", RtfWord::OtherBlip, W},
    {"macpict", RtfWord::OtherBlip, W},
    {"pmmetafile", RtfWord::OtherBlip, W},
    {"dibitmap", RtfWord::OtherBlip, W},
    {"wbitmap", RtfWord::OtherBlip, W},
    {"picw", RtfWord::PicW, W},
    {"pich", RtfWord::PicH, W},
    {"picwgoal", RtfWord::PicWGoal, W},
    {"pichgoal", RtfWord::PicHGoal, W},
    {"picscalex", RtfWord::PicScaleX, W},
    {"picscaley", RtfWord::PicScaleY, W},
};

// Control words come once every few bytes of a document, so they are found
// in an open-addressed table with a hash cheap enough for words this short.
constexpr std::size_t kSlots = 1024;  // a power of two, well over twice the words

constexpr std::uint32_t wordHash(std::string_view name)
{
    std::uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

struct WordTable {
    std::array<std::int16_t, kSlots> slots{};

    WordTable()
    {
        slots.fill(-1);
        for (std::size_t i = 0; i < std::size(kWords); ++i) {
            std::size_t at = wordHash(kWords[i].name) & (kSlots - 1);
            while (slots[at] >= 0)
                at = (at + 1) & (kSlots - 1);
            slots[at] = static_cast<std::int16_t>(i);
        }
    }
};

static_assert(std::size(kWords) < kSlots / 2);

}  // namespace

RtfWordInfo lookupRtfWord(std::string_view name)
{
    static const WordTable table;
    for (std::size_t at = wordHash(name) & (kSlots - 1);; at = (at + 1) & (kSlots - 1)) {
        const int index = table.slots[at];
        if (index < 0)
            return {};
        const Entry& e = kWords[index];
        if (e.name == name)
            return RtfWordInfo{e.word, e.destination};
    }
}

}  // namespace qp
