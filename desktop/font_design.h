// A font as a window's design names it: face, size in points, charset and weight.
#pragma once

#include <string>

namespace desktop {

inline constexpr int kProgramCharset = -1;  // the default charset of the program's identity

// How a font's edges are smoothed: as the user set the screen (ClearType, standard or none),
// or always in shades of grey, for text that is part of a picture and must look the same on
// every machine, in a file and on paper.
enum class Smoothing { AsTheUserChose, Grayscale };

struct FontDesign {
    std::wstring face;
    double points = 9;
    int charset = kProgramCharset;
    int weight = 400;
    Smoothing smoothing = Smoothing::AsTheUserChose;

    bool operator==(const FontDesign& o) const {
        return face == o.face && points == o.points && charset == o.charset && weight == o.weight &&
               smoothing == o.smoothing;
    }
};

}  // namespace desktop
