// What the fuzz targets share: a program folder of their own, the scripted platform and
// graphics back end started afresh for every input, and a check that stops the fuzzer.
#pragma once

#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Fuzz {

// The program folder of this fuzzing process, made on first use under TMPDIR (or /tmp) and
// removed when the process ends.
const std::string& ProgramFolder();

// Writes size bytes to name (relative to the program folder, folders made as needed) and
// returns the full path.
std::string WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Puts the framework back to its start and installs a new scripted platform (message boxes and
// the end of the process recorded, not shown or done) on the program folder.
ScriptedPlatform& StartPlatform();

// StartPlatform, then a new scripted back end offering 640 x 480 with the device created as the
// start sequence creates it.
ScriptedGraphics& StartDevice();

// Stops the fuzzer with the failed condition and where it stands.
[[noreturn]] void Fail(const char* condition, const char* file, int line);

} // namespace Fuzz

#define FUZZ_CHECK(condition) ((condition) ? void() : Fuzz::Fail(#condition, __FILE__, __LINE__))
