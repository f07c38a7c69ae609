#pragma once
// Menus as the programs design and change them: a tree of items, some of
// them elements of a control array loaded and unloaded at run time. The tree
// is the state; a MenuHost renders it and may refuse a change by throwing.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vb {

class MenuItem;

class MenuHost {
  public:
    virtual ~MenuHost() = default;
    // `item` has just been inserted into its parent; throwing undoes the insertion.
    virtual void MenuLoaded(MenuItem& item) = 0;
    // Before the change; throwing leaves the item as it is.
    virtual void MenuUnloading(MenuItem& item) = 0;
    virtual void MenuCaption(MenuItem& item, const std::u16string& caption) = 0;
    virtual void MenuVisible(MenuItem& item, bool visible) = 0;
};

class MenuItem {
  public:
    // An item as designed. A caption "-" makes a separator.
    MenuItem(MenuHost& host, std::u16string name, std::u16string caption, std::int16_t index = -1,
             bool visible = true);

    MenuHost& host() const { return host_; }
    const std::u16string& Name() const { return name_; }
    std::int16_t Index() const { return index_; }  // -1 outside a control array
    bool IsSeparator() const { return separator_; }
    const std::u16string& Caption() const { return caption_; }
    bool Visible() const { return visible_; }
    MenuItem* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<MenuItem>>& Children() const { return children_; }

    void SetCaption(std::u16string caption);
    void SetVisible(bool visible);

    // The click handler; separators and top-level menus have none.
    std::function<void()> Click;

    // Design-time construction: appends a child and returns it.
    MenuItem& Add(std::unique_ptr<MenuItem> child);
    // A printable name: "mnuSentence(3)" or "mnuLeft".
    std::u16string Label() const;

  private:
    friend class MenuArray;
    MenuHost& host_;
    std::u16string name_;
    std::u16string caption_;
    std::int16_t index_;
    bool visible_;
    bool separator_;
    bool designed_ = false;  // an element of a control array from the design
    MenuItem* parent_ = nullptr;
    std::vector<std::unique_ptr<MenuItem>> children_;
};

// A menu control array: element 0 comes from the design, further elements are
// loaded after it in the same submenu. Elements are addressed by index.
class MenuArray {
  public:
    // The designed elements, element 0 first, already children of their menu.
    explicit MenuArray(std::initializer_list<MenuItem*> designed);
    MenuArray(const MenuArray&) = delete;
    MenuArray& operator=(const MenuArray&) = delete;

    // Raises 360 when element k exists already.
    MenuItem& Load(std::int16_t k);
    // Raises 340 when element k does not exist, 362 for a designed element.
    void Unload(std::int16_t k);
    // Raises 340 when element k does not exist.
    MenuItem& operator()(std::int16_t k);
    bool Exists(std::int16_t k) const { return elements_.count(k) > 0; }
    // The highest element's index.
    std::int16_t UBound() const { return elements_.rbegin()->first; }

    std::function<void(std::int16_t)> Click;

  private:
    MenuItem& first_;
    std::map<std::int16_t, MenuItem*> elements_;
};

}  // namespace vb
