#pragma once
// Binding of the stream compression add-on ("XbCrypt.DLL", on Linux
// libxbcrypt.so) that the database-server client uses for compressed frames.
// Loaded on demand, the first time a frame is compressed or expanded.
//
// The add-on's C interface (all four names must be exported):
//   int CompressStream(const unsigned char* src, size_t srcLen,
//                      unsigned char** dst, size_t* dstLen);
//   int UnCompressStream(const unsigned char* src, size_t srcLen,
//                        unsigned char** dst, size_t* dstLen);
//     Both answer 0 on success and hand back a buffer allocated with malloc
//     that the caller frees with free().
//   void SetCompressionPassword(const char* password);
//   void SetCompressionLevel(int level);
#include <cstddef>

#include "class_library/core/Types.h"
#include "platform/system/DynLib.h"

extern "C" {
using TCompressStreamProc = int (*)(const unsigned char* src, std::size_t srcLen, unsigned char** dst,
                                    std::size_t* dstLen);
using TSetCompressionPasswordProc = void (*)(const char* password);
using TSetCompressionLevelProc = void (*)(int level);
}

inline constexpr const char* XbCryptLibraryName = "XbCrypt.DLL";

// Bound entry points; nullptr until LoadCryptLibrary succeeded.
extern TCompressStreamProc CompressStream;
extern TCompressStreamProc UnCompressStream;
extern TSetCompressionPasswordProc SetCompressionPassword;
extern TSetCompressionLevelProc SetCompressionLevel;

// True once the add-on is loaded and bound.
bool CryptLoaded();
// The loaded add-on library.
const sys::DynLib& CryptHandle();

// Loads and binds the add-on unless it is loaded. When it is missing (or lacks
// a name) shows the error box and asks the application to terminate.
void LoadCryptLibrary();

// The text of the error box shown when the add-on cannot be loaded.
String CryptMissingMessage();
