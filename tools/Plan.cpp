#include "tools/Plan.h"

#include "framework/MathHelpers.h"
#include "game/mdlGameLoop.h"
#include "tools/Headless.h"
#include "tools/Walk.h"
#include "world/Player.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace Plan {

namespace {

using DirectX_Framework::FaceNormal;
using mdlFloors::Floor;
using mdlWalls::Wall;

struct Colour {
    double R, G, B;
};

constexpr Colour Background{0.97, 0.965, 0.95};
constexpr Colour Ink{0.12, 0.12, 0.13};
constexpr Colour PassableInk{0.45, 0.45, 0.47};

// The floor colours from the lowest (0) to the highest (1): darker below, lighter above.
Colour Ramp(double t)
{
    constexpr Colour stops[] = {{0.17, 0.23, 0.36}, {0.27, 0.47, 0.55}, {0.52, 0.70, 0.55}, {0.96, 0.91, 0.66}};
    constexpr int last = static_cast<int>(std::size(stops)) - 1;
    const double at = std::clamp(t, 0.0, 1.0) * last;
    const int i = std::min(static_cast<int>(at), last - 1);
    const double f = at - i;
    const Colour& a = stops[i];
    const Colour& b = stops[i + 1];
    return {a.R + (b.R - a.R) * f, a.G + (b.G - a.G) * f, a.B + (b.B - a.B) * f};
}

void SetColour(cairo_t* cr, const Colour& c, double shade = 1)
{
    cairo_set_source_rgb(cr, c.R * shade, c.G * shade, c.B * shade);
}

// Whether the floor shows its face from above (the normal its vertices get points to smaller z).
bool FacesUp(const Floor& f)
{
    return FaceNormal({f.X1, f.Y1, f.Z}, {f.X3, f.Y3, f.Z}, {f.X2, f.Y2, f.Z}).z < 0;
}

// Whether the wall stops a player walking on the floors beside it. The floors are those facing
// up that hold a point just off the wall (a little along its plan normal, on either side, at a
// few places along it); the wall blocks when its height band reaches the eye of a player at
// rest on one of them. Beside no floor at all, it counts as standing on a floor at its foot.
bool Blocks(const Wall& wall, const std::vector<const Floor*>& floors)
{
    if ((wall.NormalX == 0 && wall.NormalY == 0) || !std::isfinite(wall.NormalX) || !std::isfinite(wall.NormalY))
        return false; // its ends coincide: it takes no part in collision
    bool besideAFloor = false;
    for (const float along : {0.27f, 0.5f, 0.73f}) {
        for (const float side : {0.71f, -0.71f}) {
            const float x = wall.X1 + (wall.X2 - wall.X1) * along + wall.NormalX * side;
            const float y = wall.Y1 + (wall.Y2 - wall.Y1) * along + wall.NormalY * side;
            for (const Floor* floor : floors) {
                if (!mdlClip::PointInFloor(x, y, *floor))
                    continue;
                besideAFloor = true;
                if (mdlSlipping::ReachesEye(wall, floor->Z - mdlGameLoop::EyeHeight))
                    return true;
            }
        }
    }
    return !besideAFloor && mdlSlipping::ReachesEye(wall, wall.MaxZ - mdlGameLoop::EyeHeight);
}

// A round length near target: 1, 2 or 5 times a power of ten.
double RoundLength(double target)
{
    const double power = std::pow(10.0, std::floor(std::log10(target)));
    for (const double step : {1.0, 2.0, 5.0})
        if (step * power * 1.5 >= target)
            return step * power;
    return 10 * power;
}

void Text(cairo_t* cr, double x, double y, const std::string& text, double align = 0)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - extents.x_advance * align, y);
    cairo_show_text(cr, text.c_str());
}

struct Scene {
    std::vector<const Floor*> Floors; // facing up, the lowest first
    std::vector<const Wall*> Walls;
    bool HasSpawn = false;
    float MinZ = 0; // the highest floor
    float MaxZ = 0; // the lowest floor
};

Scene Gather()
{
    Scene scene;
    for (int i = 1; i <= mdlFloors::FloorCount; ++i) {
        const Floor& floor = mdlFloors::Floors[static_cast<std::size_t>(i)];
        if (FacesUp(floor))
            scene.Floors.push_back(&floor);
    }
    std::stable_sort(scene.Floors.begin(), scene.Floors.end(),
                     [](const Floor* a, const Floor* b) { return a->Z > b->Z; });
    if (!scene.Floors.empty()) {
        scene.MaxZ = scene.Floors.front()->Z;
        scene.MinZ = scene.Floors.back()->Z;
    }
    for (int i = 1; i <= mdlWalls::WallCount; ++i)
        scene.Walls.push_back(&mdlWalls::Walls[static_cast<std::size_t>(i)]);
    for (int i = 1; i <= mdlEntities::EntityCount; ++i)
        scene.HasSpawn = scene.HasSpawn || mdlEntities::Entities[static_cast<std::size_t>(i)].Name == "PLAYERSPAWN";
    return scene;
}

// Fits what is drawn into a picture whose longer side is size, with a band for the legend below.
Layout Fit(const Scene& scene, int size)
{
    double minX = std::numeric_limits<double>::infinity();
    double minY = minX;
    double maxX = -minX;
    double maxY = -minX;
    const auto take = [&](double x, double y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    };
    for (const Floor* f : scene.Floors) {
        take(f->X1, f->Y1);
        take(f->X2, f->Y2);
        take(f->X3, f->Y3);
    }
    for (const Wall* w : scene.Walls) {
        take(w->X1, w->Y1);
        take(w->X2, w->Y2);
    }
    if (scene.HasSpawn)
        take(Player.X, Player.Y);
    if (minX > maxX) { // nothing to draw
        take(-50, -50);
        take(50, 50);
    }
    // A map one line thin still gets an area to draw in.
    const double width = std::max(maxX - minX, 1.0);
    const double height = std::max(maxY - minY, 1.0);

    const double margin = size * 0.04;
    const double band = size * 0.085;
    Layout layout;
    layout.Scale = std::min((size - 2 * margin) / width, (size - 2 * margin - band) / height);
    layout.Width = static_cast<int>(std::ceil(std::max(width * layout.Scale + 2 * margin, size * 0.6)));
    layout.Height = static_cast<int>(std::ceil(height * layout.Scale + 2 * margin + band));
    // The middle of the map in the middle of the area above the legend.
    layout.Left = layout.Width / 2.0 - (minX + maxX) / 2 * layout.Scale;
    layout.Top = margin + height * layout.Scale / 2 + (minY + maxY) / 2 * layout.Scale;
    return layout;
}

void DrawFloors(cairo_t* cr, const Scene& scene, const Layout& at, double line)
{
    cairo_set_line_width(cr, line);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const Floor* f : scene.Floors) {
        const double low = scene.MaxZ;
        const double t = scene.MaxZ == scene.MinZ ? 0.6 : (low - f->Z) / (low - scene.MinZ);
        cairo_move_to(cr, at.X(f->X1), at.Y(f->Y1));
        cairo_line_to(cr, at.X(f->X2), at.Y(f->Y2));
        cairo_line_to(cr, at.X(f->X3), at.Y(f->Y3));
        cairo_close_path(cr);
        SetColour(cr, Ramp(t));
        cairo_fill_preserve(cr);
        SetColour(cr, Ramp(t), 0.93);
        cairo_stroke(cr);
    }
}

void DrawWalls(cairo_t* cr, const Scene& scene, const Layout& at, double line, double tick)
{
    cairo_set_line_width(cr, line);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const Wall* w : scene.Walls) {
        const bool blocks = Blocks(*w, scene.Floors);
        const double dash[] = {line * 2.5, line * 2};
        cairo_set_dash(cr, dash, blocks ? 0 : 2, 0);
        SetColour(cr, blocks ? Ink : PassableInk);
        cairo_move_to(cr, at.X(w->X1), at.Y(w->Y1));
        cairo_line_to(cr, at.X(w->X2), at.Y(w->Y2));
        cairo_stroke(cr);
        // The tick stands on the side the wall shows its face to: along the normal its
        // vertices are lit with.
        const D3DVECTOR n = FaceNormal({w->X1, w->Y1, w->Z1}, {w->X2, w->Y2, w->Z2}, {w->X2, w->Y2, w->Z1});
        if ((n.x == 0 && n.y == 0) || !std::isfinite(n.x) || !std::isfinite(n.y))
            continue; // no face: no length or no height (or beyond what a float holds)
        cairo_set_dash(cr, nullptr, 0, 0);
        const double mx = at.X((double(w->X1) + w->X2) / 2);
        const double my = at.Y((double(w->Y1) + w->Y2) / 2);
        cairo_move_to(cr, mx, my);
        cairo_line_to(cr, mx + n.x * tick, my - n.y * tick);
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, nullptr, 0, 0);
}

// A disc in the spawn entity's colour over a point toward the heading (0 faces +y).
void DrawSpawn(cairo_t* cr, double x, double y, double radius, float yaw)
{
    const double dx = DirectX_Framework::DirectionX(yaw, 0);
    const double dy = -DirectX_Framework::DirectionY(yaw, 0);
    const auto channel = [](int shift) { return ((mdlEntities::SpawnColour >> shift) & 0xFF) / 255.0; };
    const auto fillAndOutline = [&] {
        cairo_set_source_rgb(cr, channel(16), channel(8), channel(0));
        cairo_fill_preserve(cr);
        SetColour(cr, Ink);
        cairo_set_line_width(cr, std::max(1.0, radius / 5));
        cairo_stroke(cr);
    };
    cairo_move_to(cr, x + dx * radius * 2.6, y + dy * radius * 2.6);
    cairo_line_to(cr, x - dy * radius * 0.8, y + dx * radius * 0.8);
    cairo_line_to(cr, x + dy * radius * 0.8, y - dx * radius * 0.8);
    cairo_close_path(cr);
    fillAndOutline();
    cairo_arc(cr, x, y, radius, 0, 2 * DirectX_Framework::Pi);
    fillAndOutline();
}

// The band below the map: two rows of a legend, in the same font.
struct LegendRows {
    double Font = 0;
    double Margin = 0;
    double A = 0; // the scale bar and the height ramp
    double B = 0; // what the marks mean
};

// The scale bar, about a fifth of the picture wide, with its length.
void DrawScaleBar(cairo_t* cr, const Layout& at, const LegendRows& rows, int size)
{
    const double font = rows.Font;
    const double margin = rows.Margin;
    const double length = RoundLength(at.Width * 0.2 / at.Scale);
    const double bar = length * at.Scale;
    cairo_set_line_width(cr, std::max(1.0, size / 700.0));
    cairo_move_to(cr, margin, rows.A - font * 0.9);
    cairo_line_to(cr, margin, rows.A);
    cairo_line_to(cr, margin + bar, rows.A);
    cairo_line_to(cr, margin + bar, rows.A - font * 0.9);
    cairo_stroke(cr);
    Text(cr, margin + bar + font * 0.5, rows.A, Walk::ShortestFloat(static_cast<float>(length)) + " units");
}

// The floors' height ramp, highest on the right, between the lowest and highest floor's z.
void DrawHeightRamp(cairo_t* cr, const Scene& scene, const Layout& at, const LegendRows& rows)
{
    const double font = rows.Font;
    const double width = std::min(at.Width * 0.3, font * 14);
    const double right = at.Width - rows.Margin - font * 5.5;
    cairo_pattern_t* ramp = cairo_pattern_create_linear(right - width, 0, right, 0);
    for (int i = 0; i <= 8; ++i) {
        const Colour c = Ramp(scene.MaxZ == scene.MinZ ? 0.6 : i / 8.0);
        cairo_pattern_add_color_stop_rgb(ramp, i / 8.0, c.R, c.G, c.B);
    }
    cairo_rectangle(cr, right - width, rows.A - font, width, font);
    cairo_set_source(cr, ramp);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(ramp);
    SetColour(cr, Ink);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    Text(cr, right - width - font * 0.4, rows.A, "floor z " + Walk::ShortestFloat(scene.MaxZ) + " (low)", 1);
    Text(cr, right + font * 0.4, rows.A, Walk::ShortestFloat(scene.MinZ) + " (high)");
}

// What the marks mean: a wall with its tick, a dashed wall, the spawn; each with its words.
void DrawKey(cairo_t* cr, const LegendRows& rows, int size)
{
    const double font = rows.Font;
    const double rowB = rows.B;
    double x = rows.Margin;
    const double mark = font * 2;
    const auto label = [&](const std::string& text) {
        Text(cr, x + mark + font * 0.4, rowB, text);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text.c_str(), &extents);
        x += mark + font * 0.4 + extents.x_advance + font * 1.2;
    };
    const double line = std::max(1.5, size / 512.0);
    const double mid = rowB - font * 0.35;
    cairo_set_line_width(cr, line);
    cairo_move_to(cr, x, mid);
    cairo_line_to(cr, x + mark, mid);
    cairo_move_to(cr, x + mark / 2, mid);
    cairo_line_to(cr, x + mark / 2, mid - font * 0.5);
    cairo_stroke(cr);
    label("wall (tick: face side)");
    const double dash[] = {line * 2.5, line * 2};
    cairo_set_dash(cr, dash, 2, 0);
    SetColour(cr, PassableInk);
    cairo_move_to(cr, x, mid);
    cairo_line_to(cr, x + mark, mid);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    SetColour(cr, Ink);
    label("passed over or under");
    DrawSpawn(cr, x + mark * 0.3, mid, font * 0.35, 90);
    SetColour(cr, Ink);
    label("start and heading");
}

void DrawLegend(cairo_t* cr, const Scene& scene, const Layout& at, int size)
{
    LegendRows rows;
    rows.Font = std::max(9.0, size / 80.0);
    rows.Margin = size * 0.04;
    rows.A = at.Height - rows.Margin * 0.6 - rows.Font * 2.6;
    rows.B = at.Height - rows.Margin * 0.6;
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, rows.Font);
    SetColour(cr, Ink);
    DrawScaleBar(cr, at, rows, size);
    if (!scene.Floors.empty())
        DrawHeightRamp(cr, scene, at, rows);
    DrawKey(cr, rows, size);
}

void Draw(cairo_t* cr, const Scene& scene, const Layout& at, int size)
{
    SetColour(cr, Background);
    cairo_paint(cr);
    DrawFloors(cr, scene, at, std::max(0.5, size / 2048.0));
    DrawWalls(cr, scene, at, std::max(1.5, size / 512.0), std::max(3.0, size / 170.0));
    if (scene.HasSpawn)
        DrawSpawn(cr, at.X(Player.X), at.Y(Player.Y), std::max(4.0, size / 110.0), Player.Yaw);
    DrawLegend(cr, scene, at, size);
}

bool EndsWith(const std::string& text, const std::string& ending)
{
    if (text.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
}

} // namespace

int Run(const Request& request, std::ostream& err, Layout* layoutOut)
{
    const bool svg = EndsWith(request.OutPath, ".svg");
    if (!svg && !EndsWith(request.OutPath, ".png")) {
        err << "dunmere-tool: the picture's name must end in .png or .svg: " << request.OutPath << '\n';
        return 2;
    }
    ScriptedPlatform platform;
    const auto graphics = std::make_shared<ScriptedGraphics>();
    graphics->TexturesLoadUnread = true; // the plan needs no pictures
    if (!Headless::StartDevice(platform, graphics, err) || !Headless::LoadMap(request.MapPath, platform, err))
        return 2;
    Headless::ReportStops(request.MapPath, err);
    Player = PlayerRecord{};
    mdlEntities::SpawnPlayer();

    const Scene scene = Gather();
    const Layout layout = Fit(scene, request.Size);
    if (layoutOut)
        *layoutOut = layout;

    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        svg ? cairo_svg_surface_create(request.OutPath.c_str(), layout.Width, layout.Height)
            : cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.Width, layout.Height),
        cairo_surface_destroy);
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(surface.get());
        Draw(cr, scene, layout, request.Size);
        status = cairo_status(cr);
        cairo_destroy(cr);
    }
    if (status == CAIRO_STATUS_SUCCESS) {
        if (svg) {
            cairo_surface_finish(surface.get());
            status = cairo_surface_status(surface.get());
        } else {
            status = cairo_surface_write_to_png(surface.get(), request.OutPath.c_str());
        }
    }
    if (status != CAIRO_STATUS_SUCCESS) {
        err << "dunmere-tool: cannot write " << request.OutPath << ": " << cairo_status_to_string(status) << '\n';
        return 1;
    }
    return 0;
}

} // namespace Plan
