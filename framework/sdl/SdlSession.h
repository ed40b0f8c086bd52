// The state the SDL platform and its windows share: SDL's video, the windows by SDL window id
// (for handing out events), and the OpenGL context once it is made.
#pragma once

#include "framework/sdl/SdlGlContext.h"

#include <SDL2/SDL.h>

#include <map>
#include <memory>
#include <string>

class SdlWindow;

class SdlSession {
public:
    explicit SdlSession(std::shared_ptr<SdlVideo> video) : Video(std::move(video)) {}

    std::shared_ptr<SdlGlContext> GlContext(std::string& error)
    {
        if (!context_ && !contextFailed_) {
            context_ = SdlGlContext::Create(Video, contextError_);
            contextFailed_ = !context_;
        }
        error = contextError_;
        return context_;
    }

    std::shared_ptr<SdlVideo> Video;
    std::map<Uint32, SdlWindow*> Windows;

private:
    std::shared_ptr<SdlGlContext> context_;
    bool contextFailed_ = false;
    std::string contextError_;
};
