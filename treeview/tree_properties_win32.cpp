// The tree classes in the property registry: "TVirtualTreeControl" with its "Header", the header
// drawing events of "TCustomVirtualTreeControl" as method properties, and the string tree classes.
// A method set through the registry is held by a thunk in the tree's event, which converts the
// tree's paint record to the shared one and back around the call.
#include "treeview/published_properties.h"
#include "treeview/string_tree.h"
#include "ui/propinfo.h"

namespace treeview {

namespace {

// Reported for a handler the application put into the event itself.
const int kApplicationHandler = 0;

template <class Event> struct MethodThunk {
    ui::MethodValue method;
    TCustomVirtualTreeControl* tree = nullptr;

    template <class Elements> void operator()(TVTHeader*, THeaderPaintInfo& info, Elements&& elements) const
    {
        auto* handler = static_cast<Event*>(method.callable.get());
        if (!handler || !*handler)
            return;
        PublishedHeader& header = tree->HeaderObject();
        ui::THeaderPaintInfo shared = ToSharedPaintInfo(info, header);
        shared.TargetCanvas = info.TargetCanvas;
        (*handler)(&header, shared, std::forward<Elements>(elements));
        FromSharedPaintInfo(shared, info);
        if (shared.TargetCanvas != static_cast<ui::Canvas*>(info.TargetCanvas))
            if (auto* canvas = dynamic_cast<TCanvas*>(shared.TargetCanvas))
                info.TargetCanvas = canvas;
    }
};

using AdvancedThunk = MethodThunk<ui::TAdvancedHeaderPaintEvent>;
using QueryThunk = MethodThunk<ui::THeaderPaintQueryElementsEvent>;

template <class Thunk, class Slot> ui::MethodValue ReadMethod(TCustomVirtualTreeControl& tree, Slot& slot)
{
    if (const Thunk* thunk = slot.template target<Thunk>())
        return thunk->method;
    if (slot)
        return {&tree, &kApplicationHandler, nullptr};
    return {};
}

template <class Thunk, class Slot> void WriteMethod(TCustomVirtualTreeControl& tree, Slot& slot, const ui::MethodValue& value)
{
    if (!value.Assigned()) {
        slot = nullptr;
        return;
    }
    // The application's own handler, read back: it is still where it was.
    if (value.identity == &kApplicationHandler || !value.callable)
        return;
    slot = Thunk{value, &tree};
}

} // namespace

void RegisterTreeControlClasses()
{
    RegisterPublishedHeaderClasses();
    using T = TCustomVirtualTreeControl;
    ui::RegisterPropClass<TVirtualTreeControl, ui::Control>(u"TVirtualTreeControl", {
        ui::ObjectProperty(u"Header", ui::Getter<TVirtualTreeControl>([](TVirtualTreeControl& t) -> core::Object* {
                               return &t.HeaderObject();
                           })),
    });
    ui::RegisterPropClass<T, TVirtualTreeControl>(u"TCustomVirtualTreeControl", {
        ui::MethodProperty(u"OnAdvancedHeaderDraw",
                           ui::Getter<T>([](T& t) { return ReadMethod<AdvancedThunk>(t, t.OnAdvancedHeaderDraw); }),
                           ui::Setter<T>([](T& t, const ui::MethodValue& v) {
                               WriteMethod<AdvancedThunk>(t, t.OnAdvancedHeaderDraw, v);
                           })),
        ui::MethodProperty(u"OnHeaderDrawQueryElements",
                           ui::Getter<T>([](T& t) { return ReadMethod<QueryThunk>(t, t.OnHeaderDrawQueryElements); }),
                           ui::Setter<T>([](T& t, const ui::MethodValue& v) {
                               WriteMethod<QueryThunk>(t, t.OnHeaderDrawQueryElements, v);
                           })),
    });
    ui::RegisterPropClass<TCustomVirtualStringTree, T>(u"TCustomVirtualStringTree", {});
    ui::RegisterPropClass<TVirtualStringTree, TCustomVirtualStringTree>(u"TVirtualStringTree", {});
}

} // namespace treeview
