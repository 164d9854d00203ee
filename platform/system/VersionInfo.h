#pragma once
// Version blocks: named text values (file version, product version, company,
// description ...) carried inside our executables and readable by path from
// any other process.
//
// The build places the block (CMake: tw_version_block) in an ELF section named
// ".tw_version". Its bytes:
//   "TWVERBLK"                              8-byte magic
//   { key NUL value NUL }*                  the values, in the order stamped
//   NUL                                     an empty key ends the list
// Keys are sub-block paths without a leading backslash, for example
//   StringFileInfo\040904E4\FileVersion
// plus VarFileInfo\Translation whose value is the four bytes 09 04 E4 04
// (language 0x0409, code page 1252, as little-endian words).
// The reader walks the ELF section headers with every offset bounds-checked;
// a missing, truncated or foreign file, or one without the section, has no block.
#include <cstdint>
#include <string>
#include <vector>

namespace sys {

// Size in bytes of the file's version block; 0 when it has none (or cannot be read).
uint32_t GetFileVersionInfoSize(const std::string& path);

// Reads the file's version block into block; false (block emptied) when it has none.
bool GetFileVersionInfo(const std::string& path, std::vector<uint8_t>& block);

// Looks up a value such as "\StringFileInfo\040904E4\FileVersion" (leading
// backslashes optional, ASCII case ignored); false when the block is malformed
// or lacks the value.
bool VerQueryValue(const std::vector<uint8_t>& block, const std::string& subBlock, std::string& value);

}  // namespace sys
