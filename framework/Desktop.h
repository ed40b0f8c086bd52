// The desktop's real windowing system and graphics back end, for the programs' entry points.
// Whoever includes this sees neither SDL nor OpenGL.
#pragma once

#include "framework/Device.h"
#include "framework/Platform.h"
#include "framework/ReferenceRenderer.h"

#include <functional>
#include <memory>
#include <string>

class DesktopSystem {
public:
    virtual ~DesktopSystem() = default;

    // Starts the windowing system; null with a text for the user when there is no display.
    // Message boxes stay off the screen (standard error only) when showMessageBoxes is false or
    // the environment variable DUNMERE_NO_MESSAGE_BOXES is 1; presenter shows them (the
    // windowing system's own box when empty).
    static std::unique_ptr<DesktopSystem> Start(bool showMessageBoxes, std::string& error,
                                                MessageBoxPresenter presenter = {});

    virtual Platform& Windows() = 0;
    // The root-object factory of the OpenGL back end, to install as DirectX_Framework::DirectXFactory.
    virtual std::function<std::unique_ptr<IDirectX8>()> Graphics() = 0;
    // The bare reference renderer of batches on a device of this back end, set up like the
    // device's state is now (its first frame drawn); null with a reason when it cannot be made.
    virtual std::unique_ptr<ReferenceRenderer> MakeReference(IDirect3DDevice8& device,
                                                             const std::vector<ReferenceRenderer::Batch>& batches,
                                                             std::string& error) = 0;
};
