#pragma once
// A list box's widget: the selection is the entry, and a list that gets the
// focus with nothing selected stays so, so that the first Down selects the
// first entry.

#include <QListWidget>
#include <cstdint>

#include "platform/form.h"

namespace qtrt {

class ListWidget : public QListWidget {
    Q_OBJECT

  public:
    using QListWidget::QListWidget;

    std::int16_t SelectedRow() const;
    // Selects the entry, or none; the model raises the click itself.
    void Select(std::int16_t index);
    // Follows a change of the list box's entries or selection.
    void Render(const vb::ListBox& list, vb::ControlProperty property, std::int32_t index);

  protected:
    void focusInEvent(QFocusEvent* event) override;
};

}  // namespace qtrt
