// Checks the shipped map as a player and the loader meet it: it is read here from the committed
// file with a small parser of its own, then explored on a 4-unit lattice with the movement rules
// (the eye 15 above the floor, the floor probe 5 below the eye, walls blocking only within their
// height band, a collision radius of 3) to prove that nobody can walk out of the world or get
// stuck, that every climb is one step of 8, and that every wall shows its face to the player.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <queue>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::filesystem::path Assets = DUNMERE_ASSETS_DIR;

struct Wall {
    float X1, Y1, X2, Y2, Z1, Z2;
    int Texture;
    float MinZ() const { return std::min(Z1, Z2); }
    float MaxZ() const { return std::max(Z1, Z2); }
    // The side the visible face looks toward, as a unit vector in plan.
    float NormalX() const { return (Z2 > Z1 ? 1.0f : -1.0f) * -(Y2 - Y1) / Length(); }
    float NormalY() const { return (Z2 > Z1 ? 1.0f : -1.0f) * (X2 - X1) / Length(); }
    float Length() const { return std::hypot(X2 - X1, Y2 - Y1); }
};

struct Floor {
    float X[3], Y[3], Z;
    int Texture;
    // Positive when the loader makes the floor face up.
    float Turn() const { return (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]); }
    bool FacesUp() const { return Turn() > 0; }
    bool Contains(float x, float y) const
    {
        float sides[3];
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            sides[i] = (X[j] - X[i]) * (y - Y[i]) - (Y[j] - Y[i]) * (x - X[i]);
        }
        const bool negative = sides[0] < 0 || sides[1] < 0 || sides[2] < 0;
        const bool positive = sides[0] > 0 || sides[1] > 0 || sides[2] > 0;
        return !(negative && positive);
    }
};

struct Map {
    std::map<int, std::string> Textures;
    std::vector<Wall> Walls;
    std::vector<Floor> Floors;
    std::vector<std::tuple<std::string, float, float, float>> Entities;
};

// Fields separated by commas or line ends; a field in double quotes keeps its commas.
std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ',' || c == '\n')) {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!field.empty())
        fields.push_back(field);
    return fields;
}

Map ReadMap(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::vector<std::string> f = Fields(text.str());
    Map map;
    const auto number = [&](std::size_t i) { return std::stof(f.at(i)); };
    for (std::size_t i = 0; i < f.size();) {
        const std::string& keyword = f[i];
        if (keyword == "TEXTURE") {
            map.Textures[std::stoi(f.at(i + 1))] = f.at(i + 2);
            i += 3;
        } else if (keyword == "ENTITY") {
            map.Entities.emplace_back(f.at(i + 1), number(i + 2), number(i + 3), number(i + 4));
            i += 5;
        } else if (keyword == "WALL") {
            map.Walls.push_back({number(i + 1), number(i + 2), number(i + 3), number(i + 4), number(i + 5), number(i + 6),
                                 std::stoi(f.at(i + 9))});
            i += 12;
        } else if (keyword == "FLOOR") {
            Floor floor{};
            for (int k = 0; k < 3; ++k) {
                floor.X[k] = number(i + 1 + 2 * k);
                floor.Y[k] = number(i + 2 + 2 * k);
            }
            floor.Z = number(i + 7);
            floor.Texture = std::stoi(f.at(i + 8));
            map.Floors.push_back(floor);
            i += 15;
        } else {
            ADD_FAILURE() << "a field that is not a keyword: \"" << keyword << "\"";
            ++i;
        }
    }
    return map;
}

const Map& Shipped()
{
    static const Map map = ReadMap(Assets / "e1m1-double.dnmap");
    return map;
}

// Batches the loader closes while reading entries with these textures in file order.
int BatchClosings(const std::vector<int>& textures)
{
    int current = 1;
    int closings = 1; // the loader's closing entry
    for (int texture : textures)
        if (texture != current) {
            ++closings;
            current = texture;
        }
    return closings;
}

// The floor-height rule: a floor above the reference counts a hundred times its distance, the
// first of equally good floors wins, and the distance kept is the plain one.
float FloorHeight(const Map& map, float x, float y, float reference)
{
    float result = 1000;
    float best = 3000;
    for (const Floor& floor : map.Floors) {
        if (!floor.Contains(x, y))
            continue;
        float d = std::abs(floor.Z - reference);
        if (floor.Z < reference)
            d *= 100;
        if (d < best) {
            result = floor.Z;
            best = std::abs(floor.Z - reference);
        }
    }
    return result;
}

// The walls a player whose eye is at z runs into.
bool Blocks(const Wall& wall, float eye)
{
    return wall.MinZ() - 5 <= eye && eye <= wall.MaxZ() + 1;
}

float DistanceToSegment(const Wall& wall, float x, float y)
{
    const float dx = wall.X2 - wall.X1;
    const float dy = wall.Y2 - wall.Y1;
    float t = ((x - wall.X1) * dx + (y - wall.Y1) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0f, 1.0f);
    return std::hypot(x - (wall.X1 + t * dx), y - (wall.Y1 + t * dy));
}

bool SegmentsCross(float ax, float ay, float bx, float by, float cx, float cy, float dx, float dy)
{
    const auto side = [](float px, float py, float qx, float qy, float rx, float ry) {
        return (qx - px) * (ry - py) - (qy - py) * (rx - px);
    };
    const float d1 = side(cx, cy, dx, dy, ax, ay);
    const float d2 = side(cx, cy, dx, dy, bx, by);
    const float d3 = side(ax, ay, bx, by, cx, cy);
    const float d4 = side(ax, ay, bx, by, dx, dy);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

constexpr float Radius = 3;
constexpr float Step = 4;
// A lattice point a little nearer a wall than the radius stands for the place the wall pushes
// the player back to: the lattice is too coarse to hold that place itself.
constexpr float Clearance = Radius - 1;

// Everywhere a player can get to from the spawn, sampled on a lattice of 4 units: each place
// with the floor the eye has settled over.
struct Exploration {
    struct Place {
        float X, Y, Floor, Ceiling;
    };
    std::vector<Place> Places;
    std::vector<std::vector<int>> Next;
    std::vector<std::string> Escapes; // moves that leave every floor
    std::set<float> Climbs;           // heights climbed by single moves
    int Start = -1;
};

class Explorer {
public:
    explicit Explorer(const Map& map) : map_(map) {}

    Exploration Run(float spawnX, float spawnY, float spawnFloor)
    {
        const float x = std::round((spawnX - 2) / Step) * Step + 2;
        const float y = std::round((spawnY - 2) / Step) * Step + 2;
        result_.Start = Visit(x, y, spawnFloor);
        std::queue<int> pending;
        pending.push(result_.Start);
        while (!pending.empty()) {
            const int from = pending.front();
            pending.pop();
            const Exploration::Place place = result_.Places[static_cast<std::size_t>(from)];
            const float eye = place.Floor - 15;
            for (const auto& [dx, dy] : {std::pair{Step, 0.0f}, std::pair{-Step, 0.0f}, std::pair{0.0f, Step}, std::pair{0.0f, -Step}}) {
                const float tx = place.X + dx;
                const float ty = place.Y + dy;
                if (Obstructed(place.X, place.Y, tx, ty, eye))
                    continue;
                const float floor = Settle(tx, ty, eye);
                if (floor == 1000) {
                    std::ostringstream where;
                    where << "(" << tx << ", " << ty << ")";
                    result_.Escapes.push_back(where.str());
                    continue;
                }
                if (!Roomy(tx, ty, floor - 15))
                    continue; // the walls would push the player back
                if (floor < place.Floor)
                    result_.Climbs.insert(place.Floor - floor);
                const std::size_t before = result_.Places.size();
                const int to = Visit(tx, ty, floor);
                result_.Next[static_cast<std::size_t>(from)].push_back(to);
                if (result_.Places.size() > before)
                    pending.push(to);
            }
        }
        return std::move(result_);
    }

    // The eye settles 15 above the floor that the probe finds, asked again until it stays.
    float Settle(float x, float y, float eye) const
    {
        for (int i = 0; i < 20; ++i) {
            const float floor = FloorHeight(map_, x, y, eye + 5);
            if (floor == 1000 || floor - 15 == eye)
                return floor;
            eye = floor - 15;
        }
        return 1000;
    }

private:
    int Visit(float x, float y, float floor)
    {
        const auto key = std::tuple(x, y, floor);
        const auto found = index_.find(key);
        if (found != index_.end())
            return found->second;
        float ceiling = -1e9f;
        for (const Floor& f : map_.Floors)
            if (!f.FacesUp() && f.Z < floor && f.Contains(x, y))
                ceiling = std::max(ceiling, f.Z);
        result_.Places.push_back({x, y, floor, ceiling});
        result_.Next.emplace_back();
        const int id = static_cast<int>(result_.Places.size()) - 1;
        index_[key] = id;
        return id;
    }

    bool Obstructed(float x, float y, float tx, float ty, float eye) const
    {
        for (const Wall& wall : map_.Walls)
            if (Blocks(wall, eye) && (SegmentsCross(x, y, tx, ty, wall.X1, wall.Y1, wall.X2, wall.Y2) || DistanceToSegment(wall, tx, ty) < Clearance))
                return true;
        return false;
    }

    bool Roomy(float x, float y, float eye) const
    {
        for (const Wall& wall : map_.Walls)
            if (Blocks(wall, eye) && DistanceToSegment(wall, x, y) < Clearance)
                return false;
        return true;
    }

    const Map& map_;
    Exploration result_;
    std::map<std::tuple<float, float, float>, int> index_;
};

struct Spawn {
    float X, Y, Z;
};

Spawn PlayerSpawn(const Map& map)
{
    Spawn spawn{0, 0, 0};
    for (const auto& [name, x, y, z] : map.Entities)
        if (name == "PLAYERSPAWN")
            spawn = {x, y, z};
    return spawn;
}

const Exploration& Explored()
{
    static const Exploration exploration = [] {
        const Map& map = Shipped();
        const Spawn spawn = PlayerSpawn(map);
        const float floor = Explorer(map).Settle(spawn.X, spawn.Y, spawn.Z - 5);
        return Explorer(map).Run(spawn.X, spawn.Y, floor);
    }();
    return exploration;
}

std::uint32_t BigEndian(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

TEST(ShippedMap, FitsTheLoadersCapacities)
{
    const Map& map = Shipped();
    ASSERT_GT(map.Walls.size(), 0u);
    ASSERT_GT(map.Floors.size(), 0u);
    EXPECT_LE(map.Walls.size(), 249u);
    EXPECT_LE(map.Floors.size(), 499u);
    EXPECT_LE(map.Entities.size(), 5u);

    std::map<int, int> wallsPerTexture;
    std::vector<int> wallTextures;
    for (const Wall& wall : map.Walls) {
        ++wallsPerTexture[wall.Texture];
        wallTextures.push_back(wall.Texture);
    }
    for (const auto& [texture, count] : wallsPerTexture)
        EXPECT_LE(count, 83) << "walls of texture " << texture;

    std::vector<int> floorTextures;
    int run = 0;
    for (std::size_t i = 0; i < map.Floors.size(); ++i) {
        run = i > 0 && map.Floors[i].Texture == map.Floors[i - 1].Texture ? run + 1 : 1;
        EXPECT_LE(run, 166) << "floor " << i + 1;
        floorTextures.push_back(map.Floors[i].Texture);
    }
    EXPECT_LE(BatchClosings(wallTextures), 100);
    EXPECT_LE(BatchClosings(floorTextures), 100);
    // Grouped by texture, the walls close one batch per texture they use.
    EXPECT_EQ(BatchClosings(wallTextures), static_cast<int>(wallsPerTexture.size()) + (wallTextures.front() != 1 ? 1 : 0));
}

TEST(ShippedMap, NamesItsTexturesAndTheyExistAsPowerOfTwoPngs)
{
    const Map& map = Shipped();
    EXPECT_GE(map.Textures.size(), 5u);
    for (const auto& [number, name] : map.Textures) {
        EXPECT_GE(number, 1);
        EXPECT_LE(number, 100);
        std::ifstream file(Assets / "Textures" / name, std::ios::binary);
        ASSERT_TRUE(file) << name;
        std::string header(24, '\0');
        file.read(header.data(), 24);
        ASSERT_EQ(header.substr(1, 3), "PNG") << name;
        const std::uint32_t width = BigEndian(header, 16);
        const std::uint32_t height = BigEndian(header, 20);
        EXPECT_TRUE(width >= 32 && (width & (width - 1)) == 0) << name << " is " << width << " wide";
        EXPECT_TRUE(height >= 32 && (height & (height - 1)) == 0) << name << " is " << height << " high";
    }
    for (const Wall& wall : map.Walls)
        EXPECT_EQ(map.Textures.count(wall.Texture), 1u) << "a wall of texture " << wall.Texture;
    for (const Floor& floor : map.Floors)
        EXPECT_EQ(map.Textures.count(floor.Texture), 1u) << "a floor of texture " << floor.Texture;
}

TEST(ShippedMap, FloorsFaceUpAndCeilingsFaceDownWellAboveThem)
{
    const Map& map = Shipped();
    int up = 0;
    for (const Floor& floor : map.Floors) {
        ASSERT_NE(floor.Turn(), 0.0f) << "a floor without area";
        up += floor.FacesUp() ? 1 : 0;
    }
    EXPECT_GT(up, 0);
    // Every downward face is a ceiling at least 40 above every floor under it, so the floor
    // probe never prefers it.
    for (const Floor& ceiling : map.Floors) {
        if (ceiling.FacesUp())
            continue;
        for (int corner = 0; corner <= 3; ++corner) {
            // The centroid and points just inside each corner.
            float x = (ceiling.X[0] + ceiling.X[1] + ceiling.X[2]) / 3;
            float y = (ceiling.Y[0] + ceiling.Y[1] + ceiling.Y[2]) / 3;
            if (corner < 3) {
                x = ceiling.X[corner] + (x - ceiling.X[corner]) * 0.1f;
                y = ceiling.Y[corner] + (y - ceiling.Y[corner]) * 0.1f;
            }
            for (const Floor& floor : map.Floors) {
                if (floor.FacesUp() && floor.Contains(x, y)) {
                    EXPECT_LE(ceiling.Z, floor.Z - 40) << "ceiling over (" << x << ", " << y << ")";
                }
            }
        }
    }
    // The walkable floors come first: a ceiling ahead of them could win the probe's ties.
    bool ceilingSeen = false;
    for (const Floor& floor : map.Floors) {
        EXPECT_FALSE(ceilingSeen && floor.FacesUp()) << "a floor after a ceiling";
        ceilingSeen = ceilingSeen || !floor.FacesUp();
    }
}

TEST(ShippedMap, PlayerStartsAtRestAboveAFloor)
{
    const Map& map = Shipped();
    int spawns = 0;
    for (const auto& entity : map.Entities)
        spawns += std::get<0>(entity) == "PLAYERSPAWN" ? 1 : 0;
    ASSERT_EQ(spawns, 1);
    const Spawn spawn = PlayerSpawn(map);
    const float eye = spawn.Z - 5;
    const float floor = FloorHeight(map, spawn.X, spawn.Y, eye + 5);
    ASSERT_NE(floor, 1000.0f) << "no floor under the spawn";
    EXPECT_GE(floor, spawn.Z) << "the spawn lies below its floor";
    EXPECT_EQ(eye, floor - 15) << "the eye does not start at its resting height";
    bool upward = false;
    for (const Floor& f : map.Floors)
        upward = upward || (f.FacesUp() && f.Z == floor && f.Contains(spawn.X, spawn.Y));
    EXPECT_TRUE(upward);
}

TEST(ShippedMap, NobodyLeavesTheWorldOrGetsStuck)
{
    const Exploration& world = Explored();
    ASSERT_GT(world.Places.size(), 1000u);
    EXPECT_TRUE(world.Escapes.empty()) << world.Escapes.size() << " moves leave every floor, the first at " << world.Escapes.front();

    // From every place the player can reach, the way back to the start is open: the pit has
    // its steps out.
    std::vector<std::vector<int>> previous(world.Places.size());
    for (std::size_t from = 0; from < world.Next.size(); ++from)
        for (int to : world.Next[from])
            previous[static_cast<std::size_t>(to)].push_back(static_cast<int>(from));
    std::vector<bool> back(world.Places.size(), false);
    std::queue<int> pending;
    pending.push(world.Start);
    back[static_cast<std::size_t>(world.Start)] = true;
    while (!pending.empty()) {
        const int at = pending.front();
        pending.pop();
        for (int from : previous[static_cast<std::size_t>(at)])
            if (!back[static_cast<std::size_t>(from)]) {
                back[static_cast<std::size_t>(from)] = true;
                pending.push(from);
            }
    }
    for (std::size_t i = 0; i < world.Places.size(); ++i)
        if (!back[i]) {
            const auto& place = world.Places[i];
            ADD_FAILURE() << "stuck at (" << place.X << ", " << place.Y << ") on the floor at " << place.Floor;
            break;
        }
}

TEST(ShippedMap, ClimbsAreStepsOfEightToAGalleryAndOutOfAPit)
{
    const Exploration& world = Explored();
    EXPECT_EQ(world.Climbs, std::set<float>{8.0f}) << "every climb must be one step of 8";
    const float start = world.Places[static_cast<std::size_t>(world.Start)].Floor;
    float highest = start;
    float lowest = start;
    for (const auto& place : world.Places) {
        highest = std::min(highest, place.Floor);
        lowest = std::max(lowest, place.Floor);
    }
    EXPECT_LE(highest, start - 32) << "no raised platform four steps up";
    EXPECT_GE(lowest, start + 32) << "no pit four steps deep";
}

TEST(ShippedMap, EveryFloorIsWalkedOnOrLooksOverALedge)
{
    const Map& map = Shipped();
    const Exploration& world = Explored();
    for (const Floor& floor : map.Floors) {
        if (!floor.FacesUp())
            continue;
        bool walked = false;
        for (const auto& place : world.Places)
            walked = walked || (place.Floor == floor.Z && floor.Contains(place.X, place.Y));
        // A floor nobody stands on must be the top of something too high to climb (a railing),
        // close by a floor at least 10 lower.
        bool ledge = false;
        for (std::size_t i = 0; i < world.Places.size() && !walked && !ledge; ++i) {
            const auto& place = world.Places[i];
            for (float dx = -8; dx <= 8; dx += 4)
                for (float dy = -8; dy <= 8; dy += 4)
                    ledge = ledge || (place.Floor >= floor.Z + 10 && floor.Contains(place.X + dx, place.Y + dy));
        }
        EXPECT_TRUE(walked || ledge) << "nobody reaches the floor at " << floor.Z << " with a corner at (" << floor.X[0] << ", "
                                     << floor.Y[0] << ")";
    }
}

// The open space over a point: the floor under it (the highest facing up) and the ceiling over
// that floor (the lowest facing down above it). No floor: nothing is open there.
std::pair<float, float> OpenSpace(const Map& map, float x, float y)
{
    float floor = 1e9f;
    for (const Floor& f : map.Floors)
        if (f.FacesUp() && f.Contains(x, y))
            floor = floor == 1e9f ? f.Z : std::min(floor, f.Z);
    float ceiling = -1e9f;
    for (const Floor& f : map.Floors)
        if (!f.FacesUp() && f.Z < floor && f.Contains(x, y))
            ceiling = std::max(ceiling, f.Z);
    return {floor, ceiling};
}

TEST(ShippedMap, EveryWallShowsItsFaceToThePlayerAndNeverItsBack)
{
    const Map& map = Shipped();
    const Exploration& world = Explored();
    // Whether part of the wall stands in the open space between a floor and its ceiling.
    const auto spans = [](const Wall& wall, float floor, float ceiling) { return wall.MinZ() < floor && wall.MaxZ() > ceiling; };
    for (std::size_t w = 0; w < map.Walls.size(); ++w) {
        const Wall& wall = map.Walls[w];
        bool seen = false;
        bool backShown = false;
        for (const auto& place : world.Places) {
            const float dx = place.X - wall.X1;
            const float dy = place.Y - wall.Y1;
            const float d = wall.NormalX() * dx + wall.NormalY() * dy;
            const float t = ((wall.X2 - wall.X1) * dx + (wall.Y2 - wall.Y1) * dy) / (wall.Length() * wall.Length());
            if (!spans(wall, place.Floor, place.Ceiling))
                continue;
            // In front of the wall, near enough to see it, if only at an angle.
            if (d > 0 && DistanceToSegment(wall, place.X, place.Y) <= 64)
                seen = true;
            if (t <= 0 || t >= 1 || d >= 0 || d < -32 || backShown)
                continue;
            // Behind the wall. Its back shows unless the floor or ceiling just behind it covers
            // it (the top of a step, a railing) or another wall stands in between.
            const float fx = wall.X1 + t * (wall.X2 - wall.X1);
            const float fy = wall.Y1 + t * (wall.Y2 - wall.Y1);
            const auto [floorBehind, ceilingBehind] = OpenSpace(map, fx - wall.NormalX(), fy - wall.NormalY());
            if (!spans(wall, floorBehind, ceilingBehind))
                continue;
            bool hidden = false;
            for (std::size_t o = 0; o < map.Walls.size() && !hidden; ++o) {
                const Wall& other = map.Walls[o];
                hidden = o != w && other.MinZ() <= place.Floor - 15 && place.Floor - 15 <= other.MaxZ()
                    && SegmentsCross(place.X, place.Y, fx, fy, other.X1, other.Y1, other.X2, other.Y2);
            }
            backShown = !hidden;
            EXPECT_TRUE(hidden) << "wall " << w + 1 << " shows its back to (" << place.X << ", " << place.Y << ")";
        }
        EXPECT_TRUE(seen) << "nobody sees the face of wall " << w + 1 << " from (" << wall.X1 << ", " << wall.Y1 << ") to ("
                          << wall.X2 << ", " << wall.Y2 << ")";
    }
}

} // namespace
