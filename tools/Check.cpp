#include "tools/Check.h"

#include "framework/DirectX_Framework.h"
#include "game/mdlGameLoop.h"
#include "tools/Headless.h"
#include "world/Player.h"
#include "world/World.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

namespace Check {

namespace {

using mdlMap::EntryKind;

struct Finding {
    int Line;
    int Column;
    bool Error;
    std::string Text;
};

// A field's text as a message shows it: quoted, control characters escaped, long ones cut.
std::string Shown(const MapField& field)
{
    if (field.TooLong)
        return "a field longer than " + std::to_string(MapFieldReader::MaxFieldLength) + " characters";
    std::string shown = "\"";
    for (std::size_t i = 0; i < field.Text.size() && i < 40; ++i) {
        const auto c = static_cast<unsigned char>(field.Text[i]);
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c < 0x20 || c >= 0x7F ? escaped : std::string(1, char(c));
    }
    return shown + (field.Text.size() > 40 ? "...\"" : "\"");
}

std::string Count(int n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Listens to the loader while it reads one map, then looks at the world it built.
class MapFindings : public mdlMap::MapObserver {
public:
    // Past this many warnings the rest are only counted, so that a map of noise needs no more
    // memory than a sound one.
    static constexpr int MaxWarnings = 1000;

    std::vector<Finding> Findings;
    int UnshownWarnings = 0;

    void StrayField(const MapField& field) override
    {
        if ((field.TooLong || !field.Text.empty()) && Room()) // empty fields: blank lines, spare commas
            Warn(field, Shown(field) + " is not a keyword: the field is ignored");
    }
    void ReadAsZero(const MapField& field) override
    {
        if (Room())
            Warn(field, field.Text.empty() ? "an empty number field reads as 0"
                                           : Shown(field) + " is not a number: it reads as 0");
    }
    void Rounded(const MapField& field, std::int64_t value) override
    {
        if (Room())
            Warn(field, "the whole-number field " + Shown(field) + " has a fraction: it reads as " +
                            std::to_string(value));
    }
    void EntryIgnored(EntryKind kind, const MapField& keyword, const MapField& tooLong) override
    {
        Error(tooLong, Shown(tooLong) + ": the game ignores the whole " + mdlMap::KeywordOf(kind) + " entry of line " +
                           std::to_string(keyword.Line));
    }
    void Stopped(int line, int column, const std::string& why) override
    {
        Add({line, column, true, "reading stops here: " + why + "; nothing after this is loaded"});
    }

    void Stored(EntryKind kind, int index, const MapField& keyword, const std::vector<MapField>& fields) override
    {
        const auto slot = static_cast<std::size_t>(index);
        switch (kind) {
        case EntryKind::Wall:
            StoredWall(mdlWalls::Walls[slot], keyword, fields[8]);
            break;
        case EntryKind::Floor:
            StoredFloor(mdlFloors::Floors[slot], keyword, fields[7]);
            break;
        case EntryKind::Texture:
            StoredTexture(index, fields);
            break;
        case EntryKind::Entity:
            if (mdlEntities::Entities[slot].Name == "PLAYERSPAWN")
                spawns_.push_back(keyword);
            break;
        }
    }

    // The findings about the loaded world as a whole.
    void Finish()
    {
        // Surfaces by the texture slot they are drawn with, each slot at its first surface.
        std::map<std::int32_t, std::pair<Surface, int>> unfilled;
        for (const Surface& surface : surfaces_) {
            if (mdlTextures::TextureFor(surface.Number) != nullptr)
                continue;
            const bool inTable = surface.Number >= 1 && surface.Number <= mdlTextures::MaxTextures;
            const std::int32_t slot = inTable ? surface.Number : 1;
            const auto [at, added] = unfilled.try_emplace(slot, surface, 0);
            ++at->second.second;
        }
        for (const auto& [slot, first] : unfilled) {
            const Surface& surface = first.first;
            const std::string number = surface.Number == slot ? ""
                                                               : "texture number " + std::to_string(surface.Number) +
                                                                     " draws with slot 1; ";
            Warn(surface.Field, number + "texture slot " + std::to_string(slot) +
                                    " is filled by no TEXTURE line: drawn without a texture (" +
                                    Count(first.second, "surface", "surfaces") + ")");
        }

        if (spawns_.empty()) {
            Add({1, 1, true, "no PLAYERSPAWN entity is loaded: the player would start at 0, 0, 0"});
            return;
        }
        const MapField& last = spawns_.back();
        for (std::size_t i = 0; i + 1 < spawns_.size(); ++i)
            Warn(spawns_[i],
                 "this PLAYERSPAWN is not used: the last one, at line " + std::to_string(last.Line) + ", wins");
        ResetPlayer();
        mdlEntities::SpawnPlayer();
        if (mdlClip::FloorHeight(Player.X, Player.Y, Player.Z + mdlGameLoop::FloorProbeOffset) == 1000.0f)
            Warn(last, "the spawn point is above no floor: the player would fall");
    }

private:
    struct Surface {
        std::int32_t Number;
        MapField Field; // where its texture number stands (the text is not kept)
    };

    // Whether another warning is shown; one that is not is counted.
    bool Room()
    {
        if (warnings_ < MaxWarnings)
            return true;
        ++UnshownWarnings;
        return false;
    }
    void Add(Finding finding)
    {
        if (!finding.Error && !Room())
            return;
        warnings_ += finding.Error ? 0 : 1;
        Findings.push_back(std::move(finding));
    }
    void Warn(const MapField& at, std::string text) { Add({at.Line, at.Column, false, std::move(text)}); }
    void Error(const MapField& at, std::string text) { Add({at.Line, at.Column, true, std::move(text)}); }

    void StoredWall(const mdlWalls::Wall& wall, const MapField& keyword, const MapField& texture)
    {
        surfaces_.push_back({wall.Texture, MapField{{}, texture.Line, texture.Column}});
        if (wall.X1 == wall.X2 && wall.Y1 == wall.Y2)
            Warn(keyword, "the wall's two ends coincide: it is not drawn and blocks nothing");
        else if (wall.Z1 == wall.Z2)
            Warn(keyword, "the wall's two heights are equal: it has no face to draw");
    }

    void StoredFloor(const mdlFloors::Floor& floor, const MapField& keyword, const MapField& texture)
    {
        surfaces_.push_back({floor.Texture, MapField{{}, texture.Line, texture.Column}});
        // The game's own containment test: a floor with area contains at least its centre.
        const float cx = (floor.X1 + floor.X2 + floor.X3) / 3;
        const float cy = (floor.Y1 + floor.Y2 + floor.Y3) / 3;
        if (!mdlClip::PointInFloor(cx, cy, floor))
            Warn(keyword, "the floor has no area (corners that coincide or lie on one line): nothing stands on it");

        const std::int32_t batch = mdlFloors::FloorBatchCount + 1; // the batch being filled
        if (batch != lastFloorBatch_) {
            const auto [first, added] = firstFloorBatch_.try_emplace(floor.Texture, batch, keyword.Line);
            if (!added)
                Warn(keyword, "floors of texture " + std::to_string(floor.Texture) +
                                  " start another batch here (the first began at line " +
                                  std::to_string(first->second.second) +
                                  "): floors share a batch only when they follow one another");
            lastFloorBatch_ = batch;
        }
    }

    void StoredTexture(int slot, const std::vector<MapField>& fields)
    {
        const auto [first, added] = textureLines_.try_emplace(slot, fields[0].Line);
        if (!added)
            Warn(fields[0], "texture slot " + std::to_string(slot) + " is loaded again (first at line " +
                                std::to_string(first->second) + "): this file replaces the first");
        std::error_code error;
        const std::string found = mdlTextures::TextureFile(fields[1].Text);
        if (!std::filesystem::is_regular_file(found, error))
            Error(fields[1], "no texture file " + Shown(fields[1]) + " under Textures/: the game would end here");
    }

    std::vector<Surface> surfaces_;
    std::vector<MapField> spawns_;
    std::map<int, int> textureLines_;                                 // slot -> line of its first TEXTURE
    std::map<std::int32_t, std::pair<std::int32_t, int>> firstFloorBatch_; // texture -> first batch, line
    std::int32_t lastFloorBatch_ = 0;
    int warnings_ = 0;
};

// The stores' counts and the room left in each table.
std::string Summary()
{
    const auto item = [](int n, int capacity, const char* one, const char* many) {
        return Count(n, one, many) + " (" + std::to_string(capacity - n) + " left)";
    };
    int textures = 0;
    for (int i = 1; i <= mdlTextures::MaxTextures; ++i)
        textures += mdlTextures::Textures[static_cast<std::size_t>(i)] != nullptr;
    std::map<std::int32_t, int> wallsPerTexture;
    int mostWalls = 0;
    for (int i = 1; i <= mdlWalls::WallCount; ++i)
        mostWalls = std::max(mostWalls, ++wallsPerTexture[mdlWalls::Walls[static_cast<std::size_t>(i)].Texture]);
    int mostFloors = 0;
    for (int b = 1; b <= mdlFloors::FloorBatchCount; ++b)
        mostFloors = std::max(mostFloors, mdlFloors::FloorBatchVertexCounts[static_cast<std::size_t>(b)] / 3);

    return item(mdlWalls::WallCount, mdlWalls::MaxMapWalls, "wall", "walls") + ", " +
           item(mdlFloors::FloorCount, mdlFloors::MaxMapFloors, "floor", "floors") + ", " +
           item(textures, mdlTextures::MaxTextures, "texture", "textures") + ", " +
           item(mdlEntities::EntityCount, mdlEntities::MaxEntities, "entity", "entities") + ", " +
           item(mdlWalls::WallBatchCount, mdlWalls::MaxWallBatches, "wall batch", "wall batches") + ", " +
           item(mdlFloors::FloorBatchCount, mdlFloors::MaxFloorBatches, "floor batch", "floor batches") +
           "; at most " + item(mostWalls, mdlWalls::MaxWallsPerTexture, "wall", "walls") + " of one texture, " +
           item(mostFloors, mdlFloors::MaxFloorsPerBatch, "floor", "floors") + " in one batch";
}

} // namespace

int CheckLoad(const std::string& path, bool quiet, std::ostream& out,
              const std::function<bool(mdlMap::MapObserver&)>& load)
{
    // Each map is read into an empty world, as a fresh game reads it.
    ResetWorld();
    MapFindings findings;
    if (!load(findings))
        return 2;
    findings.Finish();

    std::stable_sort(findings.Findings.begin(), findings.Findings.end(), [](const Finding& a, const Finding& b) {
        return std::pair(a.Line, a.Column) < std::pair(b.Line, b.Column);
    });
    bool errors = false;
    for (const Finding& finding : findings.Findings) {
        errors = errors || finding.Error;
        if (finding.Error || !quiet)
            out << path << ':' << finding.Line << ':' << finding.Column << (finding.Error ? ": error: " : ": warning: ")
                << finding.Text << '\n';
    }
    if (!quiet && findings.UnshownWarnings > 0)
        out << path << ": " << Count(findings.UnshownWarnings, "more warning", "more warnings") << " not shown\n";
    if (!quiet)
        out << path << ": " << Summary() << '\n';
    return errors ? 1 : 0;
}

int CheckMap(const std::string& path, ScriptedPlatform& platform, ScriptedGraphics& graphics, bool quiet,
             std::ostream& out, std::ostream& err)
{
    DirectX_Framework::ClearLog();
    const bool wasUnread = graphics.TexturesLoadUnread;
    graphics.TexturesLoadUnread = true;
    const int result = CheckLoad(path, quiet, out, [&](mdlMap::MapObserver& findings) {
        return Headless::LoadMap(path, platform, err, &findings);
    });
    graphics.TexturesLoadUnread = wasUnread;
    return result;
}

int Run(const std::vector<std::string>& maps, bool quiet, std::ostream& out, std::ostream& err)
{
    ScriptedPlatform platform;
    const auto graphics = std::make_shared<ScriptedGraphics>();
    if (!Headless::StartDevice(platform, graphics, err))
        return 2;
    int worst = 0;
    for (const std::string& map : maps)
        worst = std::max(worst, CheckMap(map, platform, *graphics, quiet, out, err));
    return worst;
}

} // namespace Check
