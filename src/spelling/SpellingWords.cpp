#include "spelling/SpellingWords.h"

namespace qp {

namespace {

// Longer runs are not words (Hunspell gives up on them anyway).
constexpr int LongestWord = 100;

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || isApostrophe(c);
}

// A chunk runs from one white space to the next.
bool isAddress(QStringView chunk)
{
    return chunk.contains(QLatin1String("://")) || chunk.contains(QLatin1Char('@'))
           || chunk.startsWith(QLatin1String("www."), Qt::CaseInsensitive);
}

bool worthChecking(QStringView word)
{
    bool lower = false;
    for (const QChar c : word) {
        if (c.isDigit() || c.isNumber())
            return false;
        if (c.isLower())
            lower = true;
    }
    // Words in capitals are names, acronyms and headings.
    return lower && word.size() <= LongestWord;
}

void wordsOfChunk(QStringView text, int from, int to, QList<WordSpan>& words)
{
    int i = from;
    while (i < to) {
        while (i < to && !isWordCharacter(text[i]))
            ++i;
        int start = i;
        while (i < to && isWordCharacter(text[i]))
            ++i;
        int end = i;
        while (start < end && isApostrophe(text[start]))
            ++start;
        while (end > start && isApostrophe(text[end - 1]))
            --end;
        if (end > start && worthChecking(text.mid(start, end - start)))
            words.append({start, end - start});
    }
}

}  // namespace

QList<WordSpan> checkableWords(QStringView text)
{
    QList<WordSpan> words;
    const int length = int(text.size());
    int i = 0;
    while (i < length) {
        while (i < length && text[i].isSpace())
            ++i;
        const int start = i;
        while (i < length && !text[i].isSpace())
            ++i;
        if (i > start && !isAddress(text.mid(start, i - start)))
            wordsOfChunk(text, start, i, words);
    }
    return words;
}

WordSpan checkableWordAt(QStringView text, int offset)
{
    // Only the chunk around the offset is looked at: paragraphs can be long.
    int from = std::clamp(offset, 0, int(text.size()));
    int to = from;
    while (from > 0 && !text[from - 1].isSpace())
        --from;
    while (to < text.size() && !text[to].isSpace())
        ++to;
    for (const WordSpan& w : checkableWords(text.mid(from, to - from))) {
        const WordSpan word{w.start + from, w.length};
        if (word.start <= offset && offset <= word.end())
            return word;
    }
    return {};
}

}  // namespace qp
