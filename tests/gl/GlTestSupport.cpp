#include "tests/gl/GlTestSupport.h"

#include <SDL2/SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

std::unique_ptr<SdlPlatform> MakeTestPlatform(std::string& error)
{
    SdlPlatformOptions options;
    options.ShowMessageBoxes = false;
    return SdlPlatform::Create(options, error);
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

D3DLIGHT8 SunLight(D3DVECTOR direction)
{
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = direction;
    light.Range = 1;
    return light;
}

D3DLIGHT8 LampLight(D3DVECTOR position)
{
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 1, 1, 1};
    light.Position = position;
    light.Range = 300;
    light.Attenuation1 = 0.02f;
    return light;
}

ImageARGB Screenshot(const TempFolder& folder)
{
    const std::string path = folder / "screen.png";
    ImageARGB image;
    EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0);
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

std::vector<Vertex> Quad(D3DVECTOR a, D3DVECTOR b, D3DVECTOR c, D3DVECTOR d, D3DVECTOR n)
{
    const auto v = [&](D3DVECTOR p, float u, float t) { return Vertex{p.x, p.y, p.z, n.x, n.y, n.z, u, t}; };
    return {v(a, 0, 0), v(b, 1, 0), v(c, 1, 1), v(a, 0, 0), v(c, 1, 1), v(d, 0, 1)};
}

std::vector<Vertex> ScreenQuad(float left, float top, float right, float bottom, float z)
{
    return Quad({left, top, z}, {right, top, z}, {right, bottom, z}, {left, bottom, z}, {0, 0, -1});
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

D3DMATERIAL8 GlDeviceTest::Material(float diffuse, float ambient)
{
    D3DMATERIAL8 material{};
    material.Diffuse = {diffuse, diffuse, diffuse, 1};
    material.Ambient = {ambient, ambient, ambient, 1};
    return material;
}

void GlDeviceTest::WriteImage(const std::string& path, UINT width, UINT height, const std::vector<std::uint32_t>& argb)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(argb.data()), static_cast<int>(width),
                                           static_cast<int>(height), 32, static_cast<int>(width * 4),
                                           SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(surface, nullptr);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string extension = path.substr(path.size() - 4);
    int result = -1;
    if (extension == ".png")
        result = IMG_SavePNG(surface, path.c_str());
    else if (extension == ".bmp")
        result = SDL_SaveBMP(surface, path.c_str());
    else if (extension == ".jpg")
        result = IMG_SaveJPG(surface, path.c_str(), 95);
    SDL_FreeSurface(surface);
    ASSERT_EQ(result, 0) << path;
}

std::vector<std::uint32_t> GlDeviceTest::Quarters(const TexturePtr& texture)
{
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    EXPECT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
    const ImageARGB image = Frame();
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
