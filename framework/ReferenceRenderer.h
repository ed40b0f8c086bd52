// A bare renderer to time the game's frames against: the triangles the wall and floor stores
// built, drawn with their textures, the device's lights, ambient light, texture filters and
// projection, into the device's own back buffer and shown the way the device shows it, with
// nothing else: one vertex buffer, one program, no state set again from frame to frame, no
// read-out. It is the closest thing to the device's own limit for the scene.
#pragma once

#include "framework/Device.h"

#include <cstdint>
#include <vector>

class ReferenceRenderer {
public:
    // One batch of the world's stores: a triangle list and its texture (none: untextured).
    struct Batch {
        IDirect3DVertexBuffer8* Buffer = nullptr;
        UINT VertexCount = 0;
        IDirect3DTexture8* Texture = nullptr;
    };

    // Fragments of one frame: those the plain drawing shades (passing the depth test as they
    // come), and those that make the picture (one a covered pixel, but for equal depths).
    struct Fragments {
        std::uint64_t Shaded = 0;
        std::uint64_t Visible = 0;
    };

    virtual ~ReferenceRenderer() = default;
    // Clears, draws every batch in order from the camera of view with the point light at eye,
    // and presents the frame.
    virtual void DrawFrame(const D3DMATRIX& view, const D3DVECTOR& eye) = 0;
    // Clears and draws the frame's depths alone, and waits until they are drawn.
    virtual void DrawDepths(const D3DMATRIX& view) = 0;
    // Clears the picture and draws the frame as DrawFrame does against the depths DrawDepths
    // left, so that only the visible fragments are shaded, and presents it.
    virtual void DrawVisible(const D3DMATRIX& view, const D3DVECTOR& eye) = 0;
    virtual Fragments CountFragments(const D3DMATRIX& view, const D3DVECTOR& eye) = 0;
};
