// The wrappers of combo boxes: the control paints its own edit area, list and button, then the
// wrapper lays the skin's 3-pixel frame and a skinned drop-down button over it. The first time the
// list asks for its colours the wrapper wraps the list window and answers with the skin's colours
// and a brush that it owns. TacWWComboBoxWnd places the button by the control's class and style.
#pragma once

#include "skin/windows/editwnd.h"

namespace skin {

class TacComboBoxWnd : public TacEditWnd {
public:
    using TacEditWnd::TacEditWnd;
    ~TacComboBoxWnd() override;

    HWND FListHandle = nullptr;
    std::unique_ptr<TacMainWnd> ListSW; // the list's wrapper, a TacComboListWnd

    // The drop-down button in window coordinates (zero width for a simple combo box).
    virtual void ButtonRect(RECT& r) const;
    int ButtonHeight() const;
    // 2 while the list is dropped down, 1 when hot or focused, else 0.
    int ButtonState() const;
    void PaintButton(HDC dc);
    void RepaintButton();
    void PaintText();
    void PrepareSimple();
    void acWndProc(ui::Message& message) override;
    TacComboListWnd* List() const;

private:
    void AnswerListColors(ui::Message& message);
    void PaintOverControl(ui::Message& message);
    void PrintCombo(HDC dc);
    bool IsSimple() const;
    HBRUSH m_list_brush = nullptr; // answered for the list's colours; deleted with the wrapper
};

class TacWWComboBoxWnd : public TacComboBoxWnd {
public:
    using TacComboBoxWnd::TacComboBoxWnd;
    bool FShowButton = true;
    void ButtonRect(RECT& r) const override;
    void Construct(core::StringView section, bool repaint) override;
};

// Registers the combo, status bar and other composite wrappers by class name.
void RegisterCompositeWrapperClasses();

} // namespace skin
