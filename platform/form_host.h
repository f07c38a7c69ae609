#pragma once
// What forms and controls ask of the runtime they run on, and the properties
// it renders.

#include <cstdint>
#include <functional>
#include <string_view>

namespace vb {

class Control;
class Form;
using Handle = std::intptr_t;

enum class FormProperty { Left, Top, Width, Height, WindowState };

enum class ControlKind { kButton, kLabel, kListBox, kTextBox };
enum class ControlProperty {
    Left,
    Top,
    Width,
    Height,
    Enabled,
    Text,
    ItemAdded,
    ItemRemoved,
    ListIndex
};

// What forms and controls ask of the runtime they run on: it knows them by
// handle, renders their state, may refuse a change or a read by throwing
// Error, and runs their events.
class FormHost {
  public:
    virtual Handle Register(Form& form) = 0;
    virtual Handle Register(Control& control) = 0;
    virtual void Unregister(Handle handle) = 0;
    // Loads the form on first use: runs its load handler.
    virtual void Load(Form& form) = 0;
    // Applies a change to the form's window, if it has one, and stores the
    // geometry the window really has then; a form without a window keeps the
    // values.
    virtual void FormSet(Form& form, FormProperty property, float value) = 0;
    virtual void FormShow(Form& form, std::int16_t modal) = 0;
    virtual void FormHide(Form& form) = 0;
    // What the form printed has changed.
    virtual void FormPrinted(Form& form) = 0;
    // The height of a printed line in the form's font, in twips.
    virtual float TextHeight(const Form& form) = 0;
    // Renders a changed property of a control; `index` is the entry of an
    // added or removed list item.
    virtual void ControlSet(Control& control, ControlProperty property, std::int32_t index = 0) = 0;
    // The code reads a property of a form or a control, or changes one that
    // nothing draws: `what` is "Width", "List(2)" or "SelStart = 0".
    virtual void Access(const Form& form, std::string_view what) = 0;
    virtual void Access(const Control& control, std::string_view what) = 0;
    // Runs an event handler; a run-time error no trap caught is shown here.
    virtual void Dispatch(const std::function<void()>& handler) = 0;

  protected:
    ~FormHost() = default;
};

}  // namespace vb
