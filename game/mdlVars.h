// Flags shared by the input handlers and the main loop.
#pragma once

namespace mdlVars {

// The module's state, every part at its start-of-program value.
struct ModuleState {
    // Set once Escape was typed; the main loop ends at the start of its next pass.
    bool QuitRequested = false;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& QuitRequested = State.QuitRequested;

// Puts the state back to its start-of-program value.
inline void ResetState() { State = ModuleState{}; }

} // namespace mdlVars
