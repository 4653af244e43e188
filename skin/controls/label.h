// Skinned labels. Labels own no skin state: they keep a section name and ask the default skin
// manager directly. Without one (the client) a TsLabel is the class library's label, transparent by
// default, with OnMouseEnter/OnMouseLeave, font changes that resize an auto-sized label once, and
// SkinSection and UseSkinColor stored without effect. TsEditLabel is the label a bound label makes.
#pragma once

#include "skin/controls/skinned.h"
#include "skin/engine/boundlabel.h"
#include "ui/label.h"

namespace skin {

class TsCustomLabel : public ui::Label {
public:
    explicit TsCustomLabel(core::Component* owner = nullptr);

    // ---- Properties ----
    const core::String& SkinSection() const { return m_skin_section; }
    void SetSkinSection(core::StringView value);

protected:
    // ---- Painting and messages ----
    // The font to paint with: the skin's font colour for the section the parent uses, when a skin
    // is active; the label's own font otherwise.
    virtual ui::Font& GetCurrentFont();
    void Paint(ui::Canvas& canvas) override;
    void WndProc(ui::Message& message) override;

    // The index of SkinSection in the active default skin; -1 without one.
    int SectionIndex() const;

private:
    core::String m_skin_section;
    bool m_hot = false; // the mouse is over the label
};

class TsLabel : public TsCustomLabel {
public:
    explicit TsLabel(core::Component* owner = nullptr);

    bool UseSkinColor() const { return m_use_skin_color; }
    void SetUseSkinColor(bool value) { m_use_skin_color = value; }

protected:
    ui::Font& GetCurrentFont() override;
    void WndProc(ui::Message& message) override;

private:
    bool m_use_skin_color = true;
};

class TsEditLabel : public TsLabel, public EditLabelLink {
public:
    TsEditLabel(core::Component* owner, TsBoundLabel* boundStruct);
    ~TsEditLabel() override;

    TsBoundLabel* BoundLabel = nullptr;

    bool GetUseSkinColor() const override { return UseSkinColor(); }
    void SetUseSkinColor(bool value) override { TsLabel::SetUseSkinColor(value); }
};

// The factory that edit-like controls give their bound label.
ui::Label* MakeEditLabel(ui::Control* owner, TsBoundLabel* bound);

} // namespace skin
