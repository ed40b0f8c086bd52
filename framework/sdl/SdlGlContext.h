// SDL's video subsystem and the program's one OpenGL context.
//
// Every window of the program is an OpenGL window made with the same attributes (3.3 core
// profile), so one context serves all of them: the graphics device draws with it, and a window
// that must look black before anything is drawn in it is cleared with it. A hidden helper window
// keeps the context usable while no window of the program exists (the launcher probes the
// adapter before the game window has a device).
#pragma once

#include <SDL2/SDL.h>

#include <memory>
#include <string>

// Keeps SDL's video subsystem running for as long as anything that uses it is alive.
class SdlVideo {
public:
    // Starts the video subsystem; on failure returns null and says why in error.
    static std::shared_ptr<SdlVideo> Start(std::string& error);
    ~SdlVideo();
    SdlVideo(const SdlVideo&) = delete;
    SdlVideo& operator=(const SdlVideo&) = delete;

private:
    SdlVideo() = default;
};

class SdlGlContext {
public:
    // Makes the context; on failure returns null and says why in error (no OpenGL 3.3).
    static std::shared_ptr<SdlGlContext> Create(std::shared_ptr<SdlVideo> video, std::string& error);
    ~SdlGlContext();
    SdlGlContext(const SdlGlContext&) = delete;
    SdlGlContext& operator=(const SdlGlContext&) = delete;

    // Makes the context current (with whatever window it was last used with while that window
    // exists, else with the helper window). False when the system refuses.
    bool Use();
    // Makes the context current with window, whose default framebuffer then receives drawing.
    bool UseWith(SDL_Window* window);
    // Clears window's picture to black and shows it, leaving the context's state as it was.
    void PaintBlack(SDL_Window* window);

    const std::string& Renderer() const { return renderer_; }
    // Whether the renderer is a software rasteriser (llvmpipe, softpipe, ...).
    bool IsSoftwareRenderer() const;
    // Whether glClipControl is there (OpenGL 4.5 or ARB_clip_control).
    bool HasClipControl() const { return clipControl_; }

private:
    SdlGlContext() = default;

    std::shared_ptr<SdlVideo> video_;
    SDL_Window* helper_ = nullptr;
    SDL_GLContext context_ = nullptr;
    std::string renderer_;
    bool clipControl_ = false;
};
