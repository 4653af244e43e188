// Skinned panel and group box.
#include "skin/controls/panel.h"

#include <algorithm>

namespace skin {

namespace {

// Sub-codes 1, 2 and 3 of a container: handled by the state when they come from its own manager,
// and passed on to the children. True when finished.
bool ContainerSkinCommand(ui::WinControl* box, TsCommonData& data, ui::Message& message)
{
    if (message.Msg != SM_SKINCMD)
        return false;
    int code = SubCodeOf(message.WParam);
    if (code != scSkinLoaded && code != scSkinRemoved && code != scSkinRefresh)
        return false;
    if (code != scSkinRefresh)
        box->SetControlStyle(box->ControlStyle() & ~ui::csOpaque);
    if (FromOwnManager(message, data)) {
        HandleCommonMessage(message, &data);
        if (code != scSkinLoaded && box->HandleAllocated() && !IsLoading(box))
            RedrawWindow(box->HandleIfAllocated(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
    SendMsgToChildControls(box, message);
    return true;
}

} // namespace

TsPanel::TsPanel(core::Component* owner) : ui::Panel(owner)
{
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckPanel;
    m_common->Loaded();
}

TsPanel::~TsPanel() = default;

void TsPanel::Loaded()
{
    ui::Panel::Loaded();
    m_common->Loaded();
}

void TsPanel::Paint()
{
    if (Showing() && OnPaint) {
        OnPaint(this, Canvas());
        return;
    }
    ui::Panel::Paint();
}

void TsPanel::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message) || ContainerSkinCommand(this, *m_common, message))
        return;
    if (IsSubCode(message, scGetBackground)) {
        if (message.LParam)
            m_common->GetBgInfo(*reinterpret_cast<TacBGQuery*>(message.LParam), 0, nullptr);
        return;
    }
    if (Unskinned(this, *m_common)) {
        switch (message.Msg) {
        case WM_ERASEBKGND:
            if (OnPaint) {
                message.Result = 1;
                return;
            }
            break;
        case WM_PRINT:
            // Only OnPaint prints a panel.
            if (OnPaint && message.WParam) {
                ui::Canvas canvas(HDC(message.WParam));
                canvas.Font().Assign(Font());
                OnPaint(this, canvas);
            }
            return;
        default:
            break;
        }
        ui::Panel::WndProc(message);
        return;
    }
    // Skinned road. FIXME: the cache painting of the background needs the engine's painting
    // primitives; until then the panel paints as unskinned.
    if (message.Msg == WM_SIZE)
        m_common->BGChanged = true;
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::Panel::WndProc(message);
}

RECT GroupCaptionRect(int width, SIZE text, TsGroupCaptionLayout layout, bool rightToLeft, int yOffset, bool skinned,
                      int bevelWidth)
{
    RECT r{};
    int height = std::max<int>(4, text.cy) + 2;
    r.top = 0;
    r.bottom = height;
    if (skinned) {
        if (yOffset < 0)
            r.top += yOffset;
        else
            r.bottom += yOffset;
    }
    if (layout == clTopCenter)
        r.left = (width - text.cx - 10) / 2;
    else if ((layout == clTopLeft && !rightToLeft) || (layout == clTopRight && rightToLeft))
        r.left = 6;
    else
        r.left = width - text.cx - 14;
    r.left = std::max<LONG>(r.left, 0);
    r.right = std::min<LONG>(r.left + text.cx + 8, width);
    if (r.right - r.left < 2 * bevelWidth) {
        r.left -= bevelWidth;
        r.right += bevelWidth;
    }
    return r;
}

TsGroupBox::TsGroupBox(core::Component* owner) : ui::GroupBox(owner)
{
    SetControlStyle(ControlStyle() & ~ui::csOpaque);
    m_common = std::make_unique<TsCommonData>(this, true);
    m_common->COC = ckGroupBox;
    m_common->Loaded();
}

TsGroupBox::~TsGroupBox() = default;

void TsGroupBox::Loaded()
{
    ui::GroupBox::Loaded();
    m_common->Loaded();
}

void TsGroupBox::SetCaptionLayout(TsGroupCaptionLayout value)
{
    if (value == m_caption_layout)
        return;
    m_caption_layout = value;
    if (!Caption().empty())
        m_common->Invalidate();
}

void TsGroupBox::SetCaptionYOffset(int value)
{
    if (value == m_caption_y_offset)
        return;
    m_caption_y_offset = value;
    m_common->Invalidate();
    Realign();
}

void TsGroupBox::SetCaptionSkin(core::StringView value)
{
    if (value == m_caption_skin)
        return;
    m_caption_skin = value;
    m_common->Invalidate();
}

RECT TsGroupBox::CaptionRect()
{
    SIZE text{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    core::String caption = Caption();
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), int(caption.size()), &text);
    SIZE w{};
    GetTextExtentPoint32W(dc, L"W", 1, &w);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    text.cy = w.cy;
    return GroupCaptionRect(Width(), text, m_caption_layout, false, m_caption_y_offset, m_common->Skinned(), 1);
}

void TsGroupBox::AlignControls(RECT& rect)
{
    // The client area starts CaptionYOffset pixels lower, skinned or not.
    if (!IsDestroying(this))
        rect.top += m_caption_y_offset;
    ui::GroupBox::AlignControls(rect);
}

void TsGroupBox::WndProc(ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return;
    if (message.Msg == SM_SKINCMD) {
        int code = SubCodeOf(message.WParam);
        if (code == scSkinLoaded) {
            SendMsgToChildControls(this, message);
            if (FromOwnManager(message, *m_common))
                HandleCommonMessage(message, m_common.get());
            return;
        }
        if (code == scSkinRemoved || code == scSkinRefresh) {
            if (FromOwnManager(message, *m_common)) {
                HandleCommonMessage(message, m_common.get());
                SendMsgToChildControls(this, message);
                Invalidate();
            } else {
                SendMsgToChildControls(this, message);
            }
            return;
        }
    }
    if (Unskinned(this, *m_common)) {
        ui::GroupBox::WndProc(message);
        return;
    }
    if (HandleCommonMessage(message, m_common.get()))
        return;
    ui::GroupBox::WndProc(message);
}

} // namespace skin
