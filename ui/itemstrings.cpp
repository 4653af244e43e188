// Item lists of list and combo boxes.
#include "ui/itemstrings.h"

#include "core/exception.h"

namespace ui {

void ItemStrings::Check(int index, bool allowEnd) const
{
    if (index < 0 || index > int(m_items.size()) || (!allowEnd && index == int(m_items.size())))
        throw core::EStringListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
}

core::String ItemStrings::Get(int index) const
{
    Check(index, false);
    return m_items[size_t(index)].text;
}

core::Object* ItemStrings::Objects(int index) const
{
    Check(index, false);
    return m_items[size_t(index)].object;
}

void ItemStrings::PutObject(int index, core::Object* object)
{
    Check(index, false);
    m_items[size_t(index)].object = object;
}

void ItemStrings::Put(int index, const core::String& text)
{
    Check(index, false);
    m_items[size_t(index)].text = text;
    m_sink.ItemDeleted(index);
    m_sink.ItemInserted(index, text);
}

void ItemStrings::Clear()
{
    m_items.clear();
    m_sink.ItemsCleared();
}

void ItemStrings::Delete(int index)
{
    Check(index, false);
    m_items.erase(m_items.begin() + index);
    m_sink.ItemDeleted(index);
}

void ItemStrings::Insert(int index, const core::String& text) { InsertObject(index, text, nullptr); }

void ItemStrings::InsertObject(int index, const core::String& text, core::Object* object)
{
    Check(index, true);
    m_items.insert(m_items.begin() + index, Item{text, object});
    m_sink.ItemInserted(index, text);
}

void ItemStrings::Refill()
{
    m_sink.ItemsCleared();
    for (int i = 0; i < int(m_items.size()); ++i)
        m_sink.ItemInserted(i, m_items[size_t(i)].text);
}

} // namespace ui
