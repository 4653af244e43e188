// The lexer and the XML writer against yardsticks measured in the same run:
// - TSQLParser over 8 MB of SQL against a hand-written tokenizer loop with the same token kinds and a
//   binary search of the same keywords;
// - the UTF-8 stream mode of TSQLParser against its text mode over the same text;
// - XmlTextWriter writing 100,000 rows of four attributes against libxml2's text writer writing the
//   same document (libxml2 closes an empty element with "/>" where ours writes " />": one byte a row).
// Prints medians of the rounds and the ratios.
#include "data/storage/parser.h"
#include "data/storage/storage.h"
#include "data/storage/xmlwriter.h"

#include "bench/timing.h"

#include <libxml/xmlwriter.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace data;

namespace {

using Clock = std::chrono::steady_clock;

using bench::Median;
using bench::Seconds;

String MakeSql(size_t chars)
{
    const String statements[] = {
        u"select a.id, a.name, b.total from accounts a inner join orders b on a.id = b.account_id where b.total > 12.5 order by a.name;\r\n",
        u"update nodes set address = 'vpn-01.example', port = 1723 where id = 42; -- move the node\r\n",
        u"insert into log (stamp, message) values (:stamp, 'it''s done') /* audit */;\r\n",
        u"delete from \"Sessions\" where started < :limit and user_name is not null;\r\n",
    };
    String sql;
    sql.reserve(chars + 200);
    for (size_t i = 0; sql.size() < chars; ++i)
        sql += statements[i % 4];
    return sql;
}

// The yardstick: the same token kinds (blanks and comments skipped, strings, quoted identifiers,
// identifiers with keyword lookup, numbers with a decimal point, symbols), written as one loop.
struct HandTokenizer {
    std::vector<std::pair<String, int>> keywords;

    explicit HandTokenizer(const TLexemList& list)
    {
        for (int i = 0; i < list.Count(); ++i)
            keywords.emplace_back(list.Text(i), list.Code(i));
    }

    static Char Upper(Char c) { return c >= u'a' && c <= u'z' ? Char(c - 32) : c; }

    int Keyword(const Char* p, size_t n) const
    {
        size_t low = 0, high = keywords.size();
        while (low < high) {
            const size_t mid = (low + high) / 2;
            const String& k = keywords[mid].first;
            int order = 0;
            for (size_t i = 0; i < std::min(n, k.size()) && !order; ++i)
                order = k[i] < Upper(p[i]) ? -1 : k[i] > Upper(p[i]) ? 1 : 0;
            if (!order)
                order = k.size() < n ? -1 : k.size() > n ? 1 : 0;
            if (order < 0)
                low = mid + 1;
            else
                high = mid;
        }
        return low < keywords.size() && keywords[low].first.size() == n &&
                std::equal(p, p + n, keywords[low].first.begin(), [](Char a, Char b) { return Upper(a) == b; })
            ? keywords[low].second
            : 0;
    }

    static bool Letter(Char c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 128 || c == u'#' || c == u'$'; }
    static bool Digit(Char c) { return c >= u'0' && c <= u'9'; }

    size_t Run(const String& text, size_t& checksum) const
    {
        const Char* s = text.data();
        const size_t n = text.size();
        size_t i = 0, count = 0;
        String lexem;
        while (i < n) {
            const Char c = s[i];
            if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
                ++i;
                continue;
            }
            if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
                while (i < n && s[i] != u'\r' && s[i] != u'\n')
                    ++i;
                continue;
            }
            if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
                size_t j = i;
                while (j < n && !(s[j] == u'*' && j + 1 < n && s[j + 1] == u'/'))
                    ++j;
                i = j < n ? j + 2 : n;
                continue;
            }
            const size_t start = i;
            int code;
            if (c == u'\'' || c == u'"') {
                size_t j = i + 1;
                while (j < n && s[j] != c)
                    ++j;
                i = j < n ? j + 1 : n;
                code = c == u'\'' ? LexemString : LexemIdent;
                lexem.assign(s + start + (c == u'\''), i - start - (c == u'\'' ? 2 : 0));
            } else if (Letter(c) || c == u'_') {
                ++i;
                while (i < n && (Letter(s[i]) || Digit(s[i]) || s[i] == u'_'))
                    ++i;
                code = Keyword(s + start, i - start);
                lexem.assign(s + start, i - start);
                if (!code)
                    code = LexemIdent;
            } else if (Digit(c)) {
                while (i < n && Digit(s[i]))
                    ++i;
                if (i + 1 < n && s[i] == u'.' && Digit(s[i + 1])) {
                    ++i;
                    while (i < n && Digit(s[i]))
                        ++i;
                }
                code = LexemNumber;
                lexem.assign(s + start, i - start);
            } else {
                ++i;
                code = LexemSymbol;
                lexem.assign(1, c);
            }
            checksum += size_t(code) + lexem.size();
            ++count;
        }
        return count;
    }
};

size_t RunParser(TParser& parser, size_t& checksum)
{
    parser.SetDecSeparator(u".");
    parser.SetOmitComment(true);  // the yardstick skips comments too
    String lexem;
    size_t count = 0;
    for (int code; (code = parser.GetNext(lexem)) != LexemEnd; ++count)
        checksum += size_t(code) + lexem.size();
    return count;
}

constexpr int kRows = 100000;

std::string OurXml()
{
    core::MemoryStream stream;
    StreamWriter writer(&stream, &Encoding::UTF8());
    XmlTextWriter xml(&writer);
    xml.WriteStartElement(u"rows");
    String number;
    for (int i = 0; i < kRows; ++i) {
        number = core::IntToStr(i);
        xml.WriteStartElement(u"row");
        xml.WriteAttributeString(u"id", number);
        xml.WriteAttributeString(u"name", u"node-name");
        xml.WriteAttributeString(u"address", u"10.0.0.1");
        xml.WriteAttributeString(u"port", u"1723");
        xml.WriteEndElement();
    }
    xml.WriteEndElement();
    xml.Close();
    stream.SetPosition(0);
    return stream.ReadToEnd();
}

std::string LibXml()
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
    xmlTextWriterStartElement(w, BAD_CAST "rows");
    char number[16];
    for (int i = 0; i < kRows; ++i) {
        xmlTextWriterWriteRaw(w, BAD_CAST "\r\n");
        std::snprintf(number, sizeof number, "%d", i);
        xmlTextWriterStartElement(w, BAD_CAST "row");
        xmlTextWriterWriteAttribute(w, BAD_CAST "id", BAD_CAST number);
        xmlTextWriterWriteAttribute(w, BAD_CAST "name", BAD_CAST "node-name");
        xmlTextWriterWriteAttribute(w, BAD_CAST "address", BAD_CAST "10.0.0.1");
        xmlTextWriterWriteAttribute(w, BAD_CAST "port", BAD_CAST "1723");
        xmlTextWriterEndElement(w);
    }
    xmlTextWriterWriteRaw(w, BAD_CAST "\r\n");
    xmlTextWriterEndElement(w);
    xmlTextWriterFlush(w);
    std::string result(reinterpret_cast<const char*>(xmlBufferContent(buffer)), size_t(xmlBufferLength(buffer)));
    xmlFreeTextWriter(w);
    xmlBufferFree(buffer);
    return result;
}

} // namespace

int main()
{
    InitStorageUnits();
    const String sql = MakeSql(8u << 20);
    const TBytes utf8 = Encoding::UTF8().GetBytes(sql);
    const HandTokenizer hand(SQLKeywordLexems());

    constexpr int kRounds = 5;
    std::vector<double> parser_times, hand_times, stream_times, ours_times, libxml_times;
    size_t parser_tokens = 0, hand_tokens = 0, stream_tokens = 0, sum1 = 0, sum2 = 0, sum3 = 0;
    size_t ours_bytes = 0, libxml_bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        hand_times.push_back(Seconds([&] { hand_tokens = hand.Run(sql, sum2); }));
        parser_times.push_back(Seconds([&] {
            TSQLParser parser(sql);
            parser_tokens = RunParser(parser, sum1);
        }));
        stream_times.push_back(Seconds([&] {
            core::MemoryStream stream;
            stream.WriteBuffer(utf8.data(), int64_t(utf8.size()));
            stream.SetPosition(0);
            TSQLParser parser(&stream, &Encoding::UTF8());
            stream_tokens = RunParser(parser, sum3);
        }));
        libxml_times.push_back(Seconds([&] { libxml_bytes = LibXml().size(); }));
        ours_times.push_back(Seconds([&] { ours_bytes = OurXml().size(); }));
    }
    const double mb = double(sql.size()) / 1e6;
    std::printf("SQL text: %zu characters, %zu lexems (hand loop %zu, stream %zu)\n", sql.size(), parser_tokens,
                hand_tokens, stream_tokens);
    std::printf("hand-written loop   %8.1f ms  %6.1f MB/s\n", Median(hand_times) * 1e3, mb / Median(hand_times));
    std::printf("TSQLParser text     %8.1f ms  %6.1f MB/s  ratio %.2f (target <= 3)\n", Median(parser_times) * 1e3,
                mb / Median(parser_times), Median(parser_times) / Median(hand_times));
    std::printf("TSQLParser UTF-8    %8.1f ms  %6.1f MB/s  ratio to text mode %.2f (target <= 1.5)\n",
                Median(stream_times) * 1e3, mb / Median(stream_times), Median(stream_times) / Median(parser_times));
    std::printf("libxml2 writer      %8.1f ms  %zu bytes\n", Median(libxml_times) * 1e3, libxml_bytes);
    std::printf("XmlTextWriter       %8.1f ms  %zu bytes  ratio %.2f (target <= 1.5)\n", Median(ours_times) * 1e3,
                ours_bytes, Median(ours_times) / Median(libxml_times));
    DoneStorageUnits();
    return parser_tokens == stream_tokens && parser_tokens == hand_tokens ? 0 : 1;
}
