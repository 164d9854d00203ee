#pragma once
// Resource texts built into the executable (form and module descriptions).
// The CMake function tw_embed_resources(<target> <files...>) compiles each
// file into the target and registers its text under the file's stem,
// upper-cased ("srvMain.dfm" -> "SRVMAIN").
#include <cstddef>

#include "class_library/core/Types.h"

// Registers Text under Name (case-insensitive); a later registration of the
// same name replaces the earlier. Called by the generated code at start-up.
void RegisterResourceText(const String& Name, const char* Text, std::size_t Length);
// The text registered under Name, or nullptr.
const String* FindResourceText(const String& Name);
