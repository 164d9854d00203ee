#pragma once
// Whole-file reads and writes. Text files are written with CR LF after every
// line and read accepting CR LF, LF or a lone CR. Bytes pass unchanged.
//
// Reads open an existing file ignoring case (see ResolveFileName). Writes
// replace an existing file of the same name ignoring case under its existing
// name, else create the name as given, and always appear whole: the bytes go
// to a temporary file in the same directory which is then renamed over the
// target, so a reader sees either the old or the new content.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

// A file could not be read or written; the message names the file and the cause.
class FileError : public std::runtime_error {
public:
  FileError(const std::string& path, const std::string& what, int err);
  const std::string& Path() const noexcept { return path_; }
  int ErrorCode() const noexcept { return err_; }

private:
  std::string path_;
  int err_;
};

// The lines of a text file without their line ends. A final line end does not
// start another line. Throws FileError when the file cannot be opened or read.
std::vector<std::string> ReadTextLines(const std::string& path);

// Splits bytes into lines the way ReadTextLines does.
std::vector<std::string> SplitTextLines(std::string_view bytes);

// Writes every line followed by CR LF, atomically (see WriteFileAtomic).
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines,
                    bool syncToDisk = false);

// Writes bytes as the whole new content of path: a temporary file in the same
// directory (a dot name whose extension is never the target's, so masks such as
// "*.spl" never see it), optionally flushed to disk with the directory entry,
// then renamed over path. An existing path the user may not write is refused
// ("Cannot create file"). Throws FileError on failure and leaves neither a
// temporary file nor a changed target behind.
void WriteFileAtomic(const std::string& path, std::string_view bytes, bool syncToDisk = false);

// The whole content of a file. Throws FileError when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

}  // namespace sys
