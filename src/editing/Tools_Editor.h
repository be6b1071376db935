#pragma once

#include <QChar>
#include <QString>

namespace qp {

// The letter test of the editing commands: fixed ranges of the character's
// 8-bit code (A-Z, a-z, 128-154, 160-165, 192-255), whatever the locale.
bool isEditorLetter(QChar c);

// Upper and lower case with the locale's mappings. A character whose mapping
// would grow (the sharp s) stays as it is, so the text keeps its length and
// a selection over it stays valid.
QString toUpperCase(const QString& text);
QString toLowerCase(const QString& text);

// Change Case: decides on the first letter among the first 20 characters and
// the character after it, so that a word cycles word -> Word -> WORD -> word.
QString changeCase(const QString& text);

// Enter-key aids: what the line after `line` begins with (its indentation and
// the next bullet, dash or number).
QString listPrefix(const QString& line);

// What an aided Enter inserts when the caret stands at `caretColumn` of
// `line`: a bare line break at the start of the line, else the line break and
// the line's prefix.
QString enterKeyText(const QString& line, int caretColumn);

inline constexpr QChar BulletCharacter{u'\u2022'};  // code 149 of the 8-bit set

}  // namespace qp
