#include "tests/gl/GlTestSupport.h"

#include "framework/DirectX_Framework.h"

#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

std::unique_ptr<SdlPlatform> MakeTestPlatform(std::string& error)
{
    SdlPlatformOptions options;
    options.ShowMessageBoxes = false;
    return SdlPlatform::Create(options, error);
}

int LitPixels(const ImageARGB& image)
{
    return static_cast<int>(std::count_if(image.Pixels.begin(), image.Pixels.end(),
                                          [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; }));
}

WindowOptions MainWindowOptions(int width, int height)
{
    WindowOptions options;
    options.Title = "Main";
    options.Width = width;
    options.Height = height;
    options.Borderless = true;
    options.AtScreenCorner = true;
    options.BlackBackground = true;
    return options;
}

D3DPRESENT_PARAMETERS PresentParameters(Window* window, UINT width, UINT height, D3DFORMAT format, D3DFORMAT depth,
                                        bool windowed)
{
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = format;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_FLIP;
    p.hDeviceWindow = window;
    p.Windowed = windowed ? 1 : 0;
    p.EnableAutoDepthStencil = depth != 0 ? 1 : 0;
    p.AutoDepthStencilFormat = depth;
    return p;
}

ImageARGB ReadImageFile(const std::string& path)
{
    ImageARGB image;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    EXPECT_NE(loaded, nullptr) << path;
    if (loaded == nullptr)
        return image;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    image.Width = static_cast<UINT>(argb->w);
    image.Height = static_cast<UINT>(argb->h);
    for (int y = 0; y < argb->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(argb->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * argb->pitch);
        image.Pixels.insert(image.Pixels.end(), row, row + argb->w);
    }
    SDL_FreeSurface(argb);
    return image;
}

ImageARGB Screenshot(const TempFolder& folder)
{
    const std::string path = folder / "screen.png";
    EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0);
    return ReadImageFile(path);
}

std::vector<Vertex> ScreenQuad(float left, float top, float right, float bottom, float z)
{
    const auto v = [&](float x, float y, float u, float t) { return Vertex{x, y, z, 0, 0, -1, u, t}; };
    return {v(left, top, 0, 0), v(right, top, 1, 0), v(right, bottom, 1, 1),
            v(left, top, 0, 0), v(right, bottom, 1, 1), v(left, bottom, 0, 1)};
}

void GlDeviceTest::SetUp()
{
    std::string error;
    platform = MakeTestPlatform(error);
    ASSERT_TRUE(platform) << error;
    root = OpenGLDirectXFactory(*platform)();
    ASSERT_TRUE(root);
    d3d = root->Direct3DCreate8();
    ASSERT_TRUE(d3d) << "no OpenGL 3.3 on this display";
    d3dx = root->D3DXCreate();
    ASSERT_TRUE(d3dx);
}

void GlDeviceTest::TearDown()
{
    device.reset();
    d3dx.reset();
    d3d.reset();
    root.reset();
    window.reset();
    platform.reset();
}

void GlDeviceTest::MakeDevice(UINT width, UINT height, D3DFORMAT format, D3DFORMAT depth)
{
    ASSERT_TRUE(platform && d3d) << "no display";
    device.reset();
    window = platform->CreateWindow(MainWindowOptions(static_cast<int>(width), static_cast<int>(height)));
    params = PresentParameters(window.get(), width, height, format, depth, true);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window.get(), D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                params, device),
              D3D_OK);
    window->Show();
    ASSERT_EQ(device->SetVertexShader(VertexFVF), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | (depth != 0 ? D3DCLEAR_ZBUFFER : 0), 0, 1.0f, 0), D3D_OK);
}

ImageARGB GlDeviceTest::Frame()
{
    ImageARGB image;
    EXPECT_EQ(device->Present(), D3D_OK);
    EXPECT_EQ(device->GetFrontBufferData(image), D3D_OK);
    return image;
}

void GlDeviceTest::Draw(const std::vector<Vertex>& vertices)
{
    VertexBufferPtr buffer;
    const auto bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
    ASSERT_EQ(device->CreateVertexBuffer(bytes, 0, VertexFVF, D3DPOOL_DEFAULT, buffer), D3D_OK);
    ASSERT_EQ(buffer->Fill(0, bytes, 0, vertices.data()), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer.get(), sizeof(Vertex)), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size() / 3)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
}

ImageARGB GlDeviceTest::DrawFrame(const std::vector<Vertex>& vertices)
{
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    Draw(vertices);
    return Frame();
}

void GlDeviceTest::WriteImage(const std::string& path, UINT width, UINT height, const std::vector<std::uint32_t>& argb)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(argb.data()), static_cast<int>(width),
                                           static_cast<int>(height), 32, static_cast<int>(width * 4),
                                           SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int result = IMG_SavePNG(surface, path.c_str());
    SDL_FreeSurface(surface);
    ASSERT_EQ(result, 0) << path;
}

std::vector<std::uint32_t> GlDeviceTest::Quarters(const TexturePtr& texture)
{
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    EXPECT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    const ImageARGB image = DrawFrame();
    const UINT left = image.Width / 4;
    const UINT right = image.Width * 3 / 4;
    const UINT top = image.Height / 4;
    const UINT bottom = image.Height * 3 / 4;
    return {PixelAt(image, left, top), PixelAt(image, right, top), PixelAt(image, left, bottom),
            PixelAt(image, right, bottom)};
}

TexturePtr GlDeviceTest::MakeTexture(UINT width, UINT height, const std::vector<std::uint32_t>& argb)
{
    static int made = 0;
    const std::string path = folder / ("texture" + std::to_string(++made) + ".png");
    WriteImage(path, width, height, argb);
    TexturePtr texture;
    EXPECT_EQ(d3dx->CreateTextureFromFile(*device, path, texture), D3D_OK);
    return texture;
}

void GlFrameworkTest::SetUp()
{
    GlDeviceTest::SetUp();
    if (HasFatalFailure())
        return;
    DirectX_Framework::ResetState();
    scripted.AppFolder = folder.Path().string();
    InstallPlatform(&scripted);
    DirectX_Framework::DirectXFactory = OpenGLDirectXFactory(*platform);
    window = platform->CreateWindow(MainWindowOptions());
    DirectX_Framework::MainWindow = window.get();
}

void GlFrameworkTest::TearDown()
{
    DirectX_Framework::ResetState();
    DirectX_Framework::DirectXFactory = nullptr;
    InstallPlatform(nullptr);
    GlDeviceTest::TearDown();
}

void GlFrameworkTest::StartGame(std::int32_t depth)
{
    DirectX_Framework::StartDirectX();
    ASSERT_TRUE(DirectX_Framework::StartDirect3D(window.get(), 640, 480, depth, true));
    DirectX_Framework::CreateGraphicsDevice(window.get());
    ASSERT_TRUE(DirectX_Framework::D3DDevice);
}

std::vector<std::string> GlFrameworkTest::Log() const
{
    const auto& log = DirectX_Framework::EngineLog;
    return {log.LogLines.begin(), log.LogLines.begin() + log.LogLineCount};
}
