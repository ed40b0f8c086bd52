// Direct3D 8 value records, codes and constants, with their published layouts.
// The engine is written in Direct3D 8's terms; the back ends translate.
#pragma once

#include <cstddef>
#include <cstdint>

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using D3DCOLOR = std::uint32_t;
using D3DFORMAT = std::uint32_t;

// ---- result codes ---------------------------------------------------------
constexpr HRESULT MakeD3DError(std::uint32_t code) { return static_cast<HRESULT>(0x88760000u | code); }

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeD3DError(2072);
constexpr HRESULT D3DERR_NOTFOUND = MakeD3DError(2150);
constexpr HRESULT D3DERR_MOREDATA = MakeD3DError(2151);
constexpr HRESULT D3DERR_DEVICELOST = MakeD3DError(2152);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeD3DError(2154);    // 0x8876086A
constexpr HRESULT D3DERR_INVALIDDEVICE = MakeD3DError(2155);   // 0x8876086B
constexpr HRESULT D3DERR_INVALIDCALL = MakeD3DError(2156);     // 0x8876086C
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeD3DError(380); // 0x8876017C
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// ---- formats --------------------------------------------------------------
constexpr D3DFORMAT D3DFMT_UNKNOWN = 0;
constexpr D3DFORMAT D3DFMT_R8G8B8 = 20;
constexpr D3DFORMAT D3DFMT_A8R8G8B8 = 21;
constexpr D3DFORMAT D3DFMT_X8R8G8B8 = 22;
constexpr D3DFORMAT D3DFMT_R5G6B5 = 23;
constexpr D3DFORMAT D3DFMT_X1R5G5B5 = 24;
constexpr D3DFORMAT D3DFMT_A1R5G5B5 = 25;
constexpr D3DFORMAT D3DFMT_A4R4G4B4 = 26;
constexpr D3DFORMAT D3DFMT_X4R4G4B4 = 30;
constexpr D3DFORMAT D3DFMT_D32 = 71;
constexpr D3DFORMAT D3DFMT_D24S8 = 75;
constexpr D3DFORMAT D3DFMT_D24X8 = 77;
constexpr D3DFORMAT D3DFMT_D16 = 80;

// ---- enumerations used as plain numbers -----------------------------------
constexpr DWORD D3DADAPTER_DEFAULT = 0;
constexpr DWORD D3DDEVTYPE_HAL = 1;
constexpr DWORD D3DDEVTYPE_REF = 2;
constexpr DWORD D3DUSAGE_RENDERTARGET = 1;
constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 2;
constexpr DWORD D3DRTYPE_SURFACE = 1;
constexpr DWORD D3DRTYPE_TEXTURE = 3;
constexpr DWORD D3DSWAPEFFECT_FLIP = 2;
constexpr DWORD D3DMULTISAMPLE_NONE = 0;
constexpr DWORD D3DPOOL_DEFAULT = 0;
constexpr DWORD D3DPOOL_MANAGED = 1;

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000;
constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x80000;

constexpr DWORD D3DPRESENT_INTERVAL_ONE = 0x1;
constexpr DWORD D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;

constexpr DWORD D3DCLEAR_TARGET = 1;
constexpr DWORD D3DCLEAR_ZBUFFER = 2;
constexpr DWORD D3DCLEAR_STENCIL = 4;

constexpr DWORD D3DFVF_XYZ = 0x002;
constexpr DWORD D3DFVF_NORMAL = 0x010;
constexpr DWORD D3DFVF_TEX1 = 0x100;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD VertexFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1; // 0x112

constexpr DWORD D3DTS_VIEW = 2;
constexpr DWORD D3DTS_PROJECTION = 3;
constexpr DWORD D3DTS_TEXTURE0 = 16;
constexpr DWORD D3DTS_TEXTURE7 = 23;
constexpr DWORD D3DTS_WORLD = 256;

constexpr DWORD D3DRS_ZENABLE = 7;
constexpr DWORD D3DRS_FILLMODE = 8;
constexpr DWORD D3DRS_ZWRITEENABLE = 14;
constexpr DWORD D3DRS_CULLMODE = 22;
constexpr DWORD D3DRS_LIGHTING = 137;
constexpr DWORD D3DRS_AMBIENT = 139;

constexpr DWORD D3DFILL_POINT = 1;
constexpr DWORD D3DFILL_WIREFRAME = 2;
constexpr DWORD D3DFILL_SOLID = 3;

constexpr DWORD D3DCULL_NONE = 1;
constexpr DWORD D3DCULL_CW = 2;
constexpr DWORD D3DCULL_CCW = 3;

constexpr DWORD D3DTSS_MAGFILTER = 16;
constexpr DWORD D3DTSS_MINFILTER = 17;
constexpr DWORD D3DTSS_MIPFILTER = 18;
constexpr DWORD D3DTEXF_NONE = 0;
constexpr DWORD D3DTEXF_POINT = 1;
constexpr DWORD D3DTEXF_LINEAR = 2;

constexpr DWORD D3DPT_POINTLIST = 1;
constexpr DWORD D3DPT_LINELIST = 2;
constexpr DWORD D3DPT_LINESTRIP = 3;
constexpr DWORD D3DPT_TRIANGLELIST = 4;
constexpr DWORD D3DPT_TRIANGLESTRIP = 5;
constexpr DWORD D3DPT_TRIANGLEFAN = 6;

constexpr DWORD D3DLIGHT_POINT = 1;
constexpr DWORD D3DLIGHT_SPOT = 2;
constexpr DWORD D3DLIGHT_DIRECTIONAL = 3;

constexpr DWORD D3DXMESH_MANAGED = 0x220;

// The format flags of the helper library's DrawText (those of Windows' text drawing).
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_SINGLELINE = 0x20;
constexpr DWORD DT_NOCLIP = 0x100;

// ---- value records --------------------------------------------------------
struct D3DVECTOR {
    float x, y, z;
};

struct D3DCOLORVALUE {
    float r, g, b, a;
};

// Row-major 4 x 4 matrix for row vectors (v x M); _41.._43 hold a translation.
struct D3DMATRIX {
    float m[4][4];
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DLIGHT8 {
    DWORD Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DRECT {
    std::int32_t x1, y1, x2, y2;
};

struct RECT {
    std::int32_t left, top, right, bottom;
};

class Window;

// hDeviceWindow is the program's own window object rather than a system handle.
struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    DWORD MultiSampleType;
    DWORD SwapEffect;
    Window* hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT FullScreen_PresentationInterval;
};

struct D3DCAPS8 {
    DWORD DeviceType;
    UINT AdapterOrdinal;
    DWORD Caps;
    DWORD Caps2;
    DWORD Caps3;
    DWORD PresentationIntervals;
    DWORD CursorCaps;
    DWORD DevCaps;
    DWORD PrimitiveMiscCaps;
    DWORD RasterCaps;
    DWORD ZCmpCaps;
    DWORD SrcBlendCaps;
    DWORD DestBlendCaps;
    DWORD AlphaCmpCaps;
    DWORD ShadeCaps;
    DWORD TextureCaps;
    DWORD TextureFilterCaps;
    DWORD CubeTextureFilterCaps;
    DWORD VolumeTextureFilterCaps;
    DWORD TextureAddressCaps;
    DWORD VolumeTextureAddressCaps;
    DWORD LineCaps;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxVolumeExtent;
    DWORD MaxTextureRepeat;
    DWORD MaxTextureAspectRatio;
    DWORD MaxAnisotropy;
    float MaxVertexW;
    float GuardBandLeft;
    float GuardBandTop;
    float GuardBandRight;
    float GuardBandBottom;
    float ExtentsAdjust;
    DWORD StencilCaps;
    DWORD FVFCaps;
    DWORD TextureOpCaps;
    DWORD MaxTextureBlendStages;
    DWORD MaxSimultaneousTextures;
    DWORD VertexProcessingCaps;
    DWORD MaxActiveLights;
    DWORD MaxUserClipPlanes;
    DWORD MaxVertexBlendMatrices;
    DWORD MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
    DWORD VertexShaderVersion;
    DWORD MaxVertexShaderConst;
    DWORD PixelShaderVersion;
    float MaxPixelShaderValue;
};

// The one vertex layout of walls and floors: position, normal, one texture pair.
struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    float tu, tv;

    friend bool operator==(const Vertex&, const Vertex&) = default;
};

static_assert(sizeof(D3DVECTOR) == 12);
static_assert(sizeof(D3DCOLORVALUE) == 16);
static_assert(sizeof(D3DMATRIX) == 64);
static_assert(sizeof(D3DMATERIAL8) == 68);
static_assert(sizeof(D3DLIGHT8) == 104);
static_assert(sizeof(D3DDISPLAYMODE) == 16);
static_assert(sizeof(D3DCAPS8) == 212);
static_assert(sizeof(Vertex) == 32);
static_assert(offsetof(Vertex, nx) == 12 && offsetof(Vertex, tu) == 24);
