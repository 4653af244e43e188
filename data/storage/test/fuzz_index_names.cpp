// IndexFieldNames texts over a store of three fields: a text either raises one of its two errors and
// leaves the previous text and columns, or sorts the records into an order that the record comparison
// agrees with.
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
        const core::Variant rows[6][3] = {
            {core::Variant(u"b"), core::Variant(int32_t(5)), core::Variant(u"x")},
            {core::Variant(u"B"), core::Variant(int32_t(-7)), core::Variant::Null()},
            {core::Variant::Null(), core::Variant(int32_t(5)), core::Variant(u"y")},
            {core::Variant(u"a"), core::Variant::Null(), core::Variant(u"X")},
            {core::Variant(u"b"), core::Variant(int32_t(1)), core::Variant(u"x")},
            {core::Variant(u"\u00e4"), core::Variant(int32_t(0)), core::Variant(u"")},
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
    bool Ordered()
    {
        int number = 0;
        for (TItemHeader* item = First(); item; item = item->Next) {
            if (item->Order + RecordNoOffset() != ++number)
                return false;
            if (item->Next && CompareRecords(BlockMan.GetRecordPtr(item), BlockMan.GetRecordPtr(item->Next)) > 0)
                return false;
        }
        return number == GetRecordCount();
    }

protected:
    void DoInitFields() override
    {
        const struct {
            const char16_t* name;
            uint16_t type, size;
        } fields[] = {{u"Name", dtString, 11}, {u"Qty", dtInt32, 4}, {u"Wide Name", dtWideString, 22}};
        for (const auto& f : fields) {
            auto desc = CreateFieldDesc();
            desc->Name = desc->ActualName = f.name;
            desc->DataType = f.type;
            desc->Size = f.size;
            desc->Length = 10;
            Fields().Add(std::move(desc));
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool started = (InitStorageUnits(), true);
    (void)started;
    static FuzzStore store;
    const String text = core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    store.SetIndexFieldNames(u"Qty");
    try {
        store.SetIndexFieldNames(text);
    } catch (const core::Exception&) {
        if (store.IndexFieldNames() != u"Qty" || store.IndexFields().Count() != 1)
            std::abort();
        return 0;
    }
    if (!store.Ordered())
        std::abort();
    return 0;
}
