#include "tools/Reload.h"

#include "framework/DirectX_Framework.h"
#include "framework/Loading.h"
#include "game/StartSequence.h"
#include "tools/Check.h"
#include "world/World.h"
#include "world/mdlMap.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <malloc.h>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <thread>

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

// The textures on screen whose files are unchanged, by the path each was read from; and the
// other texture files the map names, to be read ahead.
struct TexturesToLoad {
    std::map<std::string, TexturePtr> Kept;
    std::vector<std::string> ToRead;
};

TexturesToLoad Sort(const Snapshot& files, const std::set<std::string>& unchanged)
{
    TexturesToLoad textures;
    for (int i = 1; i <= mdlTextures::MaxTextures; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const TexturePtr& texture = mdlTextures::Textures[slot];
        if (!texture)
            continue;
        const std::string file = mdlTextures::TextureFile(mdlTextures::TextureNames[slot]);
        if (unchanged.count(file) != 0)
            textures.Kept.emplace(file, texture);
    }
    const std::vector<std::string>& paths = files.Paths(); // the map, then its texture files
    for (auto file = std::next(paths.begin()); file < paths.end(); ++file)
        if (textures.Kept.count(*file) == 0 &&
            std::find(textures.ToRead.begin(), textures.ToRead.end(), *file) == textures.ToRead.end())
            textures.ToRead.push_back(*file);
    return textures;
}

// The framework's switches for a world loaded beside the one on screen, set while it lives.
struct LoadingBeside {
    explicit LoadingBeside(const std::map<std::string, TexturePtr>& kept)
    {
        DirectX_Framework::TextureFailureRaises = true;
        DirectX_Framework::KeptTextures = &kept;
    }
    ~LoadingBeside()
    {
        DirectX_Framework::TextureFailureRaises = false;
        DirectX_Framework::KeptTextures = nullptr;
    }
    LoadingBeside(const LoadingBeside&) = delete;
    LoadingBeside& operator=(const LoadingBeside&) = delete;
};

// The load itself (see LoadAgain).
Outcome LoadBeside(const std::string& path, const Snapshot& files, const std::set<std::string>& unchanged)
{
    const PlayerRecord player = Player;
    const bool texturesOff = TexturesOff();
    TexturesToLoad textures = Sort(files, unchanged);
    if (DirectX_Framework::D3DX)
        DirectX_Framework::D3DX->ReadAhead(textures.ToRead, {});
    const std::unique_ptr<Stores> old = SetAside();

    std::ostringstream findings;
    int result = 0;
    {
        const LoadingBeside loading(textures.Kept);
        result = Check::CheckLoad(path, true, findings, [&](mdlMap::MapObserver& observer) {
            StartSequence::WorldRequest request;
            request.MapPath = path;
            request.Observer = &observer;
            const StartSequence::OpeningResult loaded = StartSequence::LoadWorld(request);
            if (loaded.Outcome != StartSequence::Opening::Opened)
                findings << path << ": error: " << loaded.Error << '\n';
            return loaded.Outcome == StartSequence::Opening::Opened;
        });
    }
    if (DirectX_Framework::D3DX)
        DirectX_Framework::D3DX->ReadAhead({}, {}); // what a load that stopped early did not take
    Player = player;

    Outcome outcome;
    outcome.Loaded = result == 0;
    outcome.TexturesRead = static_cast<int>(textures.ToRead.size());
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

// Hands the pages the dropped world freed back to the system. The C library would keep them for
// itself, and the decoded textures of each load land higher up its heap than those of the load
// before: reloads in a row would grow the process by megabytes each on a large map. It runs on a
// thread of its own, as long as a load's upload on a large map, while the new world is drawn
// (a frame allocates nothing, so it does not wait for the allocator). One at a time: while one
// runs, the next reload leaves its pages to the one after.
void HandBackFreedPages()
{
    static std::atomic<bool> running{false};
    if (running.exchange(true))
        return;
    std::thread([] {
        ::malloc_trim(0);
        running = false;
    }).detach();
}

} // namespace

Outcome LoadAgain(const std::string& path, const Snapshot& shown)
{
    const auto start = std::chrono::steady_clock::now();
    Snapshot files(FilesOf(path));
    Outcome outcome = LoadBeside(path, files, files.SameAs(shown));
    outcome.Files = std::move(files);
    HandBackFreedPages();
    outcome.Milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

std::vector<std::string> FilesOf(const std::string& mapPath)
{
    std::vector<std::string> files{mapPath};
    for (const std::string& name : mdlMap::TextureFiles(mapPath))
        files.push_back(mdlTextures::TextureFile(name));
    return files;
}

Snapshot::Snapshot(std::vector<std::string> paths) : paths_(std::move(paths))
{
    for (const std::string& path : paths_)
        seen_.push_back(Look(path));
}

Snapshot::Signature Snapshot::Look(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    const auto ns = [](const timespec& time) { return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec; };
    return {true, status.st_dev, status.st_ino, status.st_size, ns(status.st_mtim), ns(status.st_ctim)};
}

std::set<std::string> Snapshot::SameAs(const Snapshot& before) const
{
    std::set<std::string> same;
    for (std::size_t i = 0; i < paths_.size(); ++i)
        for (std::size_t j = 0; j < before.paths_.size(); ++j)
            if (paths_[i] == before.paths_[j] && seen_[i].Exists && seen_[i] == before.seen_[j])
                same.insert(paths_[i]);
    return same;
}

bool Snapshot::Update()
{
    bool changed = false;
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        const Signature signature = Look(paths_[i]);
        if (signature != seen_[i]) {
            seen_[i] = signature;
            changed = true;
        }
    }
    return changed;
}

void FileWatch::Watch(Snapshot files, std::uint32_t now)
{
    files_ = std::move(files);
    changed_ = false;
    lastChange_ = now;
}

bool FileWatch::Settled(std::uint32_t now)
{
    if (files_.Update()) {
        changed_ = true;
        lastChange_ = now;
    }
    if (!changed_ || now - lastChange_ < StillMs)
        return false;
    changed_ = false;
    return true;
}

} // namespace Reload
