#include "form_window.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

#include "list_widget.h"
#include "pictures.h"
#include "text.h"

namespace qtrt {

namespace {

// What a form printed is drawn, held by no widget: screen readers are given
// it as the window's description, a line a printed line.
class FormAccessible : public QAccessibleWidget {
  public:
    explicit FormAccessible(FormWindow* window) : QAccessibleWidget(window, QAccessible::Dialog) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Description) return QAccessibleWidget::text(t);
        QStringList lines;
        for (const auto& printed : static_cast<FormWindow*>(widget())->form().Printed()) {
            lines << ToQt(printed.text);
        }
        return lines.join('\n');
    }
};

QAccessibleInterface* AccessibleForm(const QString&, QObject* object) {
    auto* window = dynamic_cast<FormWindow*>(object);
    return window ? new FormAccessible(window) : nullptr;
}

}  // namespace

QFont DialogFont(const vb::Font& font) {
    QFont f;
    f.setFamilies({ToQt(font.name), QStringLiteral("MS PGothic"),
                   QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")});
    f.setPointSizeF(font.size);
    f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    return f;
}

FormWindow::FormWindow(vb::Runtime& rt, vb::Form& form)
    : rt_(rt), form_(form), scale_{rt.ScreenTwipsPerPixelX()} {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(AccessibleForm), true);
    setWindowTitle(ToQt(form.Caption));
    setWindowIcon(Picture(form.Icon));
    setFont(DialogFont(form.font));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // No minimize or maximize buttons: a dialog; one of a fixed size unless sizable.
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (!form.Sizable) flags |= Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(flags);
    resize(Pixels(form.ScaleWidth()), Pixels(form.ScaleHeight()));
    if (!form.Sizable) setFixedSize(size());
    for (vb::Control* control : form.Controls()) Build(*control);
    // A label's access key moves the focus where the form's rule says.
    QWidget* previous = nullptr;
    for (vb::Control* control : form.Controls()) {
        QWidget* w = widgets_.at(control);
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (const vb::Control* target = form.LabelTarget(*control)) {
                label->setBuddy(widgets_.at(target));
            }
        }
        if (w->focusPolicy() != Qt::NoFocus && control->Visible) {
            if (previous) setTabOrder(previous, w);
            previous = w;
        }
    }
    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

FormWindow::~FormWindow() {
    Detach();
    EndModal();
}

void FormWindow::Detach() {
    detached_ = true;
    for (auto& [control, widget] : widgets_) widget->blockSignals(true);
}

QSize FormWindow::Frame() const {
    const QSize frame = frameGeometry().size() - geometry().size();
    // Until the window manager has framed it, a frame like the classic one.
    return frame.isEmpty() ? QSize(Pixels(vb::kFrameWidth), Pixels(vb::kFrameHeight)) : frame;
}

void FormWindow::Apply(vb::FormProperty property, float value) {
    const QSize frame = Frame();
    switch (property) {
        case vb::FormProperty::Left:
            move(Pixels(value), y());
            break;
        case vb::FormProperty::Top:
            move(x(), Pixels(value));
            break;
        case vb::FormProperty::Width:
            resize(std::max(1, PixelsAtLeast(value) - frame.width()), height());
            break;
        case vb::FormProperty::Height:
            resize(width(), std::max(1, PixelsAtLeast(value) - frame.height()));
            break;
        case vb::FormProperty::WindowState:
            if (static_cast<std::int16_t>(value) == vb::kMinimized)
                showMinimized();
            else if (isVisible())
                showNormal();
            break;
    }
}

void FormWindow::Build(vb::Control& control) {
    QWidget* w = nullptr;
    switch (control.Kind()) {
        case vb::ControlKind::kButton: {
            auto& button = static_cast<vb::CommandButton&>(control);
            auto* b = new QPushButton(ToQt(button.Caption), this);
            // Drawn as the default; Enter is the form's (keyPressEvent).
            b->setDefault(button.Default);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this,
                    [this, &control] { rt_.Dispatch(control.Click); });
            w = b;
            break;
        }
        case vb::ControlKind::kLabel:
            w = new QLabel(ToQt(control.Caption), this);
            break;
        case vb::ControlKind::kListBox: {
            auto& list = static_cast<vb::ListBox&>(control);
            auto* l = new ListWidget(this);
            l->setUniformItemSizes(true);
            for (std::int16_t i = 0; i < list.ListCount(); ++i) l->addItem(ToDesktop(list.List(i)));
            l->Select(list.ListIndex());
            l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            connect(l, &QListWidget::itemSelectionChanged, this,
                    [&list, l] { list.Selected(l->SelectedRow()); });
            connect(l, &QListWidget::itemDoubleClicked, this, [this, &control] {
                if (control.DblClick) rt_.Dispatch(control.DblClick);
            });
            w = l;
            break;
        }
        case vb::ControlKind::kTextBox: {
            auto& box = static_cast<vb::TextBox&>(control);
            auto* t = new QPlainTextEdit(this);
            t->setReadOnly(box.Locked);
            t->setLineWrapMode(box.ScrollBars ? QPlainTextEdit::NoWrap
                                              : QPlainTextEdit::WidgetWidth);
            t->setVerticalScrollBarPolicy(box.ScrollBars ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAsNeeded);
            t->setHorizontalScrollBarPolicy(box.ScrollBars ? Qt::ScrollBarAlwaysOn
                                                           : Qt::ScrollBarAsNeeded);
            if (box.ButtonFace) {
                QPalette p = t->palette();
                p.setColor(QPalette::Base, p.color(QPalette::Button));
                t->setPalette(p);
            }
            t->setPlainText(ToDesktop(box.Text()));
            w = t;
            break;
        }
    }
    if (!control.ToolTipText.empty()) w->setToolTip(ToQt(control.ToolTipText));
    w->setVisible(control.Visible);
    w->setEnabled(control.Enabled());
    widgets_[&control] = w;
    Place(control);
}

void FormWindow::Place(vb::Control& control) {
    widgets_.at(&control)->setGeometry(Pixels(control.Left()), Pixels(control.Top()),
                                       Pixels(control.Width()), Pixels(control.Height()));
}

void FormWindow::Render(vb::Control& control, vb::ControlProperty property, std::int32_t index) {
    const auto it = widgets_.find(&control);
    if (it == widgets_.end()) return;
    QWidget* w = it->second;
    switch (property) {
        case vb::ControlProperty::Left:
        case vb::ControlProperty::Top:
        case vb::ControlProperty::Width:
        case vb::ControlProperty::Height:
            Place(control);
            break;
        case vb::ControlProperty::Enabled:
            w->setEnabled(control.Enabled());
            break;
        case vb::ControlProperty::Text:
            if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
                t->setPlainText(ToDesktop(static_cast<vb::TextBox&>(control).Text()));
            }
            break;
        case vb::ControlProperty::ItemAdded:
        case vb::ControlProperty::ItemRemoved:
        case vb::ControlProperty::ListIndex:
            if (auto* l = qobject_cast<ListWidget*>(w)) {
                l->Render(static_cast<vb::ListBox&>(control), property, index);
            }
            break;
    }
}

void FormWindow::RunModal() {
    QEventLoop loop;
    modal_ = &loop;
    loop.exec();
}

void FormWindow::EndModal() {
    if (modal_) modal_->quit();
}

void FormWindow::Report() {
    if (detached_) return;
    const QSize frame = Frame();
    const std::int16_t state = isMinimized() ? vb::kMinimized : vb::kNormal;
    rt_.Resized(form_, Twips(width() + frame.width()), Twips(height() + frame.height()),
                Twips(width()), Twips(height()), state);
}

void FormWindow::paintEvent(QPaintEvent*) {
    // What the form printed, kept by the form: it survives being covered.
    QPainter painter(this);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    for (const auto& printed : form_.Printed()) {
        painter.drawText(Pixels(printed.x), Pixels(printed.y) + metrics.ascent(),
                         ToQt(printed.text));
    }
}

void FormWindow::resizeEvent(QResizeEvent*) { Report(); }

void FormWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) Report();
    QWidget::changeEvent(event);
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // Closing from the title bar unloads the form; the runtime removes the window.
    event->ignore();
    if (!detached_) rt_.Closed(form_);
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    // The default button, wherever the focus is.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (vb::CommandButton* button = form_.DefaultButton()) rt_.Dispatch(button->Click);
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormWindow::reject() {
    if (vb::CommandButton* button = form_.CancelButton()) rt_.Dispatch(button->Click);
}

}  // namespace qtrt
