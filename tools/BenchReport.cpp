#include "tools/BenchReport.h"

#include <cairo.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>

namespace Bench {

std::string Fixed(double value, int decimals)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

PathSummary Summarise(const PathRecord& path)
{
    PathSummary summary;
    summary.Frames = path.Frames.size();
    if (path.Frames.empty())
        return summary;
    std::vector<double> ms;
    ms.reserve(path.Frames.size());
    for (const FrameTime& frame : path.Frames)
        ms.push_back(frame.Ms);
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    summary.AverageFps = path.Milliseconds > 0 ? 1000.0 * static_cast<double>(n) / path.Milliseconds : 0;
    summary.MedianMs = n % 2 == 1 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    summary.P99Ms = ms[static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1];
    summary.WorstMs = ms.back();
    const std::size_t slowest = (n + 99) / 100;
    double slowMs = 0;
    for (std::size_t i = n - slowest; i < n; ++i)
        slowMs += ms[i];
    summary.LowFps = slowMs > 0 ? 1000.0 * static_cast<double>(slowest) / slowMs : 0;
    summary.AllocationsPerFrame = static_cast<double>(path.Allocations) / static_cast<double>(n);
    summary.DriverAllocationsPerFrame = static_cast<double>(path.DriverAllocations) / static_cast<double>(n);
    return summary;
}

void PrintReport(const Report& report, std::ostream& out)
{
    out << "dunmere-tool bench: " << report.Map << ", " << report.Width << " x " << report.Height << " x "
        << report.Depth << ", ";
    if (report.Seconds > 0)
        out << Fixed(report.Seconds, 1) << " s a path in alternating slices of " << Fixed(report.SliceSeconds, 2)
            << " s\n";
    else
        out << "a count of frames a path, one path after the other\n";
    out << "start-up: " << Fixed(report.StartUpMs, 1) << " ms from device creation to the first frame: device "
        << Fixed(report.DeviceMs, 1) << " ms, map " << Fixed(report.MapMs, 1) << " ms, model and scene "
        << Fixed(report.SceneMs, 1) << " ms, first frame "
        << Fixed(report.StartUpMs - report.DeviceMs - report.MapMs - report.SceneMs, 1) << " ms; of these, textures "
        << Fixed(report.TexturesMs, 1) << " ms and the model " << Fixed(report.ModelMs, 1) << " ms; processor time "
        << Fixed(report.StartUpProcessorMs, 1) << " ms (the loading thread's " << Fixed(report.StartUpThreadProcessorMs, 1)
        << " ms)\n";
    out << "route: " << report.RouteFrames << " frames a lap, one game tick a frame\n";
    out << "pictures: every 50th frame of the route (" << report.ComparedFrames
        << " frames), the game's against the reference's: at most " << report.LargestDifference
        << " apart in a colour channel (mean " << Fixed(report.MeanDifference, 4) << "), " << report.DifferingPixels
        << " pixels differ, the read-out's box (2,0)-(102,100) left out\n";
    const double pixels = static_cast<double>(report.ComparedFrames) * report.Width * report.Height;
    const double shaded = pixels > 0 ? static_cast<double>(report.ShadedFragments) / pixels : 0;
    const double visible = pixels > 0 ? static_cast<double>(report.VisibleFragments) / pixels : 0;
    out << "fragments: the plain drawing shades " << Fixed(shaded, 3) << " a pixel, " << Fixed(visible, 3)
        << " a pixel are visible: overdraw " << Fixed(visible > 0 ? shaded / visible : 0, 3)
        << " (over the compared frames)\n";
    out << "path          frames   avg fps  median ms   p99 ms  worst ms  1% low fps  allocs/frame (driver)\n";
    std::vector<PathSummary> summaries;
    for (const PathRecord& path : report.Paths) {
        const PathSummary s = Summarise(path);
        summaries.push_back(s);
        std::string driver = "(";
        driver += Fixed(s.DriverAllocationsPerFrame, 1);
        driver += ')';
        char line[200];
        std::snprintf(line, sizeof line, "%-10s %9zu %9s %10s %8s %9s %11s %13s %8s\n", path.Name.c_str(),
                      s.Frames, Fixed(s.AverageFps, 1).c_str(), Fixed(s.MedianMs, 3).c_str(),
                      Fixed(s.P99Ms, 3).c_str(), Fixed(s.WorstMs, 3).c_str(), Fixed(s.LowFps, 1).c_str(),
                      Fixed(s.AllocationsPerFrame, 2).c_str(),
                      driver.c_str());
        out << line;
    }
    const PathSummary game = summaries.empty() ? PathSummary{} : summaries[0];
    const PathSummary bare = summaries.size() < 2 ? PathSummary{} : summaries[1];
    const PathSummary bound = summaries.size() < 3 ? PathSummary{} : summaries[2];
    const auto ratio = [](double a, double b) { return Fixed(b > 0 ? a / b : 0, 3); };
    out << "bench: fps=" << Fixed(game.AverageFps, 1) << " ref_fps=" << Fixed(bare.AverageFps, 1)
        << " ratio=" << ratio(game.AverageFps, bare.AverageFps) << " median_fps="
        << Fixed(game.MedianMs > 0 ? 1000 / game.MedianMs : 0, 1) << " bound_ratio="
        << ratio(game.MedianMs, bound.MedianMs) << " p99_ms=" << Fixed(game.P99Ms, 3)
        << " p99_ratio=" << ratio(game.P99Ms, bare.P99Ms) << " median_ms=" << Fixed(game.MedianMs, 3)
        << " allocs_per_frame=" << Fixed(game.AllocationsPerFrame, 2) << " startup_ms=" << Fixed(report.StartUpMs, 0)
        << '\n';
}

bool WriteCsv(const Report& report, const std::string& path, std::string& error)
{
    std::ofstream file(path, std::ios::binary);
    file << "path,frame,start_s,ms\n";
    std::vector<std::size_t> next(report.Paths.size(), 0);
    for (;;) {
        // The earliest frame not yet written, whichever path drew it.
        std::size_t which = report.Paths.size();
        for (std::size_t p = 0; p < report.Paths.size(); ++p)
            if (next[p] < report.Paths[p].Frames.size() &&
                (which == report.Paths.size() ||
                 report.Paths[p].Frames[next[p]].At < report.Paths[which].Frames[next[which]].At))
                which = p;
        if (which == report.Paths.size())
            break;
        const FrameTime& frame = report.Paths[which].Frames[next[which]];
        file << report.Paths[which].Name << ',' << next[which] << ',' << Fixed(frame.At, 6) << ','
             << Fixed(frame.Ms, 4) << '\n';
        ++next[which];
    }
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

namespace {

// 1, 2 or 5 times a power of ten, at least value.
double NiceStep(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= value)
            return m * power;
    return 10 * power;
}

void Text(cairo_t* cr, double x, double y, const std::string& text, double alignX)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - alignX * extents.x_advance, y);
    cairo_show_text(cr, text.c_str());
}

// The game's path in orange, the reference's in blue, the visible-only bound in green.
constexpr double PathColours[][3] = {{0.85, 0.37, 0.0}, {0.0, 0.45, 0.7}, {0.0, 0.6, 0.45}};
constexpr std::size_t PlottedPaths = std::size(PathColours);

void SetPathColour(cairo_t* cr, std::size_t path)
{
    cairo_set_source_rgb(cr, PathColours[path][0], PathColours[path][1], PathColours[path][2]);
}

// The plot's picture and axes: seconds into the run across, frame times up, clipped at the top.
struct PlotArea {
    static constexpr int Width = 960;
    static constexpr int Height = 420;
    static constexpr double Left = 60;
    static constexpr double Right = 20;
    static constexpr double Top = 50;
    static constexpr double Bottom = 45;
    static constexpr double PlotWidth = Width - Left - Right;
    static constexpr double PlotHeight = Height - Top - Bottom;

    double Seconds = 0; // the run's length
    double YTop = 0;    // the frame time at the top
    double XStep = 0;   // between the labels of the axes
    double YStep = 0;

    double X(double s) const { return Left + s / Seconds * PlotWidth; }
    double Y(double ms) const { return Top + PlotHeight - std::min(ms, YTop) / YTop * PlotHeight; }
};

// Axes that hold the whole run and the slow frames of each path; false when there is nothing to
// plot.
bool FitAxes(const Report& report, const std::vector<PathSummary>& summaries, PlotArea& area)
{
    double seconds = 0;
    double yTop = 0;
    for (std::size_t p = 0; p < report.Paths.size(); ++p) {
        const PathRecord& path = report.Paths[p];
        if (!path.Frames.empty())
            seconds = std::max(seconds, path.Frames.back().At + path.Frames.back().Ms / 1000);
        yTop = std::max({yTop, summaries[p].P99Ms * 1.6, summaries[p].MedianMs * 2});
    }
    if (seconds <= 0 || yTop <= 0)
        return false;
    area.YStep = NiceStep(yTop / 6);
    area.YTop = std::ceil(yTop / area.YStep) * area.YStep;
    area.Seconds = seconds;
    area.XStep = NiceStep(seconds / 10);
    return true;
}

// The grid, the axes' labels and the title.
void DrawAxes(cairo_t* cr, const Report& report, const PlotArea& area)
{
    constexpr double Left = PlotArea::Left;
    constexpr double Top = PlotArea::Top;
    constexpr double PlotWidth = PlotArea::PlotWidth;
    constexpr double PlotHeight = PlotArea::PlotHeight;
    cairo_set_line_width(cr, 1);
    for (double ms = 0; ms <= area.YTop + area.YStep / 2; ms += area.YStep) {
        cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
        cairo_move_to(cr, Left, std::round(area.Y(ms)) + 0.5);
        cairo_line_to(cr, Left + PlotWidth, std::round(area.Y(ms)) + 0.5);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        Text(cr, Left - 6, area.Y(ms) + 4, Fixed(ms, area.YStep < 1 ? 1 : 0), 1);
    }
    for (double s = 0; s <= area.Seconds; s += area.XStep) {
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        Text(cr, area.X(s), Top + PlotHeight + 16, Fixed(s, area.XStep < 1 ? 1 : 0), 0.5);
    }
    Text(cr, Left + PlotWidth / 2, PlotArea::Height - 8,
         "seconds into the run (the paths take turns every " + Fixed(report.SliceSeconds, 2) + " s)", 0.5);
    cairo_save(cr);
    cairo_translate(cr, 16, Top + PlotHeight / 2);
    cairo_rotate(cr, -std::numbers::pi / 2);
    Text(cr, 0, 0, "frame time, ms", 0.5);
    cairo_restore(cr);
    cairo_set_font_size(cr, 14);
    const std::size_t slash = report.Map.find_last_of('/');
    Text(cr, Left, 20,
         "dunmere-tool bench " + report.Map.substr(slash == std::string::npos ? 0 : slash + 1) + ", " +
             std::to_string(report.Width) + " x " + std::to_string(report.Height) + " x " +
             std::to_string(report.Depth),
         0);
    cairo_set_font_size(cr, 12);
}

// Each path's frames as a line, broken where the other path took its turn; medians dashed; then
// the plot's frame.
void DrawPaths(cairo_t* cr, const Report& report, const std::vector<PathSummary>& summaries, const PlotArea& area)
{
    constexpr double Left = PlotArea::Left;
    constexpr double Top = PlotArea::Top;
    constexpr double PlotWidth = PlotArea::PlotWidth;
    constexpr double PlotHeight = PlotArea::PlotHeight;
    cairo_rectangle(cr, Left, Top, PlotWidth, PlotHeight);
    cairo_save(cr);
    cairo_clip(cr);
    for (std::size_t p = 0; p < report.Paths.size() && p < PlottedPaths; ++p) {
        SetPathColour(cr, p);
        cairo_set_line_width(cr, 1);
        double lastEnd = -1;
        for (const FrameTime& frame : report.Paths[p].Frames) {
            if (frame.At - lastEnd > 0.005)
                cairo_move_to(cr, area.X(frame.At), area.Y(frame.Ms));
            else
                cairo_line_to(cr, area.X(frame.At), area.Y(frame.Ms));
            lastEnd = frame.At + frame.Ms / 1000;
        }
        cairo_stroke(cr);
        const double dashes[] = {6, 4};
        cairo_set_dash(cr, dashes, 2, 0);
        cairo_move_to(cr, Left, area.Y(summaries[p].MedianMs));
        cairo_line_to(cr, Left + PlotWidth, area.Y(summaries[p].MedianMs));
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_rectangle(cr, Left + 0.5, Top + 0.5, PlotWidth - 1, PlotHeight - 1);
    cairo_stroke(cr);
}

// A colour swatch and each path's median, p99 and rate, at the top right.
void DrawLegend(cairo_t* cr, const Report& report, const std::vector<PathSummary>& summaries)
{
    for (std::size_t p = 0; p < report.Paths.size() && p < PlottedPaths; ++p) {
        const double y = 14 + static_cast<double>(p) * 13;
        const double x = PlotArea::Width - PlotArea::Right - 330;
        SetPathColour(cr, p);
        cairo_rectangle(cr, x, y - 9, 18, 10);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        Text(cr, x + 24, y,
             report.Paths[p].Name + ": median " + Fixed(summaries[p].MedianMs, 2) + " ms, p99 " +
                 Fixed(summaries[p].P99Ms, 2) + " ms, " + Fixed(summaries[p].AverageFps, 0) + " fps",
             0);
    }
}

} // namespace

bool WritePlot(const Report& report, const std::string& path, std::string& error)
{
    std::vector<PathSummary> summaries;
    for (const PathRecord& p : report.Paths)
        summaries.push_back(Summarise(p));
    PlotArea area;
    if (!FitAxes(report, summaries, area)) {
        error = "no frames to plot";
        return false;
    }

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PlotArea::Width, PlotArea::Height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    DrawAxes(cr, report, area);
    DrawPaths(cr, report, summaries, area);
    DrawLegend(cr, report, summaries);
    cairo_destroy(cr);

    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + path + " (" + cairo_status_to_string(status) + ")";
        return false;
    }
    return true;
}

} // namespace Bench
