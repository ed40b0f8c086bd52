// Loading a map again under a player who goes on playing (dunmere-tool play): the new world is
// read and checked beside the one on screen, which is let go of only when the new one loaded
// cleanly; and the watch that tells when the map's files were saved.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Reload {

struct Outcome {
    bool Loaded = false;
    // The check's errors (FILE:LINE:COL: error: ...) when the map did not load cleanly.
    std::vector<std::string> Errors;
    double Milliseconds = 0;
};

// Reads the map at path into fresh world stores on the device that is up and checks it as
// dunmere-tool check does. A clean load replaces the world; otherwise the world stays as it
// was. Either way the player stays where it stands, with its view, and textures switched off
// stay off.
Outcome LoadAgain(const std::string& path);

// The files a map is made of: the map and the texture files it names today (a name not found
// on disk is watched where it would be).
std::vector<std::string> FilesOf(const std::string& mapPath);

// Tells when watched files have changed and then stood still for a while: a save is complete
// once its file has stopped changing. Sees writes in place and files renamed over the old ones.
class FileWatch {
public:
    static constexpr std::uint32_t StillMs = 150;

    // Watches paths from now on, as they are now.
    void Watch(std::vector<std::string> paths, std::uint32_t now);
    // Looks at the files (at the tick counter's reading now). True once for each change, when
    // nothing has changed for StillMs.
    bool Settled(std::uint32_t now);

private:
    struct Signature {
        bool Exists = false;
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        long long ModifiedNs = 0;
        friend bool operator==(const Signature&, const Signature&) = default;
    };
    static Signature Look(const std::string& path);
    std::vector<std::string> paths_;
    std::vector<Signature> seen_;
    bool changed_ = false;
    std::uint32_t lastChange_ = 0;
};

} // namespace Reload
