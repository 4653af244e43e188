// Frame bar, its items and title buttons.
#include "skin/controls/framebar.h"

#include "skin/controls/label.h"
#include "core/exception.h"
#include "core/collection.h"
#include "ui/application.h"

#include <cmath>

namespace skin {

// ---- Title buttons ----

frame_bar::TsTitleButton::TsTitleButton(core::Component* owner, int) : TsSpeedButton(owner)
{
    SkinData()->COC = ckBarTitle;
    SkinData()->SetSkinSection(DefaultSectionOf(ckBarTitle));
    // Named after the smallest free number among the owner's components.
    if (owner) {
        for (int n = 1;; ++n) {
            core::String name = u"sTitleButton" + core::IntToStr(n);
            if (!owner->FindComponent(name)) {
                SetName(name);
                break;
            }
        }
    }
    SetAlignment(ui::taLeftJustify);
    SetSpacing(8);
    SetMargin(5);
}

int frame_bar::TsTitleButton::CurrentState()
{
    int state = TsSpeedButton::CurrentState();
    return state == 0 && m_active ? 1 : state;
}

// ---- Items ----

TsTitleItem::TsTitleItem(TsFrameBar& bar) : m_bar(bar)
{
    TitleButton = new TsTitleButton(&bar);
    TitleButton->TitleItem = this;
    TitleButton->OnClick = [this](core::Object* sender) { TitleClick(sender); };
}

TsTitleItem::~TsTitleItem()
{
    if (!IsDestroying(&m_bar)) {
        TitleButton->SetVisible(false);
        delete TitleButton;
        delete Frame;
    }
    TitleButton = nullptr;
    Frame = nullptr;
}

int TsTitleItem::Index() const { return m_bar.Items().IndexOf(this); }

void TsTitleItem::SetCaption(core::StringView value)
{
    TitleButton->SetCaption(value);
    m_caption = value;
}

void TsTitleItem::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    if (value) {
        TitleButton->SkinData()->UpdateIndexes();
        TitleButton->SetParent(&m_bar);
    } else {
        TitleButton->SetParent(nullptr);
    }
    m_bar.ArrangeTitles();
}

void TsTitleItem::SetImageIndex(int value)
{
    m_image_index = value;
    TitleButton->SetImageIndex(value);
    if (TitleButton->Images() != m_bar.Images())
        TitleButton->SetImages(m_bar.Images());
}

void TsTitleItem::SetCursor(ui::Cursor value)
{
    m_cursor = value;
    TitleButton->SetCursor(value);
}

void TsTitleItem::Assign(const TsTitleItem& source)
{
    SetCaption(source.Caption());
    SetCursor(source.Cursor());
    SetImageIndex(source.ImageIndex());
    SetSkinSection(source.SkinSection());
    SetMargin(source.Margin());
    SetSpacing(source.Spacing());
    SetTag(source.Tag());
    SetVisible(source.Visible());
}

void TsTitleItem::TitleClick(core::Object* sender)
{
    if (IsDesigning(&m_bar))
        return;
    if (OnClick)
        OnClick(sender);
    // The handler may have cleared the bar: this item is gone then.
    if (m_bar.Items().IndexOf(this) < 0)
        return;
    if (State == stClosed) {
        State = stOpening;
        if (!m_bar.AllowAllOpen())
            for (int i = 0; i < m_bar.Items().Count(); ++i)
                if (m_bar.Items()[i]->State == stOpened)
                    m_bar.Items()[i]->State = stClosing;
    } else if (State == stOpened && m_bar.AllowAllClose()) {
        State = stClosing;
    }
    m_bar.ArrangeTitles();
}

// ---- Collection ----

TsTitleItem* TsTitles::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw core::EListError(u"List index out of bounds (" + core::IntToStr(index) + u")");
    return m_items[size_t(index)].get();
}

TsTitleItem* TsTitles::Add()
{
    m_items.push_back(std::make_unique<TsTitleItem>(m_bar));
    ++m_version;
    TsTitleItem* item = m_items.back().get();
    m_bar.Rearrange();
    item->SetImageIndex(-1);
    item->State = stClosed;
    return item;
}

void TsTitles::Delete(int index)
{
    Items(index);
    auto item = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    ++m_version;
    item.reset();
    if (!IsDestroying(&m_bar))
        m_bar.ArrangeTitles();
}

void TsTitles::Clear()
{
    if (m_items.empty())
        return;
    auto items = std::move(m_items);
    m_items.clear();
    ++m_version;
    items.clear();
}

int TsTitles::IndexOf(const TsTitleItem* item) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

// ---- Bar ----

TsFrameBar::TsFrameBar(core::Component* owner) : TsScrollBox(owner)
{
    m_common->COC = ckBar;
    m_common->SetSkinSection(DefaultSectionOf(ckBar));
    m_items = std::make_unique<TsTitles>(*this);
    SetCaption(u" ");
    SetAlign(ui::alLeft);
    HorzScrollBar().SetRange(0);
}

TsFrameBar::~TsFrameBar()
{
    BeforeDestruction();
    m_items.reset();
}

void TsFrameBar::Loaded()
{
    TsScrollBox::Loaded();
    for (int i = 0; i < m_items->Count(); ++i) {
        TsTitleItem* item = (*m_items)[i];
        item->TitleButton->SkinData()->SetSkinManager(m_common->FSkinManager);
        item->TitleButton->SetCursor(item->Cursor());
    }
    if (Visible())
        Rearrange();
}

void TsFrameBar::SetTitleHeight(int value)
{
    m_title_height = value;
    if (!IsLoading(this))
        Rearrange();
}

void TsFrameBar::SetSpacing(int value)
{
    m_spacing = value;
    if (!IsLoading(this))
        Rearrange();
}

void TsFrameBar::SetAllowAllOpen(bool value)
{
    m_allow_all_open = value;
    if (value)
        m_auto_frame_size = false;
    if (!IsLoading(this))
        Rearrange();
}

void TsFrameBar::SetAutoFrameSize(bool value)
{
    m_auto_frame_size = value;
    if (value) {
        m_allow_all_open = false;
        SetAutoScroll(false);
    }
    if (!IsLoading(this))
        Rearrange();
}

void TsFrameBar::SetBarBorderWidth(int value)
{
    m_border_width = value;
    if (HandleAllocated())
        RecreateWnd();
    if (!IsLoading(this))
        Rearrange();
}

void TsFrameBar::OpenItem(int index, bool allowAnimation)
{
    TsTitleItem* item = (*m_items)[index];
    item->State = allowAnimation ? stOpening : stOpened;
    if (!m_allow_all_open) {
        for (int i = 0; i < m_items->Count(); ++i)
            if ((*m_items)[i]->State == stOpened)
                (*m_items)[i]->State = stClosing;
        item->State = stOpened;
    }
    Arrange(allowAnimation);
}

void TsFrameBar::CloseItem(int index, bool allowAnimation)
{
    (*m_items)[index]->State = allowAnimation ? stClosing : stClosed;
    Arrange(allowAnimation);
}

void TsFrameBar::ExpandAll(bool allowAnimation)
{
    for (int i = 0; i < m_items->Count(); ++i)
        (*m_items)[i]->State = allowAnimation ? stOpening : stOpened;
    Arrange(true);
}

void TsFrameBar::CollapseAll(bool allowAnimation)
{
    for (int i = 0; i < m_items->Count(); ++i)
        (*m_items)[i]->State = allowAnimation ? stClosing : stClosed;
    Arrange(true);
}

void TsFrameBar::ChangeSize(int index, bool allowAnimation, int height)
{
    TsTitleItem* item = (*m_items)[index];
    if (item->Frame)
        item->Frame->SetHeight(height);
    item->FrameSize = height;
    item->State = allowAnimation ? stOpening : stOpened;
    Arrange(allowAnimation);
}

RECT TsFrameBar::WorkRect()
{
    bool single = BorderStyle() == ui::bsSingleBorder;
    RECT r{0, 0, single ? Width() - 4 : Width(), Height()};
    int inset = m_border_width + (single ? 2 : 0);
    InflateRect(&r, -inset, -inset);
    if (HandleAllocated() && (GetWindowLongPtrW(HandleIfAllocated(), GWL_STYLE) & WS_VSCROLL))
        r.right -= GetSystemMetrics(SM_CXVSCROLL);
    return r;
}

int TsFrameBar::ScrollOffset()
{
    // The wrapper's position while skinned; otherwise the window's own, so that a bar scrolled
    // without a skin lays its titles out where they are.
    if (m_list_sw && m_list_sw->sBarVert && m_list_sw->sBarVert->ScrollInfo.nMax > 0)
        return m_list_sw->sBarVert->ScrollInfo.nPos;
    if (HandleAllocated() && (GetWindowLongPtrW(HandleIfAllocated(), GWL_STYLE) & WS_VSCROLL))
        return GetScrollPos(HandleIfAllocated(), SB_VERT);
    return 0;
}

void TsFrameBar::Pause(unsigned ms)
{
    if (m_pause)
        m_pause(ms);
    else
        Sleep(ms);
}

TFrame* TsFrameBar::DefaultFrame()
{
    auto* frame = new TFrame(this);
    frame->SetHeight(150);
    auto* adapter = new TsFrameAdapter(frame);
    adapter->SkinData()->SetSkinManager(m_common->FSkinManager);
    adapter->SkinData()->SetSkinSection(u"BARPANEL");
    auto* label = new TsLabel(frame);
    label->SetParent(frame);
    label->SetAlign(ui::alClient);
    label->SetAlignment(ui::taCenter);
    label->SetLayout(ui::tlCenter);
    label->SetWordWrap(true);
    label->Font().SetColor(255);
    label->SetCaption(u"Frame creation\r\nevent has not been defined.");
    return frame;
}

bool TsFrameBar::PlaceFrame(TsTitleItem& item, int y, int w, int h)
{
    if (!item.Frame && !IsDesigning(this)) {
        if (item.OnCreateFrame)
            item.OnCreateFrame(&item, item.Frame);
        else
            item.Frame = DefaultFrame();
    }
    TFrame* frame = item.Frame;
    if (!frame)
        return false;
    if (item.FrameSize == 0)
        item.FrameSize = frame->Height();
    if (h == -1) {
        h = item.FrameSize;
        frame->SetHeight(item.FrameSize);
    }
    if (!frame->Parent())
        frame->SetParent(this);
    frame->SetBounds(item.TitleButton->Left(), y + h - frame->Height(), w, frame->Height());
    if (h != 0) {
        if (frame->HandleAllocated() || frame->Parent()) {
            HRGN region = h == frame->Height() ? CreateRectRgn(0, 0, w, frame->Height())
                                               : CreateRectRgn(0, frame->Height() - h, w, frame->Height());
            if (!SetWindowRgn(frame->Handle(), region, FALSE))
                DeleteObject(region);
        }
        frame->Show();
    } else {
        if (frame->HandleAllocated())
            SetWindowRgn(frame->HandleIfAllocated(), CreateRectRgn(0, 0, 0, 0), FALSE);
        frame->Hide();
    }
    return true;
}

void TsFrameBar::DestroyFrame(TsTitleItem& item)
{
    bool canDestroy = true;
    if (item.OnFrameDestroy)
        item.OnFrameDestroy(this, item.Frame, canDestroy);
    if (canDestroy) {
        delete item.Frame;
        item.Frame = nullptr;
    }
    item.FrameSize = 0;
}

void TsFrameBar::TitleActivity(TsTitleItem& item, bool active)
{
    if (item.TitleButton->Active() != active && (item.State == stClosed || item.State == stOpened)) {
        item.TitleButton->SetActive(active);
        item.TitleButton->SkinData()->Invalidate();
    }
}

// Everything an arrangement switches while it runs, put back on every way out (an exception of a
// frame handler included).
class ArrangeScope {
public:
    explicit ArrangeScope(TsFrameBar& bar) : m_bar(bar)
    {
        m_bar.Arranging = true;
        SuppressHints();
        Engine().FadingSuspended = true;
        Engine().HoverSuspended = true;
    }
    ~ArrangeScope()
    {
        if (m_redraw_off)
            RedrawOn();
        if (m_updating)
            m_bar.m_common->EndUpdate();
        Engine().FadingSuspended = false;
        m_bar.Arranging = false;
        Engine().HoverSuspended = false;
        RestoreHints();
    }
    void RedrawOff()
    {
        m_bar.m_common->BeginUpdate();
        m_updating = true;
        if (m_bar.HandleAllocated())
            SendMessageW(m_bar.HandleIfAllocated(), WM_SETREDRAW, FALSE, 0);
        m_redraw_off = true;
    }
    void RedrawOn()
    {
        if (m_bar.HandleAllocated())
            SendMessageW(m_bar.HandleIfAllocated(), WM_SETREDRAW, TRUE, 0);
        m_redraw_off = false;
        if (m_updating)
            m_bar.m_common->EndUpdate();
        m_updating = false;
    }

private:
    TsFrameBar& m_bar;
    bool m_redraw_off = false;
    bool m_updating = false;
};

namespace {

void RedrawBar(ui::WinControl& bar)
{
    if (bar.Showing() && bar.HandleAllocated())
        RedrawWindow(bar.HandleIfAllocated(), nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE);
}

void NotifyRepaintWindow()
{
    if (HWND wnd = RepaintNotifyWindow())
        SendAcMessage(wnd, scSkinRefresh, 0);
}

} // namespace

void TsFrameBar::Arrange(bool allowAnimation)
{
    if (!Visible() || Arranging || HasState(core::csReading) || m_items->Count() == 0)
        return;
    int steps = (!allowAnimation || IsDesigning(this) || !m_animation || IsLoading(this)) ? 0 : 3;
    bool single = BorderStyle() == ui::bsSingleBorder;
    int y = 0;
    int freeSpace = -1;
    {
        ArrangeScope scope(*this);
        RECT work = WorkRect();
        if (m_auto_frame_size) {
            SetAutoScroll(false);
            y = work.top;
            for (int i = 0; i < m_items->Count(); ++i) {
                TsTitleItem* item = (*m_items)[i];
                if (!item->Visible() || !item->TitleButton->Visible())
                    continue;
                y += m_title_height;
                if (item->State == stOpened || item->State == stOpening)
                    y += m_border_width;
                y += m_border_width;
            }
            freeSpace = (work.bottom - work.top) - y;
        }
        unsigned version = m_items->Version();
        for (int step = 0; step <= steps; ++step) {
            scope.RedrawOff();
            y = work.top;
            int w = work.right - work.left;
            int offset = ScrollOffset();
            for (int i = 0; i < m_items->Count(); ++i) {
                TsTitleItem& item = *(*m_items)[i];
                if (!item.Visible() || !item.TitleButton->Visible())
                    continue;
                item.TitleButton->SetBounds(work.left, y - offset, w, m_title_height);
                if (item.TitleButton->Parent() != this)
                    item.TitleButton->SetParent(this);
                y += m_title_height;
                int h = item.FrameSize;
                if (item.State == stOpening && h == 0 && !m_animation)
                    item.State = stOpened;
                bool skipRest = false;
                switch (item.State) {
                case stOpened:
                    if (freeSpace != -1) {
                        h = item.FrameSize = freeSpace;
                        if (item.Frame)
                            item.Frame->SetHeight(freeSpace);
                    }
                    PlaceFrame(item, y - offset, w, -1);
                    if (h == 0 && item.Frame)
                        h = item.Frame->Height();
                    break;
                case stClosing:
                    h = steps ? int(std::nearbyint(double(h) / steps * (steps - step))) : 0;
                    if (step == steps) {
                        item.Closing = false;
                        DestroyFrame(item);
                        h = 0;
                        y += m_border_width;
                        item.State = stClosed;
                        TitleActivity(item, false);
                        if (item.Frame)
                            PlaceFrame(item, y - offset, w, 0);
                        skipRest = true;
                    } else {
                        PlaceFrame(item, y - offset, w, h);
                        if (steps > 0)
                            Pause(10);
                    }
                    break;
                case stOpening: {
                    y += m_spacing;
                    if (step == steps && freeSpace != -1) {
                        h = item.FrameSize = freeSpace;
                        if (item.Frame)
                            item.Frame->SetHeight(freeSpace);
                    }
                    if (steps > 0)
                        h = int(std::nearbyint(double(h) / steps * step));
                    if (PlaceFrame(item, y - offset, w, h)) {
                        if (step == steps)
                            item.State = stOpened;
                        if (steps > 0)
                            Pause(10);
                    }
                    break;
                }
                case stClosed:
                    if (item.Frame) {
                        DestroyFrame(item);
                        h = 0;
                        if (item.Frame)
                            PlaceFrame(item, y - offset, w, 0);
                        item.FrameSize = 0;
                    }
                    break;
                }
                if (skipRest)
                    continue;
                if (item.Frame && item.State != stClosed) {
                    if (!item.Frame->Parent())
                        item.Frame->SetParent(this);
                    y += m_border_width + h;
                    if (item.State == stOpened && item.Frame->HandleAllocated())
                        SetWindowRgn(item.Frame->HandleIfAllocated(), nullptr, FALSE);
                }
                y += m_border_width;
                TitleActivity(item, item.State == stOpened || item.State == stOpening);
            }
            scope.RedrawOn();
            RedrawBar(*this);
            if (Showing())
                NotifyChildControls(this);
            NotifyRepaintWindow();
            if (steps > 0) {
                ui::App().ProcessMessages();
                // A click handled meanwhile may have changed the items: this arrangement is over.
                if (m_items->Version() != version)
                    break;
            }
        }
        Engine().FadingSuspended = false;
        int range = y + m_border_width + (single ? 2 : 0);
        if (VertScrollBar().Range() != range)
            VertScrollBar().SetRange(range);
    }
    UpdateWidths();
    RedrawBar(*this);
    NotifyRepaintWindow();
}

void TsFrameBar::UpdateWidths()
{
    Arranging = true;
    RECT work = WorkRect();
    int w = work.right - work.left;
    for (int i = 0; i < m_items->Count(); ++i) {
        TsTitleItem* item = (*m_items)[i];
        if (!item->Visible() || !item->TitleButton->Visible())
            continue;
        if (item->TitleButton->Width() != w) {
            item->TitleButton->SkinData()->BGChanged = true;
            item->TitleButton->SetWidth(w);
        }
        if (item->Frame && item->Frame->Width() != w)
            item->Frame->SetWidth(w);
    }
    Arranging = false;
    if (AutoScroll() && m_list_sw)
        UpdateScrollInfo(m_list_sw.get(), false);
}

void TsFrameBar::SetImages(ui::ImageList* value)
{
    if (value == m_images)
        return;
    if (m_images)
        m_images->RemoveFreeNotification(this);
    m_images = value;
    if (m_images)
        m_images->FreeNotification(this);
    for (int i = 0; i < m_items->Count(); ++i) {
        TsTitleItem* item = (*m_items)[i];
        if (item->TitleButton->Visible())
            item->TitleButton->SetImages(value);
    }
}

void TsFrameBar::Notification(core::Component* component, core::Operation operation)
{
    TsScrollBox::Notification(component, operation);
    if (operation == core::opRemove && component == m_images)
        m_images = nullptr; // each title button clears its own reference
}

void TsFrameBar::WndProc(ui::Message& message)
{
    TsScrollBox::WndProc(message);
    switch (message.Msg) {
    case WM_SIZE:
        if (Showing() && m_items) {
            if (m_auto_frame_size)
                Rearrange();
            else
                UpdateWidths();
        }
        break;
    case ui::CM_VISIBLECHANGED:
        if (Showing() && m_items)
            Rearrange();
        break;
    case ui::CM_ENABLEDCHANGED:
        if (m_items)
            for (int i = 0; i < m_items->Count(); ++i) {
                TsTitleItem* item = (*m_items)[i];
                item->TitleButton->SetEnabled(Enabled());
                if (item->Frame)
                    item->Frame->SetEnabled(Enabled());
            }
        Invalidate();
        break;
    default:
        break;
    }
}

} // namespace skin
