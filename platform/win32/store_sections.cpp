#include "store_sections.h"

#include <set>

#include "wide.h"

namespace win32rt {

namespace {

static_assert(kNew.size() == kOld.size());

bool EndsWith(std::u16string_view text, std::u16string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool IsSideKey(std::u16string_view name) { return EndsWith(name, kNew) || EndsWith(name, kOld); }

}  // namespace

Sections ReadSections(HKEY app, const std::u16string& path) {
    Sections sections;
    for (const auto& name : SubkeyNames(app, path)) {
        if (IsSideKey(name)) continue;
        const std::u16string sectionPath = path + u"\\" + name;
        OwnedKey section;
        Check(RegOpenKeyExW(app, Wide(name), 0, KEY_READ, section.out()), sectionPath, kCannotRead);
        sections.emplace(name, ReadValues(section.get(), sectionPath));
    }
    return sections;
}

// "~old" only ever exists beside a complete "~new" (a swap between its
// renames), beside the new section (a swap before its clean-up) or alone (a
// removal): in the first case the new section goes in place; "~new" without
// "~old" may be incomplete and goes, as does every "~old" once the section
// is settled.
void Recover(HKEY app, const std::u16string& path) {
    std::set<std::u16string, NoCaseLess> touched;
    for (const auto& name : SubkeyNames(app, path)) {
        if (IsSideKey(name)) touched.insert(name.substr(0, name.size() - kNew.size()));
    }
    for (const auto& section : touched) {
        const std::u16string fresh = section + std::u16string(kNew);
        const std::u16string old = section + std::u16string(kOld);
        const bool hasOld = Exists(app, old);
        if (hasOld && Exists(app, fresh) && !Exists(app, section)) {
            Rename(app, fresh, section, path);
        } else {
            DeleteTree(app, fresh, path);
        }
        if (hasOld) DeleteTree(app, old, path);
    }
}

}  // namespace win32rt
