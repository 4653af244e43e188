// What an application sets on the title bar of a skinned form: its own title buttons (hit codes
// 1000 + index), a title icon of its own, an extra caption text; and the fade of one caption button
// between its normal, hot and pressed images in a small layered window over the button.
#pragma once

#include "core/string.h"
#include "core/win32.h"
#include "ui/bitmap.h"
#include "ui/font.h"
#include "ui/timer.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class Form;
}

namespace skin {

class TsSkinProvider;
class TacBorderForm;
class TsCommonData;

// A picture owned by its holder; copies copy the picture.
class OwnedGlyph {
public:
    OwnedGlyph() = default;
    OwnedGlyph(const OwnedGlyph& other) { Assign(other.Get()); }
    OwnedGlyph& operator=(const OwnedGlyph& other)
    {
        if (this != &other)
            Assign(other.Get());
        return *this;
    }
    ui::Bitmap* Get() const { return m_bmp.get(); }
    bool Empty() const { return !m_bmp || m_bmp->Width() == 0 || m_bmp->Height() == 0; }
    void Assign(const ui::Bitmap* source);

private:
    std::unique_ptr<ui::Bitmap> m_bmp;
};

class TacSBAnimation;

// One caption button: state 0 normal, 1 hot, 2 pressed, -1 not shown.
struct TsCaptionButton {
    int State = 0;
    int ImageIndex = -1;
    RECT Rect{};
    bool HaveAlignment = false;
    int GlowID = -1;
    int HitCode = 0;
    // The running fade, owned by the provider (or the dialog) that animates the button.
    TacSBAnimation* Timer = nullptr;
};

// A button the application adds to the title bar, drawn after the system buttons.
class TsTitleButton {
public:
    TsTitleButton() = default;

    // ---- Properties ----
    const core::String& Name() const { return m_name; }
    void SetName(core::StringView value)
    {
        if (m_name != value)
            m_name = core::String(value);
    }
    ui::Bitmap* Glyph() const { return m_glyph.Get(); }
    bool HasGlyph() const { return !m_glyph.Empty(); }
    // Stores a copy.
    void SetGlyph(const ui::Bitmap* value);
    bool Visible() const { return m_visible; }
    // A change repaints the owner's frame.
    void SetVisible(bool value);
    TsSkinProvider* Owner() const { return m_owner; }
    void SetOwner(TsSkinProvider* owner) { m_owner = owner; }
    // The platform's display name of the item.
    const core::String& GetDisplayName() const { return m_name; }
    // Copies the settings (not the state) into dest.
    void AssignTo(TsTitleButton& dest) const;

    // ---- Events (the provider raises them through DoMouseDown / DoMouseUp) ----
    std::function<void(TsTitleButton& button, POINT point)> OnMouseDown;
    std::function<void(TsTitleButton& button, POINT point)> OnMouseUp;
    void DoMouseDown(POINT point)
    {
        if (OnMouseDown)
            OnMouseDown(*this, point);
    }
    void DoMouseUp(POINT point)
    {
        if (OnMouseUp)
            OnMouseUp(*this, point);
    }

    // ---- Fields ----
    bool Enabled = true;
    bool UseSkinData = true;
    core::String Hint;
    // Width of the glyph the layout reserves (the glyph's own width when 0).
    int GlyphWidth = 0;
    TsCaptionButton BtnData;

private:
    core::String m_name = u"TsTitleButton";
    OwnedGlyph m_glyph;
    bool m_visible = true;
    TsSkinProvider* m_owner = nullptr;
};

// The collection of a provider's title buttons.
class TsTitleButtons {
public:
    explicit TsTitleButtons(TsSkinProvider* owner) : m_owner(owner) {}
    TsSkinProvider* GetOwner() const { return m_owner; }
    TsTitleButton& Add()
    {
        m_items.emplace_back();
        m_items.back().SetOwner(m_owner);
        return m_items.back();
    }
    void push_back(const TsTitleButton& button)
    {
        m_items.push_back(button);
        m_items.back().SetOwner(m_owner);
    }
    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    TsTitleButton& operator[](size_t i) { return m_items[i]; }
    const TsTitleButton& operator[](size_t i) const { return m_items[i]; }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    void clear() { m_items.clear(); }

private:
    TsSkinProvider* m_owner;
    std::vector<TsTitleButton> m_items;
};

// An application-supplied title icon; a Width or Height of 0 follows the caption.
class TsTitleIcon {
public:
    ui::Bitmap* Glyph() const { return m_glyph.Get(); }
    bool HasGlyph() const { return !m_glyph.Empty(); }
    void SetGlyph(const ui::Bitmap* value) { m_glyph.Assign(value); }
    int Width = 0, Height = 0;

private:
    OwnedGlyph m_glyph;
};

// An extra caption text with its own font, drawn after the caption. The font colour clNone means
// the caption's colours.
class TacAddedTitle {
public:
    explicit TacAddedTitle(TsSkinProvider* owner);
    const core::String& Text() const { return m_text; }
    void SetText(core::StringView value);
    const ui::Font& Font() const { return m_font; }
    void SetFont(const ui::Font& value);

private:
    void Changed();
    TsSkinProvider* m_owner;
    core::String m_text;
    ui::Font m_font;
};

// The fade of one caption button, ticking every 12 ms: a layered window just above the owner shows
// the button's image (or the skin's glow for a hot min, max or close button) at a rising or falling
// alpha. It never takes activation nor the mouse.
class TacSBAnimation : public ui::Timer {
public:
    explicit TacSBAnimation(core::Component* owner);
    ~TacSBAnimation() override;
    core::String ClassName() const override { return u"TacSBAnimation"; }

    void StartAnimation(int newState, bool toUp);
    void ChangeState(int newState, bool toUp);
    int Step() const;
    int Offset() const;
    RECT GetFormBounds() const;
    void UpdateForm(int blend);
    void CheckMouseLeave();
    // The layered window, null before the first frame and after a fade-out.
    HWND FormHandleOfImage() const;
    // The alpha shown last (for tests and the owner's painting).
    int LastBlend() const { return m_lastBlend; }

    // ---- Fields the owner sets ----
    TacBorderForm* BorderForm = nullptr;
    TsCommonData* SkinData = nullptr;
    TsSkinProvider* Provider = nullptr;
    HWND FormHandle = nullptr;
    TsCaptionButton* PBtnData = nullptr;
    int CurrentLevel = 0;
    int CurrentState = 0;
    bool Up = false;
    int MaxIterations = 10;

private:
    void OnAnimTimer();
    void MakeForm();
    void MakeImg();
    void FreeImage();
    int GlowMaskIndex() const;

    std::unique_ptr<ui::Form> AForm;
    std::unique_ptr<ui::Bitmap> ABmp;
    int m_lastBlend = -1;
};

} // namespace skin
