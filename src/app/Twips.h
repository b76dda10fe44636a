#pragma once

#include <QRect>

// Positions are laid out in twips: 1440 to the inch, 15 to a pixel at 96 logical dpi.
constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

// Colours as &H00BBGGRR.
constexpr unsigned bgrRed(unsigned bgr) {
    return bgr & 0xFFu;
}
constexpr unsigned bgrGreen(unsigned bgr) {
    return (bgr >> 8) & 0xFFu;
}
constexpr unsigned bgrBlue(unsigned bgr) {
    return (bgr >> 16) & 0xFFu;
}
