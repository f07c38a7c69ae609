// Orbek's own item in a tray over D-Bus, and its menu, called as a tray calls
// them: the real runtime and tray form, a watcher of the test's own, and the
// tray's side on a connection of its own, all on a session bus of the tests'
// own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/application.h"
#include "platform/qt/dbus_menu.h"
#include "platform/qt/dbus_types.h"
#include "platform/qt/pictures.h"
#include "platform/qt/qt_runtime.h"
#include "platform/qt/text.h"
#include "tray/frmMenu.h"

#include "store_test.h"

namespace {

using qtrt::dbus::MenuLayout;
using qtrt::dbus::MenuPropertiesList;
using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
const QString kMenu = QStringLiteral("com.canonical.dbusmenu");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kWait = 3000;  // ms; everything here takes a fraction of it

bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, kWait); }

// A tray's watcher: owns its name on a connection of its own and records the
// items that register. With `shell` its owner is GNOME Shell's too, as in
// GNOME's tray.
class FakeWatcher : public QDBusVirtualObject {
  public:
    struct Registration {
        QString service;
        QString sender;
    };

    // With `takeOver`, the watcher's name is taken from the watcher that has it.
    explicit FakeWatcher(bool shell, bool takeOver = false)
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("watcher-%1").arg(++made_))),
          shell_(shell) {
        bus_.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), this);
        // The shell's name first: the tray looks for it once the watcher's appears.
        if (shell_) {
            EXPECT_TRUE(bus_.registerService(kShell));
        }
        const auto claimed = bus_.interface()->registerService(
            kWatcher,
            takeOver ? QDBusConnectionInterface::ReplaceExistingService
                     : QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::AllowReplacement);
        EXPECT_EQ(claimed.value(), QDBusConnectionInterface::ServiceRegistered);
    }
    ~FakeWatcher() override {
        bus_.unregisterService(kWatcher);
        if (shell_) bus_.unregisterService(kShell);
        bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        QDBusConnection::disconnectFromBus(bus_.name());
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("RegisterStatusNotifierItem")) return false;
        registered.push_back({message.arguments().value(0).toString(), message.service()});
        connection.send(message.createReply());
        return true;
    }

    std::vector<Registration> registered;

  private:
    static inline int made_ = 0;
    QDBusConnection bus_;
    bool shell_;
};

// One event of the menu's EventGroup: (isvu).
struct MenuEvent {
    int id = 0;
    QString name;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& arg, const MenuEvent& event) {
    arg.beginStructure();
    arg << event.id << event.name << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MenuEvent& event) {
    arg.beginStructure();
    arg >> event.id >> event.name >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

// What the menu tells the tray of itself.
class MenuSignals : public QObject {
    Q_OBJECT
  public:
    MenuSignals(QDBusConnection bus, const QString& service) {
        EXPECT_TRUE(bus.connect(service, kMenuPath, kMenu, QStringLiteral("LayoutUpdated"), this,
                                SLOT(LayoutUpdated(uint, int))));
        EXPECT_TRUE(bus.connect(service, kMenuPath, kMenu, QStringLiteral("ItemsPropertiesUpdated"),
                                this, SLOT(ItemsPropertiesUpdated(QDBusMessage))));
    }

    int layouts = 0;
    uint revision = 0;  // the latest LayoutUpdated's
    // Each entry's "enabled" as the updates said it, the latest last.
    std::map<int, std::vector<bool>> enabled;

  public slots:
    void LayoutUpdated(uint latest, int) {
        ++layouts;
        revision = latest;
    }
    void ItemsPropertiesUpdated(const QDBusMessage& message) {
        const auto changed = qdbus_cast<MenuPropertiesList>(message.arguments().value(0));
        for (const auto& entry : changed) {
            if (entry.properties.contains(QStringLiteral("enabled")))
                enabled[entry.id].push_back(entry.properties.value("enabled").toBool());
        }
    }
};

// The D-Bus signature a received value was sent with.
QString Signature(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return value.value<QDBusArgument>().currentSignature();
    return QString::fromLatin1(QDBusMetaType::typeToSignature(value.metaType()));
}

bool IsSeparator(const MenuLayout& entry) {
    return entry.properties.value("type").toString() == QLatin1String("separator");
}

// The visible entries as a tray shows them: labels, "-" for a separator.
std::vector<std::string> Shown(const MenuLayout& menu) {
    std::vector<std::string> shown;
    for (const MenuLayout& entry : menu.children) {
        if (!entry.properties.value("visible").toBool()) continue;
        shown.push_back(
            IsSeparator(entry) ? "-" : entry.properties.value("label").toString().toStdString());
    }
    return shown;
}

// The id of the visible entry labelled `label`, or -1.
int IdOf(const MenuLayout& menu, const QString& label) {
    for (const MenuLayout& entry : menu.children) {
        if (entry.properties.value("visible").toBool() &&
            entry.properties.value("label").toString() == label)
            return entry.id;
    }
    return -1;
}

// The ids of the entries that can be chosen.
std::vector<int> Choosable(const MenuLayout& menu) {
    std::vector<int> ids;
    for (const MenuLayout& entry : menu.children) {
        if (!IsSeparator(entry)) ids.push_back(entry.id);
    }
    return ids;
}

class TrayOnDBusTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        // Every popup and dialog the program opens is handed to the test's
        // part, then closed however that part ends: no test waits on a
        // window left open.
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(10);
    }

    void TearDown() override {
        Stop();
        poll_.stop();
    }

    // The program loaded with a watcher on the bus, its item registered.
    void Start(bool shell) {
        watcher_ = std::make_unique<FakeWatcher>(shell);
        rt_ = std::make_unique<qtrt::QtRuntime>();
        form_ = std::make_unique<frmMenu>(*rt_);
        rt_->Load(*form_);
        ASSERT_TRUE(WaitFor([&] { return !watcher_->registered.empty(); }));
        service_ = watcher_->registered.front().service;
        signals_ = std::make_unique<MenuSignals>(client_, service_);
        Settle();
    }

    // The item the watcher was last offered: offered by the unique name of
    // the connection it is on, which also owns the item's well-known name.
    void FollowItem() {
        const auto& last = watcher_->registered.back();
        EXPECT_EQ(last.service, last.sender);
        EXPECT_EQ(client_.interface()
                      ->serviceOwner(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                                         .arg(QCoreApplication::applicationPid()))
                      .value(),
                  last.service);
        if (last.service == service_) return;
        service_ = last.service;
        signals_ = std::make_unique<MenuSignals>(client_, service_);
    }

    void Stop() {
        signals_.reset();
        form_.reset();
        rt_.reset();
        watcher_.reset();
        // Gone from the bus before the next program takes the same names.
        EXPECT_TRUE(WaitFor([&] { return !Owned(service_) && !Owned(kWatcher); }));
        Settle();
    }

    bool Owned(const QString& name) {
        return !name.isEmpty() && client_.interface()->isServiceRegistered(name).value();
    }

    // Lets what is queued run: the work a call starts after its reply.
    void Settle() {
        bool done = false;
        QTimer::singleShot(0, [&] { done = true; });
        EXPECT_TRUE(WaitFor([&] { return done; }));
    }

    QDBusMessage Message(const QString& path, const QString& interface, const QString& member,
                         const QVariantList& args) const {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, path, interface, member);
        call.setArguments(args);
        return call;
    }
    // Calls the program, which answers from this thread: the wait runs its events.
    QDBusMessage Call(const QString& path, const QString& interface, const QString& member,
                      const QVariantList& args = {}) {
        return client_.call(Message(path, interface, member, args), QDBus::BlockWithGui, kWait);
    }
    QDBusPendingCall CallAsync(const QString& path, const QString& interface, const QString& member,
                               const QVariantList& args = {}) {
        return client_.asyncCall(Message(path, interface, member, args), kWait);
    }

    QVariantMap ItemProperties() {
        const QDBusMessage reply = Call(kItemPath, kProperties, QStringLiteral("GetAll"), {kItem});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return qdbus_cast<QVariantMap>(reply.arguments().value(0));
    }

    MenuLayout Layout(const QStringList& names = {}) {
        const QDBusMessage reply =
            Call(kMenuPath, kMenu, QStringLiteral("GetLayout"), {0, -1, names});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        const QVariant layout = reply.arguments().value(1);
        EXPECT_EQ(Signature(layout), "(ia{sv}av)");
        return qdbus_cast<MenuLayout>(layout);
    }

    QDBusMessage Clicked(int id) {
        return Call(kMenuPath, kMenu, QStringLiteral("Event"),
                    {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    }

    // Waits for the menu's next LayoutUpdated after `before` of them, and
    // for nothing more to come.
    void ExpectOneLayoutUpdate(int before) {
        EXPECT_TRUE(WaitFor([&] { return signals_->layouts > before; }));
        Settle();
        // A round trip: what was sent before its answer has come. The layout
        // is of the revision the tray was told of, so it asks no more.
        const QDBusMessage reply =
            Call(kMenuPath, kMenu, QStringLiteral("GetLayout"), {0, 0, QStringList()});
        EXPECT_EQ(signals_->layouts, before + 1) << "one rebuild, one word to the tray";
        EXPECT_EQ(reply.arguments().value(0).toUInt(), signals_->revision);
    }

    // The tray is told that every entry of `ids` is `enabled`, and reads so.
    void ExpectEnabled(const std::vector<int>& ids, bool enabled) {
        EXPECT_TRUE(WaitFor([&] {
            return std::all_of(ids.begin(), ids.end(), [&](int id) {
                const std::vector<bool>& told = signals_->enabled[id];
                return !told.empty() && told.back() == enabled;
            });
        })) << "told enabled="
            << enabled;
        EXPECT_THAT(Enabled(), Each(enabled));
    }

    // What the layout says of each entry that can be chosen.
    std::vector<bool> Enabled() {
        std::vector<bool> enabled;
        for (const MenuLayout& entry : Layout().children) {
            if (!IsSeparator(entry)) enabled.push_back(entry.properties.value("enabled").toBool());
        }
        return enabled;
    }

    // Calls as a tray does and waits for the answer and for what the call
    // starts. A popup or dialog it opens is handed to `inside` once seen to
    // hold what any must: the call answered, the popup flag up, the tray's
    // menu greyed; all back once it closed.
    QDBusPendingCall CallAndSettle(const QString& path, const QString& interface,
                                   const QString& member, const QVariantList& args,
                                   const std::function<void(QWidget& shown)>& inside = {}) {
        shown_.clear();
        const std::vector<int> choosable = Choosable(Layout());
        QDBusPendingCall call = CallAsync(path, interface, member, args);
        onShown_ = [&](QWidget& shown) {
            EXPECT_TRUE(WaitFor([&] { return call.isFinished(); })) << "answered while open";
            EXPECT_EQ(form_->PopupOpen(), 1);
            ExpectEnabled(choosable, false);
            if (inside) inside(shown);
        };
        EXPECT_TRUE(WaitFor([&] { return call.isFinished(); }));
        Settle();
        onShown_ = nullptr;
        EXPECT_FALSE(call.isError()) << call.error().message().toStdString();
        if (!shown_.empty()) {
            ExpectEnabled(choosable, true);
            EXPECT_EQ(form_->PopupOpen(), 0);
        }
        return call;
    }

    std::unique_ptr<FakeWatcher> watcher_;
    std::unique_ptr<qtrt::QtRuntime> rt_;
    std::unique_ptr<frmMenu> form_;
    QDBusConnection client_ =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("tray"));
    QString service_;
    std::unique_ptr<MenuSignals> signals_;

    // The test's part for a popup or dialog that opens, and what opened.
    std::function<void(QWidget& shown)> onShown_;
    std::vector<QWidget*> shown_;

  private:
    void Poll() {
        if (polling_) return;  // the test's part is running, waits included
        QWidget* open = QApplication::activePopupWidget();
        if (open == nullptr) open = QApplication::activeModalWidget();
        if (open == nullptr) return;
        polling_ = true;
        shown_.push_back(open);
        if (onShown_) onShown_(*open);
        if (auto* dialog = qobject_cast<QDialog*>(open)) {
            dialog->reject();
        } else {
            open->close();
        }
        polling_ = false;
    }

    QTimer poll_;
    bool polling_ = false;
};

const QByteArray kStore = "[Sentences]\nSCMax=2\nS0=first\\r\\nline\nS1=second\nS2=snake_case\n";

TEST_F(TrayOnDBusTest, ItemRegistersAndReadsAsOrbek) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(false));
    ASSERT_FALSE(watcher_->registered.empty());
    EXPECT_EQ(watcher_->registered.size(), 1u);
    FollowItem();

    const QVariantMap item = ItemProperties();
    EXPECT_EQ(item.value("Category").toString(), "ApplicationStatus");
    EXPECT_EQ(item.value("Id").toString(), "Orbek");
    EXPECT_EQ(item.value("Title").toString(), "Orbek");
    EXPECT_EQ(item.value("Status").toString(), "Active");
    EXPECT_FALSE(item.value("ItemIsMenu").toBool());
    EXPECT_EQ(item.value("Menu").value<QDBusObjectPath>().path(), kMenuPath);
    EXPECT_EQ(qdbus_cast<qtrt::dbus::ToolTip>(item.value("ToolTip")).title, "Orbek");

    // Both sizes, each pixel as alpha, red, green, blue bytes.
    const auto pixmaps = qdbus_cast<qtrt::dbus::Pixmaps>(item.value("IconPixmap"));
    ASSERT_EQ(pixmaps.size(), 2);
    const QIcon icon = qtrt::Picture(u"orbek");
    for (const auto& pixmap : pixmaps) {
        SCOPED_TRACE(pixmap.width);
        ASSERT_EQ(pixmap.height, pixmap.width);
        const QImage image =
            icon.pixmap(pixmap.width).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.width(), pixmap.width);
        ASSERT_EQ(pixmap.argb.size(), pixmap.width * pixmap.height * 4);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb rgb = image.pixel(x, y);
                const auto* bytes = reinterpret_cast<const uchar*>(pixmap.argb.constData()) +
                                    (y * image.width() + x) * 4;
                ASSERT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}),
                          (std::vector<int>{qAlpha(rgb), qRed(rgb), qGreen(rgb), qBlue(rgb)}))
                    << x << ", " << y;
                opaque += qAlpha(rgb) == 255;
            }
        }
        EXPECT_GT(opaque, 0) << "a picture to compare";
    }
    EXPECT_EQ(std::min(pixmaps[0].width, pixmaps[1].width), 32);
    EXPECT_EQ(std::max(pixmaps[0].width, pixmaps[1].width), 256);

    // One property by name reads as in the whole set; an unknown one is an error.
    const QDBusMessage title =
        Call(kItemPath, kProperties, QStringLiteral("Get"), {kItem, QStringLiteral("Title")});
    EXPECT_EQ(title.arguments().value(0).value<QDBusVariant>().variant().toString(), "Orbek");
    EXPECT_EQ(Call(kItemPath, kProperties, QStringLiteral("Get"), {kItem, QStringLiteral("Nope")})
                  .errorName(),
              "org.freedesktop.DBus.Error.InvalidArgs");
}

// A tray builds its proxy from the introspection: each property is sent
// with the type it is declared with, on the item and on its menu.
TEST_F(TrayOnDBusTest, PropertiesHaveTheTypesTheInterfacesDeclare) {
    ASSERT_NO_FATAL_FAILURE(Start(false));
    for (const auto& [path, interface] :
         {std::pair(kItemPath, kItem), std::pair(kMenuPath, kMenu)}) {
        SCOPED_TRACE(path.toStdString());
        const QDBusMessage xml = Call(path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                      QStringLiteral("Introspect"));
        std::map<QString, QString> declared;
        QXmlStreamReader reader(xml.arguments().value(0).toString());
        bool inside = false;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("interface"))
                inside = reader.attributes().value("name") == interface;
            if (inside && reader.isStartElement() && reader.name() == QLatin1String("property"))
                declared[reader.attributes().value("name").toString()] =
                    reader.attributes().value("type").toString();
        }
        ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();

        const QDBusMessage reply = Call(path, kProperties, QStringLiteral("GetAll"), {interface});
        const auto sent = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        ASSERT_FALSE(sent.isEmpty());
        std::map<QString, QString> types;
        for (auto it = sent.begin(); it != sent.end(); ++it)
            types[it.key()] = Signature(it.value());
        EXPECT_EQ(types, declared);
    }
}

TEST_F(TrayOnDBusTest, LayoutListsTheCommandsAndEveryWayOfReadingAgrees) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(false));
    const MenuLayout menu = Layout();
    EXPECT_EQ(menu.id, 0);
    EXPECT_EQ(menu.properties.value("children-display").toString(), "submenu");
    EXPECT_THAT(Shown(menu), ElementsAre("現在の内容を登録(_R)", "設定(_S)...", "-", "About(_A)...",
                                         "-", "Exit(_X)"));
    ASSERT_EQ(menu.children.size(), 6);

    std::vector<int> ids;
    for (const MenuLayout& entry : menu.children) {
        SCOPED_TRACE(entry.id);
        ids.push_back(entry.id);
        EXPECT_THAT(entry.children, IsEmpty());
        EXPECT_TRUE(entry.properties.value("visible").toBool());
        if (IsSeparator(entry)) {
            EXPECT_FALSE(entry.properties.contains("label"));
        } else {
            EXPECT_TRUE(entry.properties.value("enabled").toBool());
        }
        // The entry alone, by its id and one property at a time.
        const QDBusMessage alone =
            Call(kMenuPath, kMenu, QStringLiteral("GetLayout"), {entry.id, 0, QStringList()});
        const auto own = qdbus_cast<MenuLayout>(alone.arguments().value(1));
        EXPECT_EQ(own.id, entry.id);
        EXPECT_EQ(own.properties, entry.properties);
        for (auto it = entry.properties.begin(); it != entry.properties.end(); ++it) {
            const QDBusMessage one =
                Call(kMenuPath, kMenu, QStringLiteral("GetProperty"), {entry.id, it.key()});
            EXPECT_EQ(one.arguments().value(0).value<QDBusVariant>().variant(), it.value())
                << it.key().toStdString();
        }
    }
    std::vector<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end()) << "ids are unique";

    // All at once, some properties only, and ids the menu does not know.
    QList<int> asked(ids.begin(), ids.end());
    asked.append(9999);
    const QDBusMessage group = Call(kMenuPath, kMenu, QStringLiteral("GetGroupProperties"),
                                    {QVariant::fromValue(asked), QStringList{"label"}});
    const auto found = qdbus_cast<MenuPropertiesList>(group.arguments().value(0));
    ASSERT_EQ(found.size(), menu.children.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].id, menu.children[i].id);
        const QVariant label = menu.children[i].properties.value("label");
        const QVariantMap expected =
            label.isValid() ? QVariantMap{{"label", label}} : QVariantMap();
        EXPECT_EQ(found[i].properties, expected);
    }
    EXPECT_EQ(Layout({"label"}).children.value(0).properties,
              (QVariantMap{{"label", "現在の内容を登録(_R)"}}));
    for (const QString member : {"GetProperty", "GetLayout"}) {
        const QVariantList args = member == "GetProperty"
                                      ? QVariantList{9999, QStringLiteral("label")}
                                      : QVariantList{9999, 0, QStringList()};
        EXPECT_EQ(Call(kMenuPath, kMenu, member, args).errorName(),
                  "org.freedesktop.DBus.Error.InvalidArgs")
            << member.toStdString();
    }
}

TEST_F(TrayOnDBusTest, CombinedMenuHoldsTheSentencesThenTheCommands) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(true));
    EXPECT_TRUE(ItemProperties().value("ItemIsMenu").toBool());
    EXPECT_THAT(Shown(Layout()), ElementsAre("設定(_S)...", "-", "first\\n...", "second",
                                             "snake__case", "-", "現在の内容を登録(_R)",
                                             "設定(_S)...", "-", "About(_A)...", "-", "Exit(_X)"));

    // The tray's menu opens for a click: activating opens nothing more.
    const QDBusMessage reply = Call(kItemPath, kItem, QStringLiteral("Activate"), {10, 10});
    EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.UnknownMethod");
    Settle();
    EXPECT_THAT(shown_, IsEmpty());
}

// The press a call stands for runs after the answer: the tray never waits
// on a menu of Orbek's left open.
TEST_F(TrayOnDBusTest, PressesAreAnsweredWhileTheMenuTheyOpenIsOpen) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(false));
    struct Row {
        QString member;
        QVariantList args;
        QString inMenu;  // an entry of the menu that opens; empty: none opens
    };
    const Row rows[] = {
        {"Activate", {40, 30}, "second"},
        {"ContextMenu", {300, 200}, "About(&A)..."},
        {"SecondaryActivate", {40, 30}, ""},
        {"Scroll", {120, QStringLiteral("vertical")}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.member.toStdString());
        QPoint at;
        QStringList entries;
        CallAndSettle(kItemPath, kItem, row.member, row.args, [&](QWidget& shown) {
            at = shown.pos();
            if (auto* menu = qobject_cast<QMenu*>(&shown)) {
                for (const QAction* action : menu->actions()) entries.append(action->text());
            }
        });
        if (row.inMenu.isEmpty()) {
            EXPECT_THAT(shown_, IsEmpty());
            continue;
        }
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(at, QPoint(row.args[0].toInt(), row.args[1].toInt()));
        EXPECT_TRUE(entries.contains(row.inMenu)) << entries.join(" | ").toStdString();
    }
}

TEST_F(TrayOnDBusTest, ChoosingEntriesRunsTheirCommandsAndTheMenuFollows) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(true));
    MenuLayout menu = Layout();

    // A sentence is copied whole, both lines.
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    EXPECT_EQ(Clicked(IdOf(menu, "first\\n...")).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(WaitFor([] { return QGuiApplication::clipboard()->text() == "first\nline"; }))
        << QGuiApplication::clipboard()->text().toStdString();

    // Registering what the clipboard holds: one more sentence, in the menu.
    QGuiApplication::clipboard()->setText(QStringLiteral("third"));
    const int before = signals_->layouts;
    EXPECT_EQ(Clicked(IdOf(menu, "現在の内容を登録(_R)")).type(), QDBusMessage::ReplyMessage);
    ExpectOneLayoutUpdate(before);
    EXPECT_THAT(ReadFile(), AllOf(HasSubstr("SCMax=3\n"), HasSubstr("S3=third\n")));
    EXPECT_THAT(Shown(Layout()), ElementsAre("設定(_S)...", "-", "first\\n...", "second",
                                             "snake__case", "third", "-", "現在の内容を登録(_R)",
                                             "設定(_S)...", "-", "About(_A)...", "-", "Exit(_X)"));
    EXPECT_THAT(shown_, IsEmpty()) << "the tray drew the menu, not Orbek";
}

// While a popup or the command chosen from it runs, the tray's drawing of the
// menu is greyed out: the version box holds it so.
TEST_F(TrayOnDBusTest, VersionBoxGreysTheMenuUntilItCloses) {
    ASSERT_NO_FATAL_FAILURE(Start(false));
    const int about = IdOf(Layout(), "About(_A)...");
    const QVariant none = QVariant::fromValue(QDBusVariant(0));

    // Chosen alone, and with an entry the menu does not know.
    struct Row {
        QString member;
        QVariantList args;
        QList<int> unknown;  // EventGroup's answer
    };
    const Row rows[] = {
        {"Event", {about, QStringLiteral("clicked"), none, 0u}, {}},
        {"EventGroup",
         {QVariant::fromValue(QList<MenuEvent>{{about, "clicked", QDBusVariant(0), 0},
                                               {9999, "clicked", QDBusVariant(0), 0}})},
         {9999}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.member.toStdString());
        QString title;
        const QDBusPendingCall call =
            CallAndSettle(kMenuPath, kMenu, row.member, row.args,
                          [&](QWidget& box) { title = box.windowTitle(); });
        EXPECT_EQ(shown_.size(), 1u);
        EXPECT_EQ(title, "Orbek のバージョン情報");
        if (row.member == "EventGroup") {
            EXPECT_EQ(qdbus_cast<QList<int>>(call.reply().arguments().value(0)), row.unknown);
        }
    }
}

// Opening the tray's menu is the left press: a store another program
// rewrote is read again, and the entries of the sentences that went are gone.
TEST_F(TrayOnDBusTest, OpeningTheCombinedMenuReadsTheStoreAgain) {
    struct Row {
        const char* store;
        std::vector<std::string> sentences;  // as shown, separator included
    };
    const Row rows[] = {
        {"[Sentences]\nSCMax=0\nS0=rewritten\n", {"-", "rewritten"}},
        {"", {}},  // the removal tool deleted them all
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.store);
        WriteFile(kStore);
        ASSERT_NO_FATAL_FAILURE(Start(true));
        const int old = IdOf(Layout(), "second");
        ASSERT_GT(old, 1);

        WriteFile(row.store);
        const int before = signals_->layouts;
        const QDBusMessage reply = Call(kMenuPath, kMenu, QStringLiteral("AboutToShow"), {0});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
        ExpectOneLayoutUpdate(before);
        std::vector<std::string> expected{"設定(_S)..."};
        expected.insert(expected.end(), row.sentences.begin(), row.sentences.end());
        expected.insert(expected.end(), {"-", "現在の内容を登録(_R)", "設定(_S)...", "-",
                                         "About(_A)...", "-", "Exit(_X)"});
        EXPECT_EQ(Shown(Layout()), expected);
        EXPECT_THAT(shown_, IsEmpty()) << "the tray shows the menu";
        EXPECT_EQ(form_->PopupOpen(), 0);

        // A tray that still shows the old entry reaches nothing with it.
        EXPECT_EQ(
            Call(kMenuPath, kMenu, QStringLiteral("GetProperty"), {old, QStringLiteral("label")})
                .errorName(),
            "org.freedesktop.DBus.Error.InvalidArgs");
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        Clicked(old);
        Settle();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");
        Stop();
    }
}

// The icon follows the tray: off the bus while no watcher is there, and
// registered anew with each watcher that comes, in the mode of its tray.
TEST_F(TrayOnDBusTest, ItemRegistersAgainWithEachWatcherThatComes) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(false));
    enum class Comes { kAfterTheIconLeft, kAtOnce, kTakingTheNameOver };
    struct Row {
        const char* what;
        bool shell;
        Comes comes;
    };
    const Row rows[] = {
        {"the tray restarts", false, Comes::kAfterTheIconLeft},
        {"GNOME Shell takes the name over", true, Comes::kTakingTheNameOver},
        {"a plain watcher after GNOME Shell's", false, Comes::kAfterTheIconLeft},
        {"GNOME Shell restarts at once", true, Comes::kAtOnce},
        {"a plain watcher takes the name over", false, Comes::kTakingTheNameOver},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const int layouts = signals_->layouts;
        const bool wasCombined = ItemProperties().value("ItemIsMenu").toBool();
        if (row.comes == Comes::kTakingTheNameOver) {
            auto old = std::exchange(watcher_, std::make_unique<FakeWatcher>(row.shell, true));
        } else {
            watcher_.reset();
            if (row.comes == Comes::kAfterTheIconLeft) {
                EXPECT_TRUE(WaitFor([&] { return !Owned(service_); })) << "the icon left the bus";
            }
            watcher_ = std::make_unique<FakeWatcher>(row.shell);
        }
        ASSERT_TRUE(WaitFor([&] { return !watcher_->registered.empty(); }));
        // The same item where the icon stayed on the bus, a new one where it
        // left it; a watcher that comes back at once may find either.
        const QString before = service_;
        FollowItem();
        if (row.comes != Comes::kAtOnce) {
            EXPECT_EQ(service_ == before, row.comes == Comes::kTakingTheNameOver);
        }

        const QVariantMap item = ItemProperties();
        EXPECT_EQ(item.value("Title").toString(), "Orbek");
        EXPECT_EQ(item.value("ItemIsMenu").toBool(), row.shell);
        EXPECT_EQ(Shown(Layout()).size(), row.shell ? 12u : 6u);
        // A tray that stayed is told when the menu takes the other form.
        if (row.comes == Comes::kTakingTheNameOver && row.shell != wasCombined) {
            EXPECT_TRUE(WaitFor([&] { return signals_->layouts > layouts; }));
        }
    }
}

// An item made anew while a popup is open, for a watcher that came, shows
// the menu greyed as the one it replaces did.
TEST_F(TrayOnDBusTest, ItemMadeWhileAPopupIsOpenIsGreyedUntilItCloses) {
    WriteFile(kStore);
    ASSERT_NO_FATAL_FAILURE(Start(false));
    onShown_ = [&](QWidget&) {
        watcher_.reset();
        EXPECT_TRUE(WaitFor([&] { return !Owned(service_); }));
        watcher_ = std::make_unique<FakeWatcher>(false);
        ASSERT_TRUE(WaitFor([&] { return !watcher_->registered.empty(); }));
        FollowItem();
        EXPECT_THAT(Enabled(), ElementsAre(false, false, false, false));
    };
    Clicked(IdOf(Layout(), "About(_A)..."));
    Settle();
    EXPECT_EQ(shown_.size(), 1u);
    EXPECT_THAT(Enabled(), ElementsAre(true, true, true, true));
}

TEST(DBusMenuLabel, AccessKeysBecomeUnderscores) {
    const std::pair<std::u16string, std::string> rows[] = {
        {u"現在の内容を登録(&R)", "現在の内容を登録(_R)"},
        {u"&R", "_R"},
        {u"&&", "&"},
        {u"a&&b", "a&b"},
        {u"&&&x", "&_x"},
        {u"a_b", "a__b"},
        {u"__", "____"},
        {u"&_", "___"},  // the access key on an underscore
        {u"Tom & Jerry", "Tom _ Jerry"},
        // Nothing to mark: dropped, as Orbek's own menus drop it.
        {u"a&", "a"},
        {u"&", ""},
        {u"a&&&", "a&"},
        {u"", ""},
    };
    for (const auto& [caption, label] : rows)
        EXPECT_EQ(qtrt::DBusMenu::Label(caption).toStdString(), label)
            << qtrt::ToQt(caption).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    // On a session bus of the tests' own: the user's tray never sees the
    // test's items, nor the test the user's watcher.
    if (!qEnvironmentVariableIsSet("ORBEK_TEST_BUS")) {
        qputenv("ORBEK_TEST_BUS", "1");
        // GoogleTest removes this file when the run ends as runs do: one the
        // program's End cut short fails instead of passing with what ran.
        const QTemporaryDir dir;
        const QString running = dir.filePath(QStringLiteral("running"));
        qputenv("TEST_PREMATURE_EXIT_FILE", running.toLocal8Bit());
        // Each test has folders of its own; before them, this one.
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
        std::vector<char*> command{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execvp(command[0], command.data());
            std::perror("dbus-run-session");
            std::_Exit(127);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child) return 1;
        if (QFile::exists(running)) {
            std::fprintf(stderr, "The tests ended before they had all run.\n");
            return 1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("WAYLAND_DISPLAY");  // the clipboard is Qt's
    qtrt::Application app(argc, argv, "Orbek");
    qtrt::dbus::RegisterTypes();
    qDBusRegisterMetaType<MenuEvent>();
    qDBusRegisterMetaType<QList<MenuEvent>>();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "tray_dbus_test.moc"
