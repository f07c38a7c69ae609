#include "wayland_clipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QByteArray>
#include <QSocketNotifier>
#include <QStringList>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "ext-data-control-v1-client-protocol.h"
#include "platform/error.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace qtrt {

namespace {

// The text types a program may offer, the best first.
const QStringList kTextTypes = {QStringLiteral("text/plain;charset=utf-8"),
                                QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"),
                                QStringLiteral("TEXT"), QStringLiteral("STRING")};

// How long a program that holds the clipboard may take to hand its text over.
constexpr auto kReadDeadline = std::chrono::seconds(2);

// The two protocols carry the same messages under two names: one
// implementation serves both, through these names.
#define ORBEK_DATA_CONTROL(Name, prefix)                                                \
    struct Name {                                                                       \
        using Manager = prefix##_manager_v1;                                            \
        using Device = prefix##_device_v1;                                              \
        using Source = prefix##_source_v1;                                              \
        using Offer = prefix##_offer_v1;                                                \
        using DeviceListener = prefix##_device_v1_listener;                             \
        using SourceListener = prefix##_source_v1_listener;                             \
        using OfferListener = prefix##_offer_v1_listener;                               \
        static constexpr const wl_interface* kManager = &prefix##_manager_v1_interface; \
        static constexpr auto GetDevice = prefix##_manager_v1_get_data_device;          \
        static constexpr auto CreateSource = prefix##_manager_v1_create_data_source;    \
        static constexpr auto AddDeviceListener = prefix##_device_v1_add_listener;      \
        static constexpr auto SetSelection = prefix##_device_v1_set_selection;          \
        static constexpr auto AddSourceListener = prefix##_source_v1_add_listener;      \
        static constexpr auto OfferType = prefix##_source_v1_offer;                     \
        static constexpr auto DestroySource = prefix##_source_v1_destroy;               \
        static constexpr auto AddOfferListener = prefix##_offer_v1_add_listener;        \
        static constexpr auto Receive = prefix##_offer_v1_receive;                      \
        static constexpr auto DestroyOffer = prefix##_offer_v1_destroy;                 \
    };
ORBEK_DATA_CONTROL(Wlr, zwlr_data_control)
ORBEK_DATA_CONTROL(Ext, ext_data_control)
#undef ORBEK_DATA_CONTROL

// The globals a connection finds: the first seat and a data-control manager.
struct Globals {
    wl_seat* seat = nullptr;
    std::uint32_t wlr = 0;
    std::uint32_t ext = 0;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, Wlr::kManager->name) == 0) {
        globals->wlr = name;
    } else if (std::strcmp(interface, Ext::kManager->name) == 0) {
        globals->ext = name;
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

template <class P>
class DataControlClipboard final : public WaylandClipboard {
  public:
    DataControlClipboard(wl_display* display, wl_registry* registry, wl_seat* seat,
                         std::uint32_t manager)
        : display_(display),
          manager_(static_cast<typename P::Manager*>(
              wl_registry_bind(registry, manager, P::kManager, 1))),
          device_(P::GetDevice(manager_, seat)),
          notifier_(wl_display_get_fd(display), QSocketNotifier::Read) {
        P::AddDeviceListener(device_, &kDeviceListener, this);
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] {
            if (wl_display_dispatch(display_) < 0) notifier_.setEnabled(false);
        });
        wl_display_roundtrip(display_);
    }

    ~DataControlClipboard() override { wl_display_disconnect(display_); }

    bool HasText() override {
        if (source_ != nullptr) return true;
        wl_display_roundtrip(display_);  // the latest selection
        return !TextType().isEmpty();
    }

    QString Text() override {
        if (source_ != nullptr) return QString::fromUtf8(own_);
        wl_display_roundtrip(display_);
        const QString type = TextType();
        if (type.isEmpty()) return {};
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0) vb::Raise(vb::kClipboardBusy);
        P::Receive(selection_, type.toUtf8().constData(), pipe[1]);
        ::close(pipe[1]);
        wl_display_flush(display_);
        QByteArray text;
        const bool whole = ReadAll(pipe[0], text);
        ::close(pipe[0]);
        if (!whole) vb::Raise(vb::kClipboardBusy);
        // Only the UTF-8 types say how they are encoded; the others are Latin-1.
        return type == kTextTypes[0] || type == kTextTypes[1] ? QString::fromUtf8(text)
                                                              : QString::fromLatin1(text);
    }

    void SetText(const QString& text) override {
        if (source_ != nullptr) P::DestroySource(source_);
        own_ = text.toUtf8();
        source_ = P::CreateSource(manager_);
        P::AddSourceListener(source_, &kSourceListener, this);
        for (const QString& type : kTextTypes) P::OfferType(source_, type.toUtf8().constData());
        P::SetSelection(device_, source_);
        wl_display_flush(display_);
    }

  private:
    // The best text type the selection offers, or "" when it offers none.
    QString TextType() const {
        const auto types = offers_.find(selection_);
        if (selection_ == nullptr || types == offers_.end()) return {};
        for (const QString& type : kTextTypes) {
            if (types->second.contains(type)) return type;
        }
        return {};
    }

    static bool ReadAll(int fd, QByteArray& text) {
        const auto deadline = std::chrono::steady_clock::now() + kReadDeadline;
        char buffer[4096];
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0) return true;
            if (n < 0) return false;
            text.append(buffer, n);
        }
    }

    static void OnDataOffer(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* self = static_cast<DataControlClipboard*>(data);
        self->offers_[offer];
        P::AddOfferListener(offer, &kOfferListener, self);
    }
    static void OnSelection(void* data, typename P::Device*, typename P::Offer* offer) {
        auto* self = static_cast<DataControlClipboard*>(data);
        // An offer stays usable until the next selection replaces it.
        for (auto it = self->offers_.begin(); it != self->offers_.end();) {
            if (it->first == offer) {
                ++it;
            } else {
                P::DestroyOffer(it->first);
                it = self->offers_.erase(it);
            }
        }
        self->selection_ = offer;
    }
    static void OnFinished(void* data, typename P::Device*) {
        static_cast<DataControlClipboard*>(data)->notifier_.setEnabled(false);
    }
    static void OnPrimarySelection(void*, typename P::Device*, typename P::Offer*) {}
    static void OnOffer(void* data, typename P::Offer* offer, const char* type) {
        static_cast<DataControlClipboard*>(data)->offers_[offer].append(QString::fromUtf8(type));
    }
    // Hands the text over on a thread of its own: a slow reader holds no one up.
    static void OnSend(void* data, typename P::Source*, const char*, std::int32_t fd) {
        std::thread([fd, text = static_cast<DataControlClipboard*>(data)->own_] {
            const int blocking = ::fcntl(fd, F_GETFL);
            ::fcntl(fd, F_SETFL, blocking & ~O_NONBLOCK);
            for (qsizetype done = 0; done < text.size();) {
                const ssize_t n = ::write(fd, text.constData() + done, text.size() - done);
                if (n <= 0) break;
                done += n;
            }
            ::close(fd);
        }).detach();
    }
    // Another program took the clipboard.
    static void OnCancelled(void* data, typename P::Source* source) {
        auto* self = static_cast<DataControlClipboard*>(data);
        P::DestroySource(source);
        if (self->source_ == source) self->source_ = nullptr;
    }

    static constexpr typename P::DeviceListener kDeviceListener = {OnDataOffer, OnSelection,
                                                                   OnFinished, OnPrimarySelection};
    static constexpr typename P::SourceListener kSourceListener = {OnSend, OnCancelled};
    static constexpr typename P::OfferListener kOfferListener = {OnOffer};

    wl_display* display_;
    typename P::Manager* manager_;
    typename P::Device* device_;
    QSocketNotifier notifier_;
    typename P::Offer* selection_ = nullptr;
    std::map<typename P::Offer*, QStringList> offers_;  // each with the types it offers
    typename P::Source* source_ = nullptr;              // ours, while it is the selection
    QByteArray own_;
};

}  // namespace

std::unique_ptr<WaylandClipboard> WaylandClipboard::Connect() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return nullptr;
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    if (globals.seat != nullptr && globals.ext != 0) {
        return std::make_unique<DataControlClipboard<Ext>>(display, registry, globals.seat,
                                                           globals.ext);
    }
    if (globals.seat != nullptr && globals.wlr != 0) {
        return std::make_unique<DataControlClipboard<Wlr>>(display, registry, globals.seat,
                                                           globals.wlr);
    }
    wl_display_disconnect(display);
    return nullptr;
}

}  // namespace qtrt
