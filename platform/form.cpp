#include "form.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "conv.h"
#include "error.h"

namespace vb {

namespace {

constexpr std::u16string_view kCrLf = u"\r\n";
constexpr std::size_t kMaxListEntries = 32767;

}  // namespace

Form::Form(FormHost& host, std::u16string name)
    : host_(host), name_(std::move(name)), handle_(host.Register(*this)) {}

Form::~Form() { host_.Unregister(handle_); }

void Form::DesignClientSize(float width, float height) {
    // The outer size adds a frame like the classic one, until a window has its own.
    scaleWidth_ = width;
    scaleHeight_ = height;
    width_ = width + kFrameWidth;
    height_ = height + kFrameHeight;
}

int Scale::Pixels(float twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

int Scale::PixelsAtLeast(float twips) const {
    return static_cast<int>(std::ceil(twips / twipsPerPixel));
}

// A change of size or window state runs the resize handler before the
// assignment returns, as the window's own resize does.
void Form::Set(FormProperty property, float twips) {
    const float width = width_, height = height_;
    host_.FormSet(*this, property, twips);
    if (loaded_ && (width != width_ || height != height_)) Form_Resize();
}

void Form::Access(std::string_view property) const { host_.Access(*this, property); }

float Form::Left() const { return Read("Left", left_); }
float Form::Top() const { return Read("Top", top_); }
float Form::Width() const { return Read("Width", width_); }
float Form::Height() const { return Read("Height", height_); }
float Form::ScaleWidth() const { return Read("ScaleWidth", scaleWidth_); }
float Form::ScaleHeight() const { return Read("ScaleHeight", scaleHeight_); }
std::int16_t Form::WindowState() const { return Read("WindowState", windowState_); }

void Form::SetLeft(float twips) { Set(FormProperty::Left, twips); }
void Form::SetTop(float twips) { Set(FormProperty::Top, twips); }
void Form::SetWidth(float twips) { Set(FormProperty::Width, twips); }
void Form::SetHeight(float twips) { Set(FormProperty::Height, twips); }

void Form::SetWindowState(std::int16_t state) {
    host_.FormSet(*this, FormProperty::WindowState, state);
    const bool changed = windowState_ != state;
    windowState_ = state;
    if (loaded_ && changed) Form_Resize();
}

void Form::Show(std::int16_t modal) {
    host_.Load(*this);
    if (!loaded_) return;  // the load handler unloaded it
    // Visible while shown; a modal show returns once the form is hidden again.
    // Showing a form first lays it out.
    const bool wasVisible = visible_;
    if (!wasVisible) Form_Resize();
    visible_ = true;
    try {
        host_.FormShow(*this, modal);
    } catch (...) {
        visible_ = wasVisible;
        throw;
    }
}

void Form::Hide() {
    host_.FormHide(*this);
    visible_ = false;
}

void Form::Print(std::u16string_view text) {
    const float lineHeight = host_.TextHeight(*this);
    for (;;) {
        const auto end = text.find(kCrLf);
        printed_.push_back({CurrentX, CurrentY, std::u16string(text.substr(0, end))});
        CurrentX = 0;
        CurrentY += lineHeight;
        if (end == std::u16string_view::npos) break;
        text.remove_prefix(end + kCrLf.size());
    }
    host_.FormPrinted(*this);
}

void Form::Cls() {
    printed_.clear();
    CurrentX = 0;
    CurrentY = 0;
    host_.FormPrinted(*this);
}

Control::Control(Form& form, ControlKind kind, std::u16string name, std::int16_t index)
    : host_(form.host_),
      form_(form),
      kind_(kind),
      name_(std::move(name)),
      index_(index),
      handle_(host_.Register(*this)) {
    form.controls_.push_back(this);
}

Control::~Control() {
    host_.Unregister(handle_);
    auto& controls = form_.controls_;
    controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
}

std::u16string Control::Label() const {
    return index_ < 0 ? name_ : name_ + u"(" + Str(index_) + u")";
}

void Control::Design(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void Control::Access(std::string_view what) const { host_.Access(*this, what); }

float Control::Left() const { return Read("Left", left_); }
float Control::Top() const { return Read("Top", top_); }
float Control::Width() const { return Read("Width", width_); }
float Control::Height() const { return Read("Height", height_); }
bool Control::Enabled() const { return Read("Enabled", enabled_); }

void Control::SetLeft(float twips) {
    left_ = twips;
    host_.ControlSet(*this, ControlProperty::Left);
}

void Control::SetTop(float twips) {
    top_ = twips;
    host_.ControlSet(*this, ControlProperty::Top);
}

void Control::SetWidth(float twips) {
    width_ = twips;
    host_.ControlSet(*this, ControlProperty::Width);
}

void Control::SetHeight(float twips) {
    height_ = twips;
    host_.ControlSet(*this, ControlProperty::Height);
}

void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    host_.ControlSet(*this, ControlProperty::Enabled);
}

void ListBox::AddItem(std::u16string text, std::int16_t index) {
    const auto count = static_cast<std::int16_t>(items_.size());
    if (index == -1) index = count;
    if (index < 0 || index > count) Raise(kInvalidCall);
    if (items_.size() >= kMaxListEntries) Raise(kOutOfMemory);
    const std::int16_t selected = listIndex_;
    items_.insert(items_.begin() + index, std::move(text));
    if (listIndex_ >= index) ++listIndex_;
    try {
        host_.ControlSet(*this, ControlProperty::ItemAdded, index);
    } catch (...) {
        // Refused: the list stays as it was.
        items_.erase(items_.begin() + index);
        listIndex_ = selected;
        throw;
    }
}

void ListBox::RemoveItem(std::int16_t index) {
    if (index < 0 || index >= static_cast<std::int16_t>(items_.size())) Raise(kInvalidCall);
    const std::int16_t selected = listIndex_;
    std::u16string removed = std::move(items_[index]);
    items_.erase(items_.begin() + index);
    if (listIndex_ == index) {
        listIndex_ = -1;
    } else if (listIndex_ > index) {
        --listIndex_;
    }
    try {
        host_.ControlSet(*this, ControlProperty::ItemRemoved, index);
    } catch (...) {
        items_.insert(items_.begin() + index, std::move(removed));
        listIndex_ = selected;
        throw;
    }
}

std::u16string ListBox::List(std::int16_t index) const {
    Access("List(" + std::to_string(index) + ")");
    const auto count = static_cast<std::int16_t>(items_.size());
    return index >= 0 && index < count ? items_[index] : std::u16string();
}

std::int16_t ListBox::ListCount() const {
    Access("ListCount");
    return static_cast<std::int16_t>(items_.size());
}

std::int16_t ListBox::ListIndex() const { return Read("ListIndex", listIndex_); }

void ListBox::SetListIndex(std::int16_t index) {
    if (index < -1 || index >= static_cast<std::int16_t>(items_.size())) {
        Raise(kInvalidPropertyValue);
    }
    listIndex_ = index;
    host_.ControlSet(*this, ControlProperty::ListIndex);
    if (Click) Click();
}

void ListBox::Selected(std::int16_t index) {
    if (index == listIndex_) return;
    listIndex_ = index;
    if (Click) host_.Dispatch(Click);
}

void TextBox::SetText(std::u16string text) {
    text_ = std::move(text);
    selStart_ = 0;
    selLength_ = 0;
    host_.ControlSet(*this, ControlProperty::Text);
}

const std::u16string& TextBox::Text() const { return Read("Text", text_); }

std::int32_t TextBox::SelStart() const { return Read("SelStart", selStart_); }

std::int32_t TextBox::SelLength() const { return Read("SelLength", selLength_); }

std::u16string TextBox::SelText() const {
    Access("SelText");
    return text_.substr(selStart_, selLength_);
}

// The selection is drawn only when the box has the focus, never from here;
// the runtime may still refuse it.
void TextBox::SetSelStart(std::int32_t start) {
    Access("SelStart = " + std::to_string(start));
    selStart_ = std::clamp<std::int32_t>(start, 0, static_cast<std::int32_t>(text_.size()));
    selLength_ = 0;
}

void TextBox::SetSelLength(std::int32_t length) {
    Access("SelLength = " + std::to_string(length));
    selLength_ =
        std::clamp<std::int32_t>(length, 0, static_cast<std::int32_t>(text_.size()) - selStart_);
}

namespace {

CommandButton* KeyButton(const std::vector<Control*>& controls, bool CommandButton::*role) {
    for (Control* control : controls) {
        if (control->Kind() != ControlKind::kButton || !control->Enabled()) continue;
        auto& button = static_cast<CommandButton&>(*control);
        if (button.*role) return &button;
    }
    return nullptr;
}

}  // namespace

CommandButton* Form::DefaultButton() const { return KeyButton(controls_, &CommandButton::Default); }

CommandButton* Form::CancelButton() const { return KeyButton(controls_, &CommandButton::Cancel); }

Control* Form::LabelTarget(const Control& label) const {
    const auto at = std::find(controls_.begin(), controls_.end(), &label);
    if (at == controls_.end()) return nullptr;
    for (auto next = at + 1; next != controls_.end(); ++next) {
        Control& control = **next;
        if (control.Visible && control.Enabled() && control.Kind() != ControlKind::kLabel) {
            return &control;
        }
    }
    return nullptr;
}

char16_t Form::AccessKey(std::u16string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] != u'&') return caption[i + 1];
        ++i;  // "&&" is an ampersand
    }
    return 0;
}

}  // namespace vb
