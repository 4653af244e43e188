// The ordering of the in-memory store: index columns parsed from an IndexFieldNames text
// ("NAME DESC CIS; ID", "[Order Date] BIN") and the options of value comparison.
#pragma once

#include "data/storage/recordstore.h"

#include <memory>
#include <vector>

namespace data {

enum TSortType { stCaseSensitive, stCaseInsensitive, stBinary };

struct TSortColumn {
    TFieldDesc* FieldDesc = nullptr;
    bool DescendingOrder = false;
    TSortType SortType = stCaseSensitive;
};

// The owning list of a store's index columns.
class TSortColumns {
public:
    int Count() const { return int(m_items.size()); }
    TSortColumn* GetItem(int Index) const { return m_items[size_t(Index)].get(); }
    TSortColumn* Add()
    {
        m_items.push_back(std::make_unique<TSortColumn>());
        return m_items.back().get();
    }
    void Clear() { m_items.clear(); }
    void Swap(TSortColumns& other) { m_items.swap(other.m_items); }

private:
    std::vector<std::unique_ptr<TSortColumn>> m_items;
};

// coPartialKey: the value must match the start of the field; coPartialCompare: it must occur anywhere
// in it; coOrdinalCompare: code units, not the locale.
enum TCompareOption { coCaseInsensitive, coPartialKey, coPartialCompare, coOrdinalCompare };
using TCompareOptions = TEnumSet<TCompareOption>;

enum TLocateExOption { lxCaseInsensitive, lxPartialKey, lxNearest, lxNext, lxUp, lxPartialCompare };
using TLocateExOptions = TEnumSet<TLocateExOption>;

} // namespace data
