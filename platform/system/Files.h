#pragma once
// File and directory queries, deletion and directory searches.
//
// The files this system shares with RM come from a case-insensitive world, so
// every function here that looks at an *existing* name tries the exact name
// first and then matches each path component without regard to ASCII case.
// Masks ('*' any run of characters, '?' exactly one) match the same way.
#include <cstdint>
#include <memory>
#include <string>

namespace sys {

// File attributes as searches report and filter them.
constexpr int faReadOnly = 0x01;   // the owner may not write the file
constexpr int faHidden = 0x02;     // a dot file
constexpr int faSysFile = 0x04;    // device, fifo, socket
constexpr int faVolumeID = 0x08;   // never reported; kept for callers' masks
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;    // every regular file carries it
constexpr int faAnyFile = 0x3F;

// True when path names an existing file that is not a directory.
bool FileExists(const std::string& path);
// True when path names an existing directory.
bool DirectoryExists(const std::string& path);
// Removes the file; false when it does not exist, is a directory or cannot be removed.
bool DeleteFile(const std::string& path);

// The path of the existing file or directory that matches path component by
// component, exact name first, then ignoring ASCII case (of several candidates
// the first in byte order wins). Returns path unchanged when nothing matches.
std::string ResolveFileName(const std::string& path);

// True when name matches mask: '*' = any run (also empty), '?' = one
// character, everything else compared ignoring ASCII case. A mask ending in
// ".*" also matches a name without any dot ("*.*" matches every name).
bool MatchesMask(const std::string& name, const std::string& mask);

struct FindState;  // the remaining matches of one search

// One directory entry found by FindFirst/FindNext. The record owns the state of
// its search and releases it in FindClose or in its destructor.
struct SearchRec {
  std::string Name;      // entry name without directory
  int64_t Size = 0;      // bytes (0 for directories)
  int Attr = 0;          // fa* bits
  double Time = 0;       // last modification, local time as TDateTime

  SearchRec();
  ~SearchRec();
  SearchRec(SearchRec&&) noexcept;
  SearchRec& operator=(SearchRec&&) noexcept;
  SearchRec(const SearchRec&) = delete;
  SearchRec& operator=(const SearchRec&) = delete;

  std::unique_ptr<FindState> State;
};

// Starts a search for "dir/mask" (a bare mask searches the current directory;
// the directory part is resolved ignoring case). attr selects which special
// entries may appear: an entry with faHidden, faSysFile or faDirectory is
// returned only when attr contains that bit; ordinary files always are.
// Entries come in byte order of their names. Returns 0 and fills rec with the
// first match, else an errno value (ENOENT when nothing matches or the
// directory does not exist).
int FindFirst(const std::string& pathWithMask, int attr, SearchRec& rec);
// Moves rec to the next match: 0, or ENOENT when there is none (or no search).
int FindNext(SearchRec& rec);
// Ends the search; safe to call more than once.
void FindClose(SearchRec& rec);

}  // namespace sys
