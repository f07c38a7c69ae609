#pragma once
// What every store backend owes the programs, checked the same way for each:
// the Linux file and the Windows registry.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings.h"

namespace contract {

using MakeBackend = std::function<std::unique_ptr<vb::SettingsBackend>()>;

inline std::u16string Key(std::size_t i) {
    std::u16string key = u"S";
    for (char c : std::to_string(i)) key += static_cast<char16_t>(c);
    return key;
}

// Written by one program, read by another: every value comes back exactly.
inline void ExpectValuesRoundTrip(const MakeBackend& make,
                                  const std::vector<std::u16string>& values) {
    {
        const auto writer = make();
        writer->Refresh();
        for (std::size_t i = 0; i < values.size(); ++i)
            writer->SetValue(u"Sentences", Key(i), values[i]);
        writer->Commit();
    }
    const auto reader = make();
    reader->Refresh();
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(reader->Value(u"Sentences", Key(i)), values[i]);
    }
    EXPECT_EQ(reader->Value(u"Sentences", u"S99"), std::nullopt);
    EXPECT_EQ(reader->Value(u"Other", u"S0"), std::nullopt);
}

// What the tray program relies on to know when to rebuild its menu: its own
// commits change nothing, anything else does. `byHand(s0)` rewrites the
// section as {SCMax 0, S0 s0} behind every backend's back.
inline void ExpectOutsideChangesCountOnlyOthers(const MakeBackend& make,
                                                const std::function<void(std::u16string)>& byHand) {
    byHand(u"a");
    const auto store = make();
    store->Refresh();
    auto changes = store->OutsideChanges();
    auto changed = [&] {
        const auto before = std::exchange(changes, store->OutsideChanges());
        return before != changes;
    };

    store->Refresh();
    EXPECT_FALSE(changed()) << "nothing happened";

    store->SetValue(u"Sentences", u"S1", u"b");
    store->Commit();
    store->Refresh();
    EXPECT_FALSE(changed()) << "own commit";
    EXPECT_EQ(store->Value(u"Sentences", u"S1"), u"b");

    {
        const auto other = make();
        other->Refresh();
        other->RemoveSection(u"Sentences");
        other->Commit();
    }
    store->Refresh();
    EXPECT_TRUE(changed()) << "another program's commit";
    EXPECT_FALSE(store->HasSection(u"Sentences"));

    byHand(u"by hand");
    store->Refresh();
    EXPECT_TRUE(changed()) << "changed by hand";

    byHand(u"by hand, again");
    store->SetValue(u"Sentences", u"S1", u"mine");
    store->Commit();
    EXPECT_TRUE(changed()) << "merged into own commit";
    store->Refresh();
    EXPECT_EQ(store->Value(u"Sentences", u"S0"), u"by hand, again");
    EXPECT_EQ(store->Value(u"Sentences", u"S1"), u"mine");
    store->Refresh();
    EXPECT_FALSE(changed()) << "nothing happened since";
}

}  // namespace contract
