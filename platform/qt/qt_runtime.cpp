#include "qt_runtime.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFontMetrics>
#include <QMimeData>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "dialogs.h"
#include "form_window.h"
#include "pictures.h"
#include "platform/posix/ini_file_store.h"
#include "text.h"

namespace qtrt {

QtRuntime::QtRuntime()
    : vb::Runtime(
          [](std::u16string_view app) { return std::make_unique<posix::IniFileStore>(app); }),
      tray_(*this),
      sessionClipboard_(WaylandClipboard::Connect()) {
    // Each wait for the next event ends what the program saw of the store.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { WaitingForInput(); });
}

QtRuntime::~QtRuntime() {
    for (auto& [form, window] : windows_) delete window.data();
}

FormWindow* QtRuntime::Window(const vb::Form& form) const {
    const auto it = windows_.find(&form);
    return it == windows_.end() ? nullptr : it->second.data();
}

bool QtRuntime::AppPrevInstance() {
    if (instanceLock_.Held()) return false;  // this copy, asking again
    const QString path = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + '/' +
                         QCoreApplication::applicationName() + ".lock";
    return !instanceLock_.Take(QFile::encodeName(path).toStdString());
}

float QtRuntime::ScreenTwipsPerPixelX() {
    // The screen's real resolution, so that windows keep their designed
    // proportions: 15 at 96 dpi, 10 at 144, 7.5 at 192.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return static_cast<float>(1440.0 / dpi);
}

std::int32_t QtRuntime::MsgBox(std::u16string_view prompt, std::int32_t flags,
                               std::u16string_view title) {
    return MessageBox(prompt, flags, title);
}

std::u16string QtRuntime::InputBox(std::u16string_view prompt, std::u16string_view title) {
    return qtrt::InputBox(prompt, title);
}

bool QtRuntime::ClipboardGetFormat(std::int16_t format) {
    if (format != vb::kClipboardText) return false;
    if (sessionClipboard_) return sessionClipboard_->HasText();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasText();
}

std::u16string QtRuntime::ClipboardGetText() {
    return FromDesktop(sessionClipboard_ ? sessionClipboard_->Text()
                                         : QGuiApplication::clipboard()->text());
}

void QtRuntime::ClipboardSetText(std::u16string_view text) {
    if (sessionClipboard_) {
        sessionClipboard_->SetText(ToDesktop(text));
    } else {
        QGuiApplication::clipboard()->setText(ToDesktop(text));
    }
}

bool QtRuntime::ShellIcon(std::uint32_t message, const vb::NotifyIconData& data) {
    const auto picture = pictures_.find(data.hIcon);
    const QIcon icon = picture == pictures_.end() ? QIcon() : picture->second;
    switch (message) {
        case NIM_ADD:
            return tray_.Add(data, icon);
        case NIM_MODIFY:
            return tray_.Modify(data, icon);
        case NIM_DELETE:
            return tray_.Delete(data.uID);
        default:
            return false;
    }
}

void QtRuntime::PopupsOpen(bool open) { tray_.SetMenusEnabled(!open); }

void QtRuntime::SetForegroundWindow(vb::Handle) {
    // Nothing to raise: the tray form is never mapped, and a Qt popup menu
    // takes the pointer and keyboard by itself.
}

vb::Handle QtRuntime::PictureHandle(const vb::Image& image) {
    QIcon icon = Picture(image.picture);
    if (icon.isNull()) vb::Raise(vb::kInvalidCall);
    pictures_[++nextPicture_] = icon;
    return nextPicture_;
}

void QtRuntime::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

vb::MenuItem* QtRuntime::ShowPopup(vb::MenuItem& menu, std::optional<vb::ScreenPoint> at) {
    QPoint point = at ? QPoint(at->x, at->y) : QCursor::pos();
    // Where the tray said the click was, kept on a screen: Qt then turns
    // the menu so that it fits.
    if (const QScreen* screen = QGuiApplication::screenAt(point)
                                    ? QGuiApplication::screenAt(point)
                                    : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        point = {std::clamp(point.x(), area.left(), area.right()),
                 std::clamp(point.y(), area.top(), area.bottom())};
    }
    return menus_.Show(menu, point);
}

void QtRuntime::MenuLoaded(vb::MenuItem& item) {
    menus_.Drop(*item.Parent());
    tray_.MenuChanged(item, Tray::Change::kLoaded);
}

void QtRuntime::MenuUnloading(vb::MenuItem& item) {
    menus_.Drop(*item.Parent());
    tray_.MenuChanged(item, Tray::Change::kGoing);
}

void QtRuntime::MenuCaption(vb::MenuItem& item, const std::u16string& caption) {
    menus_.Caption(item, caption);
    tray_.MenuChanged(item, Tray::Change::kShown);
}

void QtRuntime::MenuVisible(vb::MenuItem& item, bool visible) {
    menus_.Visible(item, visible);
    tray_.MenuChanged(item, Tray::Change::kShown);
}

void QtRuntime::Exit() {
    tray_.Clear();
    instanceLock_.Release();
    std::fflush(nullptr);
    std::_Exit(0);
}

bool QtRuntime::SetWindow(vb::Form& form, vb::FormProperty property, float value) {
    FormWindow* window = Window(form);
    if (window == nullptr) return false;
    window->Apply(property, value);
    const QSize frame = window->Frame();
    SetGeometry(form, window->Twips(window->x()), window->Twips(window->y()),
                window->Twips(window->width() + frame.width()),
                window->Twips(window->height() + frame.height()), window->Twips(window->width()),
                window->Twips(window->height()));
    return true;
}

void QtRuntime::FormShow(vb::Form& form, std::int16_t modal) {
    if (form.NeverSeen) return;
    auto& window = windows_[&form];
    if (!window) window = new FormWindow(*this, form);
    if (modal) window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->raise();
    window->activateWindow();
    if (modal) window->RunModal();
}

void QtRuntime::FormHide(vb::Form& form) {
    if (FormWindow* window = Window(form)) {
        window->hide();
        window->EndModal();
    }
}

void QtRuntime::FormUnloaded(vb::Form& form) {
    const auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    if (FormWindow* window = it->second) {
        window->Detach();
        window->hide();
        window->EndModal();
        window->deleteLater();  // it may be handling the event that unloads it
    }
    windows_.erase(it);
}

void QtRuntime::FormPrinted(vb::Form& form) {
    // Painted at once: what a load handler prints is seen before it goes on.
    if (FormWindow* window = Window(form)) window->repaint();
}

float QtRuntime::TextHeight(const vb::Form& form) {
    return static_cast<float>(QFontMetrics(DialogFont(form.font)).height()) *
           ScreenTwipsPerPixelX();
}

void QtRuntime::ControlSet(vb::Control& control, vb::ControlProperty property, std::int32_t index) {
    if (FormWindow* window = Window(control.Parent())) window->Render(control, property, index);
}

}  // namespace qtrt
