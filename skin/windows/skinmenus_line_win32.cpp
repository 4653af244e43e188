// The top-line items of a main menu, painted over the skinned form's menu-line background: into the
// form image when the provider paints the line (the menu-line state mark), or into the window when
// the system draws a hot or pressed item.
#include "skin/engine/command.h"
#include "skin/engine/graphutils.h"
#include "skin/engine/skinpaint.h"
#include "skin/windows/skinmenus.h"
#include "skin/windows/skinprovider.h"
#include "ui/bitmap.h"
#include "ui/imagelist.h"

namespace skin {
namespace {

TsSkinProvider* ProviderOfItem(const ui::MenuItem* item)
{
    if (TsSkinProvider* painting = TsSkinProvider::PaintingMenuLine())
        return painting;
    if (TsSkinProvider* mdi = ProviderState().MainMDIProvider)
        return mdi;
    auto* menu = dynamic_cast<ui::MainMenu*>(item->GetParentMenu());
    ui::Form* form = menu ? menu->Window() : nullptr;
    if (!form || !form->HandleAllocated())
        return nullptr;
    auto* answer = reinterpret_cast<FormSkinProvider*>(SendAcMessage(form->Handle(), scGetProvider, 0));
    return dynamic_cast<TsSkinProvider*>(answer);
}

} // namespace

void TsMenuPainter::sAdvancedDrawLineItem(core::Object* sender, ui::Canvas& canvas, RECT rect, ui::OwnerDrawState state)
{
    auto* item = dynamic_cast<ui::MenuItem*>(sender);
    if (!item || !Manager || !Manager->Active())
        return;
    TsSkinProvider* provider = ProviderOfItem(item);
    ui::Bitmap* line = provider ? provider->MenuLineBmp.get() : nullptr;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!line || w <= 0 || h <= 0)
        return;
    // The item's place in the form image, then in the line's background.
    const bool inImage = (state & kMenuLineState) == kMenuLineState;
    const POINT image = inImage ? POINT{rect.left, rect.top} : provider->WindowToImage(POINT{rect.left, rect.top});
    const POINT origin = provider->MenuLineOrigin();
    const POINT at{image.x - origin.x, image.y - origin.y};
    ui::Bitmap* b = Scratch(w, h);
    BitBlt(b->Canvas().Handle(), 0, 0, w, h, line->Canvas().Handle(), at.x, at.y, SRCCOPY);
    const bool enabled = item->Enabled() && !(state & (ui::odDisabled | ui::odGrayed));
    const bool hot = (enabled && (state & ui::odSelected)) || (state & ui::odHotLight);
    const int section = Manager->GetSkinIndex(u"MENUITEM");
    if (Manager->IsValidSkinIndex(section))
        PaintSectionItem(section, u"MENUITEM", MakeCacheInfo(line, at.x, at.y), true, hot ? 1 : 0, Rect{0, 0, w, h},
                         POINT{0, 0}, b, Manager);
    ui::Canvas& c = b->Canvas();
    RECT tr{0, 0, w, h};
    ui::Menu* menu = item->GetParentMenu();
    if (ui::ImageList* images = menu ? menu->Images() : nullptr;
        images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
        images->Draw(c, 3, (h - images->Height()) / 2, item->ImageIndex(), ui::dsNormal, ui::itImage, enabled);
        tr.left += images->Width() + 3;
    }
    SetMenuFont(c.Font(), (state & ui::odDefault) || item->Default());
    UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP;
    if ((state & ui::odNoAccel) && !inImage)
        flags |= DT_HIDEPREFIX;
    const int lineSection = Manager->GetSkinIndex(u"MENULINE");
    const int textSection = Manager->IsValidSkinIndex(lineSection) ? lineSection : section;
    if (Manager->IsValidSkinIndex(textSection))
        WriteSectionText(c, item->Caption().c_str(), true, tr, flags, textSection, hot, Manager);
    if (OnDrawItem)
        OnDrawItem(item, c, RECT{0, 0, w, h}, state, smTopLine);
    if (!enabled)
        BlendRectKeyed(b, 0, 0, ui::Color(MaskKeyColor), 102.0 / 255.0, Rect{at.x, at.y, at.x + w - 1, at.y + h - 1},
                       line);
    BitBlt(canvas.Handle(), rect.left, rect.top, w, h, b->Canvas().Handle(), 0, 0, SRCCOPY);
}

} // namespace skin
