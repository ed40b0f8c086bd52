// The OpenGL graphics back end: the factory the program installs as
// DirectX_Framework::DirectXFactory. Its objects draw into the SDL platform's windows with the
// platform's OpenGL context.
#pragma once

#include "framework/Device.h"
#include "framework/sdl/SdlPlatform.h"

#include <functional>
#include <memory>

// The platform must outlive every object the factory's root makes.
std::function<std::unique_ptr<IDirectX8>()> OpenGLDirectXFactory(SdlPlatform& platform);
