// The shipped map as a player meets it: loaded by the real loader, walked from the spawn with the
// real wall sliding and floor following, and drawn on the scripted device. Nobody may walk out of
// the world or get stuck, every climb is one step, and every surface shows its face to the player
// and never its back.
#include "tests/support/WorldFixture.h"

#include "game/mdlGameLoop.h"
#include "world/Player.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

namespace {

constexpr float NoFloor = 1000; // what the floor query answers where there is none

// A place where the player stands at rest, and the height of the floor the eye rides over.
struct Place { float X, Y, Z, Floor; };

// Everywhere the player gets to from the spawn: each place with the places one move away.
struct Exploration {
    std::vector<Place> Places; // the spawn first
    std::vector<std::vector<std::size_t>> Next;
    std::vector<std::string> Escapes; // where moves ended over no floor or never came to rest
    std::set<float> Climbs;           // heights climbed by single moves
};

// A drawn horizontal triangle: a floor when its face looks up (z grows downward), else a ceiling.
struct Flat {
    mdlFloors::Floor Shape;
    float NormalZ;
    bool Up() const { return NormalZ < 0; }
};

std::string At(float x, float y)
{
    std::ostringstream text;
    text << "(" << x << ", " << y << ")";
    return text.str();
}

// Lets the player stand until the eye comes to rest; the floor it then rides over, or NoFloor
// when there is none or the eye never rests.
float Settle()
{
    for (int tick = 0; tick < 400; ++tick) {
        const float floor = mdlClip::FloorHeight(Player.X, Player.Y, Player.Z + mdlGameLoop::FloorProbeOffset);
        if (floor == NoFloor || Player.Z == floor - mdlGameLoop::EyeHeight)
            return floor;
        const float z = Player.Z;
        mdlGameLoop::UpdatePlayer();
        if (Player.Z == z) // risen to within a rounding step of the rest height
            return floor;
    }
    return NoFloor;
}

// Walks from the spawn north, east, south and west in moves of 8 units, each made as two steps of
// 4 held off the walls at the eye's resting height (a step too short to pass through a wall) and
// followed by a rest, until no move finds a place not yet visited: one place for each 8-unit
// square and floor height.
Exploration Explore()
{
    Exploration world;
    std::map<std::tuple<long, long, float>, std::size_t> known;
    const auto visit = [&](float floor) {
        const auto key = std::tuple(std::lround(Player.X / 8), std::lround(Player.Y / 8), floor);
        const auto [found, added] = known.emplace(key, world.Places.size());
        if (added) {
            world.Places.push_back({Player.X, Player.Y, Player.Z, floor});
            world.Next.emplace_back();
        }
        return found->second;
    };
    mdlEntities::SpawnPlayer();
    // The floor query counts a point on the line through two corners of a floor as inside it, so
    // places exactly on the map's 8-unit grid or its diagonals meet floors far away. Starting the
    // walk a fraction off the spawn keeps it off those lines, as a player almost always is.
    Player.X += 0.3f;
    Player.Y += 0.7f;
    visit(Settle());
    // Places are added at the end, so this visits them in the order they were found.
    for (std::size_t from = 0; from < world.Places.size(); ++from) {
        for (const auto& [dx, dy] : {std::pair{0.0f, 4.0f}, std::pair{4.0f, 0.0f}, std::pair{0.0f, -4.0f},
                                     std::pair{-4.0f, 0.0f}}) {
            const Place place = world.Places[from];
            Player = PlayerRecord{.X = place.X, .Y = place.Y, .Z = place.Z};
            for (int half = 0; half < 2; ++half) {
                std::tie(mdlSlipping::MoveX, mdlSlipping::MoveY) = std::tuple(dx, dy);
                mdlSlipping::SlideAgainstWalls(Player, mdlGameLoop::CollisionRadius);
                Player.X += mdlSlipping::MoveX;
                Player.Y += mdlSlipping::MoveY;
            }
            const float floor = Settle();
            if (floor == NoFloor) {
                world.Escapes.push_back(At(Player.X, Player.Y));
                continue;
            }
            if (floor < place.Floor)
                world.Climbs.insert(place.Floor - floor);
            const std::size_t to = visit(floor);
            world.Next[from].push_back(to);
        }
    }
    return world;
}

class ShippedMap : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        LoadShippedMap(DUNMERE_ASSETS_DIR);
    }

    static const Exploration& Explored()
    {
        static const Exploration world = Explore();
        return world;
    }

    std::vector<ScriptedDraw> Drawn(void (*draw)())
    {
        graphics->Draws.clear();
        draw();
        return graphics->Draws;
    }

    std::vector<Flat> Flats()
    {
        std::vector<Flat> flats;
        for (const ScriptedDraw& draw : Drawn(&mdlFloors::DrawFloors))
            for (std::size_t i = 0; i + 2 < draw.Vertices.size(); i += 3) {
                const Vertex* v = &draw.Vertices[i];
                const mdlFloors::Floor shape{.X1 = v[0].x, .X2 = v[1].x, .X3 = v[2].x,
                                             .Y1 = v[0].y, .Y2 = v[1].y, .Y3 = v[2].y, .Z = v[0].z};
                flats.push_back({shape, v[0].nz});
            }
        return flats;
    }
};

// The lowest ceiling over (x, y) above the given floor height; -infinity when none.
float CeilingOver(const std::vector<Flat>& flats, float x, float y, float floor)
{
    float ceiling = -INFINITY;
    for (const Flat& flat : flats)
        if (!flat.Up() && flat.Shape.Z < floor && mdlClip::PointInFloor(x, y, flat.Shape))
            ceiling = std::max(ceiling, flat.Shape.Z);
    return ceiling;
}

// Whether part of the height band from top to bottom stands in the open over (x, y): between a
// floor there and the ceiling over it.
bool OpenAcross(const std::vector<Flat>& flats, float x, float y, float top, float bottom)
{
    for (const Flat& floor : flats)
        if (floor.Up() && mdlClip::PointInFloor(x, y, floor.Shape) && top < floor.Shape.Z &&
            bottom > CeilingOver(flats, x, y, floor.Shape.Z))
            return true;
    return false;
}

TEST_F(ShippedMap, LoadsCompletelyWithinEveryCapacityAndSpawnsTheEyeAtRest)
{
    for (const std::string& line : Log())
        EXPECT_EQ(line.rfind("Map reading stopped", 0), std::string::npos) << line;
    EXPECT_GT(std::min(mdlWalls::WallCount, mdlFloors::FloorCount), 100);
    // Every wall batch and every floor is drawn.
    std::size_t wallVertices = 0;
    for (const ScriptedDraw& draw : Drawn(&mdlWalls::DrawWalls))
        wallVertices += draw.Vertices.size();
    EXPECT_EQ(wallVertices, 6u * static_cast<std::size_t>(mdlWalls::WallCount));
    EXPECT_EQ(Flats().size(), static_cast<std::size_t>(mdlFloors::FloorCount));

    ASSERT_EQ(mdlEntities::EntityCount, 1);
    mdlEntities::SpawnPlayer();
    EXPECT_EQ(Player.Z, mdlClip::FloorHeight(Player.X, Player.Y, Player.Z + 5) - 15);
}

TEST_F(ShippedMap, NobodyLeavesTheWorldOrGetsStuckAndClimbsAreStepsOfEightUpToAGalleryAndOutOfAPit)
{
    const Exploration& world = Explored();
    ASSERT_GT(world.Places.size(), 1000u);
    EXPECT_TRUE(world.Escapes.empty()) << world.Escapes.size()
                                       << " moves end over no floor or never come to rest, the first at "
                                       << world.Escapes.front();
    // From every place the way back to the spawn is open: nothing is a one-way drop.
    std::vector<bool> back(world.Places.size(), false);
    back[0] = true;
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < back.size(); ++i)
            if (!back[i] && std::any_of(world.Next[i].begin(), world.Next[i].end(), [&](auto to) { return back[to]; }))
                back[i] = grew = true;
    }
    for (std::size_t i = 0; i < back.size(); ++i)
        ASSERT_TRUE(back[i]) << "stuck at " << At(world.Places[i].X, world.Places[i].Y) << " on the floor at "
                             << world.Places[i].Floor;

    EXPECT_EQ(world.Climbs, std::set<float>{8.0f}) << "every climb must be one step of 8";
    const auto byFloor = [](const Place& a, const Place& b) { return a.Floor < b.Floor; };
    const auto [highest, lowest] = std::minmax_element(world.Places.begin(), world.Places.end(), byFloor);
    EXPECT_LE(highest->Floor, world.Places.front().Floor - 32) << "no gallery four steps up";
    EXPECT_GE(lowest->Floor, world.Places.front().Floor + 32) << "no pit four steps deep";
}

TEST_F(ShippedMap, FloorsUnderfootFaceUpAndCeilingsFaceDownWellAboveThem)
{
    const std::vector<Flat> flats = Flats();
    for (const Flat& flat : flats)
        ASSERT_NE(flat.NormalZ, 0.0f) << "a floor without area at " << At(flat.Shape.X1, flat.Shape.Y1);
    for (const Place& place : Explored().Places) {
        const bool up = std::any_of(flats.begin(), flats.end(), [&](const Flat& flat) {
            return flat.Up() && flat.Shape.Z == place.Floor && mdlClip::PointInFloor(place.X, place.Y, flat.Shape);
        });
        ASSERT_TRUE(up) << "the floor under " << At(place.X, place.Y) << " does not face up";
        const float ceiling = CeilingOver(flats, place.X, place.Y, place.Floor);
        ASSERT_TRUE(std::isfinite(ceiling) && ceiling <= place.Floor - 40)
            << "no ceiling well above " << At(place.X, place.Y);
    }
}

TEST_F(ShippedMap, EveryWallShowsItsTexturedFaceToThePlayerAndNeverItsBack)
{
    const std::vector<Place>& places = Explored().Places;
    const std::vector<Flat> flats = Flats();
    for (const ScriptedDraw& draw : Drawn(&mdlWalls::DrawWalls))
        for (std::size_t i = 0; i + 5 < draw.Vertices.size(); i += 6) {
            // The first two corners are the wall's ends; the normal is that of the drawn face.
            const Vertex& a = draw.Vertices[i];
            const Vertex& b = draw.Vertices[i + 1];
            const float top = std::min(a.z, b.z);
            const float bottom = std::max(a.z, b.z);
            const std::string wall = At(a.x, a.y) + " to " + At(b.x, b.y);
            const auto seenFrom = [&](const Place& p) {
                return std::hypot(p.X - (a.x + b.x) / 2, p.Y - (a.y + b.y) / 2) <= 64 &&
                    (p.X - a.x) * a.nx + (p.Y - a.y) * a.ny > 0 && OpenAcross(flats, p.X, p.Y, top, bottom);
            };
            EXPECT_TRUE(std::any_of(places.begin(), places.end(), seenFrom))
                << "nobody sees the face of the wall from " << wall;
            // Just behind it lies solid ground, a higher floor or a lower ceiling. The points are
            // kept off the grid and its diagonals, like the walk.
            const float length = std::hypot(b.x - a.x, b.y - a.y);
            for (const float t : {0.25f, 0.5f, 0.75f}) {
                const float along = (t * length + 0.3f) / length;
                const float x = a.x + along * (b.x - a.x) - a.nx / 2;
                const float y = a.y + along * (b.y - a.y) - a.ny / 2;
                EXPECT_FALSE(OpenAcross(flats, x, y, top, bottom)) << "the wall from " << wall << " shows its back";
            }
        }
    // Every batch is drawn with a texture (the files themselves are checked by the generator's test).
    std::set<std::string> names;
    for (void (*draw)() : {&mdlWalls::DrawWalls, &mdlFloors::DrawFloors})
        for (const ScriptedDraw& batch : Drawn(draw))
            names.insert(batch.Texture);
    EXPECT_EQ(names.count(""), 0u) << "a batch drawn without a texture";
    EXPECT_GE(names.size(), 5u);
}

} // namespace
