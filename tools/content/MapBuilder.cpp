#include "tools/content/MapBuilder.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <tuple>

namespace Content {

namespace {

// The graphics device lights the world per vertex, so the player's lamp only shows on surfaces
// whose corners lie near it. Floors and walls are therefore cut at every multiple of these
// lengths (in world units); ceilings, always well above the lamp, more coarsely.
constexpr int FloorPiece = 64;
constexpr int CeilingPiece = 128;
constexpr int WallPiece = 64;

int PieceOf(int coordinate, int piece)
{
    return coordinate >= 0 ? coordinate / piece : -((-coordinate + piece - 1) / piece);
}

// The level rasterised onto its grid: each cell holds the index of the area that covers it
// last, or -1 where there is nothing to stand on (outside every area, or a solid block).
class Grid {
public:
    explicit Grid(const LevelDescription& level) : unit_(level.Grid)
    {
        minX_ = level.Areas.front().X0;
        minY_ = level.Areas.front().Y0;
        int maxX = level.Areas.front().X1;
        int maxY = level.Areas.front().Y1;
        for (const AreaDefinition& area : level.Areas) {
            minX_ = std::min(minX_, area.X0);
            minY_ = std::min(minY_, area.Y0);
            maxX = std::max(maxX, area.X1);
            maxY = std::max(maxY, area.Y1);
        }
        columns_ = (maxX - minX_) / unit_;
        rows_ = (maxY - minY_) / unit_;
        cells_.assign(static_cast<std::size_t>(columns_) * rows_, -1);
        for (std::size_t index = 0; index < level.Areas.size(); ++index) {
            const AreaDefinition& area = level.Areas[index];
            for (int row = (area.Y0 - minY_) / unit_; row < (area.Y1 - minY_) / unit_; ++row)
                for (int column = (area.X0 - minX_) / unit_; column < (area.X1 - minX_) / unit_; ++column)
                    cells_[static_cast<std::size_t>(row) * columns_ + column] = area.Solid ? -1 : static_cast<int>(index);
        }
    }

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int Unit() const { return unit_; }
    int X(int column) const { return minX_ + column * unit_; }
    int Y(int row) const { return minY_ + row * unit_; }
    int At(int column, int row) const
    {
        if (column < 0 || row < 0 || column >= columns_ || row >= rows_)
            return -1;
        return cells_[static_cast<std::size_t>(row) * columns_ + column];
    }
    // The area under a point, or -1; a point on a cell's edge belongs to no cell.
    int AtPoint(float x, float y) const
    {
        const float cx = (x - static_cast<float>(minX_)) / static_cast<float>(unit_);
        const float cy = (y - static_cast<float>(minY_)) / static_cast<float>(unit_);
        if (cx <= 0 || cy <= 0 || cx >= static_cast<float>(columns_) || cy >= static_cast<float>(rows_))
            return -1;
        if (cx == static_cast<float>(static_cast<int>(cx)) || cy == static_cast<float>(static_cast<int>(cy)))
            return -1;
        return At(static_cast<int>(cx), static_cast<int>(cy));
    }

private:
    int unit_;
    int minX_ = 0;
    int minY_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<int> cells_;
};

// A wall piece along one cell edge. Pieces with equal keys on consecutive edges of one line
// become one wall.
struct PieceKey {
    bool AlongY = false; // the wall stands on a line x = Line (else on y = Line)
    int Line = 0;
    int Facing = 0;      // +1: the visible face looks toward growing x (or y); -1: the other way
    float Top = 0;       // the higher edge (smaller z)
    float Bottom = 0;
    int Texture = 0;
    auto Tie() const { return std::tie(Texture, AlongY, Line, Facing, Top, Bottom); }
    bool operator<(const PieceKey& other) const { return Tie() < other.Tie(); }
};

void AddEdgePieces(std::map<PieceKey, std::vector<int>>& pieces, const LevelDescription& level, const AreaDefinition& area,
                   int neighbour, bool alongY, int line, int facing, int start)
{
    auto add = [&](float top, float bottom, int texture) {
        pieces[PieceKey{alongY, line, facing, top, bottom, texture}].push_back(start);
    };
    if (neighbour < 0) {
        add(area.Ceiling, area.Floor, area.WallTexture);
        return;
    }
    const AreaDefinition& other = level.Areas[static_cast<std::size_t>(neighbour)];
    if (other.Floor <= area.Ceiling || other.Ceiling >= area.Floor) {
        // No opening between the two: closed like the outside.
        add(area.Ceiling, area.Floor, area.WallTexture);
        return;
    }
    if (other.Floor < area.Floor)
        add(other.Floor, area.Floor, other.SideTexture);
    if (other.Ceiling > area.Ceiling)
        add(area.Ceiling, other.Ceiling, area.WallTexture);
}

MapWall MakeWall(const PieceKey& key, int start, int end, float scale)
{
    // The visible face looks along the normal n; walking from the first end to the second along
    // d = (n.y, -n.x), with the top edge first, gives exactly that normal. The texture's u grows
    // toward the right of someone facing the wall, and v downward with z, so the pictures stand
    // upright and line up with their neighbours.
    const float nx = key.AlongY ? static_cast<float>(key.Facing) : 0.0f;
    const float ny = key.AlongY ? 0.0f : static_cast<float>(key.Facing);
    const float s = static_cast<float>(start);
    const float e = static_cast<float>(end);
    const float line = static_cast<float>(key.Line);
    MapWall wall;
    if (key.AlongY) {
        wall.X1 = wall.X2 = line;
        wall.Y1 = key.Facing > 0 ? e : s;
        wall.Y2 = key.Facing > 0 ? s : e;
    } else {
        wall.Y1 = wall.Y2 = line;
        wall.X1 = key.Facing > 0 ? s : e;
        wall.X2 = key.Facing > 0 ? e : s;
    }
    wall.Z1 = key.Top;
    wall.Z2 = key.Bottom;
    // right = -d = (-n.y, n.x)
    const float rightX = -ny;
    const float rightY = nx;
    wall.TUOffset = (wall.X1 * rightX + wall.Y1 * rightY) / scale;
    wall.TUSpan = -(e - s) / scale;
    wall.TVOffset = key.Top / scale;
    wall.TVSpan = (key.Bottom - key.Top) / scale;
    return wall;
}

std::vector<MapWall> BuildWalls(const LevelDescription& level, const Grid& grid)
{
    std::map<PieceKey, std::vector<int>> pieces;
    const int unit = grid.Unit();
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            const int index = grid.At(column, row);
            if (index < 0)
                continue;
            const AreaDefinition& area = level.Areas[static_cast<std::size_t>(index)];
            const int x = grid.X(column);
            const int y = grid.Y(row);
            AddEdgePieces(pieces, level, area, grid.At(column - 1, row), true, x, +1, y);
            AddEdgePieces(pieces, level, area, grid.At(column + 1, row), true, x + unit, -1, y);
            AddEdgePieces(pieces, level, area, grid.At(column, row - 1), false, y, +1, x);
            AddEdgePieces(pieces, level, area, grid.At(column, row + 1), false, y + unit, -1, x);
        }
    }
    // The map is ordered by texture first (the key's first field), so walls of one texture
    // stand together in the file.
    std::vector<MapWall> walls;
    for (auto& [key, starts] : pieces) {
        std::sort(starts.begin(), starts.end());
        const float scale = level.Textures[static_cast<std::size_t>(key.Texture)].Scale;
        std::size_t first = 0;
        for (std::size_t i = 1; i <= starts.size(); ++i) {
            if (i == starts.size() || starts[i] != starts[i - 1] + unit
                || PieceOf(starts[i], WallPiece) != PieceOf(starts[i - 1], WallPiece)) {
                MapWall wall = MakeWall(key, starts[first], starts[i - 1] + unit, scale);
                wall.Texture = key.Texture + 1;
                walls.push_back(wall);
                first = i;
            }
        }
    }
    return walls;
}

// Covers the cells that share a key with as few rectangles as a greedy sweep finds: each
// rectangle grows east as far as it can, then north while whole rows match, and none crosses a
// multiple of piece.
template <typename KeyOf>
void ForEachRectangle(const Grid& grid, int piece, KeyOf keyOf, const std::function<void(int, int, int, int, int)>& emit)
{
    std::vector<bool> used(static_cast<std::size_t>(grid.Columns()) * grid.Rows(), false);
    const auto pieceOf = [&](int column, int row) { return std::pair(PieceOf(grid.X(column), piece), PieceOf(grid.Y(row), piece)); };
    auto free = [&](int column, int row, const auto& key) {
        return !used[static_cast<std::size_t>(row) * grid.Columns() + column] && grid.At(column, row) >= 0
            && keyOf(grid.At(column, row)) == key.first && pieceOf(column, row) == key.second;
    };
    for (int row = 0; row < grid.Rows(); ++row) {
        for (int column = 0; column < grid.Columns(); ++column) {
            const int index = grid.At(column, row);
            if (index < 0 || used[static_cast<std::size_t>(row) * grid.Columns() + column])
                continue;
            const auto key = std::pair(keyOf(index), pieceOf(column, row));
            int width = 1;
            while (column + width < grid.Columns() && free(column + width, row, key))
                ++width;
            int height = 1;
            for (bool grows = true; grows && row + height < grid.Rows(); height += grows ? 1 : 0)
                for (int c = column; c < column + width && grows; ++c)
                    grows = free(c, row + height, key);
            for (int r = row; r < row + height; ++r)
                for (int c = column; c < column + width; ++c)
                    used[static_cast<std::size_t>(r) * grid.Columns() + c] = true;
            emit(index, grid.X(column), grid.Y(row), grid.X(column + width), grid.Y(row + height));
        }
    }
}

MapFloor MakeTriangle(float ax, float ay, float bx, float by, float cx, float cy, float z, int texture, float scale)
{
    MapFloor floor;
    floor.X1 = ax;
    floor.Y1 = ay;
    floor.X2 = bx;
    floor.Y2 = by;
    floor.X3 = cx;
    floor.Y3 = cy;
    floor.Z = z;
    floor.Texture = texture;
    // Seen from above with north up, the picture stands upright: v grows southward.
    floor.TU1 = ax / scale;
    floor.TV1 = -ay / scale;
    floor.TU2 = bx / scale;
    floor.TV2 = -by / scale;
    floor.TU3 = cx / scale;
    floor.TV3 = -cy / scale;
    return floor;
}

// Two triangles for a rectangle. The loader makes a floor face up (normal toward -z) when
// (x2 - x1)(y3 - y1) - (y2 - y1)(x3 - x1) is positive, that is when its corners run
// anticlockwise on a plan with x east and y north, and down when they run clockwise.
void AddRectangle(std::vector<MapFloor>& out, int x0, int y0, int x1, int y1, float z, int texture, float scale, bool facingUp)
{
    const float ax = static_cast<float>(x0), ay = static_cast<float>(y0);
    const float bx = static_cast<float>(x1), by = static_cast<float>(y1);
    if (facingUp) {
        out.push_back(MakeTriangle(ax, ay, bx, ay, bx, by, z, texture, scale));
        out.push_back(MakeTriangle(ax, ay, bx, by, ax, by, z, texture, scale));
    } else {
        out.push_back(MakeTriangle(ax, ay, bx, by, bx, ay, z, texture, scale));
        out.push_back(MakeTriangle(ax, ay, ax, by, bx, by, z, texture, scale));
    }
}

// The floors (facing up) or the ceilings (facing down) of every area, grouped by texture.
std::vector<MapFloor> BuildSurfaces(const LevelDescription& level, const Grid& grid, bool ceilings)
{
    struct Surface {
        float Z;
        int Texture;
        bool operator==(const Surface&) const = default;
    };
    const auto surfaceOf = [&](int index) {
        const AreaDefinition& area = level.Areas[static_cast<std::size_t>(index)];
        return ceilings ? Surface{area.Ceiling, area.CeilingTexture} : Surface{area.Floor, area.FloorTexture};
    };
    std::vector<MapFloor> surfaces;
    ForEachRectangle(grid, ceilings ? CeilingPiece : FloorPiece, surfaceOf, [&](int index, int x0, int y0, int x1, int y1) {
        const Surface surface = surfaceOf(index);
        const float scale = level.Textures[static_cast<std::size_t>(surface.Texture)].Scale;
        AddRectangle(surfaces, x0, y0, x1, y1, surface.Z, surface.Texture + 1, scale, !ceilings);
    });
    std::stable_sort(surfaces.begin(), surfaces.end(), [](const MapFloor& a, const MapFloor& b) { return a.Texture < b.Texture; });
    return surfaces;
}

std::vector<MapFloor> BuildFloors(const LevelDescription& level, const Grid& grid)
{
    // The walkable floors first: the floor-height query takes the first of equally good floors,
    // so the real floors come before anything overhead.
    std::vector<MapFloor> floors = BuildSurfaces(level, grid, false);
    const std::vector<MapFloor> ceilings = BuildSurfaces(level, grid, true);
    floors.insert(floors.end(), ceilings.begin(), ceilings.end());
    return floors;
}

int BatchClosings(const std::vector<int>& textures)
{
    // The loader starts filling a batch of texture 1 and closes the batch being filled whenever
    // an entry's texture differs from it, and once more for its closing entry of texture -1.
    int current = 1;
    int closings = 0;
    for (int texture : textures) {
        if (texture != current) {
            ++closings;
            current = texture;
        }
    }
    return closings + 1;
}

void Require(bool condition, const std::string& message)
{
    if (!condition)
        throw LevelError(message);
}

} // namespace

MapData BuildMap(const LevelDescription& level)
{
    const Grid grid(level);
    MapData map;
    for (const TextureDefinition& texture : level.Textures)
        map.TextureFiles.push_back(texture.FileName);
    map.Walls = BuildWalls(level, grid);
    map.Floors = BuildFloors(level, grid);

    const SpawnDefinition& spawn = *level.Spawn;
    const int under = grid.AtPoint(spawn.X, spawn.Y);
    const std::string place = "line " + std::to_string(spawn.Line) + ": the spawn";
    Require(under >= 0, place + " does not stand inside an area");
    const AreaDefinition& area = level.Areas[static_cast<std::size_t>(under)];
    Require(spawn.Z <= area.Floor, place + " lies below the floor of \"" + area.Name + "\"");
    Require(spawn.Z - 5 > area.Ceiling, place + " puts the eye above the ceiling of \"" + area.Name + "\"");
    map.SpawnX = spawn.X;
    map.SpawnY = spawn.Y;
    map.SpawnZ = spawn.Z;

    const MapFigures figures = Measure(map);
    const auto over = [](const char* what, int count, int limit) {
        return std::string("the map has ") + std::to_string(count) + " " + what + "; the loader takes at most "
            + std::to_string(limit);
    };
    Require(figures.Textures <= MaximumTextureNumber, over("textures", figures.Textures, MaximumTextureNumber));
    Require(figures.Walls <= MaximumWalls, over("walls", figures.Walls, MaximumWalls));
    Require(figures.Floors <= MaximumFloors, over("floors", figures.Floors, MaximumFloors));
    Require(figures.MostWallsOfOneTexture <= MaximumWallsOfOneTexture,
            over("walls of one texture", figures.MostWallsOfOneTexture, MaximumWallsOfOneTexture));
    Require(figures.LongestFloorRun <= MaximumFloorRun, over("floors of one texture in a row", figures.LongestFloorRun, MaximumFloorRun));
    Require(figures.WallBatchClosings <= MaximumBatchClosings,
            over("wall batches closed while reading", figures.WallBatchClosings, MaximumBatchClosings));
    Require(figures.FloorBatchClosings <= MaximumBatchClosings,
            over("floor batches closed while reading", figures.FloorBatchClosings, MaximumBatchClosings));
    return map;
}

MapFigures Measure(const MapData& map)
{
    MapFigures figures;
    figures.Walls = static_cast<int>(map.Walls.size());
    figures.Floors = static_cast<int>(map.Floors.size());
    figures.Textures = static_cast<int>(map.TextureFiles.size());

    std::vector<int> wallTextures;
    std::map<int, int> perTexture;
    for (const MapWall& wall : map.Walls) {
        wallTextures.push_back(wall.Texture);
        figures.MostWallsOfOneTexture = std::max(figures.MostWallsOfOneTexture, ++perTexture[wall.Texture]);
    }
    std::vector<int> floorTextures;
    int run = 0;
    for (std::size_t i = 0; i < map.Floors.size(); ++i) {
        floorTextures.push_back(map.Floors[i].Texture);
        run = (i > 0 && map.Floors[i].Texture == map.Floors[i - 1].Texture) ? run + 1 : 1;
        figures.LongestFloorRun = std::max(figures.LongestFloorRun, run);
    }
    figures.WallBatchClosings = BatchClosings(wallTextures);
    figures.FloorBatchClosings = BatchClosings(floorTextures);
    return figures;
}

std::string FormatNumber(float value)
{
    if (value == 0)
        return "0";
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string WriteMap(const MapData& map)
{
    std::string text;
    const auto line = [&](const std::string& keyword, std::initializer_list<std::string> fields) {
        text += keyword;
        for (const std::string& field : fields)
            text += "," + field;
        text += "\r\n";
    };
    const auto n = [](float value) { return FormatNumber(value); };
    for (std::size_t i = 0; i < map.TextureFiles.size(); ++i)
        line("TEXTURE", {std::to_string(i + 1), "\"" + map.TextureFiles[i] + "\""});
    line("ENTITY", {"\"PLAYERSPAWN\"", n(map.SpawnX), n(map.SpawnY), n(map.SpawnZ)});
    for (const MapWall& w : map.Walls)
        line("WALL", {n(w.X1), n(w.Y1), n(w.X2), n(w.Y2), n(w.Z1), n(w.Z2), n(w.TUSpan), n(w.TVSpan), std::to_string(w.Texture),
                      n(w.TUOffset), n(w.TVOffset)});
    for (const MapFloor& f : map.Floors)
        line("FLOOR", {n(f.X1), n(f.Y1), n(f.X2), n(f.Y2), n(f.X3), n(f.Y3), n(f.Z), std::to_string(f.Texture), n(f.TU1), n(f.TV1),
                       n(f.TU2), n(f.TV2), n(f.TU3), n(f.TV3)});
    return text;
}

} // namespace Content
