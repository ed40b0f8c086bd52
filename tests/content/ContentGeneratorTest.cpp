// The content generator: it rebuilds the committed content exactly, its textures tile without
// seams, and its level description and map builder make sound maps or say what is wrong.
#include "tools/content/Content.h"
#include "tools/content/Noise.h"
#include "tools/content/Textures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace Content;

const std::filesystem::path Assets = DUNMERE_ASSETS_DIR;

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST(ContentGenerator, RebuildsTheCommittedContentByteForByte)
{
    const GeneratedContent content = GenerateContent(Assets);
    std::set<std::string> paths;
    for (const GeneratedFile& file : content.Files) {
        paths.insert(file.Path);
        EXPECT_TRUE(ReadBytes(Assets / file.Path) == file.Bytes)
            << file.Path << " differs from the generator's output; rebuild it with the regenerate-content target";
    }
    for (const char* expected : {"e1m1-double.dnmap", "Textures/brick.png", "Textures/treads.png", "models/entitycube.png",
                                 "launcher/icon.png", "launcher/banner.png"})
        EXPECT_EQ(paths.count(expected), 1u) << expected;
}

// The mean difference between neighbouring lines of pixels (columns when alongX, else rows):
// the sharpest such edge inside the picture, and the edge where the picture wraps around.
std::pair<float, float> SharpestEdges(const Image& image, bool alongX)
{
    const auto diff = [](const Colour& a, const Colour& b) { return std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B); };
    const int length = alongX ? image.Width() : image.Height();
    const int across = alongX ? image.Height() : image.Width();
    const auto at = [&](int i, int j) -> const Colour& { return alongX ? image.At(i, j) : image.At(j, i); };
    const auto edge = [&](int i, int next) {
        double sum = 0;
        for (int j = 0; j < across; ++j)
            sum += diff(at(i, j), at(next, j));
        return static_cast<float>(sum / across);
    };
    float inside = 0;
    for (int i = 0; i + 1 < length; ++i)
        inside = std::max(inside, edge(i, i + 1));
    return {inside, edge(length - 1, 0)};
}

TEST(ContentGenerator, WorldTexturesArePowerOfTwoAndTileWithoutSeams)
{
    for (const std::string& name : WorldTextureNames()) {
        const Image image = PaintWorldTexture(name);
        EXPECT_EQ(image.Width() & (image.Width() - 1), 0) << name;
        EXPECT_EQ(image.Height() & (image.Height() - 1), 0) << name;
        for (bool alongX : {true, false}) {
            // Where the picture meets its next copy, the edge is no sharper than the ones the
            // pattern has by design (mortar, plate seams, board joints).
            const auto [inside, seam] = SharpestEdges(image, alongX);
            EXPECT_GT(inside, 0.05f) << name << " is flat";
            EXPECT_LE(seam, inside * 1.05f + 0.01f) << name << " shows a seam " << (alongX ? "left to right" : "top to bottom");
        }
    }
    EXPECT_THROW(PaintWorldTexture("marble.png"), std::invalid_argument);
}

TEST(ContentGenerator, NoiseRepeatsOverTheTile)
{
    Random random(5);
    for (int i = 0; i < 200; ++i) {
        const float u = random.Unit();
        const float v = random.Unit();
        EXPECT_NEAR(Fractal(u, v, 4, 8, 5, 17), Fractal(u + 1, v, 4, 8, 5, 17), 1e-4f);
        EXPECT_NEAR(Fractal(u, v, 4, 8, 5, 17), Fractal(u, v - 1, 4, 8, 5, 17), 1e-4f);
        const CellSample a = Cellular(u, v, 5, 0.8f, 3);
        const CellSample b = Cellular(u - 1, v + 1, 5, 0.8f, 3);
        EXPECT_EQ(a.Id, b.Id);
        EXPECT_NEAR(a.Nearest, b.Nearest, 1e-4f);
        EXPECT_NEAR(a.Second, b.Second, 1e-4f);
    }
}

const char* const Header = "map m.dnmap\n"
                           "grid 8\n"
                           "texture a a.png 32\n"
                           "texture b b.png 64\n";

std::string ParseFault(const std::string& body)
{
    try {
        ParseLevel(std::string(Header) + body, "test.level");
    } catch (const Content::LevelError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(LevelDescription, RejectsFaultsNamingTheirLine)
{
    const std::string room = "area r at 0 0 64 64 floor 0 a ceiling -64 b walls a sides a\n";
    const std::string spawn = "spawn at 4.5 4.5 -10\n";
    struct Case {
        std::string Body;
        std::string Message;
    };
    const Case cases[] = {
        {"area r at 0 0 60 64 floor 0 a ceiling -64 b walls a sides a\n" + spawn, "test.level:5: \"r\": 60 is not on the 8-unit grid"},
        {"area r at 0 0 64 64 floor 0 c ceiling -64 b walls a sides a\n" + spawn, "test.level:5: no texture is named \"c\""},
        {"area r at 0 0 64 64 floor 0 a ceiling -30 b walls a sides a\n" + spawn, "test.level:5: \"r\": the ceiling (-30) must be at least 40"},
        {"area r at 0 0 64 64 floor 0 a ceiling -64 b walls a\n" + spawn, "test.level:5: \"area r\" needs \"sides\""},
        {"area r at 0 0 64 64 floor zero a ceiling -64 b walls a sides a\n" + spawn, "test.level:5: \"zero\" is not a number"},
        {"area r at 64 0 0 64 floor 0 a ceiling -64 b walls a sides a\n" + spawn, "test.level:5: \"r\": the corners must be given"},
        {"area r at 0 0 64 64 floor 0 a rise 8 ceiling -64 b walls a sides a\n" + spawn, "\"rise\" does not belong in \"area\""},
        {room + "stairs s at 0 0 64 64 climbing north steps 3 floor -8 a rise 8\n ceiling -64 b walls a sides a\n" + spawn,
         "test.level:6: \"s\": 64 units do not divide into 3 equal steps"},
        {room + "stairs s at 0 0 64 64 climbing up steps 4 floor -8 a rise 8 ceiling -64 b walls a sides a\n" + spawn,
         "climbs north, south, east or west"},
        {room + "room q at 0 0 8 8\n" + spawn, "test.level:6: unknown statement \"room\""},
        {room + spawn + spawn, "test.level:7: the spawn is given twice"},
        {room, "test.level:5: no \"spawn\" statement"},
        {"texture a c.png 32\n" + room + spawn, "test.level:5: the texture \"a\" is defined twice"},
    };
    for (const Case& c : cases) {
        const std::string message = ParseFault(c.Body);
        EXPECT_NE(message.find(c.Message), std::string::npos) << "got: " << message << "\nfor:\n" << c.Body;
    }
}

TEST(LevelDescription, StairsSplitIntoStepsAndStatementsRunOnOverIndentedLines)
{
    const LevelDescription level = ParseLevel(std::string(Header)
                                                  + "stairs up at 0 0 48 16 climbing east steps 3 floor -8 a rise 8   # a comment\n"
                                                    "    ceiling -96 b walls a sides b\n"
                                                    "stairs down at 0 16 48 32 climbing west steps 3 floor 0 a rise 4 ceiling -96 b walls a sides b\n"
                                                    "spawn at 4.5 4.5 -20\n",
                                              "test.level");
    ASSERT_EQ(level.Areas.size(), 6u);
    EXPECT_EQ(level.Areas[0].Name, "up step 1");
    EXPECT_EQ(level.Areas[1].X0, 16);
    EXPECT_EQ(level.Areas[1].X1, 32);
    EXPECT_EQ(level.Areas[2].Floor, -24.0f);
    EXPECT_EQ(level.Areas[2].SideTexture, 1);
    EXPECT_EQ(level.Areas[2].Line, 5);
    // Climbing west, the first step is the easternmost.
    EXPECT_EQ(level.Areas[3].X0, 32);
    EXPECT_EQ(level.Areas[5].X0, 0);
    EXPECT_EQ(level.Areas[5].Floor, -8.0f);
    EXPECT_EQ(level.Spawn->Z, -20.0f);
}

// The side of a wall its visible face looks toward, as the loader works it out.
std::pair<float, float> FaceNormal(const MapWall& wall)
{
    const float sign = wall.Z2 > wall.Z1 ? 1.0f : -1.0f;
    const float length = std::hypot(wall.X2 - wall.X1, wall.Y2 - wall.Y1);
    return {sign * -(wall.Y2 - wall.Y1) / length, sign * (wall.X2 - wall.X1) / length};
}

TEST(MapBuilder, ClosesARoomWithWallsFacingInAndFloorsUnderACeiling)
{
    const MapData map = BuildMap(ParseLevel(std::string(Header) + "area r at 0 0 64 48 floor 0 a ceiling -64 b walls a sides a\n"
                                                                  "spawn at 20.5 20.5 -10\n",
                                            "test.level"));
    ASSERT_EQ(map.Walls.size(), 4u);
    for (const MapWall& wall : map.Walls) {
        const auto [nx, ny] = FaceNormal(wall);
        const float x = (wall.X1 + wall.X2) / 2 + nx;
        const float y = (wall.Y1 + wall.Y2) / 2 + ny;
        EXPECT_TRUE(x > 0 && x < 64 && y > 0 && y < 48) << "a wall faces out of the room";
        EXPECT_EQ(std::min(wall.Z1, wall.Z2), -64.0f);
        EXPECT_EQ(std::max(wall.Z1, wall.Z2), 0.0f);
        EXPECT_EQ(std::abs(wall.TVSpan), 2.0f);
        EXPECT_EQ(std::abs(wall.TUSpan), std::hypot(wall.X2 - wall.X1, wall.Y2 - wall.Y1) / 32);
        EXPECT_EQ(wall.Texture, 1);
    }
    ASSERT_EQ(map.Floors.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const MapFloor& f = map.Floors[i];
        const float turn = (f.X2 - f.X1) * (f.Y3 - f.Y1) - (f.Y2 - f.Y1) * (f.X3 - f.X1);
        // The floor first, facing up; then the ceiling, facing down.
        EXPECT_EQ(turn > 0, i < 2);
        EXPECT_EQ(f.Z, i < 2 ? 0.0f : -64.0f);
        EXPECT_EQ(f.Texture, i < 2 ? 1 : 2);
    }
    EXPECT_EQ(map.SpawnX, 20.5f);
}

TEST(MapBuilder, RisersFaceTheLowerFloorAndLintelsTheTallerRoom)
{
    const MapData map = BuildMap(ParseLevel(std::string(Header)
                                                + "area hall at 0 0 64 64 floor 0 a ceiling -80 a walls a sides a\n"
                                                  "area dais at 0 64 64 128 floor -8 a ceiling -56 a walls a sides b\n"
                                                  "spawn at 20.5 20.5 -10\n",
                                            "test.level"));
    std::vector<MapWall> between;
    for (const MapWall& wall : map.Walls)
        if (wall.Y1 == 64 && wall.Y2 == 64)
            between.push_back(wall);
    ASSERT_EQ(between.size(), 2u);
    for (const MapWall& wall : between) {
        EXPECT_EQ(FaceNormal(wall), std::make_pair(0.0f, -1.0f)) << "faces away from the hall";
        const bool riser = std::max(wall.Z1, wall.Z2) == 0;
        EXPECT_EQ(std::min(wall.Z1, wall.Z2), riser ? -8.0f : -80.0f);
        EXPECT_EQ(std::max(wall.Z1, wall.Z2), riser ? 0.0f : -56.0f);
        EXPECT_EQ(wall.Texture, riser ? 2 : 1) << "a riser takes the raised area's sides";
    }
}

TEST(MapBuilder, RefusesMapsTheLoaderCannotHoldOrWithoutASpawnInside)
{
    const auto fault = [](const std::string& body) {
        try {
            BuildMap(ParseLevel(std::string(Header) + body, "test.level"));
        } catch (const Content::LevelError& error) {
            return std::string(error.what());
        }
        return std::string("(accepted)");
    };
    std::string pillars = "area r at 0 0 512 64 floor 0 a ceiling -64 b walls a sides a\n";
    for (int k = 0; k < 20; ++k)
        pillars += "solid p at " + std::to_string(16 + 24 * k) + " 24 " + std::to_string(24 + 24 * k) + " 32\n";
    EXPECT_NE(fault(pillars + "spawn at 4.5 4.5 -10\n").find("walls of one texture; the loader takes at most 83"), std::string::npos);

    EXPECT_NE(fault("area r at 0 0 64 64 floor 0 a ceiling -64 b walls a sides a\nspawn at 70.5 4.5 -10\n").find("does not stand inside"),
              std::string::npos);
    EXPECT_NE(fault("area r at 0 0 64 64 floor 0 a ceiling -64 b walls a sides a\nspawn at 4.5 4.5 10\n").find("below the floor"),
              std::string::npos);
}

TEST(MapBuilder, CountsBatchesAsTheLoaderClosesThemWhileReading)
{
    MapData map;
    for (int texture : {2, 1, 2})
        map.Walls.push_back(MapWall{.Texture = texture});
    for (int texture : {1, 1, 2})
        map.Floors.push_back(MapFloor{.Texture = texture});
    MapFigures figures = Measure(map);
    // Walls: 1 -> 2, 2 -> 1, 1 -> 2 and the closing entry; floors: 1 -> 2 and the closing entry.
    EXPECT_EQ(figures.WallBatchClosings, 4);
    EXPECT_EQ(figures.FloorBatchClosings, 2);
    EXPECT_EQ(figures.MostWallsOfOneTexture, 2);
    EXPECT_EQ(figures.LongestFloorRun, 2);
    EXPECT_EQ(Measure(MapData{}).FloorBatchClosings, 1);
}

TEST(MapBuilder, WritesPlainDecimalEntriesWithCrLf)
{
    EXPECT_EQ(FormatNumber(0.125f), "0.125");
    EXPECT_EQ(FormatNumber(-0.0f), "0");
    EXPECT_EQ(FormatNumber(-72.0f), "-72");
    EXPECT_EQ(FormatNumber(96.5f), "96.5");
    EXPECT_EQ(FormatNumber(0.1f), "0.1");
    EXPECT_EQ(FormatNumber(16777216.0f), "16777216");

    MapData map;
    map.TextureFiles = {"a b.png"};
    map.Walls.push_back(MapWall{0, 0, 8, 0, -16, 0, -0.25f, 0.5f, 1, 0, -0.5f});
    map.Floors.push_back(MapFloor{0, 0, 8, 0, 8, 8, 0, 1, 0, 0, 0.25f, 0, 0.25f, -0.25f});
    map.SpawnX = 4.5f;
    map.SpawnY = 2;
    map.SpawnZ = -10;
    EXPECT_EQ(WriteMap(map), "TEXTURE,1,\"a b.png\"\r\n"
                             "ENTITY,\"PLAYERSPAWN\",4.5,2,-10\r\n"
                             "WALL,0,0,8,0,-16,0,-0.25,0.5,1,0,-0.5\r\n"
                             "FLOOR,0,0,8,0,8,8,0,1,0,0,0.25,0,0.25,-0.25\r\n");
}

} // namespace
