// The bare reference renderer on the OpenGL device (see framework/ReferenceRenderer.h).
#pragma once

#include "framework/ReferenceRenderer.h"

#include <memory>
#include <string>
#include <vector>

// Null with a reason when device is not an OpenGL device or its lights are not the one
// directional and one point light the reference draws.
std::unique_ptr<ReferenceRenderer> MakeGlReference(IDirect3DDevice8& device,
                                                   const std::vector<ReferenceRenderer::Batch>& batches,
                                                   std::string& error);
