#include "menu.h"

#include <algorithm>

#include "conv.h"
#include "error.h"

namespace vb {

namespace {

using Children = std::vector<std::unique_ptr<MenuItem>>;

// Searches from the end: loads append there and unloads go from the highest down.
Children::const_iterator Find(const Children& children, const MenuItem* item) {
    auto r = std::find_if(children.rbegin(), children.rend(),
                          [&](const auto& c) { return c.get() == item; });
    return r == children.rend() ? children.end() : std::prev(r.base());
}

}  // namespace

MenuItem::MenuItem(MenuHost& host, std::u16string name, std::u16string caption, std::int16_t index,
                   bool visible)
    : host_(host),
      name_(std::move(name)),
      caption_(std::move(caption)),
      index_(index),
      visible_(visible),
      separator_(caption_ == u"-") {}

void MenuItem::SetCaption(std::u16string caption) {
    host_.MenuCaption(*this, caption);
    caption_ = std::move(caption);
}

void MenuItem::SetVisible(bool visible) {
    host_.MenuVisible(*this, visible);
    visible_ = visible;
}

MenuItem& MenuItem::Add(std::unique_ptr<MenuItem> child) {
    child->parent_ = this;
    children_.push_back(std::move(child));
    return *children_.back();
}

std::u16string MenuItem::Label() const {
    return index_ < 0 ? name_ : name_ + u"(" + Str(index_) + u")";
}

MenuArray::MenuArray(std::initializer_list<MenuItem*> designed) : first_(**designed.begin()) {
    for (MenuItem* item : designed) {
        item->designed_ = true;
        elements_[item->Index()] = item;
        item->Click = [this, k = item->Index()] { Click(k); };
    }
}

MenuItem& MenuArray::Load(std::int16_t k) {
    if (elements_.count(k)) Raise(kAlreadyLoaded);
    MenuItem& parent = *first_.Parent();
    // After the nearest element below k, which is usually the last child.
    auto below = elements_.lower_bound(k);
    const MenuItem* previous = below == elements_.begin() ? &first_ : std::prev(below)->second;
    auto& siblings = parent.children_;
    auto at = Find(siblings, previous) + 1;
    // A loaded element starts as a copy of element 0, but never as a separator:
    // whatever caption it gets is shown as text.
    auto item =
        std::make_unique<MenuItem>(first_.host_, first_.name_, first_.caption_, k, first_.visible_);
    item->separator_ = false;
    item->parent_ = &parent;
    item->Click = [this, k] { Click(k); };
    MenuItem& loaded = **siblings.insert(at, std::move(item));
    try {
        first_.host_.MenuLoaded(loaded);
    } catch (...) {
        siblings.erase(Find(siblings, &loaded));
        throw;
    }
    elements_[k] = &loaded;
    return loaded;
}

void MenuArray::Unload(std::int16_t k) {
    MenuItem& item = (*this)(k);
    if (item.designed_) Raise(kDesignedControl);
    item.host_.MenuUnloading(item);
    elements_.erase(k);
    auto& siblings = item.parent_->children_;
    siblings.erase(Find(siblings, &item));
}

MenuItem& MenuArray::operator()(std::int16_t k) {
    auto it = elements_.find(k);
    if (it == elements_.end()) Raise(kNoSuchElement);
    return *it->second;
}

}  // namespace vb
