#pragma once

#include <QString>

// A text of at least `size` characters made of one line repeated.
inline QString repeatedLines(const QString& line, qsizetype size)
{
    QString text;
    text.reserve(size + line.size());
    while (text.size() < size)
        text += line;
    return text;
}
