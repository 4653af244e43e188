// The items of a list or combo box: a string list that mirrors every change into the control's window
// while it has one, and fills a new window from its own copy.
#pragma once

#include "core/stringlist.h"

#include <vector>

namespace ui {

class ItemStrings : public core::Strings {
public:
    // What the owning control does to its window for each change.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void ItemInserted(int index, const core::String& text) = 0;
        virtual void ItemDeleted(int index) = 0;
        virtual void ItemsCleared() = 0;
        // Between BeginUpdate and EndUpdate of the list: the window need not show each change.
        virtual void ItemsUpdating(bool updating) { (void)updating; }
    };

    explicit ItemStrings(Sink& sink) : m_sink(sink) {}

    int Count() const override { return int(m_items.size()); }
    core::String Get(int index) const override;
    core::Object* Objects(int index) const override;
    void PutObject(int index, core::Object* object) override;
    void Put(int index, const core::String& text) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const core::String& text) override;
    void InsertObject(int index, const core::String& text, core::Object* object) override;

    // Writes every item into a new window.
    void Refill();

protected:
    void SetUpdateState(bool updating) override { m_sink.ItemsUpdating(updating); }

private:
    struct Item {
        core::String text;
        core::Object* object = nullptr;
    };
    void Check(int index, bool allowEnd) const;

    Sink& m_sink;
    std::vector<Item> m_items;
};

} // namespace ui
