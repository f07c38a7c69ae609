#pragma once
// Forms and their controls. The objects keep the state the code sees
// (geometry in twips, window state, texts, list entries, what was printed);
// the runtime renders it, may refuse a change by throwing Error, and reports
// what the user did back as events.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "form_host.h"

namespace vb {

class CommandButton;
class MenuItem;

enum WindowState : std::int16_t { kNormal = 0, kMinimized = 1 };

struct Font {
    std::u16string name = u"ＭＳ Ｐゴシック";
    float size = 10.2f;
    std::int16_t weight = 400;
    std::int16_t charset = 128;  // Japanese (Shift-JIS)
};

// Twips and a screen's pixels, at the screen's resolution.
struct Scale {
    float twipsPerPixel = 15;
    // The nearest whole pixel.
    int Pixels(float twips) const;
    // Whole pixels, rounded up: at least as large as asked, so that a
    // minimum size once set is met.
    int PixelsAtLeast(float twips) const;
    float Twips(int pixels) const { return static_cast<float>(pixels) * twipsPerPixel; }
};

// The frame around a form's client area, in twips, until a window has its own.
constexpr float kFrameWidth = 96;
constexpr float kFrameHeight = 348;

// A text a form printed, at its position in twips from the client area's corner.
struct PrintedText {
    float x, y;
    std::u16string text;
};

class Form {
  public:
    Form(FormHost& host, std::u16string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::u16string& Name() const { return name_; }
    Handle hWnd() const { return handle_; }

    // As designed.
    std::u16string Caption;
    std::u16string Icon;  // the resource name of the form's picture
    Font font;
    bool Sizable = false;
    // A form that is never to be seen needs no window on desktops that do not
    // route the tray through one.
    bool NeverSeen = false;
    // The menus a left and a right press on the form's notification icon
    // open. A tray that draws the icon's menu itself is handed them.
    MenuItem* NotifyLeftMenu = nullptr;
    MenuItem* NotifyRightMenu = nullptr;
    // The client size as designed.
    void DesignClientSize(float width, float height);

    // Outer size and position, and the client area's size, in twips. Reading
    // one is an operation of the runtime, which may refuse it.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    float ScaleWidth() const;
    float ScaleHeight() const;
    std::int16_t WindowState() const;
    bool Visible() const { return visible_; }
    bool Loaded() const { return loaded_; }

    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void SetWindowState(std::int16_t state);
    // Loads the form first if needed. Modal (1) returns once the form is
    // hidden or unloaded.
    void Show(std::int16_t modal = 0);
    void Hide();

    // Printing on the form: each CR LF starts a new line; a line moves the
    // print position to the start of the next one.
    void Print(std::u16string_view text);
    void Cls();
    float CurrentX = 0, CurrentY = 0;
    const std::vector<PrintedText>& Printed() const { return printed_; }

    // The controls, in tab order.
    const std::vector<Control*>& Controls() const { return controls_; }

    // The keys' rules, which every backend asks. Enter presses the first
    // enabled default button where the focus is on no button, Esc the first
    // enabled cancel button; none where there is no such button.
    CommandButton* DefaultButton() const;
    CommandButton* CancelButton() const;
    // Where a label's access key sends the focus: the next visible, enabled
    // control after it that is not a label; none where there is none.
    Control* LabelTarget(const Control& label) const;
    // A caption's access key: the character after the first "&" that does
    // not stand for itself ("&&"); 0 for none.
    static char16_t AccessKey(std::u16string_view caption);

    // Events, delivered by the runtime.
    virtual void Form_Load() {}
    virtual void Form_Unload(std::int16_t& /*cancel*/) {}
    virtual void Form_Resize() {}
    virtual void Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                                float /*y*/) {}

  private:
    friend class Runtime;
    friend class Control;
    void Set(FormProperty property, float twips);
    // The member `value`, once the runtime has let the code read `property`.
    template <class T>
    const T& Read(std::string_view property, const T& value) const {
        Access(property);
        return value;
    }
    void Access(std::string_view property) const;

    FormHost& host_;
    std::u16string name_;
    Handle handle_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    float scaleWidth_ = 0, scaleHeight_ = 0;
    std::int16_t windowState_ = kNormal;
    bool visible_ = false;
    bool loaded_ = false;
    std::vector<Control*> controls_;
    std::vector<PrintedText> printed_;
};

// A control on a form, placed in twips. Design-time properties are plain
// fields; changes at run time go through setters that the runtime renders.
class Control {
  public:
    Control(Form& form, ControlKind kind, std::u16string name, std::int16_t index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Form& Parent() const { return form_; }
    ControlKind Kind() const { return kind_; }
    const std::u16string& Name() const { return name_; }
    std::int16_t Index() const { return index_; }
    // "cmdSList(2)", or the name alone outside a control array.
    std::u16string Label() const;
    Handle hWnd() const { return handle_; }

    // As designed.
    std::u16string Caption;
    std::u16string ToolTipText;
    bool Visible = true;
    void Design(float left, float top, float width, float height);
    // Enabled as designed; the runtime renders it when it builds the window.
    void DesignEnabled(bool enabled) { enabled_ = enabled; }

    // Reading a property is an operation of the runtime, which may refuse it.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    bool Enabled() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void SetEnabled(bool enabled);

    // Events.
    std::function<void()> Click;
    std::function<void()> DblClick;

  protected:
    // The code reads `what`, or changes it where nothing draws it.
    void Access(std::string_view what) const;
    // The member `value`, once the runtime has let the code read `property`.
    template <class T>
    const T& Read(std::string_view property, const T& value) const {
        Access(property);
        return value;
    }

    FormHost& host_;

  private:
    Form& form_;
    ControlKind kind_;
    std::u16string name_;
    std::int16_t index_;
    Handle handle_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool enabled_ = true;
};

class CommandButton : public Control {
  public:
    CommandButton(Form& form, std::u16string name, std::int16_t index = -1)
        : Control(form, ControlKind::kButton, std::move(name), index) {}
    bool Default = false;  // Enter presses it
    bool Cancel = false;   // Esc presses it
};

// A label; the access key of its caption moves the focus to the next control.
class Label : public Control {
  public:
    Label(Form& form, std::u16string name) : Control(form, ControlKind::kLabel, std::move(name)) {}
};

// A list of texts with at most one selected entry. Indices and the count are
// 16-bit; the list keeps the order in which entries were added.
class ListBox : public Control {
  public:
    ListBox(Form& form, std::u16string name)
        : Control(form, ControlKind::kListBox, std::move(name)) {}

    // Appends, or inserts at `index` (0..count). Raises 5 for another index,
    // 7 when the list holds as many entries as a 16-bit count allows.
    void AddItem(std::u16string text, std::int16_t index = -1);
    // Raises 5 for an index that holds no entry.
    void RemoveItem(std::int16_t index);
    // The entry's text; "" for an index that holds none.
    std::u16string List(std::int16_t index) const;
    std::int16_t ListCount() const;
    // The selected entry, -1 for none.
    std::int16_t ListIndex() const;
    // Selects an entry (-1: none) and raises Click, as a selection by the
    // user does. Raises 380 for an index outside -1..count-1.
    void SetListIndex(std::int16_t index);
    // The user selected an entry: the runtime reports it here.
    void Selected(std::int16_t index);

  private:
    std::vector<std::u16string> items_;
    std::int16_t listIndex_ = -1;
};

// A text box: its text and selection, counted in UTF-16 code units.
class TextBox : public Control {
  public:
    TextBox(Form& form, std::u16string name)
        : Control(form, ControlKind::kTextBox, std::move(name)) {}

    // As designed.
    bool MultiLine = false;
    bool Locked = false;      // read-only
    bool ScrollBars = false;  // both
    bool ButtonFace = false;  // the background is the button-face colour

    const std::u16string& Text() const;
    std::int32_t SelStart() const;
    std::int32_t SelLength() const;
    std::u16string SelText() const;

    // Setting the text clears the selection; positions are clamped to the text.
    void SetText(std::u16string text);
    void SetSelStart(std::int32_t start);
    void SetSelLength(std::int32_t length);

  private:
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
