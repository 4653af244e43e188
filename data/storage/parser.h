// The lexical scanner of the data-access library: TParser, configurable, over a text or over a stream
// read in blocks, and TSQLParser, which knows SQL comments, quoting, keywords and the order of SQL
// clauses. A scanner hands out one lexem at a time as a code and its text and counts lines and columns.
//
// Codes: 0 the end; LexemSymbol (an unlisted symbol character), LexemIdent (an identifier, or a quoted
// identifier with its quotes), LexemNumber, LexemString, LexemBlank and LexemComment; positive codes
// name entries of the parser's symbol and keyword lists.
//
// Stream mode reads 64 KiB blocks and decodes each with the encoding; a character cut by a block's
// end is carried over to the next block. Blocks that no position still needs are dropped, and the
// positions are moved down (Offset grows) so that relative positions stay small while CurrPos()
// stays absolute.
#pragma once

#include "data/storage/encoding.h"

#include "core/stream.h"

#include <deque>
#include <utility>
#include <vector>

namespace data {

constexpr int LexemEnd = 0;
constexpr int LexemSymbol = -102;
constexpr int LexemIdent = -103;
constexpr int LexemNumber = -105;
constexpr int LexemString = -106;
constexpr int LexemBlank = -107;
constexpr int LexemComment = -108;

// A sorted list of lexem texts with their codes, searched by binary search with the ASCII letters of
// the input taken as upper case. Shared by every parser of a class; read-only once built.
class TLexemList {
public:
    TLexemList() = default;
    TLexemList(std::initializer_list<std::pair<const char16_t*, int>> entries);

    void Add(StringView text, int code);
    // The code of the leftmost entry equal to text, or 0.
    int Find(StringView text) const
    {
        const int index = IndexOf(text);
        return index < 0 ? 0 : m_entries[size_t(index)].second;
    }
    // The index of that entry, or -1.
    int IndexOf(StringView text) const;
    // The entry's own text for a code (the first with that code), or empty.
    const String& TextOf(int code) const;
    int Count() const { return int(m_entries.size()); }
    const String& Text(int index) const { return m_entries[size_t(index)].first; }
    int Code(int index) const { return m_entries[size_t(index)].second; }

private:
    std::vector<std::pair<String, int>> m_entries;  // sorted ordinally
    size_t m_longest = 0;
    // For each ASCII first character, the range of entries that start with it (the list is sorted, so
    // they are adjacent); a search looks only there.
    struct Range {
        uint16_t begin = 0, end = 0;
    };
    Range m_first[128] = {};
};

class TParser {
public:
    explicit TParser(StringView Text);
    // Reads from the stream's current position; no encoding means Encoding::Default(). The stream is
    // not owned.
    TParser(core::Stream* Stream, Encoding* AEncoding);
    virtual ~TParser() = default;
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    void SetText(StringView Text);
    void ToBegin();
    int GetNext(String& Lexem);
    int GetNextCode();
    int ToLexem(int Code);
    bool ToLexem(StringView Lexem);
    void Back();

    int64_t CurrPos() const { return Offset + Pos - 1; }
    int64_t PrevPos() const { return OldPos - 1; }
    int64_t PrevPrevPos() const { return OldOldPos - 1; }
    int64_t CurrLine() const { return FCurrLine; }
    int64_t PrevLine() const { return FPrevLine; }
    int64_t CurrCol() const { return Pos - FCurrBegLine; }
    int64_t PrevCol() const { return OldPos - FPrevBegLine; }

    bool OmitBlank() const { return FOmitBlank; }
    void SetOmitBlank(bool value) { FOmitBlank = value; }
    bool OmitComment() const { return FOmitComment; }
    void SetOmitComment(bool value) { FOmitComment = value; }
    bool Uppered() const { return FUppered; }
    void SetUppered(bool value) { FUppered = value; }
    bool QuotedString() const { return FQuotedString; }
    void SetQuotedString(bool value) { FQuotedString = value; }
    bool AdvancedStringParsing() const { return FAdvancedStringParsing; }
    void SetAdvancedStringParsing(bool value) { FAdvancedStringParsing = value; }
    bool OmitKeywords() const { return FOmitKeywords; }
    void SetOmitKeywords(bool value) { FOmitKeywords = value; }
    const String& DecSeparator() const { return FDecSeparator; }
    void SetDecSeparator(StringView value) { FDecSeparator = String(value); }
    const TLexemList* SymbolLexems() const { return FSymbolLexems; }
    const TLexemList* KeywordLexems() const { return FKeywordLexems; }

    // Characters dropped before position 1 (stream mode), and the length of the text relative to it.
    int64_t GetOffset() const { return Offset; }
    int TextLength() const;
    int64_t StreamLength() const { return FStreamLength; }
    // Bytes per block read from a stream (65536); tests lower it so that small inputs cross blocks.
    // Takes effect for the blocks read after the call.
    void SetBlockSize(int bytes) { m_block_size = bytes > 0 ? bytes : 1; }

protected:
    // The initialisation run by both constructors (a descendant's constructor runs its own after).
    virtual void InitParser();
    virtual bool IsBlankChar(Char Ch) const;
    virtual bool IsSymbolChar(Char Ch) const;
    virtual bool IsLetterChar(Char Ch) const;
    virtual bool IsDigitChar(Char Ch) const;
    virtual bool IsStringQuoteChar(Char Ch) const;
    virtual void SkipToQuoteCounted(Char Quote);
    virtual void SkipToQuote(Char Quote);
    virtual bool IsIdentQuoteChar(Char Ch) const;
    virtual bool StartsLineComment(int Position);

    void SetLists(const TLexemList* symbols, const TLexemList* keywords)
    {
        FSymbolLexems = symbols;
        FKeywordLexems = keywords;
    }

    // Whether a relative position holds a character (reading further blocks of a stream as needed),
    // and the character there.
    bool InText(int position)
    {
        if (m_stream == nullptr)
            return position <= m_text_length;
        const int64_t absolute = position + Offset;
        return absolute < m_loaded_end || LoadThrough(absolute);
    }
    Char At(int position) const
    {
        if (m_stream == nullptr)
            return m_text[size_t(position - 1)];
        const int64_t absolute = position + Offset;
        if (absolute >= m_current_start && absolute < m_loaded_end)
            return (*m_current)[size_t(absolute - m_current_start)];
        return RetainedAt(absolute);
    }
    // The text of `length` characters from a relative position.
    String Slice(int position, int length) const;
    // Counts a line break at Pos (CR, LF or CR LF) and moves past it; false when there is none.
    bool SkipLineBreak();

    int64_t OldPos = 1, OldOldPos = 1;
    bool FOmitBlank = true, FOmitComment = false, FUppered = true;
    int64_t FCurrLine = 0, FPrevLine = 0;
    int FCurrBegLine = 1;
    int64_t FPrevBegLine = 1;
    bool FQuotedString = false, FAdvancedStringParsing = false;
    int FSavedPos = -1, FLexemPos = -1, FLexemLength = 0;
    bool FAlternativeQuoting = false, FDollarQuoting = false;
    int Pos = 1;
    int64_t Offset = 0;
    const TLexemList* FSymbolLexems = nullptr;
    const TLexemList* FKeywordLexems = nullptr;
    bool FOmitKeywords = false;
    String FDesiredLexem;
    bool FDesiredLexemFound = false;
    String FLexem;
    String CommentBegin, CommentEnd, FDecSeparator;

private:
    int InternalGetNext();
    bool ScanComment(bool& found);
    int ScanSymbol();
    int ScanQuoted(Char quote);
    int ScanDollarQuoted();
    int ScanIdentifier();
    int ScanNumber();
    bool Matches(int position, StringView text);
    void ShiftPositions();

    // The character classes of ASCII, taken from the virtual tests once the object is complete (at the
    // first scan), so that the hot loops need no call per character.
    enum : uint8_t { kBlank = 1, kSymbol = 2, kLetter = 4, kDigit = 8 };
    uint8_t Classes(Char c) const { return c < 128 ? m_classes[c] : WideClasses(c); }
    uint8_t WideClasses(Char c) const;
    void BuildClasses();
    uint8_t m_classes[128] = {};
    bool m_classes_ready = false;

    // Stream mode.
    bool LoadThrough(int64_t absolute);
    bool ReadBlock();
    Char RetainedAt(int64_t absolute) const;
    void ResetStream();

    String m_text;  // text mode: the whole input
    int m_text_length = 0;

    struct Block {
        int64_t start = 1;  // absolute position of the first character
        String text;
    };
    core::Stream* m_stream = nullptr;
    Encoding* m_encoding = nullptr;
    int64_t FStartOffset = 0;
    int64_t FStreamLength = 0;
    std::deque<Block> m_blocks;  // retained blocks, the current one last
    const String* m_current = nullptr;
    int64_t m_current_start = 1;
    int64_t m_loaded_end = 1;  // absolute position after the last character read
    bool m_eof = false;
    TBytes m_pending;  // bytes of a character cut by the previous block's end
    TBytes m_read;
    int m_block_size = 65536;
};

class TSQLParser : public TParser {
public:
    explicit TSQLParser(StringView Text);
    TSQLParser(core::Stream* Stream, Encoding* AEncoding);

    virtual bool IsMacroAllowed(int Code) const { return Code != LexemString; }
    virtual bool IsNumericMacroNameAllowed() const { return false; }
    virtual bool IsSelectModifier(int Code) const { return Code == 100 || Code == 107; }
    virtual bool IsFunctionOrConst(StringView UpperedName) const { return UpperedName == u"NULL"; }
    virtual bool IsQuasiColumn(StringView) const { return false; }

    // Index of Code in the clause table, -1 when absent.
    int PosClauseLexem(int Code) const;
    bool IsClauseLexem(int Code) const { return PosClauseLexem(Code) != -1; }
    // -2 when either is no clause, else -1, 0 or 1 by their places in the table.
    int CompareClauseLexems(int Code1, int Code2) const;

protected:
    void InitParser() override;
    bool IsLetterChar(Char Ch) const override;
    bool IsStringQuoteChar(Char Ch) const override;
    bool IsIdentQuoteChar(Char Ch) const override;
    bool StartsLineComment(int Position) override;

    std::vector<int> FClauses;
};

// Unit start-up and shut-down: the shared symbol and keyword lists.
void InitParserUnit();
void DoneParserUnit();
const TLexemList& ParserSymbolLexems();
const TLexemList& ParserKeywordLexems();
const TLexemList& SQLSymbolLexems();
const TLexemList& SQLKeywordLexems();

} // namespace data
