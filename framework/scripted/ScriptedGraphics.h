// The scripted graphics back end: an adapter whose modes, depth-format answers, capabilities
// and device-creation result the caller sets, and a device that records every call made on it
// with its arguments and keeps the geometry it was given. Used by tests and by the headless
// tools; it draws nothing.
#pragma once

#include "framework/Device.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using Journal = std::vector<std::string>;

// One draw call as the device saw it.
struct ScriptedDraw {
    DWORD PrimitiveType = 0;
    UINT StartVertex = 0;
    UINT PrimitiveCount = 0;
    std::string Texture;           // label of the stage-0 texture, empty when none
    int VertexBuffer = 0;          // number of the buffer on stream 0, 0 when none
    std::vector<Vertex> Vertices;  // the vertices the draw used
    DWORD FillMode = 0;
};

struct ScriptedGraphics {
    // ---- what the adapter answers ----
    bool NoAdapter = false;                    // the root object cannot make its adapter object
    std::vector<D3DDISPLAYMODE> Modes;
    std::map<UINT, HRESULT> ModeReadFailures; // mode index -> result of EnumAdapterModes
    std::set<D3DFORMAT> DepthFormats;          // depth formats CheckDeviceFormat accepts
    HRESULT HalCapsResult = D3D_OK;
    D3DCAPS8 HalCaps{};
    HRESULT RefCapsResult = D3D_OK;
    D3DCAPS8 RefCaps{};
    HRESULT CreateDeviceResult = D3D_OK;

    // ---- what the helper object answers ----
    // Texture files load when they are files that can be opened for reading, unless listed here.
    std::set<std::string> FailingTextureFiles;
    // When set, every texture loads without its file being opened (the map checker looks for
    // the files itself, so that one missing file does not end the check).
    bool TexturesLoadUnread = false;
    // Mesh loading: by default every mesh file fails with D3DXERR_INVALIDDATA.
    std::function<HRESULT(const std::string& path, D3DXMaterialBuffer& materials, DWORD& materialCount)> LoadMesh;

    // ---- device calls that fail: call name -> result ----
    std::map<std::string, HRESULT> FailingCalls;

    // ---- records ----
    std::shared_ptr<Journal> Calls = std::make_shared<Journal>();
    std::vector<ScriptedDraw> Draws;
    std::vector<std::string> Texts; // "text @ left,top,right,bottom #AARRGGBB"
    std::map<DWORD, DWORD> RenderStates;
    std::map<DWORD, DWORD> TextureStageStates; // stage 0 only: type -> value
    std::map<DWORD, D3DMATRIX> Transforms;
    std::map<DWORD, D3DLIGHT8> Lights;
    std::map<DWORD, bool> LightsEnabled;
    D3DMATERIAL8 Material{};
    DWORD VertexShader = 0;
    D3DPRESENT_PARAMETERS CreatedWith{};
    DWORD CreatedBehaviour = 0;
    int VertexBuffersCreated = 0;
    int VertexBuffersAlive = 0;

    // Calls recorded so far whose text starts with prefix.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
};

// The factory a test installs as the framework's DirectXFactory.
std::function<std::unique_ptr<IDirectX8>()> ScriptedDirectXFactory(std::shared_ptr<ScriptedGraphics> graphics);

// The label the scripted helper gives a texture made from path: its file name.
std::string ScriptedTextureLabel(const std::string& path);
