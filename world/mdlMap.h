// The map loader: reads one map file into the texture, wall, floor and entity stores.
#pragma once

#include "world/MapFields.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mdlMap {

enum class EntryKind { Wall, Floor, Texture, Entity };

// The keyword that starts an entry of the kind ("WALL", ...).
const char* KeywordOf(EntryKind kind);

// What the loader meets while it reads, for a reader that wants to tell a map's author: every
// call names the field (line and column, counted from 1) it is about. The game passes none.
class MapObserver {
public:
    virtual ~MapObserver() = default;
    // A field that is not a keyword (or is too long to be one) and is skipped.
    virtual void StrayField(const MapField& /*field*/) {}
    // A number field whose text is not a number: it reads as 0.
    virtual void ReadAsZero(const MapField& /*field*/) {}
    // A whole-number field with a fraction: it reads as value.
    virtual void Rounded(const MapField& /*field*/, std::int64_t /*value*/) {}
    // An entry one of whose fields is too long to keep: the entry is ignored and reading goes on.
    virtual void EntryIgnored(EntryKind /*kind*/, const MapField& /*keyword*/, const MapField& /*tooLong*/) {}
    // An entry now in its store as record number index (the texture slot for a TEXTURE entry);
    // fields are the entry's fields after the keyword.
    virtual void Stored(EntryKind /*kind*/, int /*index*/, const MapField& /*keyword*/,
                        const std::vector<MapField>& /*fields*/)
    {
    }
    // The reading stopped before the end of the file: the field or entry at line, column and
    // everything after it are not in the world.
    virtual void Stopped(int /*line*/, int /*column*/, const std::string& /*why*/) {}
};

// Empties the texture, wall and floor stores, reads the map file at path entry by entry and
// closes the open batches, then regroups the walls by texture. Reading ends at the end of the
// file or at the first error of any kind (an entry that cannot be read or does not fit); the
// entries before it stay, the completion steps run, and a log line names the line where reading
// stopped and why. An entry with a field longer than MapFieldReader::MaxFieldLength is ignored
// with a log line and reading goes on. A file that cannot be opened, or a folder, raises
// MapFileError (naming the path) before anything is read. A texture file that cannot be loaded
// ends the program through the shutdown, as the texture loading does everywhere.
void LoadMap(const std::string& path, MapObserver* observer = nullptr);

// The file names of the map's TEXTURE entries, in their order, as far as its fields can be read
// (none when the file cannot be opened). Reads nothing into the stores and logs nothing: it
// tells which textures LoadMap will load, so that they can be read ahead.
std::vector<std::string> TextureFiles(const std::string& path);

} // namespace mdlMap
