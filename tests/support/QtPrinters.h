#pragma once

// Lets test failures show Qt strings and geometry as text.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *out << '}';
}

inline void PrintTo(const QPoint& point, std::ostream* out)
{
    *out << '(' << point.x() << ", " << point.y() << ')';
}

inline void PrintTo(const QSize& size, std::ostream* out)
{
    *out << size.width() << " x " << size.height();
}

inline void PrintTo(const QRect& rect, std::ostream* out)
{
    *out << rect.width() << " x " << rect.height() << " at (" << rect.x() << ", " << rect.y() << ')';
}
