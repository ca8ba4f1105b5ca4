// A picture as the form knows it: a name and a pixel size. Pictures are shared, not copied:
// an image holds a pointer to one of the form's pictures.
#pragma once

#include <string>

namespace fenwing {

struct Picture {
    std::string name;
    int widthPx = 0;
    int heightPx = 0;
};

}  // namespace fenwing
