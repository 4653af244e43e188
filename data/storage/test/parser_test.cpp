#include "data/storage/parser.h"

#include "core/codepage.h"
#include "core/exception.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace data;

namespace {

struct Lexem {
    int code;
    String text;
    friend bool operator==(const Lexem&, const Lexem&) = default;
};

std::ostream& operator<<(std::ostream& out, const Lexem& lexem)
{
    return out << lexem.code << " \"" << core::ToUtf8(lexem.text) << "\"";
}

std::vector<Lexem> Scan(TParser& parser)
{
    std::vector<Lexem> result;
    String text;
    for (int code; (code = parser.GetNext(text)) != LexemEnd;)
        result.push_back({code, text});
    return result;
}

template<class P>
std::vector<Lexem> ScanText(StringView text, bool omitComment = true, bool omitBlank = true)
{
    P parser(text);
    parser.SetOmitComment(omitComment);
    parser.SetOmitBlank(omitBlank);
    parser.SetDecSeparator(u".");
    return Scan(parser);
}

} // namespace

TEST(Lexer, SqlLexemsCommentsAndQuoting)
{
    using V = std::vector<Lexem>;
    EXPECT_EQ(ScanText<TSQLParser>(u"select a from t -- x"),
              (V{{136, u"SELECT"}, {LexemIdent, u"a"}, {111, u"FROM"}, {LexemIdent, u"t"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"select a from t -- x", false),
              (V{{136, u"SELECT"}, {LexemIdent, u"a"}, {111, u"FROM"}, {LexemIdent, u"t"}, {LexemComment, u"-- x"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"a--", false), (V{{LexemIdent, u"a"}, {LexemComment, u"--"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"a--"), (V{{LexemIdent, u"a"}}));
    EXPECT_EQ(ScanText<TParser>(u"--//x\ny", false), (V{{13, u"-"}, {13, u"-"}, {LexemComment, u"//x"}, {LexemIdent, u"y"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"'it''s'"), (V{{LexemString, u"it"}, {LexemString, u"s"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"\"Order\" order"), (V{{LexemIdent, u"\"Order\""}, {129, u"ORDER"}}));
    EXPECT_EQ(ScanText<TParser>(u"a_1#"), (V{{LexemIdent, u"a_1"}, {3, u"#"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"a_1#"), (V{{LexemIdent, u"a_1#"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"x /* never ends", false), (V{{LexemIdent, u"x"}, {LexemComment, u"/* never ends"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"/*/x", false), (V{{LexemComment, u"/*/"}, {LexemIdent, u"x"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"'open"), (V{{LexemString, u"open"}}));
    EXPECT_EQ(ScanText<TParser>(u"a and b"), (V{{LexemIdent, u"a"}, {29, u"AND"}, {LexemIdent, u"b"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"a , b", true, false),
              (V{{LexemIdent, u"a"}, {LexemBlank, u" "}, {4, u","}, {LexemBlank, u" "}, {LexemIdent, u"b"}}));
    EXPECT_EQ(ScanText<TSQLParser>(u"a<b"), (V{{LexemIdent, u"a"}, {LexemSymbol, u"<"}, {LexemIdent, u"b"}}));

    TSQLParser lower(u"order Select");
    lower.SetUppered(false);
    EXPECT_EQ(Scan(lower), (V{{129, u"order"}, {136, u"Select"}}));
    TSQLParser quoted(u"'a'");
    quoted.SetQuotedString(true);
    EXPECT_EQ(Scan(quoted), (V{{LexemString, u"'a'"}}));
    TSQLParser plain(u"select");
    plain.SetOmitKeywords(true);
    EXPECT_EQ(Scan(plain), (V{{LexemIdent, u"select"}}));
}

TEST(Lexer, NumbersFollowTheDecimalSeparator)
{
    using V = std::vector<Lexem>;
    EXPECT_EQ(ScanText<TSQLParser>(u"12.5 7."), (V{{LexemNumber, u"12.5"}, {LexemNumber, u"7"}, {5, u"."}}));
    TSQLParser comma(u"12.5");
    comma.SetDecSeparator(u",");
    EXPECT_EQ(Scan(comma), (V{{LexemNumber, u"12"}, {5, u"."}, {LexemNumber, u"5"}}));
}

TEST(Lexer, LinesColumnsPositionsAndBack)
{
    TParser parser(u"a\r\nb\rc\n");
    String text;
    EXPECT_EQ(parser.GetNext(text), LexemIdent);
    EXPECT_EQ(parser.GetNext(text), LexemIdent);
    EXPECT_EQ(text, u"b");
    EXPECT_EQ(parser.CurrLine(), 1);
    EXPECT_EQ(parser.CurrCol(), 1);
    EXPECT_EQ(parser.PrevPos(), 1);  // before the scan, at the line break
    EXPECT_EQ(parser.CurrPos(), 4);
    EXPECT_EQ(parser.PrevLine(), 0);
    parser.Back();
    EXPECT_EQ(parser.CurrPos(), 1);
    EXPECT_EQ(parser.GetNext(text), LexemIdent);
    EXPECT_EQ(text, u"b");
    EXPECT_EQ(parser.PrevPrevPos(), 1);
    EXPECT_EQ(parser.GetNext(text), LexemIdent);
    EXPECT_EQ(parser.GetNext(text), LexemEnd);
    // Back does not restore the line counter: the second pass over the break counted it again.
    EXPECT_EQ(parser.CurrLine(), 4);
    TParser once(u"a\r\nb\rc\n");
    EXPECT_EQ(Scan(once).size(), 3u);
    EXPECT_EQ(once.CurrLine(), 3);

    parser.ToBegin();
    EXPECT_EQ(parser.ToLexem(LexemEnd), LexemEnd);
    parser.SetText(u"a := :b");
    EXPECT_TRUE(parser.ToLexem(u":"));
    EXPECT_EQ(parser.CurrPos(), 3);
    EXPECT_TRUE(parser.ToLexem(u":"));
    EXPECT_EQ(parser.GetNextCode(), LexemIdent);
    EXPECT_FALSE(parser.ToLexem(u":"));
    parser.SetText(u"x Yz 12");
    EXPECT_TRUE(parser.ToLexem(u"yz"));
    EXPECT_TRUE(parser.ToLexem(u"12"));
}

TEST(Lexer, UnknownCharactersRaiseAndStayPut)
{
    TSQLParser parser(u"a \x07");
    EXPECT_EQ(parser.GetNextCode(), LexemIdent);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            parser.GetNextCode();
            ADD_FAILURE();
        } catch (const core::Exception& error) {
            EXPECT_EQ(error.Message(), u"Parser: The unknown symbol '\x07'  $0007");
        }
    }
}

TEST(Lexer, ClauseTable)
{
    TSQLParser parser(u"");
    EXPECT_EQ(parser.CompareClauseLexems(142, 129), -1);
    EXPECT_EQ(parser.CompareClauseLexems(129, 142), 1);
    EXPECT_EQ(parser.CompareClauseLexems(136, 142), -2);
    EXPECT_EQ(parser.CompareClauseLexems(113, 113), 0);
    EXPECT_EQ(parser.PosClauseLexem(117), 4);
    EXPECT_TRUE(parser.IsSelectModifier(107));
    EXPECT_TRUE(parser.IsFunctionOrConst(u"NULL"));
    EXPECT_FALSE(parser.IsMacroAllowed(LexemString));
}

TEST(Lexer, AlternativeAndDollarQuotingInDescendants)
{
    class Quoting : public TSQLParser {
    public:
        explicit Quoting(StringView text) : TSQLParser(text)
        {
            FAlternativeQuoting = true;
            FDollarQuoting = true;
        }
    };
    Quoting parser(u"q'[it's]' $tag$a$b$tag$ $1");
    EXPECT_EQ(Scan(parser), (std::vector<Lexem>{{LexemString, u"it's"}, {LexemString, u"a$b"}, {LexemSymbol, u"$"},
                                                {LexemNumber, u"1"}}));
}

// ---- stream mode --------------------------------------------------------------------------------

namespace {

std::unique_ptr<core::MemoryStream> StreamOf(const TBytes& bytes)
{
    auto stream = std::make_unique<core::MemoryStream>();
    stream->WriteBuffer(bytes.data(), int64_t(bytes.size()));
    stream->SetPosition(0);
    return stream;
}

} // namespace

TEST(LexerStream, SmallBlocksGiveTheLexemsOfTextMode)
{
    core::SetHostAnsiCodePage(936);
    String text = u"select \u4E2D\u6587, 'a long string value' from t -- comment\r\n where x = 12.5 /* \u6587 */;\n";
    for (int i = 0; i < 5; ++i)
        text += text;
    const std::vector<Lexem> expected = ScanText<TSQLParser>(text, false);
    Encoding* encodings[] = {&Encoding::UTF8(), &Encoding::Unicode(), &Encoding::GetEncoding(936)};
    for (Encoding* encoding : encodings) {
        for (int block : {1, 2, 3, 7, 64, 65536}) {
            auto stream = StreamOf(encoding->GetBytes(text));
            TSQLParser parser(stream.get(), encoding);
            parser.SetBlockSize(block);
            parser.SetOmitComment(false);
            parser.SetDecSeparator(u".");
            EXPECT_EQ(Scan(parser), expected) << encoding->CodePage() << " block " << block;
            EXPECT_EQ(parser.CurrPos(), int64_t(text.size()));
            EXPECT_EQ(parser.CurrLine(), 64);
        }
    }
}

TEST(LexerStream, ACharacterAcrossABlockBoundaryReadsWhole)
{
    // Each identifier's second character straddles the boundary of 4-byte blocks.
    const String text = u"a\u4E2D b\u6587 c\u4E2D";
    for (Encoding* encoding : {&Encoding::UTF8(), &Encoding::GetEncoding(936)}) {
        auto stream = StreamOf(encoding->GetBytes(text));
        TParser parser(stream.get(), encoding);
        parser.SetBlockSize(4);
        EXPECT_EQ(Scan(parser), (std::vector<Lexem>{{LexemIdent, u"a\u4E2D"}, {LexemIdent, u"b\u6587"},
                                                    {LexemIdent, u"c\u4E2D"}}));
    }
}

TEST(LexerStream, OffsetKeepsRelativePositionsSmallAndCurrPosAbsolute)
{
    String text;
    for (int i = 0; i < 2000; ++i)
        text += u"word" + core::IntToStr(i) + u"\n";
    auto stream = StreamOf(Encoding::Default().GetBytes(text));
    stream->SetPosition(0);
    TParser parser(stream.get(), nullptr);
    parser.SetBlockSize(256);
    EXPECT_EQ(parser.StreamLength(), int64_t(text.size()));
    String lexem;
    int count = 0;
    while (parser.GetNext(lexem) != LexemEnd) {
        ++count;
        const int64_t start = int64_t(text.find(u"word" + core::IntToStr(count - 1) + u"\n"));
        ASSERT_EQ(parser.CurrPos(), start + int64_t(lexem.size())) << count;
        ASSERT_EQ(parser.CurrCol(), int64_t(lexem.size()));
    }
    EXPECT_EQ(count, 2000);
    EXPECT_GT(parser.GetOffset(), int64_t(text.size()) - 600);
    EXPECT_EQ(parser.CurrLine(), 2000);
}

TEST(LexerStream, StartsAtTheStreamsPosition)
{
    auto stream = StreamOf(Encoding::UTF8().GetBytes(String(u"skip keep")));
    stream->SetPosition(5);
    TSQLParser parser(stream.get(), &Encoding::UTF8());
    EXPECT_EQ(parser.StreamLength(), 4);
    EXPECT_EQ(Scan(parser), (std::vector<Lexem>{{LexemIdent, u"keep"}}));
    parser.ToBegin();
    EXPECT_EQ(Scan(parser), (std::vector<Lexem>{{LexemIdent, u"keep"}}));
}
