#pragma once
// Tables into and out of the work areas: opening, closing, creating. The
// process-wide state these work on (the areas themselves, finding one) is
// Engine.h.
#include <cstdint>
#include <string>
#include <vector>

#include "xbase_engine/Engine.h"

namespace xbe {

// The alias a table gets when none is given: its file name, upper case,
// without extension.
std::string DefaultAlias(const std::string& path);

// Opens a table into the lowest free work area; answers the area.
// tableType (xb_UseEx's code) decides the index files the work area uses.
int UseTable(const std::string& path, const std::string& alias, int mode, int commitLevel, int tableType = 2);
void CloseArea(int area);
void CloseAll();

// Table creation.
int CreateNew(const std::string& path, const std::string& alias, int tableType, int memoBlockSize);
void CreateField(const std::string& name, const std::string& type, int width, int decimals);
int CreateExec();
// Checks and completes one field of a new table (width of fixed-size types,
// name rules); throws XbError naming the problem.
FieldDesc MakeField(const std::string& name, char type, int width, int decimals, bool foxStyle);
// Writes a new empty table (and memo file) under the exclusive share lock and
// answers its descriptor, still locked. A table held by anyone is refused.
// path is resolved like an open resolves it (an existing file of another case
// is the one replaced) and left as the name actually written.
UniqueFd WriteNewTable(std::string& path, uint8_t version, std::vector<FieldDesc>& fields,
                       int memoBlockSize);
uint8_t VersionFor(int tableType, const std::vector<FieldDesc>& fields);

}  // namespace xbe
