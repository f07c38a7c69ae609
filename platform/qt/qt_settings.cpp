#include "qt_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "text.h"

namespace qtrt {

namespace {

constexpr auto kLockTimeout = std::chrono::seconds(10);

[[noreturn]] void Fail(const QString& description) {
    vb::Raise(vb::kFileAccess, FromQt(description));
}

// Writers of the file at `store` take turns on a lock that the kernel holds
// for them and drops when they end, however they end: a writer killed halfway
// keeps no one out. The lock file is removed on release; a writer that then
// holds a removed file takes the lock again on the file now named so.
class WriterLock {
  public:
    explicit WriterLock(const QString& store)
        : store_(store), path_(QFile::encodeName(store + ".lock")) {}
    ~WriterLock() {
        if (fd_ < 0) return;
        ::unlink(path_.constData());
        ::close(fd_);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // Waits for the other writers until the deadline; raises 75 when the file
    // cannot be made or the others keep it longer.
    void Take(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            fd_ = ::open(path_.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd_ < 0) Failed(QStringLiteral("ロック %1 を作れません。").arg(Name()));
            while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR) {
                    Failed(QStringLiteral("ロック %1 を使えません。").arg(Name()));
                }
                if (std::chrono::steady_clock::now() >= deadline) {
                    Failed(QStringLiteral("登録文のファイル %1 を他のプログラムが使っています。")
                               .arg(store_));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            struct stat held {
            }, named{};
            if (::fstat(fd_, &held) == 0 && ::stat(path_.constData(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                return;
            }
            ::close(fd_);
        }
    }

  private:
    QString Name() const { return QFile::decodeName(path_); }
    [[noreturn]] void Failed(const QString& description) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        Fail(description);
    }

    QString store_;
    QByteArray path_;
    int fd_ = -1;
};

}  // namespace

QtSettingsBackend::QtSettingsBackend(std::u16string_view app) : path_(PathFor(app)) {}

QString QtSettingsBackend::PathFor(std::u16string_view app) {
    const QString name = ToQt(app);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' + name +
           '/' + name + ".ini";
}

QtSettingsBackend::Stamp QtSettingsBackend::StampNow() const {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return {};
    return {true, static_cast<unsigned long long>(st.st_dev),
            static_cast<unsigned long long>(st.st_ino), static_cast<unsigned long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

vb::ini::Sections QtSettingsBackend::ReadDisk() {
    QFile file(path_);
    if (!file.exists()) return {};
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("登録文のファイル %1 を読めません (%2)。")
                 .arg(path_, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (auto sections = vb::ini::Parse(std::string_view(bytes.constData(), bytes.size()))) {
        return *std::move(sections);
    }
    // Kept under a name of its own, so that nothing it holds is lost.
    const QString aside =
        path_ + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss-zzz");
    if (!QFile::rename(path_, aside)) {
        Fail(QStringLiteral("登録文のファイル %1 が壊れています。").arg(path_));
    }
    Fail(QStringLiteral("登録文のファイルが壊れていたため、%1 に移しました。").arg(aside));
}

void QtSettingsBackend::Refresh() {
    const Stamp now = StampNow();
    if (stamp_ && *stamp_ == now) return;
    // Not the file the view was made from, unless it is the one this program
    // wrote with others' changes merged in: those were counted then.
    if (!merged_ || *merged_ != now) ++outsideChanges_;
    merged_.reset();
    view_.clear();
    unreadable_.reset();
    try {
        view_ = ReadDisk();
        stamp_ = now;
    } catch (const vb::Error& error) {
        // Shown empty; an unreadable file is also kept from being written over.
        if (QFile::exists(path_)) unreadable_ = error;
        stamp_ = StampNow();
        throw;
    }
}

std::optional<std::u16string> QtSettingsBackend::Value(std::u16string_view section,
                                                       std::u16string_view key) {
    return vb::FindValue(view_, section, key);
}

bool QtSettingsBackend::HasSection(std::u16string_view section) {
    return view_.find(section) != view_.end();
}

void QtSettingsBackend::SetValue(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view value) {
    auto apply = [s = std::u16string(section), k = std::u16string(key),
                  v = std::u16string(value)](vb::ini::Sections& sections) { sections[s][k] = v; };
    apply(view_);
    changes_.push_back(std::move(apply));
}

void QtSettingsBackend::RemoveSection(std::u16string_view section) {
    auto apply = [s = std::u16string(section)](vb::ini::Sections& sections) {
        if (auto it = sections.find(s); it != sections.end()) sections.erase(it);
    };
    apply(view_);
    changes_.push_back(std::move(apply));
}

void QtSettingsBackend::Commit() {
    const auto changes = std::move(changes_);
    changes_.clear();
    // The view is trusted again only once the file holds just it.
    const std::optional<Stamp> seen = std::exchange(stamp_, std::nullopt);
    try {
        WriteMerged(changes, seen);
    } catch (const vb::Error&) {
        ++outsideChanges_;  // the view holds writes that never reached the disk
        throw;
    }
}

void QtSettingsBackend::WriteMerged(const std::vector<Change>& changes,
                                    const std::optional<Stamp>& seen) {
    if (unreadable_) throw *unreadable_;

    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        Fail(QStringLiteral("フォルダ %1 を作れません。").arg(info.absolutePath()));
    }
    QFile::setPermissions(info.absolutePath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    WriterLock lock(path_);
    lock.Take(std::chrono::steady_clock::now() + kLockTimeout);
    // What others wrote meanwhile is merged in, and seen from the next event on.
    const bool othersWrote = seen != StampNow();
    if (othersWrote) ++outsideChanges_;
    vb::ini::Sections sections = ReadDisk();
    for (const auto& change : changes) change(sections);
    const std::string bytes = vb::ini::Write(sections);

    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        Fail(QStringLiteral("登録文を %1 に書き込めません (%2)。").arg(path_, reason));
    }
    // Stamped still under the lock, so the stamp is the file just written:
    // the view is what it holds, or, with others' changes, is behind it.
    (othersWrote ? merged_ : stamp_) = StampNow();
}

}  // namespace qtrt
