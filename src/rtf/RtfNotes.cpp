#include "rtf/RtfParser.h"

#include "rtf/RtfControlWords.h"

#include <QTextList>

// Footnotes and endnotes: each anchor shows its number, and the notes follow
// the body, after an empty paragraph, each starting with its number. Text
// boxes' text goes the same way, in its place among the notes, unnumbered.

namespace qp::rtfread {

namespace {

QString lettersFor(int number, char16_t first)
{
    QString text;
    for (int n = number; n > 0; n = (n - 1) / 26)
        text.prepend(QChar(char16_t(first + (n - 1) % 26)));
    return text;
}

QString romanFor(int number)
{
    static const std::pair<int, const char*> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                                                          {90, "xc"},   {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                                                          {5, "v"},     {4, "iv"},   {1, "i"}};
    if (number >= 4000)
        return QString::number(number);
    QString text;
    for (const auto& [value, digits] : kDigits) {
        for (; number >= value; number -= value)
            text += QLatin1String(digits);
    }
    return text;
}

}  // namespace

QString noteNumberText(int number, NoteNumbering numbering)
{
    switch (numbering) {
    case NoteNumbering::LowerAlpha: return lettersFor(number, u'a');
    case NoteNumbering::UpperAlpha: return lettersFor(number, u'A');
    case NoteNumbering::LowerRoman: return romanFor(number);
    case NoteNumbering::UpperRoman: return romanFor(number).toUpper();
    case NoteNumbering::Chicago: {
        static const char16_t kMarks[] = {u'*', 0x2020, 0x2021, 0x00A7};
        return QString(std::min((number - 1) / 4 + 1, 16), QChar(kMarks[(number - 1) % 4]));
    }
    case NoteNumbering::Arabic: break;
    }
    return QString::number(number);
}

// An anchor is the next number of its kind; whether it is an endnote shows
// only in the note group that follows it.
bool RtfParser::anchorIsEndnote() const
{
    RtfTokenizer ahead = *m_tokenizer;
    bool inNote = false;
    for (int n = 0; n < 32; ++n) {
        const RtfToken token = ahead.next();
        switch (token.type) {
        case RtfToken::Type::End:
            return false;
        case RtfToken::Type::Text:
        case RtfToken::Type::HexByte:
            if (token.type == RtfToken::Type::HexByte || token.text.find_first_not_of(' ') != std::string_view::npos)
                return false;
            break;
        case RtfToken::Type::ControlWord: {
            const RtfWord word = lookupRtfWord(token.text).word;
            if (word == RtfWord::Footnote)
                inNote = true;
            else if (word == RtfWord::FtnAlt)
                return inNote;
            else if (inNote && word == RtfWord::Pard)
                return false;
            break;
        }
        default:
            break;
        }
    }
    return false;
}

void RtfParser::insertNoteNumber(const QString& number)
{
    // Shown raised, as word processors show note numbers, whatever the text around it.
    CharState& chr = state().chr;
    const VAlign valign = chr.valign;
    if (valign == VAlign::Normal)
        chr.valign = VAlign::Super;
    appendBody(number);
    chr.valign = valign;
}

void RtfParser::anchorNote()
{
    if (m_inNote) {
        insertNoteNumber(m_noteNumber);
        return;
    }
    if (anchorIsEndnote())
        m_anchorNumber = noteNumberText(m_endnoteStart + m_endnotes++, m_endnoteNumbering);
    else
        m_anchorNumber = noteNumberText(m_footnoteStart + m_footnotes++, m_footnoteNumbering);
    insertNoteNumber(m_anchorNumber);
}

void RtfParser::beginNote()
{
    if (m_notes.size() >= static_cast<std::size_t>(kMaxTableEntries))
        return;
    Note note;
    note.start = m_tokenizer->position();
    note.state = state();
    note.state.dest = Dest::Body;
    note.state.ownsDest = note.state.ownsField = note.state.endsNestedRow = note.state.ownsNote = false;
    note.state.para = ParaState{};
    note.number = std::move(m_anchorNumber);
    m_anchorNumber.clear();
    m_notes.push_back(std::move(note));
    m_openNote = static_cast<int>(m_notes.size() - 1);
    state().ownsNote = true;
}

void RtfParser::endNote(std::size_t end)
{
    if (m_openNote < 0)
        return;
    Note& note = m_notes[static_cast<std::size_t>(m_openNote)];
    note.end = std::max(note.start, std::min(end, m_data.size()));
    m_openNote = -1;
    // A note whose anchor is its own mark still gets a number when it asks for one.
    if (note.number.isEmpty() && m_data.substr(note.start, note.end - note.start).find("\\chftn") != std::string_view::npos)
        note.number = noteNumberText(m_footnoteStart + m_footnotes++, m_footnoteNumbering);
}

void RtfParser::appendNotes()
{
    m_inNote = true;
    m_ended = false;
    m_pnList = nullptr;
    m_stack.assign(1, GroupState{});
    m_overflowDepth = 0;
    m_skip = 0;
    m_star = false;
    m_fields.clear();
    m_marker.clear();
    m_cellPending = false;
    m_pageBreakNext = false;
    // The body's last paragraph is complete; an empty one sets the notes apart.
    if (!m_pendingBreak) {
        m_pendingBreak = true;
        m_paraHasContent = false;
    }
    startBlock();
    endParagraph();

    const std::string_view data = m_data;
    for (const Note& note : m_notes) {
        // The note's group sits where the document's group would.
        m_stack.resize(1);
        m_stack.push_back(note.state);
        m_page = nullptr;
        m_noteNumber = note.number;
        const std::string_view tokens = data.substr(note.start, note.end - note.start);
        if (!note.number.isEmpty() && tokens.find("\\chftn") == std::string_view::npos) {
            insertNoteNumber(note.number);
            appendBody(u" ");
        }
        RtfTokenizer tokenizer(tokens);
        m_tokenizer = &tokenizer;
        m_skip = 0;
        m_star = false;
        readTokens();
        decodeBytes();
        if (m_pendingHigh) {
            m_pendingHigh = 0;
            deliver(QStringView(&kReplacement, 1));
        }
        m_stack.resize(2);
        if (!m_pendingBreak)
            endParagraph();
    }
}

}  // namespace qp::rtfread
