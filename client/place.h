// Placing a control on its parent with the window definition's bounds.
#pragma once

namespace client {

// width or height 0 keeps the control's own.
template <class T, class P>
T* Place(T* control, P* parent, int left, int top, int width, int height)
{
    control->SetParent(parent);
    control->SetBounds(left, top, width > 0 ? width : control->Width(), height > 0 ? height : control->Height());
    return control;
}

// The window definitions' font: "宋体", 12 pixels, GB2312.
template <class F>
void UseDefinitionFont(F& form)
{
    form.Font().SetName(u"宋体");
    form.Font().SetHeight(-12);
    form.Font().SetCharset(134 /* GB2312_CHARSET */);
}

} // namespace client
