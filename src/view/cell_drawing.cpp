// The type colours.
#include "view/cell_drawing.h"

bool type_color(int type, Rgb& out) {
    static constexpr Rgb kColors[19] = {
        {0, 0, 0},       {255, 255, 0}, {255, 0, 0},     {0, 0, 255},     {0, 0, 255},
        {255, 0, 255},   {255, 120, 0}, {255, 255, 255}, {0, 0, 0},       {55, 55, 255},
        {255, 0, 0},     {0, 255, 100}, {255, 0, 100},   {100, 100, 100}, {255, 0, 100},
        {255, 100, 100}, {255, 0, 100}, {255, 100, 0},   {255, 150, 10},
    };
    if (type < 1 || type > 18) return false;  // type 0 and unlisted types issue no colour
    out = kColors[type];
    return true;
}
