// A font as a window's design names it: face, size in points, charset and weight.
#pragma once

#include <string>

namespace desktop {

inline constexpr int kProgramCharset = -1;  // the default charset of the program's identity

struct FontDesign {
    std::wstring face;
    double points = 9;
    int charset = kProgramCharset;
    int weight = 400;

    bool operator==(const FontDesign& o) const {
        return face == o.face && points == o.points && charset == o.charset && weight == o.weight;
    }
};

}  // namespace desktop
