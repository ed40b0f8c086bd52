// dunmere-tool plan: the map drawn from above for its author, with Cairo, as PNG or SVG.
#pragma once

#include <ostream>
#include <string>

namespace Plan {

inline constexpr int MinSize = 128;
inline constexpr int MaxSize = 4096;

struct Request {
    std::string MapPath;
    std::string OutPath; // .png or .svg
    int Size = 1024;     // pixels on the longer side of the picture
};

// Where a world point lands on the picture: y grows upward on the picture.
struct Layout {
    int Width = 0;
    int Height = 0;
    double Scale = 1; // pixels a world unit
    double Left = 0;  // the picture's x of world x = 0
    double Top = 0;   // the picture's y of world y = 0
    double X(double worldX) const { return Left + worldX * Scale; }
    double Y(double worldY) const { return Top - worldY * Scale; }
};

// Loads the map as the game does (on the headless device; texture files need not exist) and
// draws it. Returns 0 when the picture is written, 1 when it cannot be, 2 when the map cannot be
// read or OUT has another ending. The layout used goes to layout when one is given.
int Run(const Request& request, std::ostream& err, Layout* layout = nullptr);

} // namespace Plan
