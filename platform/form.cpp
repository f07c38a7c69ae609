#include "form.h"

#include <algorithm>

#include "runtime.h"

namespace vb {

Form::Form(Runtime& rt, std::u16string name)
    : rt_(rt), name_(std::move(name)), handle_(rt.Register(*this)) {}

Form::~Form() { rt_.Unregister(handle_); }

void Form::SetLeft(float twips) { left_ = rt_.FormSet(*this, FormProperty::Left, twips); }
void Form::SetTop(float twips) { top_ = rt_.FormSet(*this, FormProperty::Top, twips); }
void Form::SetWidth(float twips) { width_ = rt_.FormSet(*this, FormProperty::Width, twips); }
void Form::SetHeight(float twips) { height_ = rt_.FormSet(*this, FormProperty::Height, twips); }

void Form::SetWindowState(std::int16_t state) {
    rt_.FormSet(*this, FormProperty::WindowState, state);
    windowState_ = state;
}

void Form::Show(std::int16_t modal) {
    // Visible while shown; a modal show returns once the form is hidden again.
    const bool wasVisible = visible_;
    visible_ = true;
    try {
        rt_.FormShow(*this, modal);
    } catch (...) {
        visible_ = wasVisible;
        throw;
    }
}

void Form::Hide() {
    rt_.FormHide(*this);
    visible_ = false;
}

TextBox::TextBox(Runtime& rt, std::u16string name)
    : rt_(rt), name_(std::move(name)), handle_(rt.Register(*this)) {}

TextBox::~TextBox() { rt_.Unregister(handle_); }

void TextBox::SetText(std::u16string text) {
    text_ = std::move(text);
    selStart_ = 0;
    selLength_ = 0;
}

void TextBox::SetSelStart(std::int32_t start) {
    selStart_ = std::clamp<std::int32_t>(start, 0, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
}

void TextBox::SetSelLength(std::int32_t length) {
    selLength_ = std::clamp<std::int32_t>(length, 0,
                                          static_cast<std::int32_t>(text_.size()) - selStart_);
}

}  // namespace vb
