#pragma once
// RM's two tables as the desktop program uses them: the list of spool
// directories and the label printer definition. Kept apart from the form's
// unit because the table's header and the visual classes' header both name
// a constant clNone.
#include <vector>

#include "class_library/core/Types.h"

class TComponent;
class TXbTable;

// The table component Name of Root; raises when there is none.
TXbTable* RequireTable(TComponent* Root, const String& Name);

// Field "SubDir" of every record of the spool table, in table order. The
// table is opened read-only and closed again, also when the walk fails.
std::vector<String> ReadSpoolDirectories(TXbTable* Table);

// Sets fields 0 to 38 of the first record of RM's label printer definition
// in Dir to their fixed values. Raises when the table cannot be opened, has
// fewer fields, a field does not take its value or the record cannot be
// locked; nothing is written then and the table is left closed.
void RewriteLabelDefinition(TXbTable* Table, const String& Dir);

void SetTableDirectory(TXbTable* Table, const String& Dir);
bool TableActive(const TXbTable* Table);
