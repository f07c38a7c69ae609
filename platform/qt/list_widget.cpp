#include "list_widget.h"

#include "text.h"

namespace qtrt {

std::int16_t ListWidget::SelectedRow() const {
    const auto items = selectedItems();
    return items.isEmpty() ? -1 : static_cast<std::int16_t>(row(items.first()));
}

void ListWidget::Select(std::int16_t index) {
    const QSignalBlocker quiet(this);
    if (index < 0) {
        clearSelection();
        setCurrentIndex(QModelIndex());
    } else {
        setCurrentRow(index);
    }
    viewport()->update();
}

void ListWidget::Render(const vb::ListBox& list, vb::ControlProperty property, std::int32_t index) {
    switch (property) {
        case vb::ControlProperty::ItemAdded:
            insertItem(index, ToDesktop(list.List(static_cast<std::int16_t>(index))));
            break;
        case vb::ControlProperty::ItemRemoved: {
            {
                const QSignalBlocker quiet(this);  // the model chose the new selection itself
                delete takeItem(index);
            }
            Select(list.ListIndex());
            break;
        }
        case vb::ControlProperty::ListIndex:
            Select(list.ListIndex());
            break;
        default:
            break;
    }
}

void ListWidget::focusInEvent(QFocusEvent* event) {
    const bool none = selectedItems().isEmpty();
    QListWidget::focusInEvent(event);
    if (none) Select(-1);
}

}  // namespace qtrt
