// Skinned check box and radio button. Unskinned (the client) they stay native boxes with the
// read-only filters (while ReadOnly, a double click is refused and the native mark does not change
// while the mouse button or a key is held on the box), automatic sizing off, and their answers to
// the skin command.
#pragma once

#include "skin/controls/skinned.h"
#include "ui/checkbox.h"
#include "ui/radiobutton.h"

#include <memory>

namespace skin {

// The size an auto-sized skinned box takes: glyph, margins and caption side by side, as high as the
// larger of the glyph and the caption with its margins.
SIZE SkinnedBoxSize(SIZE glyph, int margin, SIZE caption, int textIndent, bool hasCaption);

// The read-only filter and pressed state that check and radio boxes share.
class ReadOnlyBoxFilter {
public:
    // True when the message is dropped.
    bool Drop(const ui::Message& message, bool readOnly);

    bool Pressed() const { return m_pressed; }

private:
    bool m_pressed = false;
};

class TsCheckBox : public ui::CheckBox {
public:
    explicit TsCheckBox(core::Component* owner = nullptr);
    ~TsCheckBox() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value) { m_read_only = value; }
    bool AutoSize() const { return m_auto_size; }
    void SetAutoSize(bool value) { m_auto_size = value; }
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value) { m_word_wrap = value; }
    int Margin() const { return m_margin; }
    void SetMargin(int value) { m_margin = value; }
    int TextIndent() const { return m_text_indent; }
    void SetTextIndent(int value) { m_text_indent = value; }
    bool ShowFocus() const { return m_show_focus; }
    void SetShowFocus(bool value) { m_show_focus = value; }
    TsDisabledKind DisabledKind() const { return m_disabled_kind; }
    void SetDisabledKind(TsDisabledKind value) { m_disabled_kind = value; }
    TacAnimatEvents AnimatEvents() const { return m_animat_events; }
    void SetAnimatEvents(TacAnimatEvents value) { m_animat_events = value; }

    // ---- Operations ----
    // Automatic sizing: false unskinned with AutoSize (the box keeps its size).
    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    void Loaded() override;

protected:
    void WndProc(ui::Message& message) override;

private:
    std::unique_ptr<TsCommonData> m_common;
    ReadOnlyBoxFilter m_filter;
    bool m_read_only = false;
    bool m_auto_size = true;
    bool m_word_wrap = false;
    int m_margin = 2;
    int m_text_indent = 0;
    bool m_show_focus = true;
    TsDisabledKind m_disabled_kind = dkBlended;
    TacAnimatEvents m_animat_events = aeGlobalDef;
};

class TsRadioButton : public ui::RadioButton {
public:
    explicit TsRadioButton(core::Component* owner = nullptr);
    ~TsRadioButton() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    bool ReadOnly() const { return m_read_only; }
    void SetReadOnly(bool value) { m_read_only = value; }
    bool AutoSize() const { return m_auto_size; }
    void SetAutoSize(bool value) { m_auto_size = value; }
    bool WordWrap() const { return m_word_wrap; }
    void SetWordWrap(bool value) { m_word_wrap = value; }
    int Margin() const { return m_margin; }
    void SetMargin(int value) { m_margin = value; }
    bool ShowFocus() const { return m_show_focus; }
    void SetShowFocus(bool value) { m_show_focus = value; }

    virtual bool CanAutoSize(int& newWidth, int& newHeight);
    // A mouse-up may check the button only while this holds.
    virtual bool CanBeChecked() { return true; }
    void Invalidate() override;
    void Loaded() override;

protected:
    void WndProc(ui::Message& message) override;

private:
    std::unique_ptr<TsCommonData> m_common;
    ReadOnlyBoxFilter m_filter;
    bool m_read_only = false;
    bool m_auto_size = true;
    bool m_word_wrap = false;
    int m_margin = 2;
    bool m_show_focus = true;
};

} // namespace skin
