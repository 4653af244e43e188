// The fixture of the tree's window tests: a form whose 420 x 320 client area holds a tree of class
// T at 10, 10, 400 x 300. The test's own fixture sets the tree up and shows the form.
#pragma once
#include "treeview/string_tree.h"
#include "treeview/types.h"
#include "ui/form.h"
#include "ui/test/uitest.h"

#include <cstring>
#include <memory>

namespace treeview::test {

template <class T>
class TreeInForm : public ui::test::UiTest {
protected:
    TreeInForm()
    {
        form->SetClientSize(420, 320);
        tree = new T(form.get());
        tree->SetParent(form.get());
        tree->SetBounds(10, 10, 400, 300);
    }
    // The tree goes with the form, before the fixture's own members.
    ~TreeInForm() override { form.reset(); }

    // The index-th node in tree order.
    PVirtualNode Node(int index)
    {
        PVirtualNode node = tree->GetFirst();
        while (node && index-- > 0)
            node = tree->GetNext(node);
        return node;
    }

    std::unique_ptr<ui::Form> form{new ui::Form()};
    T* tree = nullptr;
};

// Nodes named by two characters held as their data: the name is the node's text and travels in the
// node stream as its user data, while captions stay out of the stream.
inline void UseTwoCharacterNames(TVirtualStringTree& t)
{
    auto& options = t.StringTreeOptions();
    options.SetStringOptions(TVTStringOptions(options.StringOptions() & ~toSaveCaptions));
    t.OnSaveNode = [](TBaseVirtualTree* sender, PVirtualNode node, core::Stream& stream) {
        if (node)
            stream.WriteBuffer(sender->GetNodeData(node), 4);
    };
    t.OnLoadNode = [](TBaseVirtualTree* sender, PVirtualNode node, core::Stream& stream) {
        if (node)
            stream.ReadBuffer(sender->GetNodeData(node), 4);
    };
    t.OnGetText = [](TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex, TVSTTextType, core::String& text) {
        text = core::String(sender->GetNodeData<char16_t>(node), 2);
    };
}

} // namespace treeview::test
