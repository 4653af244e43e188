// The bound label of edit-like skinned controls.
#include "skin/engine/boundlabel.h"

#include "ui/wincontrol.h"

namespace skin {

TsBoundLabel::TsBoundLabel(TsCommonData* commonData, EditLabelFactory factory)
    : FCommonData(commonData), m_factory(std::move(factory))
{
}

TsBoundLabel::~TsBoundLabel()
{
    ui::Label* label = FTheLabel;
    FTheLabel = nullptr;
    delete label;
}

void TsBoundLabel::LabelDestroyed()
{
    FTheLabel = nullptr;
    FActive = false;
}

ui::Alignment TsBoundLabel::AlignmentOfLayout() const
{
    switch (FLayout) {
    case sclTopLeft: return ui::taLeftJustify;
    case sclTopCenter: return ui::taCenter;
    default: return ui::taRightJustify;
    }
}

void TsBoundLabel::SetActive(bool value)
{
    if (value == FActive)
        return;
    ui::Control* control = FCommonData->OwnerControl();
    if (!value) {
        ui::Label* label = FTheLabel;
        FTheLabel = nullptr;
        delete label;
        FActive = false;
        return;
    }
    if (!control || !m_factory)
        return;
    FActive = true;
    if (!FTheLabel)
        FTheLabel = m_factory(control, this);
    if (m_font_set) {
        FTheLabel->Font().Assign(FFont);
        FTheLabel->SetParentFont(false);
    }
    FTheLabel->SetVisible(false);
    FTheLabel->SetParent(control->Parent());
    FTheLabel->SetFocusControl(dynamic_cast<ui::WinControl*>(control));
    FTheLabel->SetAlignment(AlignmentOfLayout());
    FTheLabel->SetName(control->Name() + u"Label");
    if (FText.empty())
        FText = control->Name();
    FTheLabel->SetCaption(FText);
    FTheLabel->SetVisible(control->Visible() || IsDesigning(FTheLabel));
    FTheLabel->SetEnabled(control->Enabled());
    AlignLabel();
}

void TsBoundLabel::SetCaption(core::StringView value)
{
    if (value == FText)
        return;
    FText = value;
    if (FActive && FTheLabel) {
        FTheLabel->SetCaption(FText);
        AlignLabel();
    }
}

void TsBoundLabel::SetIndent(int value)
{
    if (value == FIndent)
        return;
    FIndent = value;
    if (FActive)
        AlignLabel();
}

void TsBoundLabel::SetMaxWidth(int value)
{
    if (value == FMaxWidth)
        return;
    FMaxWidth = value;
    if (FActive)
        AlignLabel();
}

void TsBoundLabel::SetLayout(TsCaptionLayout value)
{
    if (value == FLayout)
        return;
    FLayout = value;
    if (FTheLabel)
        FTheLabel->SetAlignment(AlignmentOfLayout());
    if (FActive)
        AlignLabel();
}

ui::Font& TsBoundLabel::Font() { return FTheLabel ? FTheLabel->Font() : FFont; }

void TsBoundLabel::SetFont(const ui::Font& value)
{
    // Without a label the font is kept for the label to come.
    if (!FTheLabel) {
        FFont.Assign(value);
        m_font_set = true;
        return;
    }
    FTheLabel->Font().Assign(value);
    FTheLabel->SetParentFont(false);
    AlignLabel();
}

bool TsBoundLabel::UseSkinColor() const
{
    auto* link = dynamic_cast<EditLabelLink*>(FTheLabel);
    return link ? link->GetUseSkinColor() : true;
}

void TsBoundLabel::SetUseSkinColor(bool value)
{
    if (auto* link = dynamic_cast<EditLabelLink*>(FTheLabel))
        link->SetUseSkinColor(value);
}

void TsBoundLabel::AlignLabel()
{
    ui::Label* l = FTheLabel;
    ui::Control* c = FCommonData->OwnerControl();
    if (!l || !l->Visible() || !c)
        return;
    l->SetAutoSize(true);
    if (FLayout == sclLeft) {
        l->SetBounds(c->Left() - l->Width() - FIndent - 4, c->Top() + (c->Height() - l->Height()) / 2, l->Width(),
                     l->Height());
    } else {
        int left = c->Left();
        if (FLayout == sclTopCenter)
            left = c->Left() + (c->Width() - l->Width()) / 2;
        else if (FLayout == sclTopRight)
            left = c->Left() + c->Width() - l->Width();
        l->SetBounds(left, c->Top() - l->Height() - FIndent, l->Width(), l->Height());
    }
    if (FMaxWidth != 0) {
        l->SetAutoSize(false);
        l->SetWidth(FMaxWidth);
        l->SetWordWrap(true);
        l->SetHeight(std::max(l->Height(), c->Height()));
    }
}

} // namespace skin
