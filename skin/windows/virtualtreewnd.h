// The wrapper of virtual tree controls. It knows nothing of the tree's classes: it reaches the
// control only through its published properties by name ("Header", "VETColors", "PaintInfoColumn",
// "Themed") and takes over the drawing of the header columns by plugging its own handlers into the
// header drawing events, when the application has not assigned them itself. The columns are painted
// from the skin section "COLHEADER" (or "BUTTON"), the sort glyph from the scroll-button glyphs.
#pragma once

#include "skin/windows/editwnd.h"
#include "ui/headerpaint.h"
#include "ui/propinfo.h"

#include <memory>

namespace skin {

class TacVirtualTreeWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    ~TacVirtualTreeWnd() override;

    // ---- The owner's colours before skinning ----
    uint32_t CompressedTextColor = 0;
    uint32_t FileTextColor = 0;
    uint32_t FolderTextColor = 0;
    // The header's "Options" held hoOwnerDraw before skinning.
    bool OwnerDraw = false;
    // The event property SetSkinParams looked up last.
    const ui::PropInfo* PropInfo = nullptr;

    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void acWndProc(ui::Message& message) override;

    // The handlers plugged into "OnAdvancedHeaderDraw" and "OnHeaderDrawQueryElements".
    void AdvancedHeaderDraw(core::Object* sender, ui::THeaderPaintInfo& paintInfo, ui::THeaderPaintElements elements);
    void HeaderDrawQueryElements(core::Object* sender, ui::THeaderPaintInfo& paintInfo,
                                 ui::THeaderPaintElements& elements);

private:
    // The wrapper the handlers call; cleared when the wrapper goes, so that a tree that keeps a
    // handler past it calls nothing.
    struct HandlerOwner {
        TacVirtualTreeWnd* wnd = nullptr;
    };
    std::shared_ptr<HandlerOwner> Handlers();
    ui::Control* Owner() const;
    ui::MethodValue AdvancedMethod();
    ui::MethodValue QueryMethod();
    void ClearOwnHandlers();
    void PrintClientAndHeader(ui::Message& message);

    // Identities of this wrapper's two handlers.
    char m_advanced_id = 0;
    char m_query_id = 0;
    std::shared_ptr<HandlerOwner> m_handlers;
};

// Registers "TacVirtualTreeWnd" for the control adapter's virtual-tree list.
void RegisterVirtualTreeWrapperClass();

} // namespace skin
