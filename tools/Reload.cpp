#include "tools/Reload.h"

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "game/StartSequence.h"
#include "tools/Check.h"
#include "world/World.h"
#include "world/mdlMap.h"

#include <chrono>
#include <malloc.h>
#include <memory>
#include <sstream>
#include <sys/stat.h>

namespace Reload {

namespace {

// The world's stores, set aside while another world is loaded.
struct Stores {
    mdlTextures::ModuleState Textures;
    mdlWalls::ModuleState Walls;
    mdlFloors::ModuleState Floors;
    mdlEntities::ModuleState Entities;
    mdlSlipping::ModuleState Slipping;
};

std::unique_ptr<Stores> SetAside()
{
    auto stores = std::make_unique<Stores>(Stores{std::move(mdlTextures::State), std::move(mdlWalls::State),
                                                  std::move(mdlFloors::State), std::move(mdlEntities::State),
                                                  std::move(mdlSlipping::State)});
    ResetWorld();
    return stores;
}

void PutBack(Stores& stores)
{
    mdlTextures::State = std::move(stores.Textures);
    mdlWalls::State = std::move(stores.Walls);
    mdlFloors::State = std::move(stores.Floors);
    mdlEntities::State = std::move(stores.Entities);
    mdlSlipping::State = std::move(stores.Slipping);
}

// Whether the textures were switched off ('b'): a slot loaded from a file but empty now.
bool TexturesOff()
{
    for (int i = 1; i <= mdlTextures::MaxTextures; ++i)
        if (!mdlTextures::TextureNames[static_cast<std::size_t>(i)].empty() &&
            !mdlTextures::Textures[static_cast<std::size_t>(i)])
            return true;
    return false;
}

// The load itself (see LoadAgain).
Outcome LoadBeside(const std::string& path)
{
    const PlayerRecord player = Player;
    const bool texturesOff = TexturesOff();
    const std::unique_ptr<Stores> old = SetAside();

    std::ostringstream findings;
    DirectX_Framework::TextureFailureRaises = true;
    const int result = Check::CheckLoad(path, true, findings, [&](mdlMap::MapObserver& observer) {
        StartSequence::WorldRequest request;
        request.MapPath = path;
        request.Observer = &observer;
        const StartSequence::OpeningResult loaded = StartSequence::LoadWorld(request);
        if (loaded.Outcome != StartSequence::Opening::Opened)
            findings << path << ": error: " << loaded.Error << '\n';
        return loaded.Outcome == StartSequence::Opening::Opened;
    });
    DirectX_Framework::TextureFailureRaises = false;
    Player = player;

    Outcome outcome;
    outcome.Loaded = result == 0;
    if (outcome.Loaded) {
        if (texturesOff)
            for (auto& texture : mdlTextures::Textures)
                texture.reset();
    } else {
        ResetWorld(); // the new world's textures and buffers go
        PutBack(*old);
        std::istringstream lines(findings.str());
        for (std::string line; std::getline(lines, line);)
            outcome.Errors.push_back(line);
    }
    return outcome;
}

} // namespace

Outcome LoadAgain(const std::string& path)
{
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome = LoadBeside(path);
    // Hands the pages the dropped world freed back to the system. The C library would keep them
    // for itself, and the decoded textures of each load land higher up its heap than those of the
    // load before: reloads in a row would grow the process by megabytes each on a large map.
    ::malloc_trim(0);
    outcome.Milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

std::vector<std::string> FilesOf(const std::string& mapPath)
{
    std::vector<std::string> files{mapPath};
    for (const std::string& name : mdlMap::TextureFiles(mapPath))
        files.push_back(ResolveFilePath(mdlTextures::TexturePath(name)));
    return files;
}

FileWatch::Signature FileWatch::Look(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return {true, status.st_dev, status.st_ino, status.st_size,
            static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec};
}

void FileWatch::Watch(std::vector<std::string> paths, std::uint32_t now)
{
    paths_ = std::move(paths);
    seen_.clear();
    for (const std::string& path : paths_)
        seen_.push_back(Look(path));
    changed_ = false;
    lastChange_ = now;
}

bool FileWatch::Settled(std::uint32_t now)
{
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        const Signature signature = Look(paths_[i]);
        if (signature != seen_[i]) {
            seen_[i] = signature;
            changed_ = true;
            lastChange_ = now;
        }
    }
    if (!changed_ || now - lastChange_ < StillMs)
        return false;
    changed_ = false;
    return true;
}

} // namespace Reload
