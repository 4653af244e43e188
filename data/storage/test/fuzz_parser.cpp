// Both scanners over arbitrary text, then over the same text encoded as UTF-8, code page 936 and
// UTF-16 and read from a stream in small blocks: stream mode must give the lexems of text mode, and the
// unknown-symbol error at the same place.
#include "data/storage/parser.h"
#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

using namespace data;

namespace {

struct Lexem {
    int code;
    String text;
    int64_t line, col, pos;
    bool operator==(const Lexem&) const = default;
};

constexpr int kUnknownSymbol = -1000;

std::vector<Lexem> Scan(TParser& parser, bool omitBlank, bool omitComment)
{
    parser.SetOmitBlank(omitBlank);
    parser.SetOmitComment(omitComment);
    parser.SetDecSeparator(u".");
    // A stream always counts the lines inside strings; text mode does when asked to.
    parser.SetAdvancedStringParsing(true);
    std::vector<Lexem> result;
    String text;
    try {
        for (int code; (code = parser.GetNext(text)) != LexemEnd;)
            result.push_back({code, text, parser.CurrLine(), parser.CurrCol(), parser.CurrPos()});
    } catch (const core::Exception&) {
        result.push_back({kUnknownSymbol, {}, parser.CurrLine(), parser.CurrCol(), parser.CurrPos()});
    }
    return result;
}

template<class P>
void Check(StringView input, bool omitBlank, bool omitComment, int blockSize)
{
    Encoding* encodings[] = {&Encoding::UTF8(), &Encoding::GetEncoding(936), &Encoding::Unicode()};
    for (Encoding* encoding : encodings) {
        const TBytes bytes = encoding->GetBytes(String(input));
        // The text that the bytes stand for: characters 936 lacks became "?".
        const String text = encoding->GetWideString(bytes);
        P textParser(text);
        const std::vector<Lexem> expected = Scan(textParser, omitBlank, omitComment);
        core::MemoryStream stream;
        stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
        stream.SetPosition(0);
        P streamParser(&stream, encoding);
        streamParser.SetBlockSize(blockSize);
        if (Scan(streamParser, omitBlank, omitComment) != expected)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    const String input = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    const int blockSize = 1 + (flags >> 3);
    if (flags & 1)
        Check<TSQLParser>(input, flags & 2, flags & 4, blockSize);
    else
        Check<TParser>(input, flags & 2, flags & 4, blockSize);
    return 0;
}
