#pragma once
// Turning a whole table into an encrypted one and back (xb_DbfEncrypt,
// xb_DbfDecrypt).
namespace xbe {

// Rewrites the table of work area area encrypted (with the password given to
// it by xb_SetPassword) or plain (it must be open with its key), then opens
// the new file in the same work area on the same record, with the same
// expression filter (a record-set filter is dropped). Needs exclusive use.
//
// The new table is written whole under a temporary name beside the old one
// and renamed over it, so a failure or a crash leaves the old table as it was.
// Memo texts are written anew at the end of the memo file before the rename
// (the old table never points at them); after the rename the plain texts an
// encryption left behind are overwritten with zero bytes. Throws XbError.
void ConvertTableCrypt(int area, bool encrypt);

}  // namespace xbe
