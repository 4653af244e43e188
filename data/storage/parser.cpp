// The scanner. Text mode addresses the input in place; stream mode keeps the decoded blocks that a
// position may still need (the lexem in progress, the scanning mark, the start of the last scan for
// Back) and drops the rest before it reads the next block.
#include "data/storage/parser.h"

#include "data/storage/memutils.h"

#include "core/exception.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace data {

namespace {

constexpr Char CR = u'\r';
constexpr Char LF = u'\n';

Char UpperAscii(Char c)
{
    return c >= u'a' && c <= u'z' ? Char(c - 32) : c;
}

// Entry against input, the input's ASCII letters upper-cased; on equal prefixes the shorter first.
int CompareEntry(StringView entry, StringView input)
{
    const size_t n = std::min(entry.size(), input.size());
    for (size_t i = 0; i < n; ++i) {
        const Char a = entry[i], b = UpperAscii(input[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return entry.size() < input.size() ? -1 : entry.size() > input.size() ? 1 : 0;
}

[[noreturn]] void AssertionFailure()
{
    core::AssertFailed(u"Assertion failure", __FILE__, __LINE__);
}

struct Lists {
    TLexemList parser_symbols{
        {u"!", 1}, {u"\"", 2}, {u"#", 3}, {u"$", 4}, {u"%", 5}, {u"&", 6}, {u"'", 7}, {u"(", 8}, {u")", 9},
        {u"*", 10}, {u"+", 11}, {u",", 12}, {u"-", 13}, {u".", 14}, {u"/", 15}, {u":", 16}, {u";", 17},
        {u"<", 18}, {u"=", 19}, {u">", 20}, {u"?", 21}, {u"@", 22}, {u"[", 23}, {u"\\", 24}, {u"]", 25},
        {u"^", 26}, {u"_", 27}, {u"`", 28}};
    TLexemList parser_keywords{{u"AND", 29}, {u"NOT", 30}, {u"OR", 31}};
    TLexemList sql_symbols{{u"*", 1}, {u"=", 2}, {u":", 3}, {u",", 4}, {u".", 5}, {u"/", 6}, {u";", 7}};
    TLexemList sql_keywords{
        {u"ALL", 100}, {u"AND", 101}, {u"AS", 102}, {u"BEGIN", 103}, {u"BY", 104}, {u"COMMIT", 105},
        {u"DELETE", 106}, {u"EXECUTE", 108}, {u"FETCH", 109}, {u"FOR", 110}, {u"FROM", 111},
        {u"FULL", 112}, {u"GROUP", 113}, {u"HAVING", 114}, {u"INNER", 115}, {u"INSERT", 116},
        {u"INTO", 118}, {u"IS", 119}, {u"JOIN", 120}, {u"LEFT", 121}, {u"LIMIT", 122}, {u"LOCK", 123},
        {u"MINUS", 124}, {u"NOT", 125}, {u"OFFSET", 126}, {u"ON", 127}, {u"OR", 128}, {u"ORDER", 129},
        {u"OUTER", 130}, {u"RELEASE", 131}, {u"RETURNING", 132}, {u"RIGHT", 133}, {u"ROLLBACK", 134},
        {u"SAVEPOINT", 135}, {u"SELECT", 136}, {u"SET", 137}, {u"TO", 138}, {u"TRANSACTION", 139},
        {u"UNION", 140}, {u"UPDATE", 141}, {u"WHERE", 142}};
};

Lists* g_lists = nullptr;
int g_init_count = 0;

const Lists& SharedLists()
{
    CORE_ASSERT(g_lists, u"Parser unit is not initialised");
    return *g_lists;
}

} // namespace

// ---- TLexemList ---------------------------------------------------------------------------------

TLexemList::TLexemList(std::initializer_list<std::pair<const char16_t*, int>> entries)
{
    for (const auto& [text, code] : entries)
        Add(text, code);
}

void TLexemList::Add(StringView text, int code)
{
    if (code <= 0)
        AssertionFailure();
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), text,
                                     [](StringView t, const auto& entry) { return t < StringView(entry.first); });
    m_entries.insert(at, {String(text), code});
    m_longest = std::max(m_longest, text.size());
    for (Range& range : m_first)
        range = Range();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const String& entry = m_entries[i].first;
        if (entry.empty() || entry[0] >= 128)
            continue;
        Range& range = m_first[entry[0]];
        if (range.begin == range.end)
            range.begin = uint16_t(i);
        range.end = uint16_t(i + 1);
    }
}

int TLexemList::IndexOf(StringView text) const
{
    // A text longer than every entry equals none; a shorter one is upper-cased once, so that the
    // search compares plain code units.
    if (text.size() > m_longest || text.empty())
        return -1;
    Char upper[64];
    if (text.size() > std::size(upper))
        return -1;
    for (size_t i = 0; i < text.size(); ++i)
        upper[i] = UpperAscii(text[i]);
    const StringView key(upper, text.size());
    size_t low = 0, high = m_entries.size();
    if (upper[0] < 128) {
        low = m_first[upper[0]].begin;
        high = m_first[upper[0]].end;
    }
    while (low < high) {
        const size_t middle = (low + high) / 2;
        if (StringView(m_entries[middle].first) < key)
            low = middle + 1;
        else
            high = middle;
    }
    if (low < m_entries.size() && StringView(m_entries[low].first) == key)
        return int(low);
    return -1;
}

const String& TLexemList::TextOf(int code) const
{
    static const String empty;
    for (const auto& entry : m_entries)
        if (entry.second == code)
            return entry.first;
    return empty;
}

// ---- TParser: construction ----------------------------------------------------------------------

TParser::TParser(StringView Text) : m_text(Text), m_text_length(int(std::min<size_t>(Text.size(), INT_MAX)))
{
    TParser::InitParser();
}

TParser::TParser(core::Stream* Stream, Encoding* AEncoding)
    : m_stream(Stream), m_encoding(AEncoding ? AEncoding : &Encoding::Default())
{
    FStartOffset = m_stream->Position();
    FStreamLength = m_stream->Size() - FStartOffset;
    if (m_encoding == &Encoding::Unicode())
        FStreamLength /= 2;
    TParser::InitParser();
}

void TParser::InitParser()
{
    SetLists(&ParserSymbolLexems(), &ParserKeywordLexems());
    CommentBegin = u"/*";
    CommentEnd = u"*/";
    FDecSeparator = platform::DecimalSeparator();
    FOmitBlank = true;
    FUppered = true;
    FQuotedString = false;
    FOmitComment = false;
    FAdvancedStringParsing = false;
    FAlternativeQuoting = false;
    FDollarQuoting = false;
    m_classes_ready = false;
    ToBegin();
}

void TParser::SetText(StringView Text)
{
    CORE_ASSERT(m_stream == nullptr, u"Assertion failure");
    m_text = String(Text);
    m_text_length = int(std::min<size_t>(Text.size(), INT_MAX));
    ToBegin();
}

void TParser::ToBegin()
{
    Pos = 1;
    OldPos = OldOldPos = 1;
    FCurrBegLine = 1;
    FPrevBegLine = 1;
    FCurrLine = FPrevLine = 0;
    Offset = 0;
    FLexemPos = FSavedPos = -1;
    FLexemLength = 0;
    if (m_stream)
        ResetStream();
}

int TParser::TextLength() const
{
    if (!m_stream)
        return m_text_length;
    const int64_t end = m_eof ? m_loaded_end - 1 : std::max(FStreamLength, m_loaded_end - 1);
    return int(std::min<int64_t>(end - Offset, INT_MAX));
}

// ---- character classes --------------------------------------------------------------------------

bool TParser::IsBlankChar(Char Ch) const
{
    return Ch == 9 || Ch == 10 || Ch == 13 || Ch == 32;
}

bool TParser::IsSymbolChar(Char Ch) const
{
    return (Ch >= 33 && Ch <= 47) || (Ch >= 58 && Ch <= 64) || (Ch >= 91 && Ch <= 94) || Ch == 96 ||
        (Ch >= 123 && Ch <= 126);
}

bool TParser::IsLetterChar(Char Ch) const
{
    return (Ch >= u'A' && Ch <= u'Z') || (Ch >= u'a' && Ch <= u'z') || Ch >= 128;
}

bool TParser::IsDigitChar(Char Ch) const
{
    return Ch >= u'0' && Ch <= u'9';
}

bool TParser::IsStringQuoteChar(Char Ch) const
{
    return Ch == u'\'' || Ch == u'"';
}

bool TParser::IsIdentQuoteChar(Char) const
{
    return false;
}

void TParser::SkipToQuoteCounted(Char Quote)
{
    while (InText(Pos) && At(Pos) != Quote)
        if (!SkipLineBreak())
            ++Pos;
}

void TParser::SkipToQuote(Char Quote)
{
    if (FAdvancedStringParsing || m_stream) {
        SkipToQuoteCounted(Quote);
        return;
    }
    const size_t at = StringView(m_text).substr(0, size_t(m_text_length)).find(Quote, size_t(Pos - 1));
    Pos = at == StringView::npos ? m_text_length + 1 : int(at) + 1;
}

bool TParser::StartsLineComment(int Position)
{
    return InText(Position) && InText(Position + 1) && At(Position) == u'/' && At(Position + 1) == u'/';
}

// ---- scanning -----------------------------------------------------------------------------------

bool TParser::SkipLineBreak()
{
    const Char c = At(Pos);
    if (c == CR) {
        ++Pos;
        if (InText(Pos) && At(Pos) == LF)
            ++Pos;
    } else if (c == LF) {
        ++Pos;
    } else {
        return false;
    }
    ++FCurrLine;
    FCurrBegLine = Pos;
    return true;
}

bool TParser::Matches(int position, StringView text)
{
    for (size_t k = 0; k < text.size(); ++k)
        if (!InText(position + int(k)) || At(position + int(k)) != text[k])
            return false;
    return !text.empty();
}

void TParser::ShiftPositions()
{
    if (m_blocks.empty())
        return;
    const int64_t first = m_blocks.front().start;
    const int64_t delta = first - 1 - Offset;
    if (delta <= 0 || FCurrBegLine + Offset < first)
        return;
    Pos -= int(delta);
    FCurrBegLine -= int(delta);
    Offset += delta;
}

bool TParser::ScanComment(bool& found)
{
    const int start = Pos;
    found = false;
    if (StartsLineComment(Pos)) {
        Pos += 2;
        while (InText(Pos) && At(Pos) != CR && At(Pos) != LF)
            ++Pos;
        found = true;
    } else if (!CommentBegin.empty() && At(Pos) == CommentBegin[0] && Matches(Pos, CommentBegin)) {
        // The end is looked for from the first character of the opening, so "/*/" is complete.
        while (InText(Pos)) {
            if (Matches(Pos, CommentEnd)) {
                Pos += int(CommentEnd.size());
                break;
            }
            if (!SkipLineBreak())
                ++Pos;
        }
        found = true;
    }
    if (found) {
        FLexemPos = start;
        FLexemLength = Pos - start;
    }
    return found;
}

int TParser::ScanQuoted(Char quote)
{
    const int start = Pos;
    ++Pos;
    SkipToQuote(quote);
    const int end = Pos;
    if (InText(Pos))
        ++Pos;  // the closing quote
    if (FQuotedString || (IsIdentQuoteChar(quote) && !IsStringQuoteChar(quote))) {
        FLexemPos = start;
        FLexemLength = Pos - start;
    } else {
        FLexemPos = start + 1;
        FLexemLength = end - start - 1;
    }
    return IsStringQuoteChar(quote) ? LexemString : LexemIdent;
}

int TParser::ScanDollarQuoted()
{
    const int start = Pos;
    int p = Pos + 1;
    while (InText(p) && At(p) != u'$')
        ++p;
    const String closing = u"$" + Slice(Pos + 1, p - Pos - 1) + u"$";
    Pos = InText(p) ? p + 1 : p;
    const int body = Pos;
    while (InText(Pos) && !Matches(Pos, closing))
        if (!SkipLineBreak())
            ++Pos;
    const int bodyEnd = Pos;
    if (InText(Pos))
        Pos += int(closing.size());
    if (FQuotedString) {
        FLexemPos = start;
        FLexemLength = Pos - start;
    } else {
        FLexemPos = body;
        FLexemLength = bodyEnd - body;
    }
    return LexemString;
}

int TParser::ScanSymbol()
{
    const Char c = At(Pos);
    if (IsStringQuoteChar(c))
        return ScanQuoted(c);
    if (IsIdentQuoteChar(c))
        return ScanQuoted(c);
    if (FDollarQuoting && c == u'$' && !(InText(Pos + 1) && IsDigitChar(At(Pos + 1))))
        return ScanDollarQuoted();

    FLexemPos = Pos;
    String text(1, c);
    int index = FSymbolLexems ? FSymbolLexems->IndexOf(text) : -1;
    if (index < 0) {
        ++Pos;
        FLexemLength = 1;
        return LexemSymbol;
    }
    int p = Pos + 1;
    while (InText(p)) {
        text += At(p);
        const int longer = FSymbolLexems->IndexOf(text);
        if (longer < 0)
            break;
        index = longer;
        ++p;
    }
    FLexemLength = p - Pos;
    Pos = p;
    FLexem = FSymbolLexems->Text(index);
    return FSymbolLexems->Code(index);
}

int TParser::ScanIdentifier()
{
    const int start = Pos;
    const Char c = At(Pos);
    if (FAlternativeQuoting && (c == u'q' || c == u'Q') && InText(Pos + 2) && IsStringQuoteChar(At(Pos + 1))) {
        const Char quote = At(Pos + 1);
        const Char open = At(Pos + 2);
        const Char close = open == u'(' ? u')' : open == u'<' ? u'>' : open == u'[' ? u']' : open == u'{' ? u'}' : open;
        Pos += 3;
        while (InText(Pos) && !(At(Pos) == close && InText(Pos + 1) && At(Pos + 1) == quote))
            if (!SkipLineBreak())
                ++Pos;
        const int bodyEnd = Pos;
        if (InText(Pos))
            Pos += 2;
        if (FQuotedString) {
            FLexemPos = start;
            FLexemLength = Pos - start;
        } else {
            FLexemPos = start + 3;
            FLexemLength = bodyEnd - start - 3;
        }
        return LexemString;
    }
    ++Pos;
    if (!m_stream) {
        // Text mode: the characters are addressed in place.
        const Char* text = m_text.data() - 1;
        while (Pos <= m_text_length) {
            const Char d = text[Pos];
            if (!((Classes(d) & (kLetter | kDigit)) || d == u'_'))
                break;
            ++Pos;
        }
    } else {
        while (InText(Pos)) {
            const Char d = At(Pos);
            if (!((Classes(d) & (kLetter | kDigit)) || d == u'_'))
                break;
            ++Pos;
        }
    }
    FLexemPos = start;
    FLexemLength = Pos - start;
    return LexemIdent;
}

int TParser::ScanNumber()
{
    const int start = Pos;
    while (InText(Pos) && (Classes(At(Pos)) & kDigit))
        ++Pos;
    const int separator = int(FDecSeparator.size());
    if (separator && Matches(Pos, FDecSeparator) && InText(Pos + separator) && IsDigitChar(At(Pos + separator))) {
        Pos += separator;
        while (InText(Pos) && (Classes(At(Pos)) & kDigit))
            ++Pos;
    }
    FLexemPos = start;
    FLexemLength = Pos - start;
    return LexemNumber;
}

uint8_t TParser::WideClasses(Char c) const
{
    return uint8_t((IsBlankChar(c) ? kBlank : 0) | (IsSymbolChar(c) ? kSymbol : 0) | (IsLetterChar(c) ? kLetter : 0) |
                   (IsDigitChar(c) ? kDigit : 0));
}

void TParser::BuildClasses()
{
    for (Char c = 0; c < 128; ++c)
        m_classes[c] = uint8_t((IsBlankChar(c) ? kBlank : 0) | (IsSymbolChar(c) ? kSymbol : 0) |
                               (IsLetterChar(c) ? kLetter : 0) | (IsDigitChar(c) ? kDigit : 0));
    m_classes_ready = true;
}

int TParser::InternalGetNext()
{
    if (!m_classes_ready)
        BuildClasses();
    OldOldPos = OldPos;
    OldPos = Pos + Offset;
    FPrevLine = FCurrLine;
    FPrevBegLine = FCurrBegLine + Offset;
    FLexemPos = FSavedPos = -1;
    FLexemLength = 0;
    if (m_stream) {
        ShiftPositions();
        OldPos = Pos + Offset;
        FPrevBegLine = FCurrBegLine + Offset;
    }

    for (;;) {
        if (!InText(Pos))
            return LexemEnd;
        const int start = Pos;
        while (InText(Pos)) {
            const Char c = At(Pos);
            if (!(Classes(c) & kBlank))
                break;
            if (c == CR || c == LF)
                SkipLineBreak();
            else
                ++Pos;
        }
        if (Pos > start && !FOmitBlank) {
            FLexemPos = start;
            FLexemLength = Pos - start;
            return LexemBlank;
        }
        if (!InText(Pos))
            return LexemEnd;
        bool comment = false;
        ScanComment(comment);
        if (!comment)
            break;
        if (!FOmitComment)
            return LexemComment;
        FLexemPos = -1;
        FLexemLength = 0;
    }

    const Char c = At(Pos);
    const uint8_t classes = Classes(c);
    if (classes & kSymbol)
        return ScanSymbol();
    if ((classes & kLetter) || c == u'_')
        return ScanIdentifier();
    if (classes & kDigit)
        return ScanNumber();
    throw core::Exception(u"Parser: The unknown symbol '" + String(1, c) + u"'  $" + core::IntToHex(c, 4));
}

int TParser::GetNext(String& Lexem)
{
    int code = InternalGetNext();
    if (code > 0)
        Lexem = FLexem;
    else if (code == LexemEnd)
        Lexem.clear();
    else if (!m_stream)
        Lexem.assign(m_text, size_t(FLexemPos - 1), size_t(FLexemLength));  // reuses the caller's buffer
    else
        Lexem = Slice(FLexemPos, FLexemLength);
    if (code == LexemIdent && !FOmitKeywords && FKeywordLexems) {
        const int keyword = FKeywordLexems->Find(Lexem);
        if (keyword) {
            code = keyword;
            if (FUppered) {
                // Keywords are mostly ASCII: upper-cased in place; anything else by the locale.
                if (std::all_of(Lexem.begin(), Lexem.end(), [](Char c) { return c < 128; }))
                    std::transform(Lexem.begin(), Lexem.end(), Lexem.begin(), UpperAscii);
                else
                    Lexem = StrToUpper(Lexem);
            }
        }
    }
    return code;
}

int TParser::GetNextCode()
{
    String lexem;
    return GetNext(lexem);
}

int TParser::ToLexem(int Code)
{
    int code;
    do
        code = GetNextCode();
    while (code != Code && code != LexemEnd);
    return code;
}

bool TParser::ToLexem(StringView Lexem)
{
    FDesiredLexem = StrToUpper(Lexem);
    FDesiredLexemFound = false;
    String lexem;
    for (;;) {
        const int code = GetNext(lexem);
        if (code == LexemEnd)
            break;
        const bool word = code == LexemIdent || code == LexemNumber || (code > 0 && FKeywordLexems &&
                                                                          FKeywordLexems->Find(lexem) == code);
        if (word ? CompareEntry(FDesiredLexem, lexem) == 0 : lexem == FDesiredLexem) {
            FDesiredLexemFound = true;
            break;
        }
    }
    FDesiredLexem.clear();
    return FDesiredLexemFound;
}

void TParser::Back()
{
    Pos = int(OldPos - Offset);
}

String TParser::Slice(int position, int length) const
{
    if (length <= 0)
        return {};
    if (!m_stream)
        return m_text.substr(size_t(position - 1), size_t(length));
    const int64_t absolute = position + Offset;
    if (absolute >= m_current_start && absolute + length <= m_loaded_end)
        return m_current->substr(size_t(absolute - m_current_start), size_t(length));
    // A lexem across blocks is assembled from the retained ones.
    String result;
    result.reserve(size_t(length));
    for (const Block& block : m_blocks) {
        const int64_t from = std::max(absolute, block.start);
        const int64_t to = std::min<int64_t>(absolute + length, block.start + int64_t(block.text.size()));
        if (from < to)
            result.append(block.text, size_t(from - block.start), size_t(to - from));
    }
    if (int(result.size()) != length)
        AssertionFailure();
    return result;
}

// ---- stream mode --------------------------------------------------------------------------------

void TParser::ResetStream()
{
    if (m_loaded_end > 1 || !m_pending.empty() || m_eof)
        m_stream->SetPosition(FStartOffset);
    m_blocks.clear();
    m_current = nullptr;
    m_current_start = 1;
    m_loaded_end = 1;
    m_eof = false;
    m_pending.clear();
}

Char TParser::RetainedAt(int64_t absolute) const
{
    for (const Block& block : m_blocks)
        if (absolute >= block.start && absolute < block.start + int64_t(block.text.size()))
            return block.text[size_t(absolute - block.start)];
    AssertionFailure();
}

bool TParser::LoadThrough(int64_t absolute)
{
    while (absolute >= m_loaded_end && !m_eof)
        ReadBlock();
    return absolute < m_loaded_end;
}

bool TParser::ReadBlock()
{
    // Drop the blocks that no position still needs.
    int64_t needed = std::min<int64_t>(Pos + Offset, OldPos);
    if (FLexemPos >= 0)
        needed = std::min<int64_t>(needed, FLexemPos + Offset);
    if (FSavedPos >= 0)
        needed = std::min<int64_t>(needed, FSavedPos + Offset);
    while (!m_blocks.empty() && m_blocks.front().start + int64_t(m_blocks.front().text.size()) <= needed)
        m_blocks.pop_front();

    for (;;) {
        m_read = m_pending;
        const size_t kept = m_read.size();
        m_read.resize(kept + size_t(m_block_size));
        const int64_t got = m_stream->Read(m_read.data() + kept, m_block_size);
        m_read.resize(kept + size_t(got > 0 ? got : 0));
        if (got <= 0)
            m_eof = true;
        const int count = m_eof ? int(m_read.size()) : m_encoding->CompleteByteCount(m_read.data(), int(m_read.size()));
        m_pending.assign(m_read.begin() + count, m_read.end());
        String text = count > 0 ? m_encoding->GetWideString(m_read, 0, count) : String();
        if (!text.empty()) {
            const int64_t start = m_loaded_end;
            m_loaded_end += int64_t(text.size());
            m_blocks.push_back(Block{start, std::move(text)});
            m_current = &m_blocks.back().text;
            m_current_start = start;
            return true;
        }
        if (m_eof)
            return false;
    }
}

// ---- TSQLParser ---------------------------------------------------------------------------------

TSQLParser::TSQLParser(StringView Text) : TParser(Text)
{
    TSQLParser::InitParser();
}

TSQLParser::TSQLParser(core::Stream* Stream, Encoding* AEncoding) : TParser(Stream, AEncoding)
{
    TSQLParser::InitParser();
}

void TSQLParser::InitParser()
{
    TParser::InitParser();
    SetLists(&SQLSymbolLexems(), &SQLKeywordLexems());
    FClauses = {142, 113, 114, 140, 117, 124, 129};
}

bool TSQLParser::IsLetterChar(Char Ch) const
{
    return TParser::IsLetterChar(Ch) || Ch == u'#' || Ch == u'$';
}

bool TSQLParser::IsStringQuoteChar(Char Ch) const
{
    return Ch == u'\'';
}

bool TSQLParser::IsIdentQuoteChar(Char Ch) const
{
    return Ch == u'"';
}

bool TSQLParser::StartsLineComment(int Position)
{
    return InText(Position) && InText(Position + 1) && At(Position) == u'-' && At(Position + 1) == u'-';
}

int TSQLParser::PosClauseLexem(int Code) const
{
    if (FClauses.empty())
        AssertionFailure();
    const auto at = std::find(FClauses.begin(), FClauses.end(), Code);
    return at == FClauses.end() ? -1 : int(at - FClauses.begin());
}

int TSQLParser::CompareClauseLexems(int Code1, int Code2) const
{
    const int a = PosClauseLexem(Code1), b = PosClauseLexem(Code2);
    if (a == -1 || b == -1)
        return -2;
    return a < b ? -1 : a > b ? 1 : 0;
}

// ---- unit ---------------------------------------------------------------------------------------

void InitParserUnit()
{
    if (g_init_count++ == 0)
        g_lists = new Lists;
}

void DoneParserUnit()
{
    if (g_init_count > 0 && --g_init_count == 0) {
        delete g_lists;
        g_lists = nullptr;
    }
}

const TLexemList& ParserSymbolLexems() { return SharedLists().parser_symbols; }
const TLexemList& ParserKeywordLexems() { return SharedLists().parser_keywords; }
const TLexemList& SQLSymbolLexems() { return SharedLists().sql_symbols; }
const TLexemList& SQLKeywordLexems() { return SharedLists().sql_keywords; }

} // namespace data
