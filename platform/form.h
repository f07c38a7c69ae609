#pragma once
// Forms and the simple controls the programs hold. The objects keep the state
// the code sees (geometry in twips, window state, texts); the runtime renders
// it and may refuse a change by throwing Error.

#include <cstdint>
#include <string>

namespace vb {

class Runtime;
using Handle = std::intptr_t;

enum class FormProperty { Left, Top, Width, Height, WindowState };
enum WindowState : std::int16_t { kNormal = 0, kMinimized = 1 };

class Form {
public:
    Form(Runtime& rt, std::u16string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::u16string& Name() const { return name_; }
    Handle hWnd() const { return handle_; }
    std::u16string Caption;

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    std::int16_t WindowState() const { return windowState_; }
    bool Visible() const { return visible_; }

    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void SetWindowState(std::int16_t state);
    // Modal (1) returns once the form is hidden or unloaded.
    void Show(std::int16_t modal = 0);
    void Hide();

    // Events, delivered by the runtime.
    virtual void Form_Load() {}
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    virtual void Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                                float /*y*/) {}

protected:
    Runtime& rt_;

private:
    std::u16string name_;
    Handle handle_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::int16_t windowState_ = kNormal;
    bool visible_ = false;
};

// A text box: its text and selection, counted in UTF-16 code units.
class TextBox {
public:
    TextBox(Runtime& rt, std::u16string name);
    ~TextBox();
    TextBox(const TextBox&) = delete;
    TextBox& operator=(const TextBox&) = delete;

    const std::u16string& Name() const { return name_; }
    Handle hWnd() const { return handle_; }
    const std::u16string& Text() const { return text_; }
    std::int32_t SelStart() const { return selStart_; }
    std::int32_t SelLength() const { return selLength_; }
    std::u16string SelText() const { return text_.substr(selStart_, selLength_); }

    // Setting the text clears the selection; positions are clamped to the text.
    void SetText(std::u16string text);
    void SetSelStart(std::int32_t start);
    void SetSelLength(std::int32_t length);

private:
    Runtime& rt_;
    std::u16string name_;
    Handle handle_;
    std::u16string text_;
    std::int32_t selStart_ = 0;
    std::int32_t selLength_ = 0;
};

// An image control holding one of the program's pictures.
struct Image {
    std::u16string name;
    std::u16string picture;  // the resource name of the picture
};

}  // namespace vb
