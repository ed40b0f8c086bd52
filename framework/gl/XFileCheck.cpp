#include "framework/gl/XFileCheck.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

namespace {

// What a compressed file may expand to, like the largest file the model reader takes.
constexpr std::size_t MaxPlainBytes = 256u * 1024 * 1024;
// Frames within frames; deeper files are refused rather than followed.
constexpr int MaxFrameDepth = 64;

struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The tokens and numbers of a text or binary .x body, split as the importer splits them.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size, bool binary, unsigned floatBytes, int firstLine = 1)
        : p_(data), end_(data + size), binary_(binary), floatBytes_(floatBytes), line_(firstLine)
    {
    }

    [[noreturn]] void Fail(const std::string& why) const
    {
        throw Damaged(binary_ ? why : "line " + std::to_string(line_) + ": " + why);
    }

    // The next name, string or symbol; empty at the end of the file.
    std::string Token()
    {
        if (left_ != 0)
            Fail("a list of numbers is longer than its object");
        return binary_ ? BinaryToken() : TextToken();
    }

    std::uint32_t Int()
    {
        if (binary_) {
            StartList(false);
            Need(4);
            return DWord();
        }
        SkipSpace();
        const bool negative = p_ < end_ && *p_ == '-';
        p_ += negative ? 1 : 0;
        if (p_ == end_ || !std::isdigit(*p_))
            Fail("a whole number was expected");
        std::uint64_t value = 0;
        for (; p_ < end_ && std::isdigit(*p_); ++p_) {
            value = value * 10 + static_cast<unsigned>(*p_ - '0');
            if (value > 0xFFFFFFFFu)
                Fail("a count or index is too large");
        }
        if (negative && value != 0)
            Fail("a count or index is negative");
        Separator();
        return static_cast<std::uint32_t>(value);
    }

    void Float()
    {
        if (binary_) {
            StartList(true);
            Need(floatBytes_);
            p_ += floatBytes_;
            return;
        }
        SkipSpace();
        for (const char* special : {"-1.#IND00", "1.#IND00", "1.#QNAN0"}) {
            const std::size_t length = std::strlen(special);
            if (static_cast<std::size_t>(end_ - p_) >= length && std::memcmp(p_, special, length) == 0) {
                p_ += length;
                Separator();
                return;
            }
        }
        const std::uint8_t* start = p_;
        if (p_ < end_ && (*p_ == '-' || *p_ == '+'))
            ++p_;
        std::size_t digits = Digits();
        if (p_ < end_ && *p_ == '.') {
            ++p_;
            digits += Digits();
        }
        if (digits == 0)
            Fail("a number was expected");
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ < end_ && (*p_ == '-' || *p_ == '+'))
                ++p_;
            if (Digits() == 0)
                Fail("a number has an empty exponent");
        }
        if (p_ - start > 64)
            Fail("a number is too long");
        Separator();
    }

    // A ',' or ';' after a group of numbers, when there is one.
    void OptionalSeparator()
    {
        if (binary_)
            return;
        SkipSpace();
        if (p_ < end_ && (*p_ == ';' || *p_ == ','))
            ++p_;
    }

    // A ';' that follows at once (the end of an index list of a material list).
    void OptionalSemicolonHere()
    {
        if (!binary_ && p_ < end_ && *p_ == ';')
            ++p_;
    }

    void Semicolon()
    {
        if (!binary_ && Token() != ";")
            Fail("a ';' was expected");
    }

    // A quoted text followed by ';' (a name in a binary file).
    void Quoted()
    {
        if (binary_) {
            if (Token().empty())
                Fail("a text was expected");
            return;
        }
        SkipSpace();
        if (p_ == end_ || *p_ != '"')
            Fail("a quoted text was expected");
        const auto* close = static_cast<const std::uint8_t*>(std::memchr(p_ + 1, '"', static_cast<std::size_t>(end_ - p_ - 1)));
        if (close == nullptr || close + 1 == end_ || close[1] != ';')
            Fail("a quoted text does not end with '\";'");
        line_ += static_cast<int>(std::count(p_, close, '\n'));
        p_ = close + 2;
    }

    // An object's optional name and its opening brace.
    void Head()
    {
        const std::string first = Token();
        if (first != "{" && Token() != "{")
            Fail("an object has no opening brace");
    }

    void Close()
    {
        if (Token() != "}")
            Fail("a '}' was expected");
    }

    // An object read no further: its tokens up to the opening brace, then to the matching one.
    void Skip()
    {
        for (std::string t = Token(); t != "{"; t = Token())
            if (t.empty())
                Fail("the file ends inside an object");
        for (long depth = 1; depth > 0;) {
            const std::string t = Token();
            if (t.empty())
                Fail("the file ends inside an object");
            depth += t == "{" ? 1 : t == "}" ? -1 : 0;
        }
    }

private:
    void Need(std::uint64_t bytes) const
    {
        if (bytes > static_cast<std::uint64_t>(end_ - p_))
            Fail("the file ends inside a token");
    }
    std::uint32_t Word()
    {
        const std::uint32_t value = p_[0] | p_[1] << 8;
        p_ += 2;
        return value;
    }
    std::uint32_t DWord()
    {
        const std::uint32_t value = p_[0] | p_[1] << 8 | p_[2] << 16 | static_cast<std::uint32_t>(p_[3]) << 24;
        p_ += 4;
        return value;
    }

    // Numbers of a binary file come in lists of whole numbers (or one whole number) and lists
    // of floats; each is read from a list of its own kind.
    void StartList(bool floats)
    {
        if (left_ == 0) {
            Need(2);
            const std::uint32_t kind = Word();
            if (kind == 3) {
                left_ = 1;
            } else if (kind == (floats ? 7u : 6u)) {
                Need(4);
                left_ = DWord();
            } else {
                Fail("a list of numbers was expected");
            }
            floats_ = floats;
            if (left_ == 0 || (kind == 3 && floats))
                Fail("a list of numbers is empty or of the wrong kind");
        }
        if (floats_ != floats)
            Fail("a list of numbers is of the wrong kind");
        --left_;
    }

    std::string BinaryToken()
    {
        if (end_ - p_ < 2)
            return {};
        switch (Word()) {
        case 1: // name
        case 2: // string, with a two-byte terminator
        {
            const bool text = p_[-2] == 2;
            Need(4);
            const std::uint32_t length = DWord();
            Need(std::uint64_t{length} + (text ? 2 : 0));
            std::string s(reinterpret_cast<const char*>(p_), length);
            p_ += length + (text ? 2 : 0);
            return s;
        }
        case 3:
            Need(4);
            p_ += 4;
            return "<integer>";
        case 5:
            Need(16);
            p_ += 16;
            return "<guid>";
        case 6:
        case 7: {
            const std::uint64_t itemBytes = p_[-2] == 6 ? 4 : floatBytes_;
            Need(4);
            const std::uint64_t count = DWord();
            Need(count * itemBytes);
            p_ += count * itemBytes;
            return "<list>";
        }
        case 0x0a:
            return "{";
        case 0x0b:
            return "}";
        case 0x13:
            return ",";
        case 0x14:
            return ";";
        default: {
            const std::uint32_t symbol = p_[-2] | p_[-1] << 8;
            if ((symbol >= 0x0c && symbol <= 0x12) || symbol == 0x1f || (symbol >= 0x28 && symbol <= 0x34))
                return symbol == 0x1f ? "template" : "<symbol>";
            return {}; // the importer ends the file at a token it does not know
        }
        }
    }

    void SkipSpace()
    {
        for (;;) {
            while (p_ < end_ && std::isspace(*p_))
                line_ += *p_++ == '\n' ? 1 : 0;
            if (p_ == end_ || !(*p_ == '#' || (*p_ == '/' && end_ - p_ > 1 && p_[1] == '/')))
                return;
            while (p_ < end_ && *p_ != '\n' && *p_ != '\r')
                ++p_;
            if (p_ < end_)
                line_ += *p_++ == '\n' ? 1 : 0;
        }
    }

    std::string TextToken()
    {
        SkipSpace();
        std::string s;
        while (p_ < end_ && !std::isspace(*p_)) {
            if (*p_ == ';' || *p_ == ',' || *p_ == '{' || *p_ == '}') {
                if (s.empty())
                    s.push_back(static_cast<char>(*p_++));
                break;
            }
            s.push_back(static_cast<char>(*p_++));
        }
        return s;
    }

    void Separator()
    {
        const std::string t = TextToken();
        if (t != "," && t != ";")
            Fail("a ',' or ';' was expected after a number");
    }

    std::size_t Digits()
    {
        std::size_t count = 0;
        for (; p_ < end_ && std::isdigit(*p_); ++p_)
            ++count;
        return count;
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    bool binary_;
    unsigned floatBytes_;
    std::uint32_t left_ = 0; // numbers left in the current binary list
    bool floats_ = false;
    int line_;
};

void Floats(Reader& in, int count)
{
    for (int i = 0; i < count; ++i)
        in.Float();
    in.OptionalSeparator();
}

void Material(Reader& in)
{
    in.Head();
    Floats(in, 4); // diffuse
    in.Float();    // power
    Floats(in, 3); // specular
    Floats(in, 3); // emissive
    for (std::string t = in.Token(); t != "}"; t = in.Token()) {
        if (t.empty())
            in.Fail("the file ends inside a material");
        if (t == "TextureFilename" || t == "TextureFileName" || t == "NormalmapFilename" || t == "NormalmapFileName") {
            in.Head();
            in.Quoted();
            in.Close();
        } else {
            in.Skip();
        }
    }
}

// What a mesh's child templates are checked against: its vertex count and each face's corners.
struct MeshShape {
    std::uint32_t Vertices = 0;
    std::vector<std::uint32_t> Corners; // one count a face
    std::uint32_t Faces() const { return static_cast<std::uint32_t>(Corners.size()); }
};

MeshShape MeshBody(Reader& in)
{
    MeshShape shape;
    shape.Vertices = in.Int();
    for (std::uint32_t i = 0; i < shape.Vertices; ++i)
        Floats(in, 3);
    const std::uint32_t faces = in.Int();
    for (std::uint32_t f = 0; f < faces; ++f) {
        shape.Corners.push_back(in.Int());
        if (shape.Corners.back() < 3)
            in.Fail("a face has fewer than three corners");
        for (std::uint32_t c = 0; c < shape.Corners.back(); ++c)
            if (const std::uint32_t index = in.Int(); index >= shape.Vertices)
                in.Fail("a face names vertex " + std::to_string(index) + " of a mesh of " +
                        std::to_string(shape.Vertices) + " vertices");
        in.OptionalSeparator();
    }
    return shape;
}

void MeshNormals(Reader& in, const MeshShape& mesh)
{
    in.Head();
    const std::uint32_t normals = in.Int();
    for (std::uint32_t i = 0; i < normals; ++i)
        Floats(in, 3);
    if (in.Int() != mesh.Faces())
        in.Fail("the normals give another number of faces than the mesh");
    for (const std::uint32_t corners : mesh.Corners) {
        if (in.Int() != corners)
            in.Fail("a face of the normals has another number of corners than the mesh's");
        for (std::uint32_t c = 0; c < corners; ++c)
            if (in.Int() >= normals)
                in.Fail("a face names a normal that does not exist");
        in.OptionalSeparator();
    }
    in.Close();
}

void MeshTextureCoords(Reader& in, const MeshShape& mesh)
{
    in.Head();
    if (in.Int() != mesh.Vertices)
        in.Fail("the texture coordinates do not match the vertices");
    for (std::uint32_t i = 0; i < mesh.Vertices; ++i)
        Floats(in, 2);
    in.Close();
}

void MeshVertexColors(Reader& in, const MeshShape& mesh)
{
    in.Head();
    if (in.Int() != mesh.Vertices)
        in.Fail("the vertex colours do not match the vertices");
    for (std::uint32_t i = 0; i < mesh.Vertices; ++i) {
        if (in.Int() >= mesh.Vertices)
            in.Fail("a colour names a vertex that does not exist");
        Floats(in, 4);
        in.OptionalSeparator();
    }
    in.Close();
}

void MeshMaterialList(Reader& in, const MeshShape& mesh)
{
    in.Head();
    const std::uint32_t declared = in.Int();
    const std::uint32_t indices = in.Int();
    if (indices != mesh.Faces() && indices != 1)
        in.Fail("the material list does not give a material for every face");
    std::uint64_t highest = 0; // the highest material index + 1
    for (std::uint32_t i = 0; i < indices; ++i)
        highest = std::max<std::uint64_t>(highest, std::uint64_t{in.Int()} + 1);
    in.OptionalSemicolonHere();
    std::uint32_t materials = 0;
    for (std::string m = in.Token(); m != "}"; m = in.Token()) {
        if (m.empty())
            in.Fail("the file ends inside a material list");
        if (m == "{") { // a material of the file named by reference
            in.Token();
            in.Close();
            ++materials;
        } else if (m == "Material") {
            Material(in);
            ++materials;
        } else if (m != ";") {
            in.Skip();
        }
    }
    if (materials != declared)
        in.Fail("the material list declares " + std::to_string(declared) + " materials and holds " +
                std::to_string(materials));
    if (mesh.Faces() > 0 && highest > materials)
        in.Fail("a face names material " + std::to_string(highest - 1) + " of " + std::to_string(materials));
}

void SkinWeights(Reader& in, const MeshShape& mesh)
{
    in.Head();
    in.Quoted();
    const std::uint32_t weights = in.Int();
    for (std::uint32_t i = 0; i < weights; ++i)
        if (in.Int() >= mesh.Vertices)
            in.Fail("a skin weight names a vertex that does not exist");
    for (std::uint32_t i = 0; i < weights; ++i)
        in.Float();
    for (int i = 0; i < 16; ++i)
        in.Float();
    in.Semicolon();
    in.Close();
}

// Reads a mesh and checks every index and count of its data against what it holds.
void Mesh(Reader& in)
{
    in.Head();
    const MeshShape mesh = MeshBody(in);
    for (std::string t = in.Token(); t != "}"; t = in.Token()) {
        if (t.empty())
            in.Fail("the file ends inside a mesh");
        else if (t == "MeshNormals")
            MeshNormals(in, mesh);
        else if (t == "MeshTextureCoords")
            MeshTextureCoords(in, mesh);
        else if (t == "MeshVertexColors")
            MeshVertexColors(in, mesh);
        else if (t == "MeshMaterialList")
            MeshMaterialList(in, mesh);
        else if (t == "SkinWeights")
            SkinWeights(in, mesh);
        else
            in.Skip();
    }
}

void Frame(Reader& in, int depth)
{
    if (depth > MaxFrameDepth)
        in.Fail("frames are nested too deeply");
    in.Head();
    for (std::string t = in.Token(); t != "}"; t = in.Token()) {
        if (t.empty()) {
            in.Fail("the file ends inside a frame");
        } else if (t == "Frame") {
            Frame(in, depth + 1);
        } else if (t == "FrameTransformMatrix") {
            in.Head();
            for (int i = 0; i < 16; ++i)
                in.Float();
            in.Semicolon();
            in.Close();
        } else if (t == "Mesh") {
            Mesh(in);
        } else {
            in.Skip();
        }
    }
}

void File(Reader& in)
{
    for (std::string t = in.Token(); !t.empty(); t = in.Token()) {
        if (t == "template") {
            in.Head();
            for (std::string member = in.Token(); member != "}"; member = in.Token())
                if (member.empty())
                    in.Fail("the file ends inside a template");
        } else if (t == "Frame") {
            Frame(in, 1);
        } else if (t == "Mesh") {
            Mesh(in);
        } else if (t == "Material") {
            Material(in);
        } else if (t != "}") {
            in.Skip();
        }
    }
}

// MSZIP: blocks of raw deflate data, each behind its length and "CK", each using the output of
// the one before as its dictionary.
bool Decompress(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& out, std::string& error)
{
    constexpr std::size_t Block = 32786;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        error = "cannot start decompressing the file";
        return false;
    }
    std::vector<std::uint8_t> block(Block);
    std::size_t at = 16 + 6; // the header, then the total size and the first block's size
    while (error.empty() && at + 4 <= bytes.size()) {
        const std::size_t length = bytes[at] | bytes[at + 1] << 8;
        if (length >= Block || bytes[at + 2] != 'C' || bytes[at + 3] != 'K') {
            error = "a compressed block is damaged";
        } else if (at += 4; length > bytes.size() - at) {
            error = "the file ends inside a compressed block";
        } else {
            stream.next_in = const_cast<Bytef*>(bytes.data() + at);
            stream.avail_in = static_cast<uInt>(length);
            stream.next_out = block.data();
            stream.avail_out = static_cast<uInt>(Block);
            const int result = inflate(&stream, Z_SYNC_FLUSH);
            const std::size_t produced = Block - stream.avail_out;
            if (result != Z_OK && result != Z_STREAM_END)
                error = "a compressed block is damaged";
            else if (out.size() + produced > MaxPlainBytes)
                error = "the file is too large for a model once decompressed";
            out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(produced));
            inflateReset(&stream);
            inflateSetDictionary(&stream, block.data(), static_cast<uInt>(produced));
            at += length;
        }
    }
    inflateEnd(&stream);
    return error.empty();
}

} // namespace

bool CheckXFile(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& plain, std::string& error)
{
    if (bytes.size() < 16 || std::memcmp(bytes.data(), "xof ", 4) != 0) {
        error = "not a DirectX .x file";
        return false;
    }
    const std::string format(bytes.begin() + 8, bytes.begin() + 12);
    const std::string floatBits(bytes.begin() + 12, bytes.begin() + 16);
    const bool binary = format == "bin " || format == "bzip";
    if ((!binary && format != "txt " && format != "tzip") || (floatBits != "0032" && floatBits != "0064")) {
        error = "an unknown kind of .x file";
        return false;
    }

    std::vector<std::uint8_t> body;
    if (format == "tzip" || format == "bzip") {
        if (!Decompress(bytes, body, error))
            return false;
    }
    try {
        if (format == "txt ") {
            // The rest of the header line is not read.
            std::size_t start = 16;
            while (start < bytes.size() && bytes[start] != '\n' && bytes[start] != '\r')
                ++start;
            start = std::min(start + 1, bytes.size());
            Reader in(bytes.data() + start, bytes.size() - start, false, 4, 2);
            File(in);
        } else if (format == "bin ") {
            Reader in(bytes.data() + 16, bytes.size() - 16, true, floatBits == "0064" ? 8 : 4);
            File(in);
        } else {
            Reader in(body.data(), body.size(), binary, floatBits == "0064" ? 8 : 4);
            File(in);
        }
    } catch (const Damaged& damaged) {
        error = damaged.what();
        return false;
    }

    if (format == "tzip" || format == "bzip") {
        plain.assign(bytes.begin(), bytes.begin() + 16);
        std::memcpy(plain.data() + 8, binary ? "bin " : "txt ", 4);
        if (!binary)
            plain.push_back('\n');
        plain.insert(plain.end(), body.begin(), body.end());
    } else {
        plain = bytes;
    }
    return true;
}
