#include "tools/content/LevelDescription.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace Content {

namespace {

class Reader {
public:
    Reader(std::string sourceName, int line) : sourceName_(std::move(sourceName)), line_(line) {}

    [[noreturn]] void Fail(const std::string& message) const
    {
        throw LevelError(sourceName_ + ":" + std::to_string(line_) + ": " + message);
    }

    float Number(const std::string& token) const
    {
        float value = 0;
        const char* end = token.data() + token.size();
        const auto [stop, error] = std::from_chars(token.data(), end, value);
        if (error != std::errc() || stop != end || !std::isfinite(value))
            Fail("\"" + token + "\" is not a number");
        return value;
    }

    int Whole(const std::string& token) const
    {
        int value = 0;
        const char* end = token.data() + token.size();
        const auto [stop, error] = std::from_chars(token.data(), end, value);
        if (error != std::errc() || stop != end)
            Fail("\"" + token + "\" is not a whole number");
        return value;
    }

    int Line() const { return line_; }

private:
    std::string sourceName_;
    int line_;
};

// The keys an area statement may carry, with the number of values each takes.
const std::map<std::string, std::size_t>& KeyArity()
{
    static const std::map<std::string, std::size_t> arity = {
        {"at", 4}, {"floor", 2}, {"ceiling", 2}, {"walls", 1}, {"sides", 1}, {"climbing", 1}, {"steps", 1}, {"rise", 1},
    };
    return arity;
}

const std::set<std::string>& KeysOf(const std::string& kind)
{
    static const std::set<std::string> area = {"at", "floor", "ceiling", "walls", "sides"};
    static const std::set<std::string> stairs = {"at", "floor", "ceiling", "walls", "sides", "climbing", "steps", "rise"};
    static const std::set<std::string> solid = {"at"};
    return kind == "area" ? area : (kind == "stairs" ? stairs : solid);
}

class Parser {
public:
    explicit Parser(std::string sourceName) : sourceName_(std::move(sourceName)) {}

    void Statement(const Reader& reader, const std::vector<std::string>& tokens)
    {
        const std::string& keyword = tokens[0];
        if (keyword == "map") {
            Expect(reader, tokens, 2, "map FILE");
            level_.MapFile = tokens[1];
        } else if (keyword == "grid") {
            Expect(reader, tokens, 2, "grid UNITS");
            level_.Grid = reader.Whole(tokens[1]);
            if (level_.Grid <= 0)
                reader.Fail("the grid must be at least 1 unit");
        } else if (keyword == "texture") {
            Expect(reader, tokens, 4, "texture NAME FILE SCALE");
            for (const TextureDefinition& texture : level_.Textures)
                if (texture.Name == tokens[1])
                    reader.Fail("the texture \"" + tokens[1] + "\" is defined twice");
            const float scale = reader.Number(tokens[3]);
            if (scale <= 0)
                reader.Fail("a texture's scale must be positive");
            level_.Textures.push_back({tokens[1], tokens[2], scale});
        } else if (keyword == "area" || keyword == "stairs" || keyword == "solid") {
            Area(reader, tokens);
        } else if (keyword == "spawn") {
            Expect(reader, tokens, 5, "spawn at X Y Z");
            if (tokens[1] != "at")
                reader.Fail("expected \"spawn at X Y Z\"");
            if (level_.Spawn)
                reader.Fail("the spawn is given twice");
            level_.Spawn = SpawnDefinition{reader.Number(tokens[2]), reader.Number(tokens[3]), reader.Number(tokens[4]), reader.Line()};
        } else {
            reader.Fail("unknown statement \"" + keyword + "\"");
        }
    }

    LevelDescription Finish()
    {
        const Reader end(sourceName_, lastLine_);
        if (level_.MapFile.empty())
            end.Fail("no \"map\" statement names the map file");
        if (level_.Grid == 0)
            end.Fail("no \"grid\" statement");
        if (level_.Areas.empty())
            end.Fail("the level has no areas");
        if (!level_.Spawn)
            end.Fail("no \"spawn\" statement");
        for (const AreaDefinition& area : level_.Areas) {
            const Reader reader(sourceName_, area.Line);
            for (int value : {area.X0, area.Y0, area.X1, area.Y1})
                if (value % level_.Grid != 0)
                    reader.Fail("\"" + area.Name + "\": " + std::to_string(value) + " is not on the " + std::to_string(level_.Grid)
                                + "-unit grid");
        }
        return std::move(level_);
    }

    void SetLastLine(int line) { lastLine_ = line; }

private:
    static void Expect(const Reader& reader, const std::vector<std::string>& tokens, std::size_t count, const char* form)
    {
        if (tokens.size() != count)
            reader.Fail(std::string("expected \"") + form + "\"");
    }

    int TextureIndex(const Reader& reader, const std::string& name) const
    {
        for (std::size_t i = 0; i < level_.Textures.size(); ++i)
            if (level_.Textures[i].Name == name)
                return static_cast<int>(i);
        reader.Fail("no texture is named \"" + name + "\"");
    }

    // An area's "key value..." pairs, each key one its kind takes, given once, and all of them given.
    static std::map<std::string, std::vector<std::string>> AreaValues(const Reader& reader,
                                                                      const std::vector<std::string>& tokens)
    {
        const std::string& kind = tokens[0];
        if (tokens.size() < 2)
            reader.Fail("\"" + kind + "\" needs a name");
        std::map<std::string, std::vector<std::string>> values;
        for (std::size_t i = 2; i < tokens.size();) {
            const std::string& key = tokens[i];
            if (KeysOf(kind).count(key) == 0)
                reader.Fail("\"" + key + "\" does not belong in \"" + kind + "\"");
            if (values.count(key) != 0)
                reader.Fail("\"" + key + "\" is given twice");
            const std::size_t count = KeyArity().at(key);
            if (i + count >= tokens.size())
                reader.Fail("\"" + key + "\" needs " + std::to_string(count) + " value(s)");
            values[key] = std::vector<std::string>(tokens.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                                   tokens.begin() + static_cast<std::ptrdiff_t>(i + 1 + count));
            i += 1 + count;
        }
        for (const std::string& key : KeysOf(kind))
            if (values.count(key) == 0)
                reader.Fail("\"" + kind + " " + tokens[1] + "\" needs \"" + key + "\"");
        return values;
    }

    void Area(const Reader& reader, const std::vector<std::string>& tokens)
    {
        const std::string& kind = tokens[0];
        std::map<std::string, std::vector<std::string>> values = AreaValues(reader, tokens);

        AreaDefinition area;
        area.Name = tokens[1];
        area.Line = reader.Line();
        area.Solid = kind == "solid";
        const std::vector<std::string>& at = values["at"];
        area.X0 = reader.Whole(at[0]);
        area.Y0 = reader.Whole(at[1]);
        area.X1 = reader.Whole(at[2]);
        area.Y1 = reader.Whole(at[3]);
        if (area.X0 >= area.X1 || area.Y0 >= area.Y1)
            reader.Fail("\"" + area.Name + "\": the corners must be given west-south first, with a positive size");
        if (area.Solid) {
            level_.Areas.push_back(area);
            return;
        }
        area.Floor = reader.Number(values["floor"][0]);
        area.FloorTexture = TextureIndex(reader, values["floor"][1]);
        area.Ceiling = reader.Number(values["ceiling"][0]);
        area.CeilingTexture = TextureIndex(reader, values["ceiling"][1]);
        area.WallTexture = TextureIndex(reader, values["walls"][0]);
        area.SideTexture = TextureIndex(reader, values["sides"][0]);
        if (kind == "area") {
            CheckHeadroom(reader, area.Name, area.Floor, area.Ceiling);
            level_.Areas.push_back(area);
            return;
        }
        AddStairs(reader, area, values);
    }

    // A staircase: its area cut across the climbing direction into equal steps, each the rise
    // higher than the one before.
    void AddStairs(const Reader& reader, const AreaDefinition& area,
                   std::map<std::string, std::vector<std::string>>& values)
    {
        const std::string& direction = values["climbing"][0];
        const int steps = reader.Whole(values["steps"][0]);
        const float rise = reader.Number(values["rise"][0]);
        if (steps < 1)
            reader.Fail("a staircase needs at least one step");
        if (rise <= 0)
            reader.Fail("a staircase's rise must be positive");
        const bool alongY = direction == "north" || direction == "south";
        if (!alongY && direction != "east" && direction != "west")
            reader.Fail("a staircase climbs north, south, east or west, not \"" + direction + "\"");
        const int length = alongY ? area.Y1 - area.Y0 : area.X1 - area.X0;
        if (length % steps != 0)
            reader.Fail("\"" + area.Name + "\": " + std::to_string(length) + " units do not divide into " + std::to_string(steps)
                        + " equal steps");
        const int depth = length / steps;
        for (int k = 0; k < steps; ++k) {
            AreaDefinition step = area;
            step.Name = area.Name + " step " + std::to_string(k + 1);
            step.Floor = area.Floor - rise * static_cast<float>(k);
            if (direction == "north") {
                step.Y0 = area.Y0 + k * depth;
                step.Y1 = step.Y0 + depth;
            } else if (direction == "south") {
                step.Y1 = area.Y1 - k * depth;
                step.Y0 = step.Y1 - depth;
            } else if (direction == "east") {
                step.X0 = area.X0 + k * depth;
                step.X1 = step.X0 + depth;
            } else {
                step.X1 = area.X1 - k * depth;
                step.X0 = step.X1 - depth;
            }
            CheckHeadroom(reader, step.Name, step.Floor, step.Ceiling);
            level_.Areas.push_back(step);
        }
    }

    static void CheckHeadroom(const Reader& reader, const std::string& name, float floor, float ceiling)
    {
        if (floor - ceiling < MinimumHeadroom) {
            std::ostringstream message;
            message << "\"" << name << "\": the ceiling (" << ceiling << ") must be at least " << MinimumHeadroom
                    << " units above the floor (" << floor << ")";
            reader.Fail(message.str());
        }
    }

    std::string sourceName_;
    LevelDescription level_;
    int lastLine_ = 0;
};

} // namespace

LevelDescription ParseLevel(const std::string& text, const std::string& sourceName)
{
    Parser parser(sourceName);
    std::istringstream input(text);
    std::string line;
    int number = 0;
    // A statement may go on over lines that begin with a blank.
    std::vector<std::string> statement;
    int statementLine = 0;
    const auto flush = [&] {
        if (!statement.empty())
            parser.Statement(Reader(sourceName, statementLine), statement);
        statement.clear();
    };
    while (std::getline(input, line)) {
        ++number;
        parser.SetLastLine(number);
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string word; words >> word;)
            tokens.push_back(word);
        if (tokens.empty())
            continue;
        const bool continues = line[0] == ' ' || line[0] == '\t';
        if (!continues || statement.empty()) {
            flush();
            statementLine = number;
        }
        statement.insert(statement.end(), tokens.begin(), tokens.end());
    }
    flush();
    return parser.Finish();
}

} // namespace Content
