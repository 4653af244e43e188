#include "data/storage/xmlwriter.h"

#include "core/fileio.h"

#include <gtest/gtest.h>

#include <functional>

using namespace data;

namespace {

// A writer over a memory stream whose bytes the test reads back.
struct Output {
    core::MemoryStream stream;
    StreamWriter writer{&stream, &Encoding::UTF8()};
    XmlTextWriter xml{&writer};

    std::string Bytes()
    {
        stream.SetPosition(0);
        return stream.ReadToEnd();
    }
};

String XmlErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const XmlException& error) {
        return error.Message();
    }
    return u"no exception";
}

} // namespace

TEST(XmlTextWriter, ByteExactOutputs)
{
    struct Case {
        const char* name;
        std::function<void(XmlTextWriter&)> write;
        std::string expected;
    } cases[] = {
        {"attribute escaped, empty element closed short",
         [](XmlTextWriter& x) {
             x.WriteStartElement(u"a");
             x.WriteAttributeString(u"x", u"1<2");
             x.WriteEndElement();
         },
         "<a x=\"1&#x3c;2\" />"},
        {"indented nesting",
         [](XmlTextWriter& x) {
             x.SetFormatting(fmtIndented);
             x.WriteStartElement(u"a");
             x.WriteStartElement(u"b");
             x.WriteEndElement();
             x.WriteEndElement();
         },
         "<a>\r\n  <b>\r\n  </b>\r\n</a>"},
        {"every escape, in order, and line breaks kept in attributes",
         [](XmlTextWriter& x) {
             x.WriteStartElement(u"r");
             x.WriteAttributeString(u"v", u"&'\"<>\t\r\n");
             x.WriteAttributeString(u"w", u"\u4E2D");
             x.WriteEndElement();
         },
         "<r v=\"&#x26;&#x27;&#x22;&#x3c;&#x3e;&#x9;&#xD;&#xA;\" w=\"\xE4\xB8\xAD\" />"},
        {"namespaces and prefixes",
         [](XmlTextWriter& x) {
             x.WriteStartElement(u"s", u"root", u"urn:s");
             x.WriteAttributeString(u"z", u"id", u"urn:z", u"1");
             x.WriteStartElement(u"row", u"urn:r");
             x.WriteEndElement();
             x.WriteEndElement();
         },
         "<s:root xmlns:s=\"urn:s\" z:id=\"1\" xmlns:z=\"urn:z\">\r\n<row xmlns=\"urn:r\">\r\n</row>\r\n</s:root>"},
        {"element strings and raw text",
         [](XmlTextWriter& x) {
             x.WriteStartElement(u"a");
             x.WriteElementString(u"b", u"1&2");
             x.WriteElementString(u"c", u"");
             x.WriteString(u"<raw/>");
             x.WriteFullEndElement();
         },
         "<a>\r\n<b>1&#x26;2</b>\r\n<c></c><raw/>\r\n</a>"},
        {"single quotes",
         [](XmlTextWriter& x) {
             x.SetQuoteChar(u'\'');
             x.WriteStartElement(u"a");
             x.WriteAttributeString(u"x", u"y");
             x.WriteFullEndElement();
         },
         "<a x='y'>\r\n</a>"},
    };
    for (auto& c : cases) {
        Output out;
        c.write(out.xml);
        out.xml.Close();
        EXPECT_EQ(out.Bytes(), c.expected) << c.name;
    }
}

TEST(XmlTextWriter, StateErrors)
{
    Output out;
    EXPECT_EQ(XmlErrorOf([&] { out.xml.WriteEndElement(); }), u"There was no XML start tag open.");
    EXPECT_EQ(XmlErrorOf([&] { out.xml.WriteFullEndElement(); }), u"There was no XML start tag open.");
    EXPECT_EQ(XmlErrorOf([&] { out.xml.WriteAttributeString(u"x", u"1"); }),
              u"Token WriteAttributeString in state Content would result in an invalid XML document.");
    EXPECT_EQ(XmlErrorOf([&] { out.xml.WriteStartElement(u"p", u"a", u""); }), u"Cannot use a prefix with an empty namespace.");
    out.xml.WriteStartElement(u"a");
    EXPECT_EQ(out.xml.WriteState(), wsElement);
    out.xml.WriteString(u"text");
    EXPECT_EQ(out.xml.WriteState(), wsContent);
    EXPECT_EQ(XmlErrorOf([&] { out.xml.WriteAttributeString(u"x", u"1"); }),
              u"Token WriteAttributeString in state Content would result in an invalid XML document.");
    out.xml.WriteEndElement();
    EXPECT_EQ(out.Bytes(), "<a>text\r\n</a>");
}

TEST(StreamWriter, EncodingsWithoutMarksAndFiles)
{
    core::MemoryStream stream;
    StreamWriter utf8(&stream, &Encoding::UTF8());
    utf8.WriteLine(u"\u4E2D");
    StreamWriter unicode(&stream, &Encoding::Unicode());
    unicode.Write(u"A");
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadToEnd(), std::string("\xE4\xB8\xAD\r\nA\0", 7));

    const String path = core::GetTempFile(u"xw");
    ASSERT_FALSE(path.empty());
    {
        StreamWriter file(path, false);
        file.Write(u"one");
    }
    {
        StreamWriter file(path, true);
        file.Write(u"two");
    }
    {
        core::FileStream read(path, core::fmOpenRead);
        EXPECT_EQ(read.ReadToEnd(), "onetwo");
    }
    {
        StreamWriter file(path, false);  // created again: emptied
        file.Write(u"3");
    }
    {
        core::FileStream read(path, core::fmOpenRead);
        EXPECT_EQ(read.ReadToEnd(), "3");
    }
    EXPECT_TRUE(core::DeleteFile(path));
}
