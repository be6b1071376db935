#pragma once

#include <QtGlobal>

namespace qp {

// Lengths in a QTextDocument are pixels at 96 dpi, as in its HTML import:
// one pixel is 15 twips. Whole twips survive the trip there and back.
constexpr double kTwipsPerPixel = 15.0;

inline double twipsToPixels(int twips) { return twips / kTwipsPerPixel; }
inline int pixelsToTwips(double pixels) { return qRound(pixels * kTwipsPerPixel); }

// The longest length either side accepts (22 inches); bigger numbers in a
// file are clamped so that a broken value cannot wreck the layout.
constexpr int kMaxTwips = 31680;

}  // namespace qp
