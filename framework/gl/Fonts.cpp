#include "framework/gl/Fonts.h"

#include <fontconfig/fontconfig.h>

std::shared_ptr<TtfLibrary> TtfLibrary::Start(std::string& error)
{
    if (TTF_Init() != 0) {
        error = std::string("the font library cannot start (") + TTF_GetError() + ")";
        return nullptr;
    }
    return std::shared_ptr<TtfLibrary>(new TtfLibrary());
}

TtfLibrary::~TtfLibrary() { TTF_Quit(); }

std::shared_ptr<TtfFace> TtfFace::Open(std::shared_ptr<TtfLibrary> library, const std::string& file, long index,
                                       int points, std::string& error)
{
    static std::uint64_t nextId = 0;
    TTF_Font* font = TTF_OpenFontIndexDPI(file.c_str(), points, index, FontDotsPerInch, FontDotsPerInch);
    if (font == nullptr) {
        error = "cannot open the font " + file + " (" + TTF_GetError() + ")";
        return nullptr;
    }
    std::shared_ptr<TtfFace> face(new TtfFace());
    face->library_ = std::move(library);
    face->font_ = font;
    face->id_ = ++nextId;
    return face;
}

TtfFace::~TtfFace()
{
    if (font_ != nullptr)
        TTF_CloseFont(font_);
}

int TtfFace::LineSkip() const { return TTF_FontLineSkip(font_); }

bool ResolveFontFile(const std::string& face, FontFile& out)
{
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return false;
    FcChar8* file = nullptr;
    int index = 0;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (found) {
        out.Path = reinterpret_cast<const char*>(file);
        out.Index = FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
    }
    FcPatternDestroy(match);
    return found;
}

void PrepareFontLookup() { FcInit(); }
