// The structure of a DirectX .x file, checked before the importer reads it.
//
// Assimp's .x importer takes the counts and indices of a mesh on trust: a face corner one past
// the last vertex is read from beyond the vertex list, a bad corner of a polygon of four or more
// is dropped without notice, and the faces of a material that does not exist vanish. This reader
// walks the file's objects as the importer does (text, binary and MSZIP-compressed files) and
// refuses every mesh whose faces, normals, texture coordinates, vertex colours, materials or skin
// weights name what is not there, and every file whose tokens it cannot follow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Checks the file. On success plain holds the bytes the importer is to read: the file itself,
// or for a compressed file its decompressed content under a plain header. False with a reason
// when the file is damaged.
bool CheckXFile(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& plain, std::string& error);
