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
 * Index orders (xbase_engine/INDEXES.md has the file kinds, the .NSX layout
 * and the locking): orders are numbered from 1 across the index files open on
 * a work area, in the order the files were opened; order 0 is natural order.
 * While an order is set (xb_SetOrder), xb_GoTop, xb_GoBottom and xb_Skip move
 * in its order within its scope, passing over records the filter refuses and
 * deleted records while they are hidden; xb_Go stays physical.  Every write
 * (xb_Replace, xb_Put*, xb_PutRecord, xb_Append*, xb_Delete, xb_Recall) keeps
 * every open order in step; xb_Pack and xb_Zap rebuild them.
 */
/* Every entry point is noexcept for C++ callers: a failure inside the engine
 * never unwinds out of it; the call answers its failure value instead. */
#ifdef __cplusplus
#define XB_NOEXCEPT noexcept
extern "C" {
#else
#define XB_NOEXCEPT
#endif

/* Open modes of xb_Use / xb_UseEx. */
#define XB_OPEN_SHARED 0
#define XB_OPEN_READONLY 1
#define XB_OPEN_EXCLUSIVE 2

/* Table type codes of xb_Use / xb_UseEx / xb_CreateNew: 1 version-3 style
 * (DBT memos), 2 FOX style (FPT memos), 3 and 4 version-3 style (DBT memos).
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
#define XB_PROP_DESCENDING 3002    /* answer: the current order runs descending (after xb_IndexFlip too) */

/* Callback types. */
typedef void (*xb_ErrorCallback)(int code, const char* message);
typedef void (*xb_GaugeCallback)(int percent);

/* ---- Collations ----
 * Character keys of indexes built or opened from now on are ordered either
 * in machine order (bytes as unsigned numbers; the default) or in the system
 * order: a dictionary order for Windows-1252 text chosen by the language of
 * the user's locale (see xb_GetSystemLocale).  Its levels: the letter
 * (punctuation and symbols < digits < letters, accented letters with their
 * base letter, ligatures and sharp s as two letters), then the accent, then
 * the case (lower first), then the bytes; Swedish, Finnish, Danish,
 * Norwegian and Spanish have their letters after z or n.  An index keeps the
 * order it was built or opened with (reindex after a change).
 * German dictionary order: a/o/u-diaeresis sort as a, o, u and sharp s as
 * "ss".  The system order, tailored so, becomes the active order.  Answer: 1. */
int xb_AddDudenCollation(void) XB_NOEXCEPT;
/* German phone-book order: a/o/u-diaeresis sort as "ae", "oe", "ue" and sharp s
 * as "ss".  The system order, tailored so, becomes the active order.  Answer: 1. */
int xb_AddEtecCollation(void) XB_NOEXCEPT;

/* ---- Work areas ---- */
/* Alias of the given work area; empty when the engine does not hold it. */
const char* xb_Alias(short area) XB_NOEXCEPT;

/* Appends a copy of the current record (deletion mark cleared) and stands on it. */
void xb_Append(void) XB_NOEXCEPT;
/* Appends the record image (xb_RecSize bytes, deletion byte first) and stands on it.
 * Answer: the new record number, 0 on failure. */
int xb_AppendEx(const void* record) XB_NOEXCEPT;
/* Appends a blank record and stands on it; the header's record count is
 * updated under the header lock.  While another area holds the file lock the
 * append waits for it, within the lock time-out like every other lock. */
void xb_AppendBlank(void) XB_NOEXCEPT;
/* As xb_AppendBlank; with lock non-zero the new record is also record-locked.
 * Answer: the new record number, 0 on failure. */
int xb_AppendBlankEx(int lock) XB_NOEXCEPT;
/* Appends the records of another table whose fields share names with the
 * current one (values copied field by field, by name): of the records it
 * holds when the call starts (so a table appended to itself gets each of its
 * records once more), every one a walk of it shows (deleted ones left out
 * while xb_SetDeleted hides them) for which condition, a logical expression
 * over that table's fields, is true; NULL or empty: all of them.  A condition that does not compile or is not
 * logical appends nothing, nor does an encrypted source (it is opened here
 * without its password, so it would show only masks).  tableType is not
 * needed: the source is read in natural order, its memo file found from its
 * header.  Answer: records appended, -1 on failure. */
int xb_AppendFrom(const char* fileName, short tableType, const char* condition) XB_NOEXCEPT;

/* Julian day number of 30 December 1899, the day 0 of TDateTime values. */
int xb_BaseDate(void) XB_NOEXCEPT;
/* File name of the current table without directory and extension. */
const char* xb_BaseName(void) XB_NOEXCEPT;
/* Writes the memo/blob of the field to a new file.  Answer: non-zero on success. */
int xb_BlobToFile(const char* field, const char* fileName) XB_NOEXCEPT;
int xb_Bof(void) XB_NOEXCEPT;
void xb_Close(void) XB_NOEXCEPT;
void xb_CloseAll(void) XB_NOEXCEPT;
/* Closes every index file of the area, the production index included; the
 * area is then in natural order. */
void xb_CloseIndexes(void) XB_NOEXCEPT;
/* Writes pending changes (with today's date in the table header when records
 * changed); at commit level full also flushes them to the disk, and a disk
 * that refuses the flush is reported as a failure (error callback, last error). */
void xb_Commit(void) XB_NOEXCEPT;
/* Sets the commit level of the current work area. */
void xb_CommitLevel(int level) XB_NOEXCEPT;
/* Copies the current table (and its memo file) to fileName: the records a
 * walk from the top shows (deleted ones left out while xb_SetDeleted hides
 * them), in that order, memos stored anew.  An encrypted table needs its
 * password and is copied as a plain table.  Answer: non-zero on success. */
int xb_CopyFile(const char* fileName) XB_NOEXCEPT;
/* Writes the visible records as delimited text lines (CR LF), fields separated
 * by the user delimiter (default ","), character fields quoted (translated as
 * xb_SetTranslate says); memo fields are left empty.  The file appears whole
 * (written beside it, then renamed).  An encrypted table needs its password.
 * Answer: non-zero on success. */
int xb_CopyFileText(const char* fileName) XB_NOEXCEPT;
/* Writes an empty table with the current table's fields (and an empty memo
 * file when it has memo fields); the copy is left closed, so alias names
 * nothing.  Answer: non-zero on success. */
int xb_CopyStructure(const char* fileName, const char* alias) XB_NOEXCEPT;
/* Writes a table with one record per field (FIELD_NAME, FIELD_TYPE, FIELD_LEN,
 * FIELD_DEC).  Answer: non-zero on success. */
int xb_CopyStructureExtended(const char* fileName) XB_NOEXCEPT;
/* Records visible under the current settings (deleted ones left out when hidden). */
int xb_Count(void) XB_NOEXCEPT;

/* ---- Creation ---- */
/* Writes the table prepared by xb_CreateNew/xb_CreateField and leaves it open
 * (exclusive) in the new work area.  Answer: that work area, 0 on failure. */
short xb_CreateExec(void) XB_NOEXCEPT;
/* type: a text whose first letter is the field type (C N F D L M I B G P). */
void xb_CreateField(const char* name, const char* type, short width, short decimals) XB_NOEXCEPT;
/* Creates a table from a structure-extended table (as xb_CopyStructureExtended
 * writes) and leaves it open exclusively in a new work area.  Answer: that
 * work area, with bit 15 set (a negative number) on failure. */
short xb_CreateFrom(const char* path, const char* alias, const char* structFile, short tableType) XB_NOEXCEPT;
/* Starts a new table (path, alias, table type, field count).  Answer: the work
 * area it will use, with bit 15 set (a negative number) on failure. */
short xb_CreateNew(const char* path, const char* alias, short tableType, short fieldCount) XB_NOEXCEPT;
/* As xb_CreateNew with the memo block size for the new memo file. */
short xb_CreateNewEx(const char* path, const char* alias, short tableType, short fieldCount,
                     int memoBlockSize) XB_NOEXCEPT;

/* ---- Encryption (the scheme: CRYPT.md beside this header) ----
 * Rewrites the current table decrypted (it must be open exclusively with its
 * password) and keeps it open on the same record, with the index files that
 * were open and the same order in control.  Answer: non-zero on
 * success; on failure the table stays as it was. */
int xb_DbfDecrypt(void) XB_NOEXCEPT;
/* Rewrites the current table encrypted with the password given by
 * xb_SetPassword (open exclusively).  Answer as xb_DbfDecrypt. */
int xb_DbfEncrypt(void) XB_NOEXCEPT;

/* The active filter's expression (set by xb_SetFilter, xb_FilterAlias or
 * xb_Query); empty without one, and for an activated roll-your-own filter. */
const char* xb_DBFilter(void) XB_NOEXCEPT;
/* Copies up to capacity record numbers locked in the current area into list.
 * Answer: the number of locked records (may exceed capacity). */
int xb_DBRlockList(int* list, int capacity) XB_NOEXCEPT;
/* The reverse of xb_Encrypt: length is the encrypted length.  Answer: the plain
 * length (the plain bytes at the start of buffer), -1 when the password is
 * wrong or the bytes were altered (buffer unchanged). */
int xb_Decrypt(void* buffer, int length, const char* password) XB_NOEXCEPT;
void xb_Delete(void) XB_NOEXCEPT;
int xb_Deleted(void) XB_NOEXCEPT;
/* The text with every byte complemented (256 - byte), for descending keys. */
const char* xb_Descend(const char* text) XB_NOEXCEPT;
int xb_Empty(const char* field) XB_NOEXCEPT;
int xb_Eof(void) XB_NOEXCEPT;
/* Encrypts length bytes in place with a key made from password; buffer must
 * have room for length + XB_CRYPT_OVERHEAD bytes (salt, nonce, tag).  Answer:
 * the encrypted length, 0 on failure. */
#define XB_CRYPT_OVERHEAD 56
int xb_Encrypt(void* buffer, int length, const char* password) XB_NOEXCEPT;
/* Sets the error level (0 silent; 1 or more: errors reach the error callback).
 * Answer: the previous level. */
int xb_ErrorLevel(int level) XB_NOEXCEPT;

/* ---- Expressions ----
 * xBase expressions over the current record of the current work area: field
 * names (alias->field for other areas), literals ("text", 'text', [text],
 * 12.5, .T., .F., {^yyyy-mm-dd}, {} and {date in the current date format}),
 * + - * / % ** $, comparisons = == <> # != < <= > >= (texts follow
 * xb_SetExact: off, "abc" = "ab" is true; on, trailing blanks are ignored;
 * == compares exactly), .AND. .OR. .NOT. !, and the functions UPPER LOWER
 * TRIM RTRIM LTRIM ALLTRIM SUBSTR LEFT RIGHT STR VAL DTOS DTOC CTOD STOD IIF
 * DELETED RECNO EMPTY LEN SPACE PADL PADR PADC AT STRZERO DATE YEAR MONTH
 * DAY DESCEND ABS INT ROUND MIN MAX.  Division by zero gives 0.  A malformed
 * expression, an unknown name or a type mismatch is a failure (reported
 * through the error callback; the failure answer below). */
/* The value of a logical expression; 0 for any other or on failure. */
int xb_EvalLogical(const char* expression) XB_NOEXCEPT;
/* A number's value; a date's Julian day number; a logical's 1 or 0; a text
 * read as a number.  0.0 on failure. */
double xb_EvalNumeric(const char* expression) XB_NOEXCEPT;
/* The value as text: texts as they are, numbers in their shortest form, dates
 * as yyyymmdd (eight blanks when empty), logicals T or F.  "" on failure. */
const char* xb_EvalString(const char* expression) XB_NOEXCEPT;
/* The expression's type: 1 text, 2 number, 3 logical, 4 date; 0 when it is
 * not a valid expression. */
short xb_EvalTest(const char* expression) XB_NOEXCEPT;

/* ---- Fields ---- */
short xb_FieldCount(void) XB_NOEXCEPT;
unsigned short xb_FieldDecimals(const char* field) XB_NOEXCEPT;
/* Name of field number (1-based); empty when there is none. */
const char* xb_FieldName(short fieldNum) XB_NOEXCEPT;
/* 1-based field number, 0 when unknown. */
short xb_FieldNum(const char* field) XB_NOEXCEPT;
/* 1-based offset of the field in the record image; the deletion byte is offset 1. */
unsigned short xb_FieldOffset(const char* field) XB_NOEXCEPT;
/* Type letter as a one-character text; empty when unknown. */
const char* xb_FieldType(const char* field) XB_NOEXCEPT;
unsigned short xb_FieldWidth(const char* field) XB_NOEXCEPT;

/* ---- Filters and dialogs ---- */
/* As xb_SetFilter for the work area holding alias (the current area stays).
 * Answer: non-zero on success. */
int xb_FilterAlias(const char* alias, const char* expression) XB_NOEXCEPT;
/* The engine has no screen to show a filter dialog on: the dialog counts as
 * cancelled at once.  Answer: "" (cancelled). */
const char* xb_FilterDlg(void* parentWindow, const char* expression, const char* caption) XB_NOEXCEPT;

/* Closes every work area and restores the default settings. */
void xb_FinalizeSession(void) XB_NOEXCEPT;
/* File lock on the current table.  Answer: non-zero when granted. */
int xb_Flock(void) XB_NOEXCEPT;
/* Non-zero when the last xb_Seek/xb_SeekBin found its key (it answered the same). */
int xb_Found(void) XB_NOEXCEPT;

/* ---- Memos and blobs ---- */
/* Copies the field's memo/blob bytes to dest (at least xb_GetBlobLength bytes).
 * After xb_GetBlobLength for the same field, and no move or refresh since,
 * never more than the length it answered.  Answer: bytes copied. */
int xb_GetBlob(const char* field, void* dest) XB_NOEXCEPT;
int xb_GetBlobLength(const char* field) XB_NOEXCEPT;
/* First byte of the field's stored text (0..255). */
int xb_GetByte(const char* field) XB_NOEXCEPT;
int xb_GetCommitLevel(void) XB_NOEXCEPT;
/* Julian day number of a date field, 0 when empty. */
int xb_GetDateJulian(const char* field) XB_NOEXCEPT;
/* Date in the current date format and century setting; blanks in place of the
 * digits when empty. */
const char* xb_GetDateString(const char* field) XB_NOEXCEPT;
/* Number text of N and F fields: blanks around an optional sign, digits with
 * an optional "." and exponent.  Anything else ("nan", "inf", "12abc") and a
 * blank field read as 0; the answer is always a finite number. */
double xb_GetDouble(const char* field) XB_NOEXCEPT;
/* The whole part of the value (toward zero); beyond the int range the
 * nearest bound. */
int xb_GetInteger(const char* field) XB_NOEXCEPT;
int xb_GetLogical(const char* field) XB_NOEXCEPT;
int xb_GetLong(const char* field) XB_NOEXCEPT;
/* Memo text, allocated by the engine (free with xb_MemDealloc); NULL when the
 * memo is empty.  lineWidth 0 returns it unchanged; above 0, lines longer than
 * lineWidth are broken with CR LF at the last blank (or hard). */
char* xb_GetMemo(const char* field, int lineWidth) XB_NOEXCEPT;
/* Non-zero when the active filter admits record recNo (every existing record
 * without a filter); 0 for a record that does not exist. */
int xb_GetQueryBit(int recNo) XB_NOEXCEPT;
/* Copies the current record image (xb_RecSize bytes) to dest; character fields
 * translated as xb_SetTranslate says. */
void xb_GetRecord(void* dest) XB_NOEXCEPT;
/* The scope bound of the current order as given to xb_SetScope: which 0 the
 * low bound, 1 the high bound; "" when none. */
const char* xb_GetScope(short which) XB_NOEXCEPT;
/* Field text as stored (full width; translated as xb_SetTranslate says). */
const char* xb_GetString(const char* field) XB_NOEXCEPT;
/* Field text without trailing blanks. */
const char* xb_GetTrimString(const char* field) XB_NOEXCEPT;
/* The current record as one XML element (UTF-8), allocated by the engine (free
 * with xb_MemDealloc); NULL on failure.  elementName: the element's name, NULL
 * or empty for "record".  Shape (Xml.h has the details):
 *   <record alias="PEOPLE" recno="3" deleted="false"><NAME>Anna</NAME>
 *   <QTY>10</QTY><DAY>2009-12-24</DAY><OK>true</OK></record>
 * one child per field named as the field; character text without trailing
 * blanks, dates yyyy-mm-dd, logicals true/false (empty when unset), memos as
 * text, binary memos in base64 (attribute encoding="base64"); & < > " ' and
 * carriage returns escaped. */
char* xb_GetXML(const char* elementName) XB_NOEXCEPT;

/* ---- Navigation ---- */
/* Stands on record recNo; 0, negative or past the end: on the phantom record
 * RecCount+1 with Eof.  With deleted records hidden (xb_SetDeleted) xb_Go still
 * lands on a deleted record when asked for it: only the relative moves and
 * counts pass over hidden records. */
void xb_Go(int recNo) XB_NOEXCEPT;
void xb_GoBottom(void) XB_NOEXCEPT;
void xb_GoTop(void) XB_NOEXCEPT;

/* ---- Indexes ---- */
/* Builds an index file with one order over the key expression (types C, N,
 * D, L), keeping only records for which the condition (NULL or "": none) is
 * true; unique keeps the first record of every key; descending orders high
 * keys first.  The extension of the table type is added when the name has
 * none (.NTX, .IDX, .NSX); a name without a directory is taken beside the
 * table.  The new order becomes the current one.  Answer: its order number,
 * 0 on failure. */
short xb_Index(const char* fileName, const char* expression, const char* condition, int unique,
               int descending) XB_NOEXCEPT;
/* Closes the index file of the current order; natural order follows. */
void xb_IndexClose(void) XB_NOEXCEPT;
/* FOR condition of the current order ("" when none). */
const char* xb_IndexCondition(void) XB_NOEXCEPT;
/* Reverses the direction of the current order for moves, seeks and
 * positions.  Answer: non-zero when it now runs reversed. */
int xb_IndexFlip(void) XB_NOEXCEPT;
/* Key expression of the current order ("" in natural order). */
const char* xb_IndexKey(void) XB_NOEXCEPT;
/* The table fields the current order's key reads, upper case, joined by ";". */
const char* xb_IndexKeyField(void) XB_NOEXCEPT;
/* Path of the index file holding the order ("" when there is none). */
const char* xb_IndexName(short order) XB_NOEXCEPT;
/* Opens an index file (name rules as xb_Index); a file already open answers
 * its first order again.  The current order does not change.  An index left
 * needing a rebuild by a writer that died mid-write is rebuilt when the table
 * may be written (an encrypted one: with its password), refused otherwise.  Answer: the number of the file's first
 * order, 0 on failure (also for a file of another format). */
short xb_IndexOpen(const char* fileName) XB_NOEXCEPT;
/* The current order number (0: natural order). */
short xb_IndexOrd(void) XB_NOEXCEPT;
/* Builds a tag (as xb_Index) in a compound file: fileName NULL or "" means the
 * production index (<table>.CDX for FOX tables, <table>.NSX for NSX tables);
 * a tag of the same name is replaced.  NTX tables get an .NTX file named by
 * the tag.  The new tag becomes the current order.  Answer: its order number. */
short xb_IndexTag(const char* fileName, const char* tagName, const char* condition, int unique,
                  int descending, const char* expression) XB_NOEXCEPT;
/* 0 no order, 1 plain, 2 unique, 3 with a FOR condition, 4 unique with a FOR
 * condition (2 and 4 mean unique). */
short xb_IndexType(void) XB_NOEXCEPT;

/* which: 0 the table, 1 its memo file.  Answer: non-zero when encrypted.
 * An encrypted table opened without its password (xb_SetPassword) shows its
 * records masked: "*" over character fields, blanks over the other text
 * fields, zero bytes over binary ones, memos empty; every change is refused,
 * and so is every call that would write an index file (xb_Index,
 * xb_IndexTag, xb_Reindex, xb_TagDelete, xb_KeyAdd, xb_KeyDrop, the RYO key
 * calls, rebuilding an index on open): its keys would come from the masks.
 * Existing indexes open, move and seek as usual.  A production index that
 * needs a rebuild when such a table opens is left out until xb_SetPassword. */
int xb_IsEncrypted(short which) XB_NOEXCEPT;
/* Non-zero when the field holds no value (blank, or null in a table with null flags). */
int xb_IsNull(const char* field) XB_NOEXCEPT;
/* Adds (drops) the current record's key in the order of the tag (NULL or "":
 * the current order), whatever its condition says.  Answer: non-zero when the
 * order changed. */
int xb_KeyAdd(const char* tagName) XB_NOEXCEPT;
/* The current record's key in the current order as text (numbers and dates of
 * binary orders written out: a number, yyyymmdd). */
const char* xb_KeyData(void) XB_NOEXCEPT;
int xb_KeyDrop(const char* tagName) XB_NOEXCEPT;
/* Bytes of the current order's keys (0 in natural order). */
short xb_KeyLength(void) XB_NOEXCEPT;
/* Moves to the first record (direction >= 0) or the last one (direction < 0)
 * in the current order, honouring the filter and hidden deleted records,
 * that satisfies the logical expression; with resume non-zero the search
 * starts at the record after (before) the current one.  Answer: non-zero when
 * found.  Not found: forward ends on the phantom record (Eof), backward on the
 * top record with Bof. */
int xb_Locate(const char* expression, short direction, int resume) XB_NOEXCEPT;

/* ---- Locks ---- */
/* Record locks held by the current area (a file lock counts as 1). */
int xb_LockCount(void) XB_NOEXCEPT;
/* recNo 0: non-zero when the current area holds the file lock; otherwise
 * non-zero when it holds that record (directly or through the file lock). */
int xb_Locked(int recNo) XB_NOEXCEPT;

/* ---- Memory ---- */
void* xb_MemAlloc(int size) XB_NOEXCEPT;
void xb_MemDealloc(void* block) XB_NOEXCEPT;
void* xb_MemRealloc(void* block, int size) XB_NOEXCEPT;

/* Open mode of the current area (0, 1, 2), -1 when none.  An area opened to
 * be written answers 1 (read-only) when one of its files may not be written:
 * the table, its memo file or an open index file. */
short xb_OpenMode(void) XB_NOEXCEPT;
/* Relative position of the current record among the n records a walk in the
 * current order shows (within its scope, passing over records the filter
 * refuses and deleted records while they are hidden; in natural order the
 * same in record-number order): the k-th answers exactly k/n, so the last one
 * answers 1.0; past the end 1.0; none shown 0.  A record the walk passes
 * over answers the position of the shown record before it (0 when none).
 * With nothing hidden, natural order answers record number / record count. */
double xb_OrderPosGet(void) XB_NOEXCEPT;
/* Moves to the shown record at relative position 0..1: position p lands on
 * the round(p * n)-th (at least the first), so k/n lands on the k-th, never
 * on a record the walk passes over.  Answer: non-zero on success. */
int xb_OrderPosSet(double position) XB_NOEXCEPT;
/* 1-based position of the current record in the current order (0 when it is
 * not in the order or past the end); natural order: its record number. */
int xb_OrderRecNo(void) XB_NOEXCEPT;
/* Removes deleted records (exclusive only).  Answer: non-zero on success. */
int xb_Pack(void) XB_NOEXCEPT;
/* Stores bytes in the field's memo/blob.  Answer: bytes stored (0 on failure). */
int xb_PutBlob(const char* field, const void* data, int length) XB_NOEXCEPT;
/* Replaces the current record with the image (xb_RecSize bytes). */
void xb_PutRecord(const void* record) XB_NOEXCEPT;
void xb_PutString(const char* field, const char* text) XB_NOEXCEPT;
void xb_PutMemo(const char* field, const char* text) XB_NOEXCEPT;
void xb_PutDateString(const char* field, const char* text) XB_NOEXCEPT;
void xb_PutInteger(const char* field, int value) XB_NOEXCEPT;
void xb_PutLong(const char* field, int value) XB_NOEXCEPT;
void xb_PutLogical(const char* field, int value) XB_NOEXCEPT;
void xb_PutDouble(const char* field, double value) XB_NOEXCEPT;

/* ---- Queries ----
 * A query tests every record once (only those an index order holds in the
 * key range of a comparison with its key, where there is one; see
 * xb_QueryTest) and keeps the records that satisfy it as the work area's
 * filter (a record set; records appended later are tested
 * when a move reaches them; after xb_Pack or xb_Zap the expression is tested
 * again at each move). */
/* Empty or NULL expression: removes the filter and answers the current
 * record number.  Otherwise the logical expression becomes the filter, the
 * area moves to its top record, and the answer is that record's number, 0
 * when no record satisfies it (the area is then at Eof) or on failure. */
int xb_Query(const char* expression) XB_NOEXCEPT;
/* Records the active filter admits (deleted ones left out when hidden);
 * without a filter, xb_Count. */
int xb_QueryRecCount(void) XB_NOEXCEPT;
/* On: = compares texts exactly in queries run from now on, whatever
 * xb_SetExact says. */
void xb_QuerySetExact(int on) XB_NOEXCEPT;
/* How xb_Query would answer the expression: 0 not a logical expression, 1 by
 * testing every record, 2 partly from index orders (comparisons of an order's
 * key expression with constants, joined by .AND., narrow the records to
 * test), 3 wholly from index orders. */
short xb_QueryTest(const char* expression) XB_NOEXCEPT;

void xb_Recall(void) XB_NOEXCEPT;
/* Physical record count. */
int xb_RecCount(void) XB_NOEXCEPT;
/* Current record number (RecCount + 1 on the phantom record). */
int xb_RecNo(void) XB_NOEXCEPT;
/* Record image size in bytes, deletion byte included. */
int xb_RecSize(void) XB_NOEXCEPT;
/* Rebuilds every open index file from the table (also one that disagrees
 * with it or was left needing a rebuild). */
void xb_Reindex(void) XB_NOEXCEPT;
/* Stores data of the given XB_R_* type code in the field. */
void xb_Replace(const char* field, int type, const void* data) XB_NOEXCEPT;
/* Locks the record (current record when recNo is 0).  Answer: non-zero when granted. */
int xb_Rlock(int recNo) XB_NOEXCEPT;

/* ---- Roll-your-own filters ----
 * Record sets named by handles (numbers above 0, process-wide) until
 * destroyed.  Every call answers 0 for an unknown handle or on failure. */
/* Makes the record set the current area's filter: mode 0 the set alone,
 * 1 the records in both the set and the active filter, 2 those in either.
 * The position stays; the next move honours it.  Answer: non-zero on success. */
int xb_RYOFilterActivate(int handle, int mode) XB_NOEXCEPT;
/* A new set holding the records the current area's filter admits.  Answer: its handle. */
int xb_RYOFilterCopy(void) XB_NOEXCEPT;
/* A new empty set sized to the current table.  Answer: its handle. */
int xb_RYOFilterCreate(void) XB_NOEXCEPT;
int xb_RYOFilterDestroy(int handle) XB_NOEXCEPT;
/* Answer: the record's bit in the set (0 beyond it). */
int xb_RYOFilterGetBit(int handle, int recNo) XB_NOEXCEPT;
/* A saved filter (xb_RYOFilterSave) becomes the current area's filter again
 * (no filter if none was active); a plain set is activated as with mode 0.
 * The handle stays valid.  Answer: non-zero on success. */
int xb_RYOFilterRestore(int handle) XB_NOEXCEPT;
/* Saves the current area's filter (expression and record set).  Answer: its handle. */
int xb_RYOFilterSave(void) XB_NOEXCEPT;
/* Sets (value non-zero) or clears the record's bit; the set grows up to the
 * current table's record count.  Answer: non-zero on success. */
int xb_RYOFilterSetBit(int handle, int recNo, int value) XB_NOEXCEPT;
/* As xb_KeyAdd with the key given as text (read like a seek key), and as
 * xb_KeyDrop. */
int xb_RYOKeyAdd(const char* tagName, const char* key) XB_NOEXCEPT;
int xb_RYOKeyDrop(const char* tagName) XB_NOEXCEPT;

/* ---- Seeks ---- */
/* Seeks the key in the current order, within its scope, passing over records
 * moves pass over.  Character keys: with exact matching off (xb_SetExact,
 * xb_SysProp 1003) a shorter key matches as a prefix; on, the whole key must
 * match.  Numeric orders read the key as a number ("123.45", "  123.45",
 * "00042"), date orders as yyyymmdd, logical ones as T/F.  Found: stands on the
 * first matching record.  Not found: with soft seek on (xb_SetSoftSeek) on the
 * next key in order, else (and past the last key) at the end (Eof).  Answer:
 * non-zero when found (xb_Found answers the same); 0 without an order. */
int xb_Seek(const char* key) XB_NOEXCEPT;
/* As xb_Seek with the key given as stored bytes (length bytes). */
int xb_SeekBin(const void* key, short length) XB_NOEXCEPT;

/* Makes the area current; a number outside 1..1023 (or 0) selects none, so
 * the calls that follow act on no table until the next xb_Select.  Answer:
 * the previously current area. */
short xb_Select(short area) XB_NOEXCEPT;

/* ---- Settings (process-wide) ---- */
/* Answer: the previous setting (non-zero on). */
int xb_SetCentury(int on) XB_NOEXCEPT;
/* Tailors the system order (text: Windows-1252 bytes).  rule 0: the locale's
 * order again (text ignored); 1 "xyz..": y, z .. become letters of their own
 * right after x; 2 "xyz..": y, z .. sort as x (told apart by their accent);
 * 3 "xyz": x sorts as the letters y z (up to three).  Each letter's other case
 * follows.  When the system order is active the tailored one is.  Answer:
 * non-zero when applied, 0 for an unknown rule or too short a text. */
int xb_SetCollationRule(int rule, const char* text) XB_NOEXCEPT;
/* 0 American mm/dd/yy, 1 ANSI yy.mm.dd, 2 British dd/mm/yy, 3 French dd/mm/yy,
 * 4 German dd.mm.yy, 5 Italian dd-mm-yy, 6 Spanish dd-mm-yy, 99 the user's
 * short date format (day, month and year order and separator).  Unknown
 * codes leave the setting unchanged. */
void xb_SetDateFormat(int code) XB_NOEXCEPT;
/* Hides deleted records from every move and count.  Answer: previous setting. */
int xb_SetDeleted(int on) XB_NOEXCEPT;
/* First year of the century window for two-digit years.  Answer: previous. */
short xb_SetEpoch(short year) XB_NOEXCEPT;
/* Every failure reported while the error level is above 0 reaches callback
 * (code 1 and the message).  NULL: none. */
void xb_SetErrorFunc(xb_ErrorCallback callback) XB_NOEXCEPT;
int xb_SetExact(int on) XB_NOEXCEPT;
/* The logical expression becomes the current area's filter, tested at every
 * move; empty or NULL removes the filter.  The position stays.  Answer:
 * non-zero on success (a failure leaves the filter as it was). */
int xb_SetFilter(const char* expression) XB_NOEXCEPT;
/* Progress of index builds and packs: the callback gets 0 at the start, each
 * whole percent as it is passed and 100 at the end (also when the work fails);
 * every index file built reports a run of its own.  NULL: none. */
void xb_SetGaugeFunc(xb_GaugeCallback callback) XB_NOEXCEPT;
/* A window to receive progress messages: there are no window messages here,
 * so progress reaches only the gauge function; the call changes nothing. */
void xb_SetGaugeHook(void* window) XB_NOEXCEPT;
/* Answer: the number asked for (the system, not the engine, limits handles). */
int xb_SetHandles(int count) XB_NOEXCEPT;
/* Seconds a lock request keeps retrying (0: one try; capped at 600).  Answer: previous. */
int xb_SetLockTimeout(int seconds) XB_NOEXCEPT;
/* Machine order becomes the active order of character keys.  Answer: 1. */
int xb_SetMachineCollation(void) XB_NOEXCEPT;
/* Block size for memo files created from now on (DBT: 512 fixed for the version-3
 * style; FPT: 32..16384, rounded to a multiple of 32; bytes). */
void xb_SetMemoBlockSize(int size) XB_NOEXCEPT;
/* Makes order the current one (0: natural order); an order that does not
 * exist changes nothing.  Answer: the previous order. */
short xb_SetOrder(short order) XB_NOEXCEPT;
/* The password of the current table.  An encrypted table shows its records
 * decrypted and takes changes from now on; a wrong password is reported as a
 * failure and leaves it masked and unchangeable (nothing is written); an
 * empty one masks it again.  A production index left out at open because it
 * needed a rebuild (see xb_IsEncrypted) is rebuilt and opened once the
 * password is accepted, as the first index file.  For a plain table the
 * password is kept for xb_DbfEncrypt. */
void xb_SetPassword(const char* password) XB_NOEXCEPT;
/* Adds (value non-zero) or removes record recNo in the record set of the
 * active query or roll-your-own filter.  Answer: non-zero on success; 0
 * without such a filter. */
int xb_SetQueryBit(int recNo, int value) XB_NOEXCEPT;
/* Relates childArea to the current area: after every move of the current
 * area (Go, GoTop, GoBottom, Skip, appends, Locate, Query) the child goes to
 * the record the key expression, evaluated over the current record, names:
 * with an index order in control of the child, the record a seek for the
 * key's value finds (as text: numbers in their shortest form, dates
 * yyyymmdd, logicals T or F); without one, a numeric key is the child's
 * record number.  A key that names none (soft seek or not), and a parent
 * past its end, leave the child past its end.  Children follow their
 * own relations; a relation leading back to the current area is refused.
 * An empty or NULL key removes the relation (childArea 0: every relation of
 * the current area); closing either area removes it too.  Answer: non-zero
 * on success. */
int xb_SetRelation(short childArea, const char* key) XB_NOEXCEPT;
/* Limits the current order to keys from low to high (texts read like seek
 * keys; a character bound is a prefix; NULL or "" leaves that end open; both
 * NULL clear the scope).  The record does not move.  Answer: non-zero on
 * success, 0 without an order. */
int xb_SetScope(const char* low, const char* high) XB_NOEXCEPT;
int xb_SetSoftSeek(int on) XB_NOEXCEPT;
/* 1: texts are zero-terminated strings (the only kind provided). */
void xb_SetStringType(int type) XB_NOEXCEPT;
/* Code page translation for the current table: on, character and memo text of
 * a table written in a DOS code page (437, or 850 when its header's code page
 * mark says so; a table marked as Windows text is left alone) is read in
 * Windows-1252 and written back in the DOS page: xb_GetString,
 * xb_GetTrimString, xb_GetMemo, xb_GetRecord, xb_GetXML, xb_PutString,
 * xb_PutMemo, xb_Replace, xb_PutRecord, xb_AppendEx.  Characters without a
 * counterpart are paired one to one, so writing back what was read never
 * changes a byte.  Index keys and expressions work on the stored text. */
void xb_SetTranslate(int on) XB_NOEXCEPT;
/* Off (default): every move reads its record from the file, so it sees what
 * other processes have committed.  On: records are read ahead in blocks, and
 * both they and the record count are read again only at xb_GoTop,
 * xb_GoBottom, xb_Go and xb_RecCount.  Either way the current record's values
 * stay those of one version until the next move or refresh (xb_Skip(0)). */
void xb_SetTurboRead(int on) XB_NOEXCEPT;
void xb_Skip(int distance) XB_NOEXCEPT;
/* A directory for user-defined functions: kept and answered by xb_GetUDFPath.
 * The expression language has no functions loaded from outside, so nothing
 * else reads it. */
void xb_SetUDFPath(const char* path) XB_NOEXCEPT;
/* Field delimiter of xb_CopyFileText (first byte; empty restores ","). */
void xb_SetUserDelimiter(const char* delimiter) XB_NOEXCEPT;
const char* xb_GetUDFPath(void) XB_NOEXCEPT;
/* Answer for the XB_PROP_* numbers; 0 for any other. */
int xb_SysProp(int property, int value) XB_NOEXCEPT;
/* Order number of the tag (or of the single-order file of that base name),
 * case-insensitive; 0 when none. */
short xb_TagArea(const char* tagName) XB_NOEXCEPT;
/* Tag name of the order (single-order files: the file's base name). */
const char* xb_TagName(short order) XB_NOEXCEPT;
/* Removes a tag from its compound file (natural order follows).  Answer:
 * non-zero on success; 0 for an unknown tag or a single-order file. */
int xb_TagDelete(const char* tagName) XB_NOEXCEPT;
/* Releases a record lock, or with recNo 0 every lock of the current area. */
void xb_Unlock(int recNo) XB_NOEXCEPT;
/* As xb_UseEx with commit level normal. */
short xb_Use(const char* path, const char* alias, short openMode, short tableType) XB_NOEXCEPT;
/* Opens a table (".DBF" appended when the name has no extension; the name is
 * matched without regard to case).  Answer: the new work area, 0 on failure. */
short xb_UseEx(const char* path, const char* alias, short openMode, short tableType,
               short commitLevel) XB_NOEXCEPT;
const char* xb_Version(void) XB_NOEXCEPT;
/* Work area holding the alias (case-insensitive), 0 when none. */
short xb_WorkArea(const char* alias) XB_NOEXCEPT;
/* Removes every record (exclusive only).  Answer: non-zero on success. */
int xb_Zap(void) XB_NOEXCEPT;
/* The user's locale name from the environment (LC_ALL, LC_COLLATE, LANG), "C" when unset. */
const char* xb_GetSystemLocale(void) XB_NOEXCEPT;
/* order256[b] := the rank (0..255) of the one-byte text b in the system order.
 * Answer: 256, 0 when order256 is NULL. */
int xb_GetSystemCharOrder(unsigned char* order256) XB_NOEXCEPT;
/* The system order (see the collations above) becomes the active order of
 * character keys.  Answer: 1. */
int xb_SetSystemCollation(void) XB_NOEXCEPT;
/* Current date format code (see xb_SetDateFormat). */
int xb_GetDateFormat(void) XB_NOEXCEPT;

#ifdef __cplusplus
}
#endif
#endif
