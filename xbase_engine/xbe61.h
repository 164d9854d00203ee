#ifndef TARNWICK_XBE61_H
#define TARNWICK_XBE61_H
/*
 * The xBase engine library (libxbe61.so): every entry point with C linkage.
 *
 * Conventions shared by all entry points:
 *  - Work areas are 16-bit numbers above 0; 0 means "none".  Nearly every call
 *    acts on the current work area chosen with xb_Select.
 *  - Booleans passed in are int: -1 (or any non-zero) true, 0 false.
 *    Boolean answers are int: non-zero true.
 *  - Texts are zero-terminated.  A text the engine returns (const char*) stays
 *    valid until the next engine call of the same thread; copy it if needed.
 *  - Memory the engine hands over (char* / void* results that say so) is freed
 *    with xb_MemDealloc.
 *  - Record numbers and counts are 32-bit (int).
 *  - Field arguments are field names, compared without regard to ASCII case.
 *  - A call on a closed or unknown work area does nothing and answers 0, an
 *    empty text or NULL.  No entry point aborts the process.
 *  - The engine is not thread-safe: its current work area and settings are
 *    process-wide, so calls must come from one thread at a time.
 *
 * Entry points for indexes, orders, seeks, scopes, filters, queries,
 * expression evaluation, collations and "roll your own" filters exist but are
 * not provided by this version; they answer as documented next to each
 * ("not provided": 0, empty text or NULL, and nothing changes).
 */
#ifdef __cplusplus
extern "C" {
#endif

/* Open modes of xb_Use / xb_UseEx. */
#define XB_OPEN_SHARED 0
#define XB_OPEN_READONLY 1
#define XB_OPEN_EXCLUSIVE 2

/* Table type codes of xb_Use / xb_UseEx / xb_CreateNew: 1 dBase III style
 * (DBT memos), 2 FoxPro style (FPT memos), 3 and 4 dBase III style (DBT memos).
 * 0 is taken as 2. */
#define XB_TYPE_NTX 1
#define XB_TYPE_FOX 2
#define XB_TYPE_NSX 3
#define XB_TYPE_NSX_DBT 4

/* Commit levels: 0 full (xb_Commit returns once the data reached the disk),
 * 1 normal (every change is handed to the system at once), 2 none (changes
 * may stay in the engine until xb_Commit, a lock change or close). */
#define XB_COMMIT_FULL 0
#define XB_COMMIT_NORMAL 1
#define XB_COMMIT_NONE 2

/* Type codes of xb_Replace: what the data pointer points to. */
#define XB_R_SHORT 1       /* const short*: whole number */
#define XB_R_LONG 2        /* const int*: whole number (32-bit) */
#define XB_R_LOGICAL 4     /* const int*: non-zero true */
#define XB_R_DOUBLE 8      /* const double* */
#define XB_R_JULIAN 16     /* const int*: Julian day number, 0 = empty date */
#define XB_R_DATESTR 32    /* const char*: date text in the current date format */
#define XB_R_CHAR 1024     /* const char*: text, stored like xb_PutString */
#define XB_R_MEMO 3072     /* const char*: memo text, stored like xb_PutMemo */

/* System property numbers of xb_SysProp. */
#define XB_PROP_GET_EXACT 1002     /* answer: exact-match setting (non-zero on) */
#define XB_PROP_SET_EXACT 1003     /* value: new exact-match setting; answer: old */
#define XB_PROP_GET_DELETED 1006   /* answer: non-zero when deleted records are hidden */
#define XB_PROP_SET_DELETED 1007   /* value: hide deleted records; answer: old */
#define XB_PROP_GET_OPTIMISTIC 1008 /* answer: optimistic buffering setting */
#define XB_PROP_SET_OPTIMISTIC 1009 /* value: new setting; answer: old */
#define XB_PROP_ORDER_COUNT 3000   /* answer: index orders open on the current area */
#define XB_PROP_DESCENDING 3002    /* answer: the current order is descending */

/* Callback types. */
typedef void (*xb_ErrorCallback)(int code, const char* message);
typedef void (*xb_GaugeCallback)(int percent);

/* ---- Collations (not provided: answer 0) ---- */
int xb_AddDudenCollation(void);
int xb_AddEtecCollation(void);

/* ---- Work areas ---- */
/* Alias of the given work area; empty when the engine does not hold it. */
const char* xb_Alias(short area);

/* Appends a copy of the current record (deletion mark cleared) and stands on it. */
void xb_Append(void);
/* Appends the record image (xb_RecSize bytes, deletion byte first) and stands on it.
 * Answer: the new record number, 0 on failure. */
int xb_AppendEx(const void* record);
/* Appends a blank record and stands on it; the header's record count is
 * updated under the header lock. */
void xb_AppendBlank(void);
/* As xb_AppendBlank; with lock non-zero the new record is also record-locked.
 * Answer: the new record number, 0 on failure. */
int xb_AppendBlankEx(int lock);
/* Appends every record of another table whose fields share names with the
 * current one (values copied field by field, by name).  condition must be NULL
 * or empty (conditions are not provided).  Answer: records appended, -1 on failure. */
int xb_AppendFrom(const char* fileName, short tableType, const char* condition);

/* Julian day number of 30 December 1899, the day 0 of TDateTime values. */
int xb_BaseDate(void);
/* File name of the current table without directory and extension. */
const char* xb_BaseName(void);
/* Writes the memo/blob of the field to a new file.  Answer: non-zero on success. */
int xb_BlobToFile(const char* field, const char* fileName);
int xb_Bof(void);
void xb_Close(void);
void xb_CloseAll(void);
/* Not provided (no index is ever open): does nothing. */
void xb_CloseIndexes(void);
/* Writes pending changes (with today's date in the table header when records
 * changed); at commit level full also flushes them to the disk, and a disk
 * that refuses the flush is reported as a failure (error callback, last error). */
void xb_Commit(void);
/* Sets the commit level of the current work area. */
void xb_CommitLevel(int level);
/* Copies the current table (and its memo file) to fileName.  Answer: non-zero on success. */
int xb_CopyFile(const char* fileName);
/* Writes the visible records as delimited text lines (CR LF), fields separated
 * by the user delimiter (default ","), character fields quoted.  Answer: non-zero on success. */
int xb_CopyFileText(const char* fileName);
/* Writes an empty table with the current table's fields.  Answer: non-zero on success. */
int xb_CopyStructure(const char* fileName, const char* alias);
/* Writes a table with one record per field (FIELD_NAME, FIELD_TYPE, FIELD_LEN,
 * FIELD_DEC).  Answer: non-zero on success. */
int xb_CopyStructureExtended(const char* fileName);
/* Records visible under the current settings (deleted ones left out when hidden). */
int xb_Count(void);

/* ---- Creation ---- */
/* Writes the table prepared by xb_CreateNew/xb_CreateField and leaves it open
 * (exclusive) in the new work area.  Answer: that work area, 0 on failure. */
short xb_CreateExec(void);
/* type: a text whose first letter is the field type (C N F D L M I B G P). */
void xb_CreateField(const char* name, const char* type, short width, short decimals);
/* Creates a table from a structure-extended table.  Answer: as xb_CreateNew. */
short xb_CreateFrom(const char* path, const char* alias, const char* structFile, short tableType);
/* Starts a new table (path, alias, table type, field count).  Answer: the work
 * area it will use, with bit 15 set (a negative number) on failure. */
short xb_CreateNew(const char* path, const char* alias, short tableType, short fieldCount);
/* As xb_CreateNew with the memo block size for the new memo file. */
short xb_CreateNewEx(const char* path, const char* alias, short tableType, short fieldCount,
                     int memoBlockSize);

/* ---- Encryption (not provided: encrypted tables are refused; answer 0) ---- */
int xb_DbfDecrypt(void);
int xb_DbfEncrypt(void);

/* Current filter expression: empty (filters are not provided). */
const char* xb_DBFilter(void);
/* Copies up to capacity record numbers locked in the current area into list.
 * Answer: the number of locked records (may exceed capacity). */
int xb_DBRlockList(int* list, int capacity);
/* Not provided: answer 0, buffer unchanged. */
int xb_Decrypt(void* buffer, int length, const char* password);
void xb_Delete(void);
int xb_Deleted(void);
/* The text with every byte complemented (256 - byte), for descending keys. */
const char* xb_Descend(const char* text);
int xb_Empty(const char* field);
int xb_Eof(void);
/* Not provided: answer 0, buffer unchanged. */
int xb_Encrypt(void* buffer, int length, const char* password);
/* Sets the error level (0 silent; 1 or more: errors reach the error callback).
 * Answer: the previous level. */
int xb_ErrorLevel(int level);

/* ---- Expressions (not provided) ---- */
int xb_EvalLogical(const char* expression);      /* answer 0 */
double xb_EvalNumeric(const char* expression);   /* answer 0.0 */
const char* xb_EvalString(const char* expression); /* answer "" */
short xb_EvalTest(const char* expression);       /* answer 0: not a valid expression */

/* ---- Fields ---- */
short xb_FieldCount(void);
unsigned short xb_FieldDecimals(const char* field);
/* Name of field number (1-based); empty when there is none. */
const char* xb_FieldName(short fieldNum);
/* 1-based field number, 0 when unknown. */
short xb_FieldNum(const char* field);
/* 1-based offset of the field in the record image; the deletion byte is offset 1. */
unsigned short xb_FieldOffset(const char* field);
/* Type letter as a one-character text; empty when unknown. */
const char* xb_FieldType(const char* field);
unsigned short xb_FieldWidth(const char* field);

/* ---- Filters and dialogs (not provided) ---- */
int xb_FilterAlias(const char* alias, const char* expression); /* answer 0 */
const char* xb_FilterDlg(void* parentWindow, const char* expression, const char* caption); /* answer "" */

/* Closes every work area and restores the default settings. */
void xb_FinalizeSession(void);
/* File lock on the current table.  Answer: non-zero when granted. */
int xb_Flock(void);
/* Answer 0 (seeks are not provided). */
int xb_Found(void);

/* ---- Memos and blobs ---- */
/* Copies the field's memo/blob bytes to dest (at least xb_GetBlobLength bytes).
 * Answer: bytes copied. */
int xb_GetBlob(const char* field, void* dest);
int xb_GetBlobLength(const char* field);
/* First byte of the field's stored text (0..255). */
int xb_GetByte(const char* field);
int xb_GetCommitLevel(void);
/* Julian day number of a date field, 0 when empty. */
int xb_GetDateJulian(const char* field);
/* Date in the current date format and century setting; blanks in place of the
 * digits when empty. */
const char* xb_GetDateString(const char* field);
double xb_GetDouble(const char* field);
int xb_GetInteger(const char* field);
int xb_GetLogical(const char* field);
int xb_GetLong(const char* field);
/* Memo text, allocated by the engine (free with xb_MemDealloc); NULL when the
 * memo is empty.  lineWidth 0 returns it unchanged; above 0, lines longer than
 * lineWidth are broken with CR LF at the last blank (or hard). */
char* xb_GetMemo(const char* field, int lineWidth);
/* Answer 0 (queries are not provided). */
int xb_GetQueryBit(int recNo);
/* Copies the current record image (xb_RecSize bytes) to dest. */
void xb_GetRecord(void* dest);
/* Answer "" (scopes are not provided). */
const char* xb_GetScope(short which);
/* Field text as stored (full width). */
const char* xb_GetString(const char* field);
/* Field text without trailing blanks. */
const char* xb_GetTrimString(const char* field);
/* Not provided: answer NULL. */
char* xb_GetXML(const char* fileName);

/* ---- Navigation ---- */
/* Stands on record recNo; 0, negative or past the end: on the phantom record
 * RecCount+1 with Eof.  With deleted records hidden (xb_SetDeleted) xb_Go still
 * lands on a deleted record when asked for it: only the relative moves and
 * counts pass over hidden records. */
void xb_Go(int recNo);
void xb_GoBottom(void);
void xb_GoTop(void);

/* ---- Indexes (not provided: orders 0, texts "", answers 0) ---- */
short xb_Index(const char* fileName, const char* expression, const char* condition, int unique,
               int descending);
void xb_IndexClose(void);
const char* xb_IndexCondition(void);
int xb_IndexFlip(void);
const char* xb_IndexKey(void);
const char* xb_IndexKeyField(void);
const char* xb_IndexName(short order);
short xb_IndexOpen(const char* fileName);
short xb_IndexOrd(void);
short xb_IndexTag(const char* fileName, const char* tagName, const char* condition, int unique,
                  int descending, const char* expression);
short xb_IndexType(void);

/* which: 0 the table, 1 its memo file.  Answer: non-zero when encrypted
 * (always 0: encrypted tables are refused at open). */
int xb_IsEncrypted(short which);
/* Non-zero when the field holds no value (blank, or null in a table with null flags). */
int xb_IsNull(const char* field);
int xb_KeyAdd(const char* tagName);          /* not provided: 0 */
const char* xb_KeyData(void);                /* not provided: "" */
int xb_KeyDrop(const char* tagName);         /* not provided: 0 */
short xb_KeyLength(void);                    /* not provided: 0 */
int xb_Locate(const char* expression, short direction, int resume); /* not provided: 0 */

/* ---- Locks ---- */
/* Record locks held by the current area (a file lock counts as 1). */
int xb_LockCount(void);
/* recNo 0: non-zero when the current area holds the file lock; otherwise
 * non-zero when it holds that record (directly or through the file lock). */
int xb_Locked(int recNo);

/* ---- Memory ---- */
void* xb_MemAlloc(int size);
void xb_MemDealloc(void* block);
void* xb_MemRealloc(void* block, int size);

/* Open mode of the current area (0, 1, 2), -1 when none. */
short xb_OpenMode(void);
/* Relative position 0..1 of the current record in natural order. */
double xb_OrderPosGet(void);
/* Moves to the record at relative position 0..1.  Answer: non-zero on success. */
int xb_OrderPosSet(double position);
/* Position of the current record in the current order (natural order: its number). */
int xb_OrderRecNo(void);
/* Removes deleted records (exclusive only).  Answer: non-zero on success. */
int xb_Pack(void);
/* Stores bytes in the field's memo/blob.  Answer: bytes stored (0 on failure). */
int xb_PutBlob(const char* field, const void* data, int length);
/* Replaces the current record with the image (xb_RecSize bytes). */
void xb_PutRecord(const void* record);
void xb_PutString(const char* field, const char* text);
void xb_PutMemo(const char* field, const char* text);
void xb_PutDateString(const char* field, const char* text);
void xb_PutInteger(const char* field, int value);
void xb_PutLong(const char* field, int value);
void xb_PutLogical(const char* field, int value);
void xb_PutDouble(const char* field, double value);

/* ---- Queries (not provided) ---- */
/* Empty expression: clears (nothing to clear) and answers the current record
 * number.  Any other: answer 0. */
int xb_Query(const char* expression);
/* Records the current query admits: without a query, xb_Count. */
int xb_QueryRecCount(void);
void xb_QuerySetExact(int on);
short xb_QueryTest(const char* expression); /* answer 0 */

void xb_Recall(void);
/* Physical record count. */
int xb_RecCount(void);
/* Current record number (RecCount + 1 on the phantom record). */
int xb_RecNo(void);
/* Record image size in bytes, deletion byte included. */
int xb_RecSize(void);
void xb_Reindex(void); /* not provided: does nothing */
/* Stores data of the given XB_R_* type code in the field. */
void xb_Replace(const char* field, int type, const void* data);
/* Locks the record (current record when recNo is 0).  Answer: non-zero when granted. */
int xb_Rlock(int recNo);

/* ---- Roll-your-own filters (not provided: answer 0) ---- */
int xb_RYOFilterActivate(int handle, int mode);
int xb_RYOFilterCopy(void);
int xb_RYOFilterCreate(void);
int xb_RYOFilterDestroy(int handle);
int xb_RYOFilterGetBit(int handle, int recNo);
int xb_RYOFilterRestore(int handle);
int xb_RYOFilterSave(void);
int xb_RYOFilterSetBit(int handle, int recNo, int value);
int xb_RYOKeyAdd(const char* tagName, const char* key);
int xb_RYOKeyDrop(const char* tagName);

/* ---- Seeks (not provided: answer 0) ---- */
int xb_Seek(const char* key);
int xb_SeekBin(const void* key, short length);

/* Makes the area current.  Answer: the previously current area. */
short xb_Select(short area);

/* ---- Settings (process-wide) ---- */
/* Answer: the previous setting (non-zero on). */
int xb_SetCentury(int on);
int xb_SetCollationRule(int rule, const char* text); /* not provided: 0 */
/* 0 American mm/dd/yy, 1 ANSI yy.mm.dd, 2 British dd/mm/yy, 3 French dd/mm/yy,
 * 4 German dd.mm.yy, 5 Italian dd-mm-yy, 6 Spanish dd-mm-yy, 99 the user's
 * short date format (day, month and year order and separator).  Unknown
 * codes leave the setting unchanged. */
void xb_SetDateFormat(int code);
/* Hides deleted records from every move and count.  Answer: previous setting. */
int xb_SetDeleted(int on);
/* First year of the century window for two-digit years.  Answer: previous. */
short xb_SetEpoch(short year);
void xb_SetErrorFunc(xb_ErrorCallback callback);
int xb_SetExact(int on);
int xb_SetFilter(const char* expression); /* not provided: 0 */
void xb_SetGaugeFunc(xb_GaugeCallback callback); /* kept; the engine never reports progress */
void xb_SetGaugeHook(void* window);              /* does nothing */
/* Answer: the number asked for (the system, not the engine, limits handles). */
int xb_SetHandles(int count);
/* Seconds a lock request keeps retrying (0: one try; capped at 600).  Answer: previous. */
int xb_SetLockTimeout(int seconds);
int xb_SetMachineCollation(void); /* not provided: 0 */
/* Block size for memo files created from now on (DBT: 512 fixed for dBase III
 * style; FPT: 32..16384, rounded to a multiple of 32; bytes). */
void xb_SetMemoBlockSize(int size);
short xb_SetOrder(short order); /* not provided: 0 */
/* Encrypted tables are not provided: an empty password is accepted, any
 * other is ignored. */
void xb_SetPassword(const char* password);
int xb_SetQueryBit(int recNo, int value);            /* not provided: 0 */
int xb_SetRelation(short childArea, const char* key); /* not provided: 0 */
int xb_SetScope(const char* low, const char* high);  /* not provided: 0 */
int xb_SetSoftSeek(int on);
/* 1: texts are zero-terminated strings (the only kind provided). */
void xb_SetStringType(int type);
/* OEM translation of texts: kept as a setting; texts pass unchanged. */
void xb_SetTranslate(int on);
/* Off (default): every move sees what other processes have committed.  On:
 * the record count is re-read only at xb_GoTop, xb_GoBottom, xb_Go and xb_RecCount. */
void xb_SetTurboRead(int on);
void xb_Skip(int distance);
void xb_SetUDFPath(const char* path);
/* Field delimiter of xb_CopyFileText (first byte; empty restores ","). */
void xb_SetUserDelimiter(const char* delimiter);
const char* xb_GetUDFPath(void);
/* Answer for the XB_PROP_* numbers; 0 for any other. */
int xb_SysProp(int property, int value);
short xb_TagArea(const char* tagName);   /* not provided: 0 */
const char* xb_TagName(short order);     /* not provided: "" */
int xb_TagDelete(const char* tagName);   /* not provided: 0 */
/* Releases a record lock, or with recNo 0 every lock of the current area. */
void xb_Unlock(int recNo);
/* As xb_UseEx with commit level normal. */
short xb_Use(const char* path, const char* alias, short openMode, short tableType);
/* Opens a table (".DBF" appended when the name has no extension; the name is
 * matched without regard to case).  Answer: the new work area, 0 on failure. */
short xb_UseEx(const char* path, const char* alias, short openMode, short tableType,
               short commitLevel);
const char* xb_Version(void);
/* Work area holding the alias (case-insensitive), 0 when none. */
short xb_WorkArea(const char* alias);
/* Removes every record (exclusive only).  Answer: non-zero on success. */
int xb_Zap(void);
/* The user's locale name from the environment (LC_ALL, LC_COLLATE, LANG), "C" when unset. */
const char* xb_GetSystemLocale(void);
int xb_GetSystemCharOrder(unsigned char* order256); /* not provided: 0 */
int xb_SetSystemCollation(void);                    /* not provided: 0 */
/* Current date format code (see xb_SetDateFormat). */
int xb_GetDateFormat(void);

#ifdef __cplusplus
}
#endif
#endif
