// Font faces for text drawing: a face name ("Tahoma") resolved with fontconfig to the closest
// installed font file, opened with SDL_ttf at a size in points on a 96 dots-per-inch screen.
#pragma once

#include <SDL2/SDL_ttf.h>

#include <cstdint>
#include <memory>
#include <string>

// Keeps SDL_ttf running for as long as any face opened with it exists.
class TtfLibrary {
public:
    static std::shared_ptr<TtfLibrary> Start(std::string& error);
    ~TtfLibrary();
    TtfLibrary(const TtfLibrary&) = delete;
    TtfLibrary& operator=(const TtfLibrary&) = delete;

private:
    TtfLibrary() = default;
};

// One open face at one size. Its Id is never reused, so caches can key on it.
class TtfFace {
public:
    static std::shared_ptr<TtfFace> Open(std::shared_ptr<TtfLibrary> library, const std::string& file, long index,
                                         int points, std::string& error);
    ~TtfFace();
    TtfFace(const TtfFace&) = delete;
    TtfFace& operator=(const TtfFace&) = delete;

    TTF_Font* Font() const { return font_; }
    std::uint64_t Id() const { return id_; }
    int LineSkip() const;

private:
    TtfFace() = default;

    std::shared_ptr<TtfLibrary> library_;
    TTF_Font* font_ = nullptr;
    std::uint64_t id_ = 0;
};

struct FontFile {
    std::string Path;
    long Index = 0;
};

// The installed font file closest to the face name; false when fontconfig knows none at all.
bool ResolveFontFile(const std::string& face, FontFile& out);

// Loads the font configuration and the list of installed fonts that ResolveFontFile looks in
// (otherwise its first call does), on any thread.
void PrepareFontLookup();

// Typographic points to pixels happen at this resolution, as on a usual desktop.
inline constexpr unsigned FontDotsPerInch = 96;
