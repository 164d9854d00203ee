#pragma once
// Text of DOS tables seen in the Windows code page (xb_SetTranslate).
//
// A table written by DOS programs holds its text in a DOS code page: 437 (the
// U.S. one) or 850 (the multilingual one), as the code page mark in byte 29 of
// its header says. With translation on, text read from such a table is turned
// into Windows-1252 and text written to it back into its DOS page.
//
// Characters both pages have map onto each other. The rest (box drawing, Greek
// letters and the like on the DOS side, typographic quotes and the like on the
// Windows side) are paired up in byte order, so each translation is a
// one-to-one map of the 256 bytes: reading a record and writing it back never
// changes a stored byte, whatever it holds. Bytes below 128 never change.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xbe {

enum class DosPage { Cp437, Cp850 };

// The DOS page of a table from its header's code page mark; none when the
// mark says the table already holds Windows text (0x03, 0x57, 0x58, 0x59,
// 0xC8 .. 0xCB). Marks of the 850 family give 850; every other mark,
// 0 (unmarked) included, gives 437.
std::optional<DosPage> DosPageForMark(uint8_t mark);

// The Unicode code point of a Windows-1252 byte; 0 for the five bytes the
// page leaves unassigned.
uint32_t Cp1252CodePoint(uint8_t byte);

void DosToWindows(DosPage page, char* text, size_t n);
void WindowsToDos(DosPage page, char* text, size_t n);
std::string DosToWindows(DosPage page, std::string_view text);
std::string WindowsToDos(DosPage page, std::string_view text);

}  // namespace xbe
