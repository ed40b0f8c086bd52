// DirectX .x mesh files (text, binary and compressed), read with Assimp.
//
// Assimp trusts the counts and indices a file gives, so a damaged or hostile file can make it
// read out of bounds or ask for gigabytes. Files are therefore parsed in a child process with a
// memory limit and a time limit; the parent receives the finished geometry, checks it, and
// reports any failure of the child as a file that cannot be read.
#pragma once

#include "framework/Device.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Triangles of a mesh grouped by subset: subset i is the index range Subsets[i].
struct MeshGeometry {
    std::vector<Vertex> Vertices;
    std::vector<std::uint32_t> Indices;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Subsets; // first index, index count
};

struct XMesh {
    // All meshes of the file in one, with their frames' transforms applied; one subset per
    // material, in the order of the file's material list.
    MeshGeometry Geometry;
    // The file's materials (0 when it has no material list; its triangles then form subset 0),
    // with the texture file names as written.
    std::vector<D3DXMATERIAL> Materials;
};

// Reads a .x file in an isolated child process. False with a reason when the file cannot be
// read or is not a valid .x mesh.
bool LoadXMeshFile(const std::string& path, XMesh& out, std::string& error);

// LoadXMeshFile in two steps, so that the child process parses while this one does other work:
// Start reads the file and starts the child (false with a reason when either fails), Finish
// waits for the child's answer (false with a reason as LoadXMeshFile). A reading never finished
// ends its child when it goes.
struct XMeshReading {
    XMeshReading() = default;
    XMeshReading(const XMeshReading&) = delete;
    XMeshReading& operator=(const XMeshReading&) = delete;
    ~XMeshReading();
    int Child = -1; // the child process, -1 when none runs
    int Channel = -1; // the pipe its answer comes through
};
bool StartXMeshFile(const std::string& path, XMeshReading& reading, std::string& error);
bool FinishXMeshFile(XMeshReading& reading, XMesh& out, std::string& error);

// Parses the bytes of a .x file in this process (what the child process does).
bool ParseXMesh(const std::vector<std::uint8_t>& bytes, XMesh& out, std::string& error);

// The form a parsed mesh crosses the process boundary in, and back; Decode checks every count
// and index against the data.
std::vector<std::uint8_t> EncodeXMesh(const XMesh& mesh);
bool DecodeXMesh(const std::vector<std::uint8_t>& data, XMesh& out);
