// Skinned scroll box: the class library's scroll box with a skin state, OnBeforeScroll and
// OnAfterScroll around ScrollBy, hover events, optional mouse-wheel forwarding to the focused control,
// and the scroll-bar wrapper it keeps while skinned. Base of the frame bar.
#pragma once

#include "skin/controls/skinned.h"
#include "skin/windows/scrollwnd.h"
#include "ui/scrollbox.h"

#include <functional>
#include <memory>

namespace skin {

class TsScrollBox : public ui::ScrollBox {
public:
    explicit TsScrollBox(core::Component* owner = nullptr);
    ~TsScrollBox() override;

    // ---- Properties ----
    TsCommonData* SkinData() { return m_common.get(); }
    bool AutoMouseWheel() const { return m_auto_mouse_wheel; }
    void SetAutoMouseWheel(bool value) { m_auto_mouse_wheel = value; }
    TacScrollWnd* ListSW() const { return m_list_sw.get(); }

    // ---- Operations ----
    // Announces the scroll to itself (sub-codes 51 and 52) around the base scrolling.
    void ScrollBy(int dx, int dy);
    void SetParent(ui::WinControl* parent) override;
    void Loaded() override;

    // ---- Events ----
    ui::NotifyEvent OnBeforeScroll;
    ui::NotifyEvent OnAfterScroll;
    // Raised with the cache bitmap after the skinned background was prepared.
    std::function<void(ui::Bitmap& controlBmp)> OnPaint;

protected:
    void WndProc(ui::Message& message) override;
    // Skinned: the section item over the parent's background, then OnPaint.
    virtual void PrepareCache();
    // Skinned: the cache's client part around the children onto dc (the client DC when null), or
    // the plain background.
    virtual void Paint(HDC dc, bool sendUpdated);
    bool DoMouseWheel(ui::ShiftState shift, int delta, POINT mouse) override;
    std::unique_ptr<TsCommonData> m_common;
    std::unique_ptr<TacScrollWnd> m_list_sw;
    bool m_auto_frame_size = false;

private:
    bool SkinnedMessage(ui::Message& message);
    // The frame strips from the cache and the skinned bars into the window DC.
    void PaintFrame();
    int FrameWidth() const;
    // The wrapper's bar of that direction is being dragged.
    bool BarTracking(bool horizontal) const;

    bool m_auto_mouse_wheel = false;
    int m_scroll_pos = 0;
    bool m_forwarding_wheel = false;
};

} // namespace skin
