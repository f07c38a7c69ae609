#include "settings.h"

#include <algorithm>

#include "error.h"

namespace vb {

Settings::Settings(Factory factory) : factory_(std::move(factory)) {}

Settings::App& Settings::Open(std::u16string_view name) {
    auto it = apps_.find(name);
    if (it == apps_.end()) it = apps_.emplace(std::u16string(name), App{factory_(name)}).first;
    App& app = it->second;
    if (app.stale && !app.pending) {
        app.stale = false;  // a store that cannot be read is reported once per event
        app.backend->Refresh();
    }
    return app;
}

std::u16string Settings::GetSetting(std::u16string_view app, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view defaultValue) {
    auto value = Open(app).backend->Value(section, key);
    return value ? *std::move(value) : std::u16string(defaultValue);
}

void Settings::SaveSetting(std::u16string_view app, std::u16string_view section,
                           std::u16string_view key, std::u16string_view value) {
    App& a = Open(app);
    a.backend->SetValue(section, key, value);
    Written(a);
}

void Settings::DeleteSetting(std::u16string_view app, std::u16string_view section) {
    App& a = Open(app);
    if (!a.backend->HasSection(section)) Raise(kInvalidCall);
    a.backend->RemoveSection(section);
    Written(a);
}

std::uint64_t Settings::OutsideChanges(std::u16string_view app) {
    return Open(app).backend->OutsideChanges();
}

void Settings::Written(App& app) {
    if (depth_ == 0) {
        app.backend->Commit();
        return;
    }
    pendingDepth_ = app.pending ? std::min(pendingDepth_, depth_) : depth_;
    app.pending = true;
}

void Settings::EventBoundary() {
    for (auto& [name, app] : apps_) app.stale = true;
}

void Settings::CloseScope() {
    const bool commit = pendingDepth_ == depth_;
    --depth_;
    if (commit) CommitAll();
}

void Settings::CommitAll() {
    // Every pending app is tried; the first failure is raised after the rest.
    std::optional<Error> failure;
    for (auto& [name, app] : apps_) {
        if (!app.pending) continue;
        app.pending = false;
        try {
            app.backend->Commit();
        } catch (const Error& e) {
            // The writes were dropped: the next read takes the disk again.
            app.stale = true;
            if (!failure) failure = e;
        }
    }
    pendingDepth_ = 0;
    if (failure) throw *failure;
}

}  // namespace vb
