// Flags shared by the input handlers and the main loop.
#pragma once

namespace mdlVars {

// Set once Escape was typed; the main loop ends at the start of its next pass.
inline bool QuitRequested = false;

} // namespace mdlVars
