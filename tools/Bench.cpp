#include "tools/Bench.h"

#include "framework/Desktop.h"
#include "framework/DirectX_Framework.h"
#include "game/StartSequence.h"
#include "game/frmMain.h"
#include "game/mdlRender.h"
#include "game/mdlGameLoop.h"
#include "game/mdlVars.h"
#include "tools/BenchAllocations.h"
#include "tools/BenchReport.h"
#include "tools/Headless.h"
#include "tools/OnScreen.h"
#include "tools/Walk.h"
#include "world/Player.h"
#include "world/WorldErrors.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include <sys/resource.h>
#include <time.h>

namespace Bench {

using namespace DirectX_Framework;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time used so far by the process's threads and its finished child processes, in
// milliseconds: unlike the clock on the wall, it hardly depends on what else the machine runs.
double ProcessorMilliseconds()
{
    timespec own{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000 + t.tv_usec / 1000.0; };
    return static_cast<double>(own.tv_sec) * 1000 + static_cast<double>(own.tv_nsec) / 1e6 + ms(children.ru_utime) +
           ms(children.ru_stime);
}

// Processor time used so far by the calling thread, in milliseconds.
double ThreadProcessorMilliseconds()
{
    timespec own{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &own);
    return static_cast<double>(own.tv_sec) * 1000 + static_cast<double>(own.tv_nsec) / 1e6;
}

// The time spent decoding textures (reading, decoding and uploading them with their mip
// levels) and loading models, measured around the helper object the back end makes.
struct LoadTimes {
    double TexturesMs = 0;
    double ModelMs = 0;
};

class TimedD3DX final : public ID3DX8 {
public:
    TimedD3DX(std::unique_ptr<ID3DX8> inner, LoadTimes& times) : inner_(std::move(inner)), times_(times) {}
    HRESULT LoadMeshFromX(const std::string& path, DWORD options, IDirect3DDevice8& device, MeshPtr& mesh,
                          D3DXMaterialBuffer& materials, DWORD& materialCount) override
    {
        const Clock::time_point start = Clock::now();
        const HRESULT hr = inner_->LoadMeshFromX(path, options, device, mesh, materials, materialCount);
        times_.ModelMs += MillisecondsSince(start);
        return hr;
    }
    HRESULT CreateTextureFromFile(IDirect3DDevice8& device, const std::string& path, TexturePtr& out) override
    {
        const Clock::time_point start = Clock::now();
        const HRESULT hr = inner_->CreateTextureFromFile(device, path, out);
        times_.TexturesMs += MillisecondsSince(start);
        return hr;
    }
    HRESULT CreateFont(IDirect3DDevice8& device, const std::string& face, int points, FontPtr& out) override
    {
        return inner_->CreateFont(device, face, points, out);
    }
    HRESULT SaveImageToPng(const std::string& path, const ImageARGB& image) override
    {
        return inner_->SaveImageToPng(path, image);
    }
    void ReadAhead(const std::vector<std::string>& texturePaths, const std::vector<std::string>& modelPaths) override
    {
        inner_->ReadAhead(texturePaths, modelPaths);
    }

private:
    std::unique_ptr<ID3DX8> inner_;
    LoadTimes& times_;
};

class TimedDirectX final : public IDirectX8 {
public:
    TimedDirectX(std::unique_ptr<IDirectX8> inner, LoadTimes& times) : inner_(std::move(inner)), times_(times) {}
    std::unique_ptr<IDirect3D8> Direct3DCreate8() override { return inner_ ? inner_->Direct3DCreate8() : nullptr; }
    std::unique_ptr<ID3DX8> D3DXCreate() override
    {
        std::unique_ptr<ID3DX8> made = inner_ ? inner_->D3DXCreate() : nullptr;
        return made ? std::make_unique<TimedD3DX>(std::move(made), times_) : nullptr;
    }

private:
    std::unique_ptr<IDirectX8> inner_;
    LoadTimes& times_;
};

// The player's view of one frame.
struct Camera {
    float X, Y, Z, Yaw, Pitch;
};

// Replays a route one game tick at a time; at its end the player goes back to the spawn and the
// route starts over.
class Route {
public:
    explicit Route(std::vector<Walk::Command> commands) : commands_(std::move(commands)) {}

    void Restart()
    {
        ResetPlayer();
        mdlEntities::SpawnPlayer();
        next_ = 0;
        ticksLeft_ = 0;
    }

    // Applies the commands up to the next tick and runs that tick. True when the tick was the
    // last of the route, which has then started over.
    bool Step()
    {
        while (ticksLeft_ == 0) {
            if (next_ == commands_.size()) {
                Restart();
                continue;
            }
            const Walk::Command& command = commands_[next_++];
            if (command.What == Walk::Command::Kind::Tick)
                ticksLeft_ = command.A;
            else if (command.What != Walk::Command::Kind::Print)
                Walk::Apply(command, std::cout);
        }
        --ticksLeft_;
        mdlGameLoop::UpdatePlayer();
        if (ticksLeft_ > 0 || !LastTickFollows())
            return false;
        Restart(); // the next frame shows the spawn again
        return true;
    }

private:
    // Whether nothing but commands without ticks follow.
    bool LastTickFollows() const
    {
        for (std::size_t i = next_; i < commands_.size(); ++i)
            if (commands_[i].What == Walk::Command::Kind::Tick && commands_[i].A > 0)
                return false;
        return true;
    }

    std::vector<Walk::Command> commands_;
    std::size_t next_ = 0;
    long long ticksLeft_ = 0;
};

// The route from a file or the built-in one; false (with the reason written) when unreadable.
bool ReadRoute(const Options& options, std::vector<Walk::Command>& out)
{
    std::ifstream file;
    std::istringstream builtIn;
    if (!options.RoutePath.empty()) {
        file.open(options.RoutePath);
        if (!file) {
            std::cerr << "dunmere-tool: cannot open the route " << options.RoutePath << '\n';
            return false;
        }
    } else {
        builtIn.str(DefaultRoute());
    }
    std::istream& in = options.RoutePath.empty() ? static_cast<std::istream&>(builtIn) : file;
    Walk::ScriptReader reader(in);
    Walk::Command command;
    bool ticks = false;
    for (Walk::ScriptReader::Result result; (result = reader.Next(command)) != Walk::ScriptReader::Result::End;) {
        if (result == Walk::ScriptReader::Result::Unreadable) {
            std::cerr << "dunmere-tool: route line " << reader.Line() << ": cannot understand \"" << reader.Text()
                      << "\"\n";
            return false;
        }
        // Escape would end the game: the route ends there.
        if (command.What == Walk::Command::Kind::KeyPress && command.A == frmMain::KeyEscape)
            break;
        ticks = ticks || (command.What == Walk::Command::Kind::Tick && command.A > 0);
        out.push_back(command);
    }
    if (!ticks) {
        std::cerr << "dunmere-tool: the route runs no tick before its end or an Escape\n";
        return false;
    }
    return true;
}

// The batches the world stores draw, in the order DrawWalls and DrawFloors draw them.
std::vector<ReferenceRenderer::Batch> WorldBatches()
{
    std::vector<ReferenceRenderer::Batch> batches;
    const auto add = [&](const VertexBufferPtr& buffer, std::int32_t count, std::int32_t texture) {
        if (buffer && count > 0)
            batches.push_back({buffer.get(), static_cast<UINT>(count), mdlTextures::TextureFor(texture)});
    };
    for (std::int32_t b = 1; b <= mdlWalls::WallBatchCount; ++b) {
        const auto i = static_cast<std::size_t>(b);
        add(mdlWalls::WallBatchBuffers[i], mdlWalls::WallBatchVertexCounts[i], mdlWalls::WallBatchTextures[i]);
    }
    for (std::int32_t b = 1; b <= mdlFloors::FloorBatchCount; ++b) {
        const auto i = static_cast<std::size_t>(b);
        add(mdlFloors::FloorBatchBuffers[i], mdlFloors::FloorBatchVertexCounts[i], mdlFloors::FloorBatchTextures[i]);
    }
    return batches;
}

// How far apart two pictures are, channel by channel, outside the read-out's box.
struct Difference {
    int Largest = 0;
    double Mean = 0;
    std::size_t Pixels = 0; // pixels that differ at all
};

Difference Compare(const ImageARGB& a, const ImageARGB& b, const RECT& leftOut)
{
    Difference result;
    std::uint64_t sum = 0;
    std::uint64_t channels = 0;
    for (UINT y = 0; y < std::min(a.Height, b.Height); ++y)
        for (UINT x = 0; x < std::min(a.Width, b.Width); ++x) {
            const bool inBox = static_cast<int>(x) >= leftOut.left && static_cast<int>(x) < leftOut.right &&
                               static_cast<int>(y) >= leftOut.top && static_cast<int>(y) < leftOut.bottom;
            if (inBox)
                continue;
            const std::uint32_t p = a.Pixels[static_cast<std::size_t>(y) * a.Width + x];
            const std::uint32_t q = b.Pixels[static_cast<std::size_t>(y) * b.Width + x];
            bool differs = false;
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
                result.Largest = std::max(result.Largest, d);
                sum += static_cast<std::uint64_t>(d);
                ++channels;
                differs = differs || d != 0;
            }
            result.Pixels += differs;
        }
    result.Mean = channels > 0 ? static_cast<double>(sum) / static_cast<double>(channels) : 0;
    return result;
}

// The loop's frame counting (FramesPerSecond for the read-out), on a clock that stands still
// while the reference draws.
class FrameCounter {
public:
    explicit FrameCounter(Platform& platform) : platform_(platform) {}
    void Start()
    {
        mdlRender::FramesPerSecond = 0;
        mdlRender::FpsFrameCount = 0;
        mdlRender::FpsWindowStart = Now();
    }
    void Count()
    {
        mdlRender::CountFrame([this] { return Now(); });
    }
    void Pause() { pausedAt_ = platform_.GetTickCount(); }
    void Resume() { paused_ += platform_.GetTickCount() - pausedAt_; }

private:
    std::uint32_t Now() { return platform_.GetTickCount() - paused_; }
    Platform& platform_;
    std::uint32_t paused_ = 0;
    std::uint32_t pausedAt_ = 0;
};

// One pass of the main loop with the route in place of the user: the frame, the frame count,
// the events, and one tick. Kept out of line, so profilers can tell the frames apart.
[[gnu::noinline]] void GameFrame(Route& route, FrameCounter& counter, Platform& platform)
{
    mdlRender::RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
    counter.Count();
    platform.DoEvents();
    route.Step();
    platform.DoEvents();
}

[[gnu::noinline]] void ReferenceFrame(ReferenceRenderer& reference, const Camera& c)
{
    reference.DrawFrame(mdlRender::CameraView(c.X, c.Y, c.Z, c.Yaw, c.Pitch), MakeVector(c.X, c.Y, c.Z));
}

[[gnu::noinline]] void VisibleFrame(ReferenceRenderer& reference, const Camera& c)
{
    reference.DrawVisible(mdlRender::CameraView(c.X, c.Y, c.Z, c.Yaw, c.Pitch), MakeVector(c.X, c.Y, c.Z));
}

constexpr double SliceSeconds = 0.25;
constexpr RECT ReadoutBox{2, 0, 102, 100};

// Opens the map's world through the game's start path, sets up the scene and draws the route's
// first frame, timing each step into report from the moment the device has started. False,
// with the reason written, when the world cannot be opened.
bool OpenTimed(const Options& options, Route& route, Report& report)
{
    Clock::time_point startUp;
    double startUpProcessor = 0;
    double startUpThreadProcessor = 0;
    StartSequence::WorldRequest world;
    world.Mode = GameMode{options.Width, options.Height, options.Depth, true};
    world.MapPath = options.MapPath;
    world.ModelFolder = ModelFolderFor(options.MapPath);
    world.DeviceStarted = [&] {
        startUp = Clock::now();
        startUpProcessor = ProcessorMilliseconds();
        startUpThreadProcessor = ThreadProcessorMilliseconds();
    };
    world.DeviceCreated = [&] { report.DeviceMs = MillisecondsSince(startUp); };
    world.WorldLoaded = [&] { report.MapMs = MillisecondsSince(startUp) - report.DeviceMs; };
    const StartSequence::OpeningResult opened = StartSequence::OpenWorld(world);
    if (opened.Outcome != StartSequence::Opening::Opened) {
        std::cerr << "dunmere-tool: " << opened.Error << '\n';
        return false;
    }
    mdlRender::SetUpScene();
    report.SceneMs = MillisecondsSince(startUp) - report.DeviceMs - report.MapMs;
    route.Restart();
    mdlRender::RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
    report.StartUpMs = MillisecondsSince(startUp);
    report.StartUpProcessorMs = ProcessorMilliseconds() - startUpProcessor;
    report.StartUpThreadProcessorMs = ThreadProcessorMilliseconds() - startUpThreadProcessor;
    Headless::ReportStops(options.MapPath, std::cerr);
    return true;
}

// The route's cameras, one a frame, for the reference to replay.
std::vector<Camera> RouteCameras(Route& route)
{
    std::vector<Camera> cameras;
    route.Restart();
    for (bool last = false; !last;) {
        cameras.push_back({Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch});
        last = route.Step();
    }
    return cameras;
}

// Every ComparedEvery-th frame of the route (of its first frames only, with a count of frames
// to draw) drawn by the game and by the reference, compared pixel by pixel, with the fragments
// the plain drawing shades and those that are visible.
void CompareRoute(const Options& options, ReferenceRenderer& reference, Route& route,
                  const std::vector<Camera>& cameras, Report& report)
{
    constexpr std::size_t ComparedEvery = 50;
    const std::size_t frames =
        options.Frames > 0 ? std::min(cameras.size(), static_cast<std::size_t>(options.Frames)) : cameras.size();
    ImageARGB gameFrame;
    ImageARGB referenceFrame;
    double meanSum = 0;
    route.Restart();
    for (std::size_t i = 0; i < frames; ++i, route.Step()) {
        if (i % ComparedEvery != 0)
            continue;
        const Camera& c = cameras[i];
        const D3DMATRIX view = mdlRender::CameraView(c.X, c.Y, c.Z, c.Yaw, c.Pitch);
        const D3DVECTOR eye = MakeVector(c.X, c.Y, c.Z);
        mdlRender::RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
        ThrowIfFailed(D3DDevice->GetFrontBufferData(gameFrame), "reading the frame");
        reference.DrawFrame(view, eye);
        ThrowIfFailed(D3DDevice->GetFrontBufferData(referenceFrame), "reading the frame");
        const Difference difference = Compare(gameFrame, referenceFrame, ReadoutBox);
        report.LargestDifference = std::max(report.LargestDifference, difference.Largest);
        meanSum += difference.Mean;
        report.DifferingPixels += difference.Pixels;
        const ReferenceRenderer::Fragments fragments = reference.CountFragments(view, eye);
        report.ShadedFragments += fragments.Shaded;
        report.VisibleFragments += fragments.Visible;
        ++report.ComparedFrames;
    }
    report.MeanDifference = report.ComparedFrames > 0 ? meanSum / static_cast<double>(report.ComparedFrames) : 0;
}

// The timed part: slices of each path in turn until all have run their time (or, with a count
// of frames, each path's frames in one go). The game's path first, then the reference's, then
// the visible-only bound: the reference's frame shaded against depths drawn beforehand, the
// depths left out of its time.
std::vector<PathRecord> TimePaths(const Options& options, Route& route, ReferenceRenderer& reference,
                                  const std::vector<Camera>& cameras, Platform& platform)
{
    route.Restart();
    FrameCounter counter(platform);
    const bool counted = options.Frames > 0;
    const double slicesEach = counted ? 1 : std::max(1.0, std::ceil(options.Seconds / SliceSeconds));
    const std::size_t expected =
        counted ? static_cast<std::size_t>(options.Frames) : static_cast<std::size_t>(options.Seconds * 20000) + 1000;
    constexpr int PathCount = 3;
    std::vector<PathRecord> paths(PathCount);
    paths[0].Name = "game";
    paths[1].Name = "reference";
    paths[2].Name = "visible";
    for (PathRecord& path : paths)
        path.Frames.reserve(expected);
    std::size_t referenceFrames = 0;
    std::size_t visibleFrames = 0;
    const Clock::time_point runStart = Clock::now();
    counter.Start();
    BenchAllocations::StartCounting();
    for (int slice = 0; slice < PathCount * slicesEach; ++slice) {
        const int turn = slice % PathCount;
        const bool gamesTurn = turn == 0;
        PathRecord& path = paths[static_cast<std::size_t>(turn)];
        const double sliceEnd = std::min(options.Seconds, (slice / PathCount + 1) * SliceSeconds) * 1000;
        const BenchAllocations::Counts allocationsBefore = BenchAllocations::Counted();
        if (!gamesTurn)
            counter.Pause();
        Clock::time_point frameStart = Clock::now();
        while (counted ? path.Frames.size() < expected : path.Milliseconds < sliceEnd) {
            if (gamesTurn) {
                GameFrame(route, counter, platform);
            } else if (turn == 1) {
                ReferenceFrame(reference, cameras[referenceFrames++ % cameras.size()]);
            } else {
                const Camera& c = cameras[visibleFrames++ % cameras.size()];
                reference.DrawDepths(mdlRender::CameraView(c.X, c.Y, c.Z, c.Yaw, c.Pitch));
                frameStart = Clock::now();
                VisibleFrame(reference, c);
            }
            const Clock::time_point frameEnd = Clock::now();
            const double ms = std::chrono::duration<double, std::milli>(frameEnd - frameStart).count();
            path.Frames.push_back({std::chrono::duration<double>(frameStart - runStart).count(), ms});
            path.Milliseconds += ms;
            frameStart = frameEnd;
        }
        if (!gamesTurn)
            counter.Resume();
        const BenchAllocations::Counts allocationsAfter = BenchAllocations::Counted();
        path.Allocations += allocationsAfter.Program - allocationsBefore.Program;
        path.DriverAllocations += allocationsAfter.Driver - allocationsBefore.Driver;
    }
    BenchAllocations::StopCounting();
    return paths;
}

// Prints the report and writes the files asked for; 1 when one of them cannot be written.
int Publish(const Options& options, const Report& report)
{
    PrintReport(report, std::cout);
    int code = 0;
    std::string error;
    if (!options.CsvPath.empty() && !WriteCsv(report, options.CsvPath, error)) {
        std::cerr << "dunmere-tool: " << error << '\n';
        code = 1;
    }
    if (!options.PlotPath.empty() && !WritePlot(report, options.PlotPath, error)) {
        std::cerr << "dunmere-tool: " << error << '\n';
        code = 1;
    }
    std::cout.flush();
    return code;
}

} // namespace

int Run(const Options& options)
{
    std::vector<Walk::Command> commands;
    if (!ReadRoute(options, commands))
        return 2;
    Route route(std::move(commands));

    const OnScreen screen = OpenBesideMap(options.MapPath);
    if (!screen.Desktop)
        return 1;
    LoadTimes loadTimes;
    const auto graphics = screen.Desktop->Graphics();
    DirectXFactory = [graphics, &loadTimes]() -> std::unique_ptr<IDirectX8> {
        return std::make_unique<TimedDirectX>(graphics(), loadTimes);
    };
    KeepLogInMemory = true;
    ExitCode = 1; // a failure on the way ends the process with 1

    Report report;
    if (!OpenTimed(options, route, report))
        return 1;
    const std::vector<Camera> cameras = RouteCameras(route);
    std::string error;
    std::unique_ptr<ReferenceRenderer> reference = screen.Desktop->MakeReference(*D3DDevice, WorldBatches(), error);
    if (!reference) {
        std::cerr << "dunmere-tool: the reference renderer cannot start: " << error << '\n';
        return 1;
    }
    CompareRoute(options, *reference, route, cameras, report);
    report.Paths = TimePaths(options, route, *reference, cameras, *screen.Platform);

    report.Map = options.MapPath;
    report.Width = options.Width;
    report.Height = options.Height;
    report.Depth = options.Depth;
    report.Seconds = options.Frames > 0 ? 0 : options.Seconds;
    report.SliceSeconds = SliceSeconds;
    report.TexturesMs = loadTimes.TexturesMs;
    report.ModelMs = loadTimes.ModelMs;
    report.RouteFrames = cameras.size();
    return Publish(options, report);
}

namespace {

// Writes the route as a walk script; each helper holds a key for n ticks, with an optional
// pointer move every tick.
class RouteWriter {
public:
    RouteWriter& Walk(int ticks, int lookX = 0, int lookY = 0) { return Hold(frmMain::VK_UP, ticks, lookX, lookY); }
    RouteWriter& Turn(int key, int ticks, int lookX = 0, int lookY = 0) { return Hold(key, ticks, lookX, lookY); }
    RouteWriter& Look(int ticks, int lookX, int lookY)
    {
        Ticks(ticks, lookX, lookY);
        return *this;
    }
    RouteWriter& Key(char c)
    {
        text_ << "key " << c << '\n';
        return *this;
    }
    RouteWriter& Note(const char* comment)
    {
        text_ << "# " << comment << '\n';
        return *this;
    }
    std::string Text() const { return text_.str(); }

private:
    RouteWriter& Hold(int key, int ticks, int lookX, int lookY)
    {
        text_ << "down " << key << '\n';
        Ticks(ticks, lookX, lookY);
        text_ << "up " << key << '\n';
        return *this;
    }
    void Ticks(int ticks, int lookX, int lookY)
    {
        if (lookX == 0 && lookY == 0) {
            text_ << "tick " << ticks << '\n';
            return;
        }
        for (int i = 0; i < ticks; ++i)
            text_ << "look " << lookX << ' ' << lookY << "\ntick 1\n";
    }
    std::ostringstream text_;
};

} // namespace

std::string DefaultRoute()
{
    constexpr int Left = frmMain::VK_LEFT;
    constexpr int Right = frmMain::VK_RIGHT;
    return RouteWriter()
        .Note("The entrance hall, north: look up at the ceiling and down again, then over the low wall.")
        .Walk(40, 0, -5)
        .Walk(40, 0, 5)
        .Walk(15)
        .Note("The north passage, glancing left and right, into the stair hall.")
        .Walk(30, -10, 0)
        .Walk(30, 10, 0)
        .Walk(160)
        .Note("Up the stairs looking down at the treads, onto the gallery and up again.")
        .Walk(60, 0, 3)
        .Walk(60, 0, -3)
        .Note("The upper passage and the library, onto the dais; a lift with f.")
        .Walk(270)
        .Key('f')
        .Look(25, 0, 0)
        .Note("Turn round looking down, look up again, and walk back south to the entrance hall.")
        .Turn(Right, 90, 0, 2)
        .Look(30, 0, -2)
        .Walk(606)
        .Note("East through the east passage into the crypt, down into the pit.")
        .Turn(Left, 45)
        .Walk(350)
        .Note("North up the pit's steps, then a slow turn round looking up.")
        .Turn(Left, 45)
        .Walk(86)
        .Turn(Right, 180, 0, -1)
        .Text();
}

} // namespace Bench
