#pragma once
// The current record as one XML element (xb_GetXML):
//
//   <record alias="PEOPLE" recno="3" deleted="false"><NAME>Anna</NAME><QTY>10</QTY>
//   <DAY>2009-12-24</DAY><OK>true</OK><NOTES>first line&#13;
//   second</NOTES></record>
//
// (one line; wrapped here). The element name is the caller's, "record" when
// none is given. One child per visible field, named as the field, in field
// order:
//  - character: the text without trailing blanks;
//  - numeric, float, integer, currency, double: the number as the field shows it;
//  - date: yyyy-mm-dd; date-time: yyyy-mm-ddThh:mm:ss; empty when blank;
//  - logical: true or false, empty when not set;
//  - memo: its text; general, picture and blob fields: their bytes in base64,
//    marked with the attribute encoding="base64".
// Text is written as UTF-8: bytes that form valid UTF-8 are kept, any other
// text is read as Windows-1252. & < > " ' are escaped, a carriage return is
// written as &#13; so that it survives a parser, and control characters that
// XML cannot carry become U+FFFD.
#include <optional>
#include <string>
#include <string_view>

#include "xbase_engine/Translate.h"

namespace xbe {

class Table;

// Escaped UTF-8 for element content and attribute values.
std::string XmlText(std::string_view bytes);
// True when name can be an XML element name here (ASCII letters, digits,
// '_', '-', '.'; starting with a letter or '_').
bool IsXmlName(std::string_view name);
std::string Base64(std::string_view bytes);
// The current record of t as shown above; with a DOS page, character and memo
// text is translated from it first (xb_SetTranslate).
std::string RecordXml(Table& t, std::string_view element, std::optional<DosPage> translate);

}  // namespace xbe
