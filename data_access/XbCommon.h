#pragma once
// The value types shared by the table, its cursors and the settings components.

enum TXbTableType { ttSXNONE, ttSXNTX, ttSXFOX, ttSXNSX, ttSXNSX_DBT };
enum TXbCommitLevel { clFull, clNormal, clNone };
enum TAccessMethod { amLocal, amServer };
enum TEOFAction { eaEOF, eaMoveLast };
enum TSequencedCount { scAllCount, scFilterOnlyCount, scRawCount };
