#include "world/mdlMap.h"

#include "framework/DirectX_Framework.h"
#include "world/MapFields.h"
#include "world/SurfaceBatches.h"
#include "world/WorldErrors.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace mdlMap {

using DirectX_Framework::LogLine;

namespace {

struct EntryKind {
    const char* Keyword;
    int FieldCount;
};
constexpr EntryKind Wall{"WALL", 11};
constexpr EntryKind Floor{"FLOOR", 14};
constexpr EntryKind Texture{"TEXTURE", 2};
constexpr EntryKind Entity{"ENTITY", 4};

// The texture number of the closing wall and floor that end the reading.
constexpr std::int32_t ClosingTexture = -1;

// The reading of one map: hands each complete entry to its store. Refuses, before anything of
// it is stored, an entry the completion steps would not have room for.
class MapReading {
public:
    explicit MapReading(std::istream& in) : fields_(in) {}

    // Reads entries until the file ends or an entry stops the reading.
    void Run()
    {
        for (;;) {
            MapField keyword;
            try {
                keyword = fields_.Read(FieldKind::Text);
            } catch (const MapEndOfFile&) {
                return; // the normal end
            }
            const std::string upper = mdlEntities::UpperCase(keyword.Text);
            entryLine_ = keyword.Line;
            if (upper == Wall.Keyword)
                ReadWall();
            else if (upper == Floor.Keyword)
                ReadFloor();
            else if (upper == Texture.Keyword)
                ReadTexture();
            else if (upper == Entity.Keyword)
                ReadEntity();
        }
    }

    int EntryLine() const { return entryLine_; }

private:
    // Reads the fields of an entry in one go; the file ending inside it drops it whole.
    std::vector<MapField> ReadFields(const EntryKind& kind, const std::vector<FieldKind>& kinds)
    {
        std::vector<MapField> read;
        for (const FieldKind fieldKind : kinds) {
            try {
                read.push_back(fields_.Read(fieldKind));
            } catch (const MapEndOfFile& end) {
                throw MapFieldError(end.Line, 0,
                                    std::string("the file ends inside a ") + kind.Keyword + " entry (" +
                                        std::to_string(read.size()) + " of " + std::to_string(kind.FieldCount) +
                                        " fields)");
            }
        }
        return read;
    }

    static std::vector<FieldKind> Numbers(int count) { return std::vector<FieldKind>(count, FieldKind::Number); }

    void ReadWall()
    {
        const auto f = ReadFields(Wall, Numbers(Wall.FieldCount));
        float v[11];
        for (int i = 0; i < 11; ++i)
            v[i] = i == 8 ? 0.0f : MapNumber(f[static_cast<std::size_t>(i)]);
        const std::int32_t texture = MapInteger32(f[8]);

        using namespace mdlWalls;
        if (WallCount >= MaxMapWalls)
            throw CapacityError("a map holds at most " + std::to_string(MaxMapWalls) + " walls");
        // The closing wall has texture -1: a run of -1 walls must leave it room.
        const int perTexture = texture == ClosingTexture ? MaxWallsPerTexture - 1 : MaxWallsPerTexture;
        if (wallsPerTexture_[texture] >= perTexture)
            throw CapacityError("more than " + std::to_string(MaxWallsPerTexture) + " walls use texture " +
                                std::to_string(texture));
        // One batch closing stays free for the loader's closing wall.
        if (texture != CurrentWallTexture && WallBatchNumber >= MaxWallBatches)
            throw CapacityError("the walls change texture too often (more than " +
                                std::to_string(MaxWallBatches) + " batches)");
        AddWall(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], texture, v[9], v[10]);
        ++wallsPerTexture_[texture];
    }

    void ReadFloor()
    {
        const auto f = ReadFields(Floor, Numbers(Floor.FieldCount));
        float v[14];
        for (int i = 0; i < 14; ++i)
            v[i] = i == 7 ? 0.0f : MapNumber(f[static_cast<std::size_t>(i)]);
        const std::int32_t texture = MapInteger32(f[7]);

        using namespace mdlFloors;
        if (FloorCount >= MaxMapFloors)
            throw CapacityError("a map holds at most " + std::to_string(MaxMapFloors) + " floors");
        // One batch closing stays free for the loader's closing floor.
        if (texture != CurrentFloorTexture && FloorBatchCount + 1 >= MaxFloorBatches)
            throw CapacityError("the floors change texture too often (more than " +
                                std::to_string(MaxFloorBatches) + " batches)");
        // The closing floor has texture -1: a run of -1 floors must leave it room.
        if (texture == ClosingTexture && texture == CurrentFloorTexture && NextFloorVertex + 5 > MaxFloorVertices)
            throw CapacityError("more than " + std::to_string(MaxFloorsPerBatch - 1) +
                                " floors of texture -1 in a row");
        AddFloor(v[0], v[1], v[2], v[3], v[4], v[5], v[6], texture, v[8], v[9], v[10], v[11], v[12], v[13]);
    }

    void ReadTexture()
    {
        const auto f = ReadFields(Texture, {FieldKind::Number, FieldKind::Text});
        const std::int16_t number = MapInteger16(f[0]);
        mdlTextures::LoadTexture(number, f[1].Text);
    }

    void ReadEntity()
    {
        const auto f = ReadFields(Entity, {FieldKind::Text, FieldKind::Number, FieldKind::Number, FieldKind::Number});
        const float x = MapNumber(f[1]);
        const float y = MapNumber(f[2]);
        const float z = MapNumber(f[3]);
        mdlEntities::AddEntity(f[0].Text, x, y, z);
    }

    MapFieldReader fields_;
    int entryLine_ = 0;
    std::map<std::int32_t, int> wallsPerTexture_;
};

} // namespace

void LoadMap(const std::string& path)
{
    mdlTextures::ClearTextures();
    mdlWalls::ClearWalls();
    mdlFloors::ClearFloors();
    mdlWalls::WallCount = 0;
    mdlFloors::FloorCount = 0;

    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw MapFileError("cannot open the map file " + path + ": " + std::strerror(errno));
    // A folder opens like a file and reads as an empty one.
    if (std::error_code ignored; std::filesystem::is_directory(path, ignored))
        throw MapFileError("cannot open the map file " + path + ": " + std::strerror(EISDIR));

    MapReading reading(file);
    const auto stopped = [&](int line, const std::string& why) {
        LogLine("Map reading stopped at line " + std::to_string(line) + ": " + why);
    };
    try {
        reading.Run();
    } catch (const MapFieldError& error) {
        stopped(error.Line, error.what());
    } catch (const CapacityError& error) {
        stopped(reading.EntryLine(), error.what());
    } catch (const std::out_of_range& error) {
        stopped(reading.EntryLine(), error.what());
    } catch (const GraphicsError& error) {
        stopped(reading.EntryLine(), error.what());
    }

    // Completion: close the file, close the open batches, regroup the walls.
    file.close();
    mdlWalls::AddWall(0, 0, 0, 0, 0, 0, 0, 0, SurfaceBatches::ClosingTexture(mdlWalls::CurrentWallTexture), 0, 0);
    --mdlWalls::WallCount;
    mdlFloors::AddFloor(0, 0, 0, 0, 0, 0, 0, SurfaceBatches::ClosingTexture(mdlFloors::CurrentFloorTexture), 0, 0, 0,
                        0, 0, 0);
    --mdlFloors::FloorCount;
    mdlWalls::RegroupWallsByTexture();
}

} // namespace mdlMap
