#include "world/mdlMap.h"

#include "framework/DirectX_Framework.h"
#include "framework/Platform.h"
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

const char* KeywordOf(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Wall:
        return "WALL";
    case EntryKind::Floor:
        return "FLOOR";
    case EntryKind::Texture:
        return "TEXTURE";
    case EntryKind::Entity:
        return "ENTITY";
    }
    return "";
}

namespace {

// The fields that follow each kind's keyword.
const std::vector<FieldKind>& FieldsOf(EntryKind kind)
{
    using FK = FieldKind;
    static const std::vector<FieldKind> wall(11, FK::Number);
    static const std::vector<FieldKind> floor(14, FK::Number);
    static const std::vector<FieldKind> texture{FK::Number, FK::Text};
    static const std::vector<FieldKind> entity{FK::Text, FK::Number, FK::Number, FK::Number};
    switch (kind) {
    case EntryKind::Wall: return wall;
    case EntryKind::Floor: return floor;
    case EntryKind::Texture: return texture;
    case EntryKind::Entity: return entity;
    }
    return wall;
}

// The texture number of the closing wall and floor that end the reading.
constexpr std::int32_t ClosingTexture = -1;

// The reading of one map: hands each complete entry to its store. Refuses, before anything of
// it is stored, an entry the completion steps would not have room for.
class MapReading {
public:
    MapReading(std::istream& in, MapObserver* observer) : fields_(in), observer_(observer) {}

    // Reads entries until the file ends or an entry stops the reading.
    void Run()
    {
        for (;;) {
            try {
                entry_ = fields_.Read(FieldKind::Text);
            } catch (const MapEndOfFile&) {
                return; // the normal end
            }
            // A field too long to keep has no text: like any other text, it is no keyword.
            const std::string upper = mdlEntities::UpperCase(entry_.Text);
            if (upper == KeywordOf(EntryKind::Wall))
                ReadWall();
            else if (upper == KeywordOf(EntryKind::Floor))
                ReadFloor();
            else if (upper == KeywordOf(EntryKind::Texture))
                ReadTexture();
            else if (upper == KeywordOf(EntryKind::Entity))
                ReadEntity();
            else
                Stray();
        }
    }

    // The keyword of the entry being read.
    const MapField& Entry() const { return entry_; }

    // Reads the entries' fields only, adding the file names of the TEXTURE entries to names,
    // until the file ends or a field cannot be read (which throws). Stores and logs nothing.
    void CollectTextureFiles(std::vector<std::string>& names)
    {
        for (;;) {
            entry_ = fields_.Read(FieldKind::Text);
            const std::string upper = mdlEntities::UpperCase(entry_.Text);
            for (const EntryKind kind : {EntryKind::Wall, EntryKind::Floor, EntryKind::Texture, EntryKind::Entity}) {
                if (upper != KeywordOf(kind))
                    continue;
                f_.clear();
                for (const FieldKind fieldKind : FieldsOf(kind))
                    f_.push_back(fields_.Read(fieldKind));
                if (kind == EntryKind::Texture && !f_[0].TooLong && !f_[1].TooLong)
                    names.push_back(f_[1].Text);
                break;
            }
        }
    }

private:
    void Stray()
    {
        if (observer_)
            observer_->StrayField(entry_);
    }

    // Reads the fields of an entry in one go into f_; the file ending inside it drops it whole.
    // False when one of them is too long to keep: the entry is then ignored, and reading goes on.
    bool ReadFields(EntryKind kind)
    {
        const std::vector<FieldKind>& kinds = FieldsOf(kind);
        f_.clear();
        for (const FieldKind fieldKind : kinds) {
            try {
                f_.push_back(fields_.Read(fieldKind));
            } catch (const MapEndOfFile&) {
                throw MapFieldError(entry_.Line, entry_.Column,
                                    std::string("the file ends inside a ") + KeywordOf(kind) + " entry (" +
                                        std::to_string(f_.size()) + " of " + std::to_string(kinds.size()) +
                                        " fields)");
            }
        }
        for (const MapField& field : f_) {
            if (!field.TooLong)
                continue;
            LogLine("Map entry ignored at line " + std::to_string(entry_.Line) + ": a " + KeywordOf(kind) +
                    " field is longer than " + std::to_string(MapFieldReader::MaxFieldLength) + " characters");
            if (observer_)
                observer_->EntryIgnored(kind, entry_, field);
            return false;
        }
        return true;
    }

    void Notice(const MapField& field, NumberNote note, std::int64_t value)
    {
        if (observer_ && note == NumberNote::NotANumber)
            observer_->ReadAsZero(field);
        else if (observer_ && note == NumberNote::Rounded)
            observer_->Rounded(field, value);
    }

    float Number(std::size_t i)
    {
        NumberNote note = NumberNote::None;
        const float value = MapNumber(f_[i], &note);
        Notice(f_[i], note, 0);
        return value;
    }

    template <typename Integer>
    Integer Whole(std::size_t i, Integer (*convert)(const MapField&, NumberNote*))
    {
        NumberNote note = NumberNote::None;
        const Integer value = convert(f_[i], &note);
        Notice(f_[i], note, value);
        return value;
    }

    void Stored(EntryKind kind, int index)
    {
        if (observer_)
            observer_->Stored(kind, index, entry_, f_);
    }

    void ReadWall()
    {
        if (!ReadFields(EntryKind::Wall))
            return;
        float v[11];
        std::int32_t texture = 0;
        for (std::size_t i = 0; i < 11; ++i) {
            if (i == 8)
                texture = Whole(i, MapInteger32);
            else
                v[i] = Number(i);
        }

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
        Stored(EntryKind::Wall, WallCount);
    }

    void ReadFloor()
    {
        if (!ReadFields(EntryKind::Floor))
            return;
        float v[14];
        std::int32_t texture = 0;
        for (std::size_t i = 0; i < 14; ++i) {
            if (i == 7)
                texture = Whole(i, MapInteger32);
            else
                v[i] = Number(i);
        }

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
        Stored(EntryKind::Floor, FloorCount);
    }

    void ReadTexture()
    {
        if (!ReadFields(EntryKind::Texture))
            return;
        const std::int16_t number = Whole(0, MapInteger16);
        mdlTextures::LoadTexture(number, f_[1].Text);
        Stored(EntryKind::Texture, number);
    }

    void ReadEntity()
    {
        if (!ReadFields(EntryKind::Entity))
            return;
        const float x = Number(1);
        const float y = Number(2);
        const float z = Number(3);
        mdlEntities::AddEntity(f_[0].Text, x, y, z);
        Stored(EntryKind::Entity, mdlEntities::EntityCount);
    }

    MapFieldReader fields_;
    MapObserver* observer_;
    MapField entry_;
    std::vector<MapField> f_;
    std::map<std::int32_t, int> wallsPerTexture_;
};

} // namespace

std::vector<std::string> TextureFiles(const std::string& path)
{
    std::vector<std::string> names;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return names;
    MapReading reading(file, nullptr);
    try {
        reading.CollectTextureFiles(names);
    } catch (...) {
        // The end of the file, or a field that stops the reading here as it stops LoadMap.
    }
    return names;
}

void LoadMap(const std::string& path, MapObserver* observer)
{
    mdlTextures::ClearTextures();
    mdlWalls::ClearWalls();
    mdlFloors::ClearFloors();
    mdlWalls::WallCount = 0;
    mdlFloors::FloorCount = 0;

    // A folder opens as an empty stream: refuse it instead of loading an empty world.
    std::error_code notFound;
    if (std::filesystem::is_directory(path, notFound))
        throw MapFileError("cannot open the map file " + path + ": it is a folder");
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw MapFileError("cannot open the map file " + path + ": " + std::strerror(errno));

    // Any error while reading ends it; only the end of the process (a texture that cannot be
    // loaded) goes on up.
    MapReading reading(file, observer);
    const auto stopped = [&](int line, int column, const std::string& why) {
        LogLine("Map reading stopped at line " + std::to_string(line) + ": " + why);
        if (observer)
            observer->Stopped(line, column, why);
    };
    try {
        reading.Run();
    } catch (const ProcessExit&) {
        throw;
    } catch (const MapFieldError& error) {
        stopped(error.Line, error.Column, error.what());
    } catch (const std::exception& error) {
        stopped(reading.Entry().Line, reading.Entry().Column, error.what());
    } catch (...) {
        stopped(reading.Entry().Line, reading.Entry().Column, "an unexpected error");
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
