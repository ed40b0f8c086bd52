// .x model files: the structure check, Assimp's import and the conversion into one mesh, which
// the model reader runs in a child process, here run in the fuzzer's own process (a child per
// input costs a fork of the whole fuzzer and hides the child's coverage from it); and the checked
// hand-over of the child's result, which also meets the raw input.
#include "tests/fuzz/FuzzHarness.h"

#include "framework/gl/XMeshFiles.h"

#include <algorithm>
#include <vector>

namespace {

void CheckMesh(const XMesh& mesh)
{
    const MeshGeometry& g = mesh.Geometry;
    FUZZ_CHECK(g.Subsets.size() == std::max<std::size_t>(mesh.Materials.size(), 1));
    for (const auto& [first, count] : g.Subsets)
        FUZZ_CHECK(first <= g.Indices.size() && count <= g.Indices.size() - first && count % 3 == 0);
    for (const std::uint32_t index : g.Indices)
        FUZZ_CHECK(index < g.Vertices.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    XMesh mesh;
    std::string error;
    if (ParseXMesh(bytes, mesh, error)) {
        FUZZ_CHECK(!mesh.Geometry.Indices.empty());
        CheckMesh(mesh);
        XMesh back;
        FUZZ_CHECK(DecodeXMesh(EncodeXMesh(mesh), back) && EncodeXMesh(back) == EncodeXMesh(mesh));
    } else {
        FUZZ_CHECK(!error.empty());
    }
    XMesh decoded;
    if (DecodeXMesh(bytes, decoded))
        CheckMesh(decoded);
    return 0;
}
