// The in-memory dataset against its baselines, records of a 32-bit integer, a double, a 20-character
// string and a date-time:
// - rowset XML: SaveToXML of 100,000 rows into a memory stream, against libxml2's text writer writing
//   the same document into a memory buffer, values formatted from a plain vector of the same rows. The
//   two documents differ only where the writers do: libxml2 breaks lines with LF and closes an empty
//   element with "/>", where ours writes CR LF and " />";
// - walk: one million records visited with Next, the four fields read through their As... accessors,
//   against a walk of the same store with GetNextRecord and GetField.
#include "data/storage/dsservice.h"
#include "data/storage/storage.h"

#include "bench/timing.h"

#include "core/datetime.h"

#include <libxml/xmlwriter.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace data;
using bench::Median;
using bench::Seconds;

namespace {

struct Row {
    int32_t id;
    double amount;
    std::string name;
    core::TDateTime when;
};

class RowStore : public TMemData {
protected:
    void DoInitFields() override
    {
        const struct {
            const char16_t* name;
            uint16_t type, size, length;
        } columns[] = {{u"ID", dtInt32, 4, 0}, {u"AMOUNT", dtFloat, 8, 15}, {u"NAME", dtString, 21, 20},
                       {u"WHEN", dtDateTime, 8, 0}};
        for (const auto& column : columns) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = column.name;
            desc->DataType = column.type;
            desc->Size = column.size;
            desc->Length = column.length;
            Fields().Add(std::move(desc));
        }
    }
};

std::vector<Row> MakeRows(int count)
{
    std::vector<Row> rows;
    rows.reserve(size_t(count));
    const core::TDateTime start = core::EncodeDate(2009, 3, 5);
    for (int i = 0; i < count; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, "customer-%011d", i);
        rows.push_back({i, i * 1.25 + 0.5, name, start + i / 1440.0});
    }
    return rows;
}

void FillDataSet(TMemDataSet& dataSet, const std::vector<Row>& rows)
{
    dataSet.Open();
    TField* id = dataSet.FieldByName(u"ID");
    TField* amount = dataSet.FieldByName(u"AMOUNT");
    TField* name = dataSet.FieldByName(u"NAME");
    TField* when = dataSet.FieldByName(u"WHEN");
    for (const Row& row : rows) {
        dataSet.Append();
        id->SetAsInteger(row.id);
        amount->SetAsFloat(row.amount);
        name->SetAsString(core::FromUtf8(row.name));
        when->SetAsDateTime(row.when);
        dataSet.Post();
    }
}

void Attribute(xmlTextWriterPtr w, const char* name, const char* value)
{
    xmlTextWriterWriteAttribute(w, BAD_CAST name, BAD_CAST value);
}

void ColumnType(xmlTextWriterPtr w, const char* name, int number, const std::vector<std::pair<const char*, const char*>>& type)
{
    char text[16];
    xmlTextWriterStartElement(w, BAD_CAST "s:AttributeType");
    Attribute(w, "name", name);
    std::snprintf(text, sizeof text, "%d", number);
    Attribute(w, "rs:number", text);
    Attribute(w, "rs:nullable", "true");
    Attribute(w, "rs:writeunknown", "true");
    Attribute(w, "rs:basecolumn", name);
    xmlTextWriterStartElement(w, BAD_CAST "s:datatype");
    for (const auto& [key, value] : type)
        Attribute(w, key, value);
    xmlTextWriterEndElement(w);
    xmlTextWriterFullEndElement(w);
}

size_t LibXml(const std::vector<Row>& rows)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
    xmlTextWriterSetIndent(w, 1);
    xmlTextWriterSetIndentString(w, BAD_CAST "  ");
    xmlTextWriterSetQuoteChar(w, '\'');
    xmlTextWriterStartElement(w, BAD_CAST "xml");
    Attribute(w, "xmlns:s", "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
    Attribute(w, "xmlns:dt", "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
    Attribute(w, "xmlns:rs", "urn:schemas-microsoft-com:rowset");
    Attribute(w, "xmlns:z", "#RowsetSchema");
    xmlTextWriterStartElement(w, BAD_CAST "s:Schema");
    Attribute(w, "id", "RowsetSchema");
    xmlTextWriterStartElement(w, BAD_CAST "s:ElementType");
    Attribute(w, "name", "row");
    Attribute(w, "content", "eltOnly");
    Attribute(w, "rs:updatable", "true");
    ColumnType(w, "ID", 1, {{"dt:type", "int"}, {"dt:maxLength", "4"}, {"rs:precision", "10"}});
    ColumnType(w, "AMOUNT", 2, {{"dt:type", "float"}, {"dt:maxLength", "8"}, {"rs:precision", "15"}});
    ColumnType(w, "NAME", 3, {{"dt:type", "string"}, {"dt:maxLength", "20"}, {"rs:dbtype", "str"}});
    ColumnType(w, "WHEN", 4,
               {{"dt:type", "datetime"}, {"rs:dbtype", "variantdate"}, {"dt:maxLength", "8"}, {"rs:scale", "0"},
                {"rs:precision", "0"}});
    xmlTextWriterStartElement(w, BAD_CAST "s:extends");
    Attribute(w, "type", "rs:rowbase");
    xmlTextWriterEndElement(w);
    xmlTextWriterEndElement(w);
    xmlTextWriterEndElement(w);
    xmlTextWriterStartElement(w, BAD_CAST "rs:data");
    char text[40];
    for (const Row& row : rows) {
        xmlTextWriterStartElement(w, BAD_CAST "z:row");
        std::snprintf(text, sizeof text, "%d", row.id);
        Attribute(w, "ID", text);
        std::snprintf(text, sizeof text, "%.15g", row.amount);
        Attribute(w, "AMOUNT", text);
        Attribute(w, "NAME", row.name.c_str());
        int year, month, day, hour, minute, second, msec;
        core::DecodeDateTime(row.when, year, month, day, hour, minute, second, msec);
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
        Attribute(w, "WHEN", text);
        xmlTextWriterEndElement(w);
    }
    xmlTextWriterFullEndElement(w);
    xmlTextWriterFullEndElement(w);
    xmlTextWriterFlush(w);
    const size_t size = size_t(xmlBufferLength(buffer));
    xmlFreeTextWriter(w);
    xmlBufferFree(buffer);
    return size;
}

} // namespace

// The dataset's walk, and the store's walk under it; both return a checksum so that no read is dropped.
double WalkDataSet(TMemDataSet& dataSet)
{
    TField* id = dataSet.FieldByName(u"ID");
    TField* amount = dataSet.FieldByName(u"AMOUNT");
    TField* name = dataSet.FieldByName(u"NAME");
    TField* when = dataSet.FieldByName(u"WHEN");
    double sum = 0;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        sum += id->AsInteger() + amount->AsFloat() + double(name->AsString().size()) + when->AsDateTime();
    return sum;
}

double WalkStore(TData& store)
{
    void* record = store.AllocRecBuf();
    int32_t id;
    double amount, when;
    char name[32];
    bool blank;
    double sum = 0;
    store.SetToBegin();
    for (;;) {
        store.GetNextRecord(record);
        if (store.GetEof())
            break;
        store.GetField(1, record, &id, blank);
        store.GetField(2, record, &amount, blank);
        store.GetField(3, record, name, blank);
        store.GetField(4, record, &when, blank);
        sum += id + amount + double(std::strlen(name)) + when;
    }
    store.FreeRecBuf(record);
    return sum;
}

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    const int walkCount = argc > 3 ? std::atoi(argv[3]) : 1000000;
    InitStorageUnits();
    const std::vector<Row> rows = MakeRows(count);
    TMemDataSet dataSet;
    dataSet.SetData(std::make_unique<RowStore>());
    FillDataSet(dataSet, rows);

    std::vector<double> ours, theirs, ratios;
    size_t oursBytes = 0, theirBytes = 0;
    for (int r = 0; r < rounds; ++r) {
        const double baseline = Seconds([&] { theirBytes = LibXml(rows); });
        const double time = Seconds([&] {
            core::MemoryStream stream;
            dataSet.SaveToXML(stream);
            oursBytes = size_t(stream.Size());
        });
        theirs.push_back(baseline);
        ours.push_back(time);
        ratios.push_back(time / baseline);
    }
    std::printf("rowset XML of %d rows, %d rounds\n", count, rounds);
    std::printf("  libxml2 writer: %.1f ms, %zu bytes\n", Median(theirs) * 1e3, theirBytes);
    std::printf("  SaveToXML:      %.1f ms, %zu bytes\n", Median(ours) * 1e3, oursBytes);
    const double ratio = Median(ratios);
    std::printf("  ratio: median %.2f (min %.2f, max %.2f)\n", ratio, *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));

    TMemDataSet walked;
    walked.SetData(std::make_unique<RowStore>());
    FillDataSet(walked, MakeRows(walkCount));
    std::vector<double> storeWalks, dataSetWalks, walkRatios;
    double storeSum = 0, dataSetSum = 0;
    for (int r = 0; r < rounds; ++r) {
        const double baseline = Seconds([&] { storeSum = WalkStore(*walked.Data()); });
        const double time = Seconds([&] { dataSetSum = WalkDataSet(walked); });
        storeWalks.push_back(baseline);
        dataSetWalks.push_back(time);
        walkRatios.push_back(time / baseline);
    }
    std::printf("walk of %d records, %d rounds (sums read %.3g and %.3g)\n", walkCount, rounds, storeSum, dataSetSum);
    std::printf("  store GetNextRecord/GetField: %.1f ms\n", Median(storeWalks) * 1e3);
    std::printf("  dataset Next and As...:       %.1f ms\n", Median(dataSetWalks) * 1e3);
    const double walkRatio = Median(walkRatios);
    std::printf("  ratio: median %.2f (min %.2f, max %.2f)\n", walkRatio,
                *std::min_element(walkRatios.begin(), walkRatios.end()),
                *std::max_element(walkRatios.begin(), walkRatios.end()));

    const bool ok = ratio <= 2.0;
    const bool walkOk = walkRatio <= 4.0;
    std::printf("verdict: SaveToXML %.2fx of libxml2's writer (target <= 2): %s\n", ratio, ok ? "met" : "MISSED");
    std::printf("verdict: walk %.2fx of the store's own (target <= 4): %s\n", walkRatio, walkOk ? "met" : "MISSED");
    return ok && walkOk ? 0 : 1;
}
