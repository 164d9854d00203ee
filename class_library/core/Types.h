#pragma once
// Basic types the whole system is written against.
#include <cstdint>
#include <string>

// Text is a byte string carried unchanged (no transcoding); indices are 0-based.
using String = std::string;

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

using Word = std::uint16_t;
using Cardinal = std::uint32_t;
using Byte = std::uint8_t;
