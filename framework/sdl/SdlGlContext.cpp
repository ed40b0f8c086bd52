#include "framework/sdl/SdlGlContext.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

std::shared_ptr<SdlVideo> SdlVideo::Start(std::string& error)
{
    // Ctrl+C and kill end the program the ordinary way instead of becoming a quit event that
    // nothing asks for.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display is available (") + SDL_GetError() + ")";
        return nullptr;
    }
    // Without a display SDL falls back to drivers that draw nowhere; a game nobody can see
    // would run for ever. Those count as no display unless asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* wanted = std::getenv("SDL_VIDEODRIVER");
    const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && (wanted == nullptr || std::strcmp(wanted, driver) != 0)) {
        error = std::string("no display is available (only SDL's ") + driver + " video driver started)";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // Windows made from here on can all share one OpenGL 3.3 core context. The device draws
    // into a framebuffer of its own, so the windows need neither depth nor stencil.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    return std::shared_ptr<SdlVideo>(new SdlVideo());
}

SdlVideo::~SdlVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

std::shared_ptr<SdlGlContext> SdlGlContext::Create(std::shared_ptr<SdlVideo> video, std::string& error)
{
    std::shared_ptr<SdlGlContext> made(new SdlGlContext());
    made->video_ = std::move(video);
    made->helper_ = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (made->helper_ == nullptr) {
        error = std::string("OpenGL is not available (") + SDL_GetError() + ")";
        return nullptr;
    }
    made->context_ = SDL_GL_CreateContext(made->helper_);
    if (made->context_ == nullptr) {
        error = std::string("OpenGL 3.3 (core profile) is not available (") + SDL_GetError() + ")";
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(made->helper_, made->context_) != 0 || epoxy_gl_version() < 33) {
        error = "OpenGL 3.3 (core profile) is not available";
        return nullptr;
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    made->renderer_ = renderer ? renderer : "";
    made->clipControl_ = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    return made;
}

SdlGlContext::~SdlGlContext()
{
    if (context_ != nullptr) {
        if (SDL_GL_GetCurrentContext() == context_)
            SDL_GL_MakeCurrent(helper_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    if (helper_ != nullptr)
        SDL_DestroyWindow(helper_);
}

bool SdlGlContext::Use()
{
    // SDL forgets the current context when the window it was current with is destroyed.
    if (SDL_GL_GetCurrentContext() == context_ && SDL_GL_GetCurrentWindow() != nullptr)
        return true;
    return SDL_GL_MakeCurrent(helper_, context_) == 0;
}

bool SdlGlContext::UseWith(SDL_Window* window)
{
    if (SDL_GL_GetCurrentContext() == context_ && SDL_GL_GetCurrentWindow() == window)
        return true;
    return SDL_GL_MakeCurrent(window, context_) == 0;
}

void SdlGlContext::PaintBlack(SDL_Window* window)
{
    if (window == nullptr)
        return;
    SDL_Window* previous = SDL_GL_GetCurrentContext() == context_ ? SDL_GL_GetCurrentWindow() : nullptr;
    if (!UseWith(window))
        return;
    GLint framebuffer = 0;
    GLfloat clearColour[4];
    GLboolean colourMask[4];
    GLint viewport[4];
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);

    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);

    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    if (previous != nullptr && previous != window)
        UseWith(previous);
}

bool SdlGlContext::IsSoftwareRenderer() const
{
    std::string name = renderer_;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "software", "lavapipe", "swiftshader"})
        if (name.find(software) != std::string::npos)
            return true;
    return false;
}
