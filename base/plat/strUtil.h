// Small helpers for NUL-terminated byte texts.
//
// Null pointers are accepted wherever a text is read and treated as stated
// per function. Nothing here blocks; only strDup, strSplitSet and
// strInsertEvery allocate (throwing std::bad_alloc on failure).
#pragma once

#include <plat/String.h>

#include <cstddef>
#include <set>

namespace plat {

// strlen with null counting as the empty text.
size_t strLen(const char* s);
// Length up to the first NUL or n bytes, whichever comes first; 0 for null.
size_t strBoundedLen(const char* s, size_t n);
// A malloc'd copy the caller frees; null stays null.
char* strDup(const char* s);

// ASCII case conversion in place (toupper/tolower); null is ignored.
void strToUpper(char* s);
void strToLower(char* s);

// The first character of s that is not space, tab, CR or LF (s itself when
// null).
const char* strSkipSpace(const char* s);
char* strSkipSpace(char* s);

// Whether text begins with prefix. A null prefix matches every text; a null
// text matches only the empty prefix.
bool strStartsWith(const char* text, const char* prefix);
// The same, comparing with strncasecmp over the prefix's length.
bool strStartsWithNoCase(const char* text, const char* prefix);

// The distinct non-empty pieces of text between occurrences of sep, sorted
// by strcmp. A null or empty text gives the empty set.
std::set<String> strSplitSet(const char* text, char sep);

// text with sep inserted after every k bytes, but not at the very end
// ("abcdef", 2, ':' gives "ab:cd:ef"). k == 0 copies text; null stays null.
String strInsertEvery(const char* text, size_t k, char sep);

// Whether c occurs in [begin, end).
bool strHasCharBefore(const char* begin, const char* end, char c);

} // namespace plat
