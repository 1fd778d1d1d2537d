// A font as a window's design names it: face, size in points, charset and weight.
#pragma once

#include <string>

#include "os/win32.h"

namespace os {

// How a font's edges are smoothed: as the user set the screen (ClearType, standard or none),
// or always in shades of grey, for text that is part of a picture and must look the same on
// every machine, in a file and on paper.
enum class Smoothing { AsTheUserChose, Grayscale };

struct FontDesign {
    std::wstring face;
    double points = 9;
    int charset = DEFAULT_CHARSET;
    int weight = 400;
    Smoothing smoothing = Smoothing::AsTheUserChose;

    bool operator==(const FontDesign& o) const {
        return face == o.face && points == o.points && charset == o.charset && weight == o.weight &&
               smoothing == o.smoothing;
    }
};

}  // namespace os
