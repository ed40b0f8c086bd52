// Tests that draw with the real OpenGL device into a small window and read the picture back.
#pragma once

#include "framework/Device.h"
#include "framework/gl/GlDirectX.h"
#include "framework/sdl/SdlPlatform.h"
#include "tests/support/FrameworkFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The platform without message boxes (nothing may wait for a person in a test).
std::unique_ptr<SdlPlatform> MakeTestPlatform(std::string& error);

// Channels of an ARGB pixel.
inline int RedOf(std::uint32_t pixel) { return static_cast<int>((pixel >> 16) & 0xFF); }
inline int GreenOf(std::uint32_t pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }
inline int BlueOf(std::uint32_t pixel) { return static_cast<int>(pixel & 0xFF); }
inline std::uint32_t PixelAt(const ImageARGB& image, UINT x, UINT y) { return image.Pixels[y * image.Width + x]; }
// How many pixels are not black.
int LitPixels(const ImageARGB& image);

// A borderless window at the screen's corner with a black background, as the game's main window.
WindowOptions MainWindowOptions(int width = 640, int height = 480);

// Presentation parameters for a device on window with a back buffer of this size and format and
// this depth buffer (0 for none).
D3DPRESENT_PARAMETERS PresentParameters(Window* window, UINT width, UINT height, D3DFORMAT format, D3DFORMAT depth,
                                        bool windowed);

// A picture file read back as ARGB pixels (empty, with a failure, when it cannot be read).
ImageARGB ReadImageFile(const std::string& path);
// The whole screen as the X server shows it (ImageMagick's import), through a file in folder.
ImageARGB Screenshot(const TempFolder& folder);

// A rectangle facing the viewer in clip space (x right, y up, both -1 to 1; depth z 0 to 1), which
// with identity transforms is also its world position: two triangles, clockwise on the screen,
// normal toward the viewer, texture coordinates (0, 0) at the top left and (1, 1) at the bottom right.
std::vector<Vertex> ScreenQuad(float left, float top, float right, float bottom, float z);

class GlDeviceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The device on a window of the back buffer's size, identity transforms, no culling.
    void MakeDevice(UINT width, UINT height, D3DFORMAT format = D3DFMT_X8R8G8B8, D3DFORMAT depth = D3DFMT_D24X8);
    // Presents and reads back the frame presented.
    ImageARGB Frame();
    // Draws triangles from a new vertex buffer with the device's current state.
    void Draw(const std::vector<Vertex>& vertices);
    // Clears to black, draws the vertices (the whole picture by default) and returns the frame.
    ImageARGB DrawFrame(const std::vector<Vertex>& vertices = ScreenQuad(-1, 1, 1, -1, 0.5f));
    // Draws texture unlit over the whole picture; the colours at the centres of its quarters:
    // top left, top right, bottom left, bottom right.
    std::vector<std::uint32_t> Quarters(const TexturePtr& texture);
    // A texture from 32-bit ARGB pixels, top row first.
    TexturePtr MakeTexture(UINT width, UINT height, const std::vector<std::uint32_t>& argb);
    // Writes a PNG file with SDL_image.
    void WriteImage(const std::string& path, UINT width, UINT height, const std::vector<std::uint32_t>& argb);

    std::unique_ptr<SdlPlatform> platform;
    std::unique_ptr<Window> window;
    std::unique_ptr<IDirectX8> root;
    std::unique_ptr<IDirect3D8> d3d;
    std::unique_ptr<ID3DX8> d3dx;
    std::unique_ptr<IDirect3DDevice8> device;
    D3DPRESENT_PARAMETERS params{};
    TempFolder folder;
};

// The framework's own start-up on the real back end, with a scripted platform for the program's
// folder, clock and message boxes; the main window is a real one.
class GlFrameworkTest : public GlDeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The start sequence's graphics steps for a 640 x 480 "Fake Fullscreen" game.
    void StartGame(std::int32_t depth);
    // The engine log's lines.
    std::vector<std::string> Log() const;

    ScriptedPlatform scripted;
};
