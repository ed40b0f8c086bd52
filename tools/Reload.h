// Loading a map again under a player who goes on playing (dunmere-tool play): the new world is
// read and checked beside the one on screen, which is let go of only when the new one loaded
// cleanly; and the watch that tells when the map's files were saved.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Reload {

// The files a map is made of, each as the file system described it at one moment.
class Snapshot {
public:
    Snapshot() = default;
    // Looks at the files now.
    explicit Snapshot(std::vector<std::string> paths);

    const std::vector<std::string>& Paths() const { return paths_; }
    // The files that are in both snapshots, existed and were not written, replaced or touched
    // in between.
    std::set<std::string> SameAs(const Snapshot& before) const;
    // Takes in what changed since; true when anything did.
    bool Update();

private:
    struct Signature {
        bool Exists = false;
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = 0;
        long long ModifiedNs = 0;
        long long ChangedNs = 0; // the inode's change time, which no program can set back
        friend bool operator==(const Signature&, const Signature&) = default;
    };
    static Signature Look(const std::string& path);
    std::vector<std::string> paths_;
    std::vector<Signature> seen_;
};

struct Outcome {
    bool Loaded = false;
    // The check's errors (FILE:LINE:COL: error: ...) when the map did not load cleanly.
    std::vector<std::string> Errors;
    double Milliseconds = 0;
    // Texture files read (the others were taken over from the world on screen).
    int TexturesRead = 0;
    // The map's files as they were just before the reading: what a watch compares with, and
    // the next load's shown when this one loaded.
    Snapshot Files;
};

// Reads the map at path into fresh world stores on the device that is up and checks it as
// dunmere-tool check does. A clean load replaces the world; otherwise the world stays as it
// was. Either way the player stays where it stands, with its view, and textures switched off
// stay off. shown is the map's files as they were before the world on screen was read: the
// texture files unchanged since are not read again, the new world takes their textures over.
// The others are decoded on a second thread while the map is read.
Outcome LoadAgain(const std::string& path, const Snapshot& shown = {});

// The files a map is made of: the map and the texture files it names today (a name not found
// on disk is watched where it would be).
std::vector<std::string> FilesOf(const std::string& mapPath);

// Tells when watched files have changed and then stood still for a while: a save is complete
// once its file has stopped changing. Sees writes in place and files renamed over the old ones.
class FileWatch {
public:
    static constexpr std::uint32_t StillMs = 150;

    // Watches the files from now on, as they were in the snapshot.
    void Watch(Snapshot files, std::uint32_t now);
    // Looks at the files (at the tick counter's reading now). True once for each change, when
    // nothing has changed for StillMs.
    bool Settled(std::uint32_t now);

private:
    Snapshot files_;
    bool changed_ = false;
    std::uint32_t lastChange_ = 0;
};

} // namespace Reload
