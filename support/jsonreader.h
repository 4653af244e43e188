// The JSON reader and path language: one character-driven state machine with an explicit stack of 32
// levels (no recursion), which reads text into values, or, given a context value, evaluates a path
// such as `a.b[2].c` or `m(1, 2)` against it, creating, storing, deleting or calling what it reaches.
//
// The syntax read is wider than JSON: /* */ and // comments, strings in single quotes, \x escapes,
// unquoted member names (up to the colon, blanks kept) and unquoted words (strings up to the next
// separator of the enclosing container), trailing commas, and empty array entries (read as "").
// Keywords are lower-case; "True" or "NULL" are words. Number text that is not a number ("1-2") is
// a word too, and integers beyond 64 bits read as doubles.
#pragma once

#include "support/jsonobject.h"
#include "support/jsonwriter.h"

#include <cstdint>

namespace core {
class Stream;
}

namespace support {

enum TJsonTokenerState : uint8_t {
    tsEatws,
    tsStart,
    tsFinish,
    tsNull,
    tsCommentStart,
    tsComment,
    tsCommentEol,
    tsCommentEnd,
    tsString,
    tsStringEscape,
    tsIdentifier,
    tsEscapeUnicode,
    tsEscapeHexadecimal,
    tsBoolean,
    tsNumber,
    tsArray,
    tsArrayAdd,
    tsArraySep,
    tsObjectFieldStart,
    tsObjectField,
    tsObjectUnquotedField,
    tsObjectFieldEnd,
    tsObjectValue,
    tsObjectValueAdd,
    tsObjectSep,
    tsEvalProperty,
    tsEvalArray,
    tsEvalMethod,
    tsParamValue,
    tsParamPut,
    tsMethodValue,
    tsMethodPut,
};

enum TJsonTokenizerError : uint8_t {
    teSuccess,
    teContinue,
    teDepth,
    teParseEof,
    teParseUnexpected,
    teParseNull,
    teParseBoolean,
    teParseNumber,
    teParseArray,
    teParseObjectKeyName,
    teParseObjectKeySep,
    teParseObjectValueSep,
    teParseString,
    teParseComment,
    teEvalObject,
    teEvalArray,
    teEvalMethod,
    teEvalInt,
};

struct TJsonTokenerSrec {
    TJsonTokenerState state = tsEatws;
    TJsonTokenerState saved_state = tsStart;
    JsonRef obj;      // the index or argument value of a path step
    JsonRef current;  // the value built or reached at this level
    String field_name;  // a member name read by the states (escapes decoded)
    StringView field;   // the member name to be stored: in the text, or field_name
    uint32_t field_hash = 0;
    TJsonSlot* member = nullptr;  // where the member being read goes (its entry is made first)
    JsonRef parent;
    JsonRef gparent;
};

inline constexpr int kJsonMaxDepth = 32;

// The machine's state between calls, so that text arriving in pieces resumes where it stopped.
class TJsonTokenizer {
public:
    TJsonTokenizer() { Reset(); }

    // Inline: the machine resets a level each time it leaves one.
    void ResetLevel(int d)
    {
        TJsonTokenerSrec& level = stack[d];
        level.state = tsEatws;
        level.saved_state = tsStart;
        level.obj = nullptr;
        level.current = nullptr;
        level.parent = nullptr;
        level.gparent = nullptr;
        level.field_name.clear();
        level.field = {};
        level.member = nullptr;
    }
    void Reset();

    TJsonWriterString pb;  // token buffer
    int depth = 0;
    int is_double = 0;
    int st_pos = 0;
    int64_t char_offset = 0;
    TJsonTokenizerError err = teSuccess;
    char16_t ucs_char = 0;
    char16_t quote_char = 0;
    int eval_count = 0;  // open index brackets and argument lists of a path
    JsonRef completed;   // the value of the level that finished last
    TJsonTokenerSrec stack[kJsonMaxDepth];
};

// Runs the machine over length units of text. With endsWithNul the text is followed by its
// terminating NUL (the end of the whole text); without, the text is one piece of a longer one, and a
// stop at its end leaves err teContinue (or teSuccess when a complete value lies behind).
JsonRef ParseEx(TJsonTokenizer& tok, const char16_t* text, int64_t length, bool endsWithNul, IJsonObject* self,
                TJsonFindOptions options, const JsonRef& put, TJsonType dt);

// The value of the text, or nil on an error or, when not partial, when text follows the value.
// self: the context value of a path (nil to read JSON).
JsonRef ParseString(StringView text, bool partial = true, IJsonObject* self = nullptr, TJsonFindOptions options = 0,
                    const JsonRef& put = nullptr, TJsonType dt = stNull, TJsonTokenizerError* error = nullptr);
// Bytes widened to one unit each (no code-page conversion), read in pieces of 1024; the end of the
// data ends the text.
JsonRef ParseStream(core::Stream& stream, bool partial = true, IJsonObject* self = nullptr, TJsonFindOptions options = 0,
                    const JsonRef& put = nullptr, TJsonType dt = stNull, TJsonTokenizerError* error = nullptr);
// The file, opened for reading with writing by others denied; nil when it cannot be opened.
JsonRef ParseFile(const String& fileName, bool partial = true, IJsonObject* self = nullptr, TJsonFindOptions options = 0,
                  const JsonRef& put = nullptr, TJsonType dt = stNull, TJsonTokenizerError* error = nullptr);

} // namespace support
