// The content generator: it rebuilds the committed content exactly, its textures tile without
// seams, and its level description and map builder make sound maps or say what is wrong.
#include "tests/support/FrameworkFixture.h"
#include "tools/content/Content.h"
#include "tools/content/Textures.h"

#include <gmock/gmock.h>

#include <cmath>
#include <set>

namespace {

using namespace Content;

const std::filesystem::path Assets = DUNMERE_ASSETS_DIR;
const std::string Header = "map m.dnmap\ngrid 8\ntexture a a.png 32\ntexture b b.png 64\n";
const std::string Room = "area r at 0 0 64 48 floor 0 a ceiling -64 b walls a sides a\n";
const std::string Spawn = "spawn at 20.5 20.5 -10\n";

// What the level description (and, when build is set, the map builder) says about body.
std::string Fault(const std::string& body, bool build = false)
{
    try {
        const LevelDescription level = ParseLevel(Header + body, "test.level");
        if (build)
            BuildMap(level);
    } catch (const LevelError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(ContentGenerator, RebuildsTheCommittedContentByteForByte)
{
    std::set<std::string> paths;
    for (const GeneratedFile& file : GenerateContent(Assets).Files) {
        paths.insert(file.Path);
        EXPECT_TRUE(ReadWholeFile(Assets / file.Path) == file.Bytes)
            << file.Path << " differs from the generator's output; rebuild it with the regenerate-content target";
    }
    EXPECT_THAT(paths, ::testing::IsSupersetOf({"e1m1-double.dnmap", "Textures/brick.png", "Textures/treads.png",
                                                "models/entitycube.png", "launcher/icon.png", "launcher/banner.png"}));
}

TEST(ContentGenerator, WorldTexturesArePowerOfTwoAndTileWithoutSeams)
{
    for (const std::string& name : WorldTextureNames()) {
        const Image image = PaintWorldTexture(name);
        EXPECT_EQ(image.Width() & (image.Width() - 1), 0) << name;
        EXPECT_EQ(image.Height() & (image.Height() - 1), 0) << name;
        // Where the picture meets its next copy, the edge between neighbouring columns (rows) is no
        // sharper than the sharpest one inside it (mortar, plate seams, board joints).
        for (const bool alongX : {true, false}) {
            const int length = alongX ? image.Width() : image.Height();
            const int across = alongX ? image.Height() : image.Width();
            const auto edge = [&](int i, int next) {
                double sum = 0;
                for (int j = 0; j < across; ++j) {
                    const Colour& a = alongX ? image.At(i, j) : image.At(j, i);
                    const Colour& b = alongX ? image.At(next, j) : image.At(j, next);
                    sum += std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B);
                }
                return static_cast<float>(sum / across);
            };
            float inside = 0;
            for (int i = 0; i + 1 < length; ++i)
                inside = std::max(inside, edge(i, i + 1));
            EXPECT_GT(inside, 0.05f) << name << " is flat";
            EXPECT_LE(edge(length - 1, 0), inside * 1.05f + 0.01f) << name << " shows a seam " << (alongX ? "across" : "down");
        }
    }
    EXPECT_THROW(PaintWorldTexture("marble.png"), std::invalid_argument);
}

TEST(LevelDescription, RejectsFaultsNamingTheirLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"area r at 0 0 60 64 floor 0 a ceiling -64 b walls a sides a\n", "test.level:5: \"r\": 60 is not on the 8-unit grid"},
        {"area r at 0 0 64 64 floor 0 c ceiling -64 b walls a sides a\n", "test.level:5: no texture is named \"c\""},
        {"area r at 0 0 64 64 floor 0 a ceiling -30 b walls a sides a\n", "test.level:5: \"r\": the ceiling (-30) must be at least 40"},
        {"area r at 0 0 64 64 floor 0 a ceiling -64 b walls a\n", "test.level:5: \"area r\" needs \"sides\""},
        {"area r at 0 0 64 64 floor zero a ceiling -64 b walls a sides a\n", "test.level:5: \"zero\" is not a number"},
        {"area r at 64 0 0 64 floor 0 a ceiling -64 b walls a sides a\n", "test.level:5: \"r\": the corners must be given"},
        {"area r at 0 0 64 64 floor 0 a rise 8 ceiling -64 b walls a sides a\n", "\"rise\" does not belong in \"area\""},
        {Room + "stairs s at 0 0 64 64 climbing north steps 3 floor -8 a rise 8\n ceiling -64 b walls a sides a\n",
         "test.level:6: \"s\": 64 units do not divide into 3 equal steps"},
        {Room + "stairs s at 0 0 64 64 climbing up steps 4 floor -8 a rise 8 ceiling -64 b walls a sides a\n",
         "climbs north, south, east or west"},
        {Room + "room q at 0 0 8 8\n", "test.level:6: unknown statement \"room\""},
        {Room + Spawn, "test.level:7: the spawn is given twice"},
        {"texture a c.png 32\n" + Room, "test.level:5: the texture \"a\" is defined twice"},
    };
    for (const auto& [body, message] : cases)
        EXPECT_THAT(Fault(body + Spawn), ::testing::HasSubstr(message)) << body;
    EXPECT_THAT(Fault(Room), ::testing::HasSubstr("test.level:5: no \"spawn\" statement"));
}

TEST(LevelDescription, StairsSplitIntoStepsAndStatementsRunOnOverIndentedLines)
{
    const LevelDescription level =
        ParseLevel(Header + "stairs up at 0 0 48 16 climbing east steps 3 floor -8 a rise 8   # a comment\n"
                            "    ceiling -96 b walls a sides b\n"
                            "stairs down at 0 16 48 32 climbing west steps 3 floor 0 a rise 4 ceiling -96 b walls a sides b\n"
                            "spawn at 4.5 4.5 -20\n",
                   "test.level");
    ASSERT_EQ(level.Areas.size(), 6u);
    std::vector<std::string> steps;
    for (const AreaDefinition& a : level.Areas)
        steps.push_back(a.Name + "@" + std::to_string(a.X0) + "-" + std::to_string(a.X1) + ":" +
                        std::to_string(static_cast<int>(a.Floor)) + "/" + std::to_string(a.SideTexture) + " line " +
                        std::to_string(a.Line));
    // Climbing west, the first step is the easternmost.
    EXPECT_THAT(steps, ::testing::ElementsAre("up step 1@0-16:-8/1 line 5", "up step 2@16-32:-16/1 line 5",
                                              "up step 3@32-48:-24/1 line 5", "down step 1@32-48:0/1 line 7",
                                              "down step 2@16-32:-4/1 line 7", "down step 3@0-16:-8/1 line 7"));
    EXPECT_EQ(level.Spawn->Z, -20.0f);
}

TEST(MapBuilder, ClosesRoomsWithWallsFacingInAndRisersFacingTheLowerFloor)
{
    const MapData map = BuildMap(ParseLevel(Header + Room + "area dais at 0 48 64 112 floor -8 a ceiling -56 a walls a sides b\n" + Spawn,
                                            "test.level"));
    // Each wall's visible face looks toward sign(Z2 - Z1) x (-dy, dx), as the loader works it out:
    // just in front of its middle lies the room whose floor and ceiling it closes.
    for (const MapWall& w : map.Walls) {
        const float sign = w.Z2 > w.Z1 ? 1.0f : -1.0f;
        const float length = std::hypot(w.X2 - w.X1, w.Y2 - w.Y1);
        const float x = (w.X1 + w.X2) / 2 - sign * (w.Y2 - w.Y1) / length;
        const float y = (w.Y1 + w.Y2) / 2 + sign * (w.X2 - w.X1) / length;
        const bool inRoom = x > 0 && x < 64 && y > 0 && y < 48;
        const bool onDais = x > 0 && x < 64 && y > 48 && y < 112;
        const auto [top, bottom] = std::minmax(w.Z1, w.Z2);
        SCOPED_TRACE(testing::Message() << w.X1 << "," << w.Y1 << " to " << w.X2 << "," << w.Y2 << " from " << top);
        EXPECT_TRUE(inRoom || onDais) << "faces out of the rooms";
        if (w.Y1 == 48 && w.Y2 == 48) { // between them: the dais's riser and the room's lintel face the room
            EXPECT_TRUE(inRoom);
            EXPECT_EQ(std::tuple(top, bottom, w.Texture), bottom == 0 ? std::tuple(-8.0f, 0.0f, 2) : std::tuple(-64.0f, -56.0f, 1));
        } else {
            EXPECT_EQ(std::tuple(top, bottom), inRoom ? std::tuple(-64.0f, 0.0f) : std::tuple(-56.0f, -8.0f));
            EXPECT_EQ(std::abs(w.TUSpan), length / 32);
            EXPECT_EQ(std::abs(w.TVSpan), (bottom - top) / 32);
        }
    }
    // (Which way floors and ceilings face, on the shipped map: ShippedMapTest.)
    EXPECT_EQ(std::tuple(map.SpawnX, map.SpawnY, map.SpawnZ), std::tuple(20.5f, 20.5f, -10.0f));
}

TEST(MapBuilder, RefusesMapsTheLoaderCannotHoldOrWithoutASpawnInside)
{
    std::string pillars = "area r at 0 0 512 64 floor 0 a ceiling -64 b walls a sides a\n";
    for (int k = 0; k < 20; ++k)
        pillars += "solid p at " + std::to_string(16 + 24 * k) + " 24 " + std::to_string(24 + 24 * k) + " 32\n";
    EXPECT_THAT(Fault(pillars + Spawn, true), ::testing::HasSubstr("walls of one texture; the loader takes at most 83"));
    EXPECT_THAT(Fault(Room + "spawn at 70.5 4.5 -10\n", true), ::testing::HasSubstr("does not stand inside"));
    EXPECT_THAT(Fault(Room + "spawn at 4.5 4.5 10\n", true), ::testing::HasSubstr("below the floor"));

    // Batches close as the loader closes them while reading: walls 1 -> 2, 2 -> 1, 1 -> 2 and the
    // closing entry; floors 1 -> 2 and the closing entry.
    MapData map;
    for (int texture : {2, 1, 2})
        map.Walls.push_back(MapWall{.Texture = texture});
    for (int texture : {1, 1, 2})
        map.Floors.push_back(MapFloor{.Texture = texture});
    const MapFigures figures = Measure(map);
    EXPECT_EQ(std::tuple(figures.WallBatchClosings, figures.FloorBatchClosings, figures.MostWallsOfOneTexture,
                         figures.LongestFloorRun),
              std::tuple(4, 2, 2, 2));
    EXPECT_EQ(Measure(MapData{}).FloorBatchClosings, 1);
}

TEST(MapBuilder, WritesPlainDecimalEntriesWithCrLf)
{
    const std::pair<float, const char*> numbers[] = {{0.125f, "0.125"}, {-0.0f, "0"}, {-72.0f, "-72"},
                                                     {0.1f, "0.1"},     {16777216.0f, "16777216"}};
    for (const auto& [value, text] : numbers)
        EXPECT_EQ(FormatNumber(value), text);
    MapData map;
    map.TextureFiles = {"a b.png"};
    map.Walls.push_back(MapWall{0, 0, 8, 0, -16, 0, -0.25f, 0.5f, 1, 0, -0.5f});
    map.Floors.push_back(MapFloor{0, 0, 8, 0, 8, 8, 0, 1, 0, 0, 0.25f, 0, 0.25f, -0.25f});
    map.SpawnX = 4.5f;
    map.SpawnY = 2;
    map.SpawnZ = -10;
    EXPECT_EQ(WriteMap(map), "TEXTURE,1,\"a b.png\"\r\nENTITY,\"PLAYERSPAWN\",4.5,2,-10\r\n"
                             "WALL,0,0,8,0,-16,0,-0.25,0.5,1,0,-0.5\r\nFLOOR,0,0,8,0,8,8,0,1,0,0,0.25,0,0.25,-0.25\r\n");
}

} // namespace
