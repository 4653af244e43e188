// Filter texts over a fixed store of three fields and five records: a text either raises one of the
// filter errors while parsing, or is evaluated against every record on both evaluation roads, which
// must agree on every answer and on every raised error.
#include "data/storage/filter.h"
#include "data/storage/memdata.h"
#include "data/storage/storage.h"

#include "core/exception.h"

#include <cstdlib>
#include <string_view>

using namespace data;

namespace {

class FuzzStore : public TMemData {
public:
    FuzzStore()
    {
        InitFields();
        Open();
        const core::Variant rows[5][3] = {
            {core::Variant(u"Apple"), core::Variant(int32_t(5)), core::Variant(12.5)},
            {core::Variant(u"a_b%c"), core::Variant(int32_t(-7)), core::Variant(500.0)},
            {core::Variant::Null(), core::Variant(int32_t(0)), core::Variant::Null()},
            {core::Variant(u"It's "), core::Variant::Null(), core::Variant(-0.5)},
            {core::Variant(u"\u00e4pfel"), core::Variant(int32_t(2147483647)), core::Variant(1e300)},
        };
        for (const auto& row : rows) {
            void* buffer = AllocRecBuf();
            InitRecord(buffer);
            for (int i = 0; i < 3; ++i)
                if (!row[i].IsNull())
                    PutFieldAsVariant(i + 1, buffer, row[i]);
            AppendRecord(buffer);
            FreeRecBuf(buffer);
        }
    }
    // Each record's answer: 0 rejected, 1 accepted, 2 an error.
    std::string Answers()
    {
        std::string answers;
        for (TItemHeader* item = First(); item; item = item->Next) {
            try {
                answers += EvaluateFilter(BlockMan.GetRecordPtr(item)) ? '1' : '0';
            } catch (const core::Exception&) {
                answers += '2';
            }
        }
        return answers;
    }

protected:
    void DoInitFields() override
    {
        const struct {
            const char16_t* name;
            uint16_t type, size;
        } fields[] = {{u"Name", dtString, 11}, {u"Qty", dtInt32, 4}, {u"Price", dtFloat, 8}};
        for (const auto& f : fields) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = f.name;
            desc->DataType = f.type;
            desc->Size = f.size;
            desc->Length = uint16_t(f.size - 1);
            Fields().Add(std::move(desc));
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    if (size < 1)
        return 0;
    static FuzzStore store;
    const uint8_t flags = data[0];
    store.FilterCaseInsensitive = flags & 1;
    store.FilterNoPartialCompare = flags & 2;
    store.TrimVarChar = flags & 4;
    const String text = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    store.SetFilterText(u"");
    try {
        store.SetFilterText(text);
    } catch (const core::Exception&) {
        // A failed text leaves the empty filter in force.
        if (!store.FilterText().empty() || store.HasFilterExpression())
            std::abort();
        return 0;
    }
    store.FilterVariantRoadOnly = false;
    const std::string native = store.Answers();
    store.FilterVariantRoadOnly = true;
    const std::string variants = store.Answers();
    if (native != variants)
        std::abort();
    return 0;
}
