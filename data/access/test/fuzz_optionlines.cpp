// Option lines of arbitrary text imported into a list with a free option, a checked one and one with
// a list of values: an import sets every applicable option once, or stops at an invalid value with
// our exception; the value read back by name agrees with the import.
#include "data/access/optionslist.h"

#include "data/storage/memutils.h"

#include "core/exception.h"

#include <cstdlib>
#include <map>
#include <string_view>

using namespace data;

namespace {

struct TTarget : core::Object {};

class TNumberOption : public TOption {
public:
    using TOption::TOption;
    bool CheckValue(const String& Value) const override
    {
        return !Value.empty() && Value.find_first_not_of(u"0123456789") == String::npos;
    }
};

const TOptionsList& List()
{
    static TOptionsList* list = [] {
        auto* result = new TOptionsList(u"SQLite");
        result->Add(std::make_unique<TOption>(u"Direct", 1, TClassArray{typeid(TTarget)}, core::Variant(u"Yes")));
        result->Add(std::make_unique<TNumberOption>(u"Timeout", 2, TClassArray{typeid(TTarget)}, core::Variant(15)));
        auto mode = std::make_unique<TOption>(u"Mode", 3, TClassArray{typeid(TTarget)}, core::Variant(u"Normal"));
        mode->OnGetValuesList = [](core::Strings& values) {
            values.Add(u"Normal");
            values.Add(u"Exclusive");
        };
        result->Add(std::move(mode));
        return result;
    }();
    return *list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TOptionsList& list = List();
    core::StringList source;
    source.SetText(core::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size)));
    std::map<int, core::Variant> set;
    bool failed = false;
    try {
        TTarget target;
        list.ImportOptions(source, &target,
                           [&](int prop, const core::Variant& value) {
                               if (!set.emplace(prop, value).second)
                                   std::abort();
                               return true;
                           },
                           false);
    } catch (const core::Exception&) {
        failed = true;
    }
    if (!failed && set.size() != size_t(list.Count()))
        std::abort();
    for (int i = 0; i < list.Count(); ++i) {
        const TOption& option = *list.Option(i);
        const auto it = set.find(option.InternalIndex());
        if (it == set.end())
            continue;
        if (!(list.GetValueByName(source, option.OptionName()) == it->second))
            std::abort();
    }
    return 0;
}
