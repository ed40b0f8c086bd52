#include "framework/gl/XMeshFiles.h"

#include "framework/gl/XFileCheck.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define DUNMERE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DUNMERE_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr std::uint64_t MaxMeshFileBytes = 256ull * 1024 * 1024;
// How long the parsing child may take (and, below, how much memory it may use).
constexpr auto ParserTimeLimit = std::chrono::seconds(30);

// ---- parsing -----------------------------------------------------------------------

struct Bucket {
    std::vector<Vertex> Vertices;
    std::vector<std::uint32_t> Indices;
};

D3DCOLORVALUE ColourOf(const aiMaterial& material, const char* key, unsigned type, unsigned index)
{
    aiColor4D colour(0, 0, 0, 0);
    if (material.Get(key, type, index, colour) != AI_SUCCESS)
        return {0, 0, 0, 0};
    return {colour.r, colour.g, colour.b, colour.a};
}

// The texture a material names, as written. The importer files a material's texture under a
// kind guessed from its name; the diffuse one comes first, then any other.
std::string TextureName(const aiMaterial& material)
{
    static const aiTextureType Kinds[] = {aiTextureType_DIFFUSE,  aiTextureType_SPECULAR, aiTextureType_AMBIENT,
                                          aiTextureType_EMISSIVE, aiTextureType_HEIGHT,   aiTextureType_NORMALS,
                                          aiTextureType_UNKNOWN};
    for (const aiTextureType kind : Kinds) {
        aiString path;
        if (material.GetTextureCount(kind) > 0 && material.GetTexture(kind, 0, &path) == AI_SUCCESS)
            return path.C_Str();
    }
    return {};
}

bool Collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, std::vector<Bucket>& buckets,
             std::string& error)
{
    const aiMatrix4x4 transform = parent * node.mTransformation;
    aiMatrix3x3 normalMatrix(transform);
    if (std::fabs(normalMatrix.Determinant()) > 1e-12f)
        normalMatrix.Inverse().Transpose();
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        if (node.mMeshes[m] >= scene.mNumMeshes) {
            error = "a frame names a mesh that does not exist";
            return false;
        }
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        if ((mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0)
            continue;
        if (mesh.mMaterialIndex >= buckets.size()) {
            error = "a mesh uses a material that does not exist";
            return false;
        }
        Bucket& bucket = buckets[mesh.mMaterialIndex];
        const auto base = static_cast<std::uint32_t>(bucket.Vertices.size());
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const aiVector3D position = transform * mesh.mVertices[v];
            const aiVector3D normal = mesh.HasNormals() ? normalMatrix * mesh.mNormals[v] : aiVector3D(0, 0, 0);
            const aiVector3D uv = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0][v] : aiVector3D(0, 0, 0);
            bucket.Vertices.push_back({position.x, position.y, position.z, normal.x, normal.y, normal.z, uv.x, uv.y});
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            for (unsigned k = 0; k < 3; ++k) {
                if (face.mIndices[k] >= mesh.mNumVertices) {
                    error = "a face names a vertex that does not exist";
                    return false;
                }
                bucket.Indices.push_back(base + face.mIndices[k]);
            }
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        if (node.mChildren[c] != nullptr && !Collect(scene, *node.mChildren[c], transform, buckets, error))
            return false;
    return true;
}

// The importer gives every face corner a vertex of its own, face after face (each face's corners
// in reverse, once it has turned the winding round). CheckXFile has made sure that every corner
// names a vertex; a face of fewer than three corners or a break in that numbering means the
// importer read the file otherwise, and it is refused.
bool CornersAllRead(const aiScene& scene)
{
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        std::uint64_t next = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices < 3)
                return false;
            std::vector<unsigned> corners(face.mIndices, face.mIndices + face.mNumIndices);
            std::sort(corners.begin(), corners.end());
            for (const unsigned corner : corners)
                if (corner != next++)
                    return false;
        }
        if (next != mesh.mNumVertices)
            return false;
    }
    return true;
}

// ---- crossing the process boundary -------------------------------------------------

void PutBytes(std::vector<std::uint8_t>& out, const void* data, std::size_t size)
{
    const std::size_t at = out.size();
    out.resize(at + size);
    if (size != 0)
        std::memcpy(out.data() + at, data, size);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) { PutBytes(out, &value, sizeof value); }

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& data) : data_(data) {}
    bool Get32(std::uint32_t& value) { return GetBytes(&value, 4); }
    bool GetBytes(void* out, std::size_t size)
    {
        if (size > data_.size() - at_)
            return false;
        if (size != 0) // an empty list has no storage to copy into
            std::memcpy(out, data_.data() + at_, size);
        at_ += size;
        return true;
    }
    // A count of items of itemSize bytes that the rest of the data can hold.
    bool GetCount(std::uint32_t& count, std::size_t itemSize)
    {
        return Get32(count) && static_cast<std::uint64_t>(count) * itemSize <= data_.size() - at_;
    }
    bool AtEnd() const { return at_ == data_.size(); }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t at_ = 0;
};

constexpr std::uint8_t MeshTag = 'M';
constexpr std::uint8_t ErrorTag = 'E';

// ---- the child process ---------------------------------------------------------------

bool WriteAll(int fd, const std::vector<std::uint8_t>& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

void LimitMemory()
{
#if !defined(DUNMERE_ADDRESS_SANITIZER)
    // What the parser may use beyond what the process starts with. (AddressSanitizer reserves
    // terabytes of address space for itself, so under it the child runs without this limit.)
    constexpr std::uint64_t ParserMemoryBytes = 2ull * 1024 * 1024 * 1024;
    // The address space the process already has, plus the parser's allowance.
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    if (statm >> pages) {
        const std::uint64_t limit = pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) + ParserMemoryBytes;
        rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_AS, &rl);
    }
#endif
}

[[noreturn]] void RunParser(int fd, const std::vector<std::uint8_t>& bytes)
{
    // A crash of the parser ends the child quietly; the parent reports it. (Handlers inherited
    // from the parent, such as a sanitizer's, would report it as a crash of the program.)
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        signal(sig, SIG_DFL);
    LimitMemory();
    std::vector<std::uint8_t> reply;
    try {
        XMesh mesh;
        std::string error;
        if (ParseXMesh(bytes, mesh, error)) {
            reply = EncodeXMesh(mesh);
        } else {
            reply.push_back(ErrorTag);
            PutBytes(reply, error.data(), error.size());
        }
    } catch (...) {
        reply.assign(1, ErrorTag);
        const char text[] = "out of memory";
        PutBytes(reply, text, sizeof text - 1);
    }
    _exit(WriteAll(fd, reply) ? 0 : 1);
}

} // namespace

bool ParseXMesh(const std::vector<std::uint8_t>& bytes, XMesh& out, std::string& error)
{
    std::vector<std::uint8_t> plain;
    if (!CheckXFile(bytes, plain, error))
        return false;
    try {
        Assimp::Importer importer;
        importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
        // The importer turns .x data into right-handed space; converting it back gives the
        // file's own left-handed positions, winding and texture coordinates.
        // The importer's own validation of what it built runs at once, before anything reads it.
        const aiScene* scene =
            importer.ReadFileFromMemory(plain.data(), plain.size(), aiProcess_ValidateDataStructure, "x");
        if (scene != nullptr && !CornersAllRead(*scene)) {
            error = "the importer did not read the faces as they are written";
            return false;
        }
        const unsigned flags = aiProcess_ConvertToLeftHanded | aiProcess_Triangulate | aiProcess_SortByPType;
        if (scene != nullptr)
            scene = importer.ApplyPostProcessing(flags);
        if (scene == nullptr || scene->mRootNode == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0) {
            error = importer.GetErrorString();
            if (error.empty())
                error = "the file holds no mesh";
            return false;
        }

        // The importer adds an unnamed grey material to a file without any; such a file has none.
        unsigned materialCount = scene->mNumMaterials;
        aiString name;
        if (materialCount == 1 && scene->mMaterials[0]->Get(AI_MATKEY_NAME, name) != AI_SUCCESS)
            materialCount = 0;
        out.Materials.clear();
        for (unsigned i = 0; i < materialCount; ++i) {
            const aiMaterial& material = *scene->mMaterials[i];
            D3DXMATERIAL entry{};
            entry.MatD3D.Diffuse = ColourOf(material, AI_MATKEY_COLOR_DIFFUSE);
            entry.MatD3D.Ambient = ColourOf(material, AI_MATKEY_COLOR_AMBIENT);
            entry.MatD3D.Specular = ColourOf(material, AI_MATKEY_COLOR_SPECULAR);
            entry.MatD3D.Emissive = ColourOf(material, AI_MATKEY_COLOR_EMISSIVE);
            float power = 0;
            if (material.Get(AI_MATKEY_SHININESS, power) == AI_SUCCESS)
                entry.MatD3D.Power = power;
            entry.TextureFilename = TextureName(material);
            out.Materials.push_back(std::move(entry));
        }

        std::vector<Bucket> buckets(std::max<std::size_t>(scene->mNumMaterials, 1));
        if (!Collect(*scene, *scene->mRootNode, aiMatrix4x4(), buckets, error))
            return false;
        MeshGeometry& geometry = out.Geometry;
        geometry = MeshGeometry{};
        for (std::size_t b = 0; b < std::max<std::size_t>(materialCount, 1); ++b) {
            const Bucket& bucket = buckets[b];
            const auto base = static_cast<std::uint32_t>(geometry.Vertices.size());
            geometry.Subsets.emplace_back(static_cast<std::uint32_t>(geometry.Indices.size()),
                                          static_cast<std::uint32_t>(bucket.Indices.size()));
            geometry.Vertices.insert(geometry.Vertices.end(), bucket.Vertices.begin(), bucket.Vertices.end());
            for (const std::uint32_t index : bucket.Indices)
                geometry.Indices.push_back(base + index);
        }
        if (geometry.Indices.empty()) {
            error = "the file holds no triangles";
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

std::vector<std::uint8_t> EncodeXMesh(const XMesh& mesh)
{
    const MeshGeometry& g = mesh.Geometry;
    std::vector<std::uint8_t> out;
    out.push_back(MeshTag);
    Put32(out, static_cast<std::uint32_t>(g.Vertices.size()));
    PutBytes(out, g.Vertices.data(), g.Vertices.size() * sizeof(Vertex));
    Put32(out, static_cast<std::uint32_t>(g.Indices.size()));
    PutBytes(out, g.Indices.data(), g.Indices.size() * sizeof(std::uint32_t));
    Put32(out, static_cast<std::uint32_t>(g.Subsets.size()));
    for (const auto& [first, count] : g.Subsets) {
        Put32(out, first);
        Put32(out, count);
    }
    Put32(out, static_cast<std::uint32_t>(mesh.Materials.size()));
    for (const D3DXMATERIAL& material : mesh.Materials) {
        PutBytes(out, &material.MatD3D, sizeof material.MatD3D);
        Put32(out, static_cast<std::uint32_t>(material.TextureFilename.size()));
        PutBytes(out, material.TextureFilename.data(), material.TextureFilename.size());
    }
    return out;
}

bool DecodeXMesh(const std::vector<std::uint8_t>& data, XMesh& out)
{
    Reader in(data);
    std::uint8_t tag = 0;
    std::uint32_t count = 0;
    XMesh mesh;
    MeshGeometry& g = mesh.Geometry;
    if (!in.GetBytes(&tag, 1) || tag != MeshTag || !in.GetCount(count, sizeof(Vertex)))
        return false;
    g.Vertices.resize(count);
    if (!in.GetBytes(g.Vertices.data(), count * sizeof(Vertex)) || !in.GetCount(count, sizeof(std::uint32_t)))
        return false;
    g.Indices.resize(count);
    if (!in.GetBytes(g.Indices.data(), count * sizeof(std::uint32_t)) || !in.GetCount(count, 8))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t first = 0;
        std::uint32_t length = 0;
        if (!in.Get32(first) || !in.Get32(length) || first > g.Indices.size() || length > g.Indices.size() - first ||
            length % 3 != 0)
            return false;
        g.Subsets.emplace_back(first, length);
    }
    for (const std::uint32_t index : g.Indices)
        if (index >= g.Vertices.size())
            return false;
    if (!in.GetCount(count, sizeof(D3DMATERIAL8) + 4))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        D3DXMATERIAL material{};
        std::uint32_t length = 0;
        if (!in.GetBytes(&material.MatD3D, sizeof material.MatD3D) || !in.GetCount(length, 1))
            return false;
        material.TextureFilename.resize(length);
        if (!in.GetBytes(material.TextureFilename.data(), length))
            return false;
        mesh.Materials.push_back(std::move(material));
    }
    if (!in.AtEnd() || g.Subsets.empty())
        return false;
    out = std::move(mesh);
    return true;
}

bool StartXMeshFile(const std::string& path, XMeshReading& reading, std::string& error)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot open the file";
        return false;
    }
    const std::streamoff length = file.tellg();
    if (length < 0 || static_cast<std::uint64_t>(length) > MaxMeshFileBytes) {
        error = length < 0 ? "cannot read the file" : "the file is too large for a model";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    file.seekg(0);
    if (length > 0 && !file.read(reinterpret_cast<char*>(bytes.data()), length)) {
        error = "cannot read the file";
        return false;
    }
    if (bytes.size() < 16 || std::memcmp(bytes.data(), "xof ", 4) != 0) {
        error = "not a DirectX .x file";
        return false;
    }

    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0) {
        error = std::string("cannot start the model reader (") + std::strerror(errno) + ")";
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        error = std::string("cannot start the model reader (") + std::strerror(errno) + ")";
        return false;
    }
    if (child == 0) {
        close(channel[0]);
        RunParser(channel[1], bytes);
    }
    close(channel[1]);
    reading.Child = child;
    reading.Channel = channel[0];
    return true;
}

bool FinishXMeshFile(XMeshReading& reading, XMesh& out, std::string& error)
{
    const pid_t child = std::exchange(reading.Child, -1);
    const int channel = std::exchange(reading.Channel, -1);
    if (child <= 0 || channel < 0) {
        error = "the model reader was not started";
        return false;
    }
    std::vector<std::uint8_t> reply;
    bool timedOut = false;
    // Counted from here: the reader may have been started long before its answer is wanted.
    const auto deadline = std::chrono::steady_clock::now() + ParserTimeLimit;
    std::uint8_t chunk[65536];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd waiting{channel, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t got = read(channel, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        PutBytes(reply, chunk, static_cast<std::size_t>(got));
    }
    close(channel);
    if (timedOut)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    if (timedOut) {
        error = "reading the model took too long";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || reply.empty()) {
        error = "the model reader failed on this file";
        return false;
    }
    if (reply[0] == ErrorTag) {
        error.assign(reply.begin() + 1, reply.end());
        if (error.empty())
            error = "the file is not a valid .x mesh";
        return false;
    }
    if (!DecodeXMesh(reply, out)) {
        error = "the model reader returned damaged data";
        return false;
    }
    return true;
}

XMeshReading::~XMeshReading()
{
    if (Child <= 0)
        return;
    close(Channel);
    kill(Child, SIGKILL);
    while (waitpid(Child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

bool LoadXMeshFile(const std::string& path, XMesh& out, std::string& error)
{
    XMeshReading reading;
    return StartXMeshFile(path, reading, error) && FinishXMeshFile(reading, out, error);
}
