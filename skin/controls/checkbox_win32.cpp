// Skinned check box and radio button.
#include "skin/controls/checkbox.h"

#include <algorithm>

namespace skin {

namespace {

// Sub-codes 1 to 3 of the own manager and the answers both boxes give; true when finished.
bool BoxSkinCommand(ui::WinControl* box, TsCommonData& data, ui::Message& message)
{
    if (AnswerSkinQuery(message))
        return true;
    if (message.Msg != SM_SKINCMD)
        return false;
    switch (SubCodeOf(message.WParam)) {
    case scSkinLoaded:
    case scSkinRefresh:
        if (FromOwnManager(message, data)) {
            HandleCommonMessage(message, &data);
            box->Invalidate();
            return true;
        }
        return false;
    case scStopFading:
        return true; // no fade runs without a skin
    default:
        return false;
    }
}

} // namespace

SIZE SkinnedBoxSize(SIZE glyph, int margin, SIZE caption, int textIndent, bool hasCaption)
{
    SIZE size;
    size.cx = glyph.cx + 2 * margin + (hasCaption ? caption.cx + textIndent + 8 : 0);
    // The larger of glyph and caption: a caption taller than the glyph must not be cut.
    size.cy = std::max<LONG>(glyph.cy, (hasCaption ? caption.cy : 0) + 2 * margin) + 2;
    return size;
}

SIZE BoxGlyphSize(const ui::ImageList* images, int imgChecked, int imgUnchecked, const ui::Bitmap& glyphChecked)
{
    if (images && imgChecked >= 0 && imgUnchecked >= 0)
        return SIZE{images->Width() / 3, images->Height() / 2};
    if (!glyphChecked.Empty())
        return SIZE{glyphChecked.Width() / 3, glyphChecked.Height() / 2};
    return SIZE{16, 16};
}

bool ReadOnlyBoxFilter::Drop(const ui::Message& message, bool readOnly)
{
    switch (message.Msg) {
    case BM_SETCHECK:
    case BM_SETSTATE:
        return readOnly && m_pressed;
    case WM_LBUTTONDBLCLK:
        return readOnly;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
        m_pressed = true;
        return false;
    case WM_KEYUP:
    case WM_LBUTTONUP:
        m_pressed = false;
        return false;
    default:
        return false;
    }
}

template <class Base>
TsSkinnedBox<Base>::TsSkinnedBox(core::Component* owner, int kind) : Base(owner)
{
    m_common = std::make_unique<TsCommonData>(this, false);
    m_common->COC = kind;
    m_common->Loaded();
}

template <class Base>
TsSkinnedBox<Base>::~TsSkinnedBox() = default;

template <class Base>
void TsSkinnedBox<Base>::SetGlyphChecked(const ui::Bitmap& value)
{
    m_glyph_checked.Assign(value);
    m_common->Invalidate();
}

template <class Base>
void TsSkinnedBox<Base>::SetGlyphUnChecked(const ui::Bitmap& value)
{
    m_glyph_unchecked.Assign(value);
    this->Invalidate();
}

template <class Base>
void TsSkinnedBox<Base>::Loaded()
{
    Base::Loaded();
    m_common->Loaded();
}

template <class Base>
bool TsSkinnedBox<Base>::HandleBoxMessage(ui::Message& message, WPARAM checkState)
{
    if (BoxSkinCommand(this, *m_common, message))
        return true;
    if (IsSubCode(message, scSkinRemoved) && FromOwnManager(message, *m_common)) {
        HandleCommonMessage(message, m_common.get());
        if (this->HandleAllocated())
            SendMessageW(this->HandleIfAllocated(), BM_SETCHECK, checkState, 0);
        this->Invalidate();
        return true;
    }
    if (ControlIsReady(this)) {
        HandleCommonMessage(message, m_common.get());
        // FIXME: the skinned face (section item, caption and glyph from the cache) needs the
        // engine's painting primitives; until they exist a skinned box paints natively too.
        if (!m_common->Skinned() && m_filter.Drop(message, m_read_only))
            return true;
    }
    return false;
}

template class TsSkinnedBox<ui::CheckBox>;
template class TsSkinnedBox<ui::RadioButton>;

TsCheckBox::TsCheckBox(core::Component* owner) : TsSkinnedBox(owner, ckCheckBox) {}

void TsCheckBox::SetImages(ui::ImageList* value)
{
    if (value == m_images)
        return;
    if (m_images)
        m_images->RemoveFreeNotification(this);
    m_images = value;
    if (m_images)
        m_images->FreeNotification(this);
    Invalidate();
}

void TsCheckBox::SetImgChecked(int value)
{
    if (value == m_img_checked)
        return;
    m_img_checked = value;
    if (Checked())
        m_common->Invalidate();
}

void TsCheckBox::SetImgUnchecked(int value)
{
    if (value == m_img_unchecked)
        return;
    m_img_unchecked = value;
    if (!Checked())
        m_common->Invalidate();
}

void TsCheckBox::Notification(core::Component* component, core::Operation operation)
{
    ui::CheckBox::Notification(component, operation);
    if (operation == core::opRemove && component == m_images)
        m_images = nullptr;
}

bool TsCheckBox::CanAutoSize(int& newWidth, int& newHeight)
{
    if (!m_auto_size)
        return true;
    if (!m_common->Skinned() || IsLoading(this))
        return false;
    SIZE caption{};
    if (!Caption().empty() && HandleAllocated()) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, Font().Handle());
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(Caption().c_str()), int(Caption().size()), &caption);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    SIZE size = SkinnedBoxSize(GlyphSize(), m_margin, caption, m_text_indent, !Caption().empty());
    newWidth = size.cx;
    newHeight = size.cy;
    return true;
}

void TsCheckBox::WndProc(ui::Message& message)
{
    if (!HandleBoxMessage(message, WPARAM(State())))
        ui::CheckBox::WndProc(message);
}

TsRadioButton::TsRadioButton(core::Component* owner) : TsSkinnedBox(owner, ckRadioButton) {}

bool TsRadioButton::CanAutoSize(int& newWidth, int& newHeight)
{
    if (!m_auto_size)
        return true;
    if (!m_common->Skinned() || IsLoading(this))
        return false;
    SIZE size = SkinnedBoxSize(GlyphSize(), m_margin, SIZE{0, 0}, 0, false);
    newWidth = size.cx;
    newHeight = size.cy;
    return true;
}

void TsRadioButton::Invalidate()
{
    ui::RadioButton::Invalidate();
    if (m_auto_size)
        m_word_wrap = false;
}

void TsRadioButton::WndProc(ui::Message& message)
{
    if (!HandleBoxMessage(message, Checked() ? BST_CHECKED : BST_UNCHECKED))
        ui::RadioButton::WndProc(message);
}

} // namespace skin
