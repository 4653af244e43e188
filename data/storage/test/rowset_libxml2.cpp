// Rowset XML read back by libxml2: the document parses, and every non-null value comes back as the
// text the dataset holds, line breaks, tabs, markup characters and non-ASCII text included.
#include "data/storage/test/memds_fixture.h"

#include "core/datetime.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <map>

using namespace data;
using namespace data::test;

namespace {

using Row = std::map<std::string, std::string>;

std::string Utf8(const String& text) { return core::ToUtf8(text); }

const xmlNode* Child(const xmlNode* parent, const char* name)
{
    for (const xmlNode* node = parent->children; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(node->name)) == name)
            return node;
    return nullptr;
}

// The rows of the document, attribute by attribute (names without their prefix, as libxml2 keeps them).
std::vector<Row> ReadRows(const std::string& document, std::map<std::string, std::string>& columnNames)
{
    xmlDocPtr doc = xmlReadMemory(document.data(), int(document.size()), "rowset.xml", nullptr, XML_PARSE_NONET);
    EXPECT_NE(doc, nullptr);
    std::vector<Row> rows;
    if (!doc)
        return rows;
    const xmlNode* root = xmlDocGetRootElement(doc);
    const xmlNode* schema = Child(root, "Schema");
    const xmlNode* type = schema ? Child(schema, "ElementType") : nullptr;
    for (const xmlNode* node = type ? type->children : nullptr; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE || std::string(reinterpret_cast<const char*>(node->name)) != "AttributeType")
            continue;
        xmlChar* name = xmlGetProp(node, BAD_CAST "name");
        xmlChar* real = xmlGetProp(node, BAD_CAST "name");
        for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next)
            if (attribute->ns && std::string(reinterpret_cast<const char*>(attribute->name)) == "name") {
                xmlFree(real);
                real = xmlNodeGetContent(attribute->children);
            }
        columnNames[reinterpret_cast<const char*>(name)] = reinterpret_cast<const char*>(real);
        xmlFree(name);
        xmlFree(real);
    }
    const xmlNode* data = Child(root, "data");
    for (const xmlNode* node = data ? data->children : nullptr; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        Row row;
        for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
            xmlChar* value = xmlNodeGetContent(attribute->children);
            row[reinterpret_cast<const char*>(attribute->name)] = value ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
        }
        rows.push_back(row);
    }
    xmlFreeDoc(doc);
    return rows;
}

} // namespace

TEST(RowsetXml, ReadBackByLibxml2)
{
    TestDataSet dataSet({{u"ID", dtInt32, 4},
                         {u"TEXT", dtExtString, 8, 100},
                         {u"WIDE", dtWideString, 42, 20},
                         {u"PRICE", dtFloat, 8, 15},
                         {u"COST", dtBCD, 8, 10},
                         {u"BYTES", dtVarBytes, 12, 10},
                         {u"WHEN", dtDateTime, 8},
                         {u"MEMO", dtMemo, 8},
                         {u"ODD NAME", dtInt32, 4},
                         {u"NUM", dtFMTBCD, 34, 18, false, false, 4}});
    dataSet.Open();
    struct Values {
        const char16_t* text;
        const char16_t* wide;
        double price;
        const char* memo;
    } values[] = {
        {u"plain", u"x", 1.5, "memo"},
        {u"line one\r\nline two\nthree\rfour", u"tab\there", -0.001, "a\r\nb"},
        {u"<&'\"> markup", u"\u4e2d\u6587 text", 12345678.25, "<memo & 'quotes'>"},
        {nullptr, nullptr, 0, nullptr},
    };
    int id = 0;
    for (const Values& v : values) {
        dataSet.Append();
        dataSet.FieldByName(u"ID")->SetAsInteger(++id);
        if (v.text) {
            dataSet.FieldByName(u"TEXT")->SetAsString(v.text);
            dataSet.FieldByName(u"WIDE")->SetAsString(v.wide);
            dataSet.FieldByName(u"PRICE")->SetAsFloat(v.price);
            dataSet.FieldByName(u"COST")->SetAsCurrency(core::Currency::FromRaw(12345 * id));
            dataSet.FieldByName(u"BYTES")->SetAsBytes({0x00, 0xAB, uint8_t(id)});
            dataSet.FieldByName(u"WHEN")->SetAsDateTime(core::EncodeDate(2020 + id, id, 10 + id) +
                                                        core::EncodeTime(id, 2 * id, 3 * id, 0));
            dataSet.FieldByName(u"MEMO")->SetAsString(core::FromUtf8(v.memo));
            dataSet.FieldByName(u"ODD NAME")->SetAsInteger(-id);
            dataSet.FieldByName(u"NUM")->SetAsString(u"-12.5");
        }
        dataSet.Post();
    }

    core::MemoryStream stream;
    dataSet.SaveToXML(stream);
    stream.SetPosition(0);
    const std::string document = stream.ReadToEnd();
    std::map<std::string, std::string> columns;
    const std::vector<Row> rows = ReadRows(document, columns);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(columns["c1"], "ODD NAME");

    // What each row must carry: every non-null value as the dataset's text for it.
    auto* service = dataSet.DataSetService();
    int index = 0;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next(), ++index) {
        Row expected;
        for (int i = 0; i < dataSet.FieldCount(); ++i) {
            TField* field = dataSet.Fields()[i];
            if (field->IsNull())
                continue;
            String text;
            service->GetFieldXMLValue(field, dataSet.GetFieldDesc(field), text);
            const String name = field->FieldName() == u"ODD NAME" ? String(u"c1") : field->FieldName();
            expected[Utf8(name)] = Utf8(text);
        }
        EXPECT_EQ(rows[size_t(index)], expected) << "row " << index + 1;
    }
    // Spot checks of the texts themselves.
    EXPECT_EQ(rows[1].at("TEXT"), "line one\r\nline two\nthree\rfour");
    EXPECT_EQ(rows[1].at("WIDE"), "tab\there");
    EXPECT_EQ(rows[1].at("MEMO"), "a\r\nb");
    EXPECT_EQ(rows[2].at("TEXT"), "<&'\"> markup");
    EXPECT_EQ(rows[2].at("WIDE"), "\xe4\xb8\xad\xe6\x96\x87 text");
    EXPECT_EQ(rows[2].at("PRICE"), "12345678.25");
    EXPECT_EQ(rows[0].at("COST"), "1.2345");
    EXPECT_EQ(rows[0].at("BYTES"), "00AB01");
    EXPECT_EQ(rows[0].at("WHEN"), "2021-01-11T01:02:03");
    EXPECT_EQ(rows[0].at("NUM"), "-12.5");  // "." whatever the locale
    EXPECT_EQ(rows[3], (Row{{"ID", "4"}}));
}
