// Frame bar: a vertical bar of titled items; each item's title button opens a frame below the title
// and closes it again, in a few animated passes. Descends from the skinned scroll box. Its pauses
// between animation steps go through a hook, so that tests run the animation without waiting.
#pragma once

#include "skin/controls/frame.h"
#include "skin/controls/scrollbox.h"
#include "skin/controls/speedbutton.h"

#include <functional>
#include <memory>
#include <vector>

namespace skin {

class TsFrameBar;
class TsTitleItem;

enum TsTitleState { stClosed, stOpened, stClosing, stOpening };
using TCreateFrameEvent = std::function<void(core::Object* sender, TFrame*& frame)>;
using TFrameDestroyEvent = std::function<void(core::Object* sender, TFrame*& frame, bool& canDestroy)>;

// The form's title bar has a class of this name too (skin/windows/titlebuttons.h): this one lives in
// its own inline namespace so that the two never share a mangled name, a type identity or an inline
// member, and a unit that includes both headers must say which it means.
inline namespace frame_bar {

class TsTitleButton : public TsSpeedButton {
public:
    TsTitleButton(core::Component* owner, int index = 0);

    TsTitleItem* TitleItem = nullptr;
    bool Active() const { return m_active; }
    void SetActive(bool value) { m_active = value; }
    int CurrentState() override;

private:
    bool m_active = false;
};

} // namespace frame_bar

class TsTitleItem : public core::Object {
public:
    explicit TsTitleItem(TsFrameBar& bar);
    ~TsTitleItem() override;
    TsTitleItem(const TsTitleItem&) = delete;
    TsTitleItem& operator=(const TsTitleItem&) = delete;

    // ---- Properties ----
    const core::String& Caption() const { return m_caption; }
    void SetCaption(core::StringView value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    int ImageIndex() const { return m_image_index; }
    void SetImageIndex(int value);
    core::String SkinSection() const { return TitleButton->SkinData()->SkinSection(); }
    void SetSkinSection(core::StringView value) { TitleButton->SkinData()->SetSkinSection(value); }
    int Margin() const { return TitleButton->Margin(); }
    void SetMargin(int value) { TitleButton->SetMargin(value); }
    int Spacing() const { return TitleButton->Spacing(); }
    void SetSpacing(int value) { TitleButton->SetSpacing(value); }
    ui::Cursor Cursor() const { return m_cursor; }
    void SetCursor(ui::Cursor value);
    intptr_t Tag() const { return m_tag; }
    void SetTag(intptr_t value) { m_tag = value; }
    int Index() const;
    void Assign(const TsTitleItem& source);

    // ---- Events ----
    TCreateFrameEvent OnCreateFrame;
    TFrameDestroyEvent OnFrameDestroy;
    ui::NotifyEvent OnClick;

    // ---- Public state ----
    TsTitleButton* TitleButton = nullptr;
    TFrame* Frame = nullptr;
    TsTitleState State = stClosed;
    int FrameSize = 0;
    bool Closing = false;

private:
    friend class TsFrameBar;
    void TitleClick(core::Object* sender);

    TsFrameBar& m_bar;
    core::String m_caption;
    bool m_visible = true;
    int m_image_index = -1;
    ui::Cursor m_cursor = ui::crDefault;
    intptr_t m_tag = 0;
};

// The bar's item collection.
class TsTitles {
public:
    explicit TsTitles(TsFrameBar& bar) : m_bar(bar) {}
    ~TsTitles() { Clear(); }

    int Count() const { return int(m_items.size()); }
    TsTitleItem* Items(int index) const;
    TsTitleItem* operator[](int index) const { return Items(index); }
    TsTitleItem* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TsTitleItem* item) const;
    // Changes whenever items are added or removed.
    unsigned Version() const { return m_version; }

private:
    TsFrameBar& m_bar;
    std::vector<std::unique_ptr<TsTitleItem>> m_items;
    unsigned m_version = 0;
};

class TsFrameBar : public TsScrollBox {
public:
    explicit TsFrameBar(core::Component* owner = nullptr);
    ~TsFrameBar() override;

    // ---- Properties ----
    TsTitles& Items() { return *m_items; }
    int TitleHeight() const { return m_title_height; }
    void SetTitleHeight(int value);
    bool Animation() const { return m_animation; }
    void SetAnimation(bool value) { m_animation = value; }
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    bool AllowAllClose() const { return m_allow_all_close; }
    void SetAllowAllClose(bool value) { m_allow_all_close = value; }
    bool AllowAllOpen() const { return m_allow_all_open; }
    void SetAllowAllOpen(bool value);
    bool AutoFrameSize() const { return m_auto_frame_size; }
    void SetAutoFrameSize(bool value);
    int BarBorderWidth() const { return m_border_width; }
    void SetBarBorderWidth(int value);
    // The image list of the title buttons: given to the title button of every item whose title
    // button is visible; cleared when the list is freed.
    ui::ImageList* Images() const { return m_images; }
    void SetImages(ui::ImageList* value);

    bool Arranging = false;
    bool Sizing = false;

    // ---- Operations ----
    void ArrangeTitles() { Arrange(true); }
    void Rearrange() { Arrange(false); }
    void OpenItem(int index, bool allowAnimation);
    void CloseItem(int index, bool allowAnimation);
    void ExpandAll(bool allowAnimation);
    void CollapseAll(bool allowAnimation);
    void ChangeSize(int index, bool allowAnimation, int height);
    RECT WorkRect();
    void UpdateWidths();
    void Loaded() override;

    // The pause between animation steps (milliseconds); the system's Sleep unless replaced.
    void SetPauseHook(std::function<void(unsigned)> hook) { m_pause = std::move(hook); }

protected:
    void WndProc(ui::Message& message) override;
    void Notification(core::Component* component, core::Operation operation) override;

private:
    friend class TsTitleItem;
    friend class TsTitles;
    friend class ArrangeScope;
    void Arrange(bool allowAnimation);
    bool PlaceFrame(TsTitleItem& item, int y, int w, int h);
    void DestroyFrame(TsTitleItem& item);
    TFrame* DefaultFrame();
    void TitleActivity(TsTitleItem& item, bool active);
    int ScrollOffset();
    void Pause(unsigned ms);

    std::unique_ptr<TsTitles> m_items;
    int m_title_height = 28;
    bool m_animation = true;
    int m_spacing = 0;
    bool m_allow_all_close = false;
    bool m_allow_all_open = false;
    int m_border_width = 2;
    ui::ImageList* m_images = nullptr;
    std::function<void(unsigned)> m_pause;
};

} // namespace skin
