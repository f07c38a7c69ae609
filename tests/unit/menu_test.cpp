#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "fake/fake_runtime.h"
#include "platform/menu.h"
#include "test_util.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A menu with an array between two plain items: mnuA, mnuX(0), mnuB.
class MenuArrayTest : public ::testing::Test {
  protected:
    explicit MenuArrayTest(std::u16string caption0 = u"x0", bool visible0 = true)
        : root(rt, u"mnuTop", u"Top"),
          a(Add(u"mnuA", u"A")),
          x0(Add(u"mnuX", std::move(caption0), 0, visible0)),
          b(Add(u"mnuB", u"B")),
          x({&x0}) {}

    vb::MenuItem& Add(std::u16string name, std::u16string caption, std::int16_t index = -1,
                      bool visible = true) {
        return root.Add(std::make_unique<vb::MenuItem>(rt, std::move(name), std::move(caption),
                                                       index, visible));
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> labels;
        for (const auto& child : root.Children()) labels.push_back(fake::Show(child->Label()));
        return labels;
    }

    fake::FakeRuntime rt;
    vb::MenuItem root;
    vb::MenuItem& a;
    vb::MenuItem& x0;
    vb::MenuItem& b;
    vb::MenuArray x;
};

TEST_F(MenuArrayTest, LoadedElementGoesAfterTheNearestLowerOne) {
    x.Load(3);
    x.Load(1);
    x.Load(2);
    x.Load(7);
    x.Load(5);
    EXPECT_THAT(Labels(), ElementsAre("mnuA", "mnuX(0)", "mnuX(1)", "mnuX(2)", "mnuX(3)", "mnuX(5)",
                                      "mnuX(7)", "mnuB"));
    EXPECT_THAT(rt.log, ElementsAre("Load mnuX(3)", "Load mnuX(1)", "Load mnuX(2)", "Load mnuX(7)",
                                    "Load mnuX(5)"));
    EXPECT_EQ(x(5).Parent(), &root);
    EXPECT_EQ(x(5).Index(), 5);
}

TEST_F(MenuArrayTest, MissingOrPresentElementsRaise) {
    EXPECT_EQ(ErrorOf([&] { x.Load(0); }), vb::kAlreadyLoaded);
    x.Load(1);
    EXPECT_EQ(ErrorOf([&] { x.Load(1); }), vb::kAlreadyLoaded);
    EXPECT_EQ(ErrorOf([&] { x(2); }), vb::kNoSuchElement);
    EXPECT_EQ(ErrorOf([&] { x.Unload(2); }), vb::kNoSuchElement);
    x.Unload(1);
    EXPECT_EQ(ErrorOf([&] { x(1); }), vb::kNoSuchElement);
    EXPECT_EQ(ErrorOf([&] { x.Unload(1); }), vb::kNoSuchElement);
    EXPECT_THAT(Labels(), ElementsAre("mnuA", "mnuX(0)", "mnuB"));
    EXPECT_THAT(rt.log, ElementsAre("Load mnuX(1)", "Unload mnuX(1)"));
}

TEST_F(MenuArrayTest, LoadedElementCopiesElementZero) {
    auto& one = x.Load(1);
    EXPECT_EQ(one.Caption(), u"x0");
    EXPECT_TRUE(one.Visible());
}

class HiddenSeparatorArrayTest : public MenuArrayTest {
  protected:
    HiddenSeparatorArrayTest() : MenuArrayTest(u"-", false) {}
};

TEST_F(HiddenSeparatorArrayTest, LoadedElementIsHiddenTooButNeverASeparator) {
    ASSERT_TRUE(x0.IsSeparator());
    auto& one = x.Load(1);
    EXPECT_FALSE(one.Visible());
    EXPECT_FALSE(one.IsSeparator());
    one.SetVisible(true);
    EXPECT_THAT(fake::Visible(root), ElementsAre("A", "-", "B"));  // "-" shown as text
    EXPECT_FALSE(one.IsSeparator());
}

TEST_F(MenuArrayTest, RefusedLoadLeavesNothingBehind) {
    rt.Fail("Load mnuX(1)", vb::kOutOfMemory);
    EXPECT_EQ(ErrorOf([&] { x.Load(1); }), vb::kOutOfMemory);
    EXPECT_THAT(Labels(), ElementsAre("mnuA", "mnuX(0)", "mnuB"));
    EXPECT_EQ(ErrorOf([&] { x(1); }), vb::kNoSuchElement);
    EXPECT_EQ(ErrorOf([&] { x.Load(1); }), 0);
    EXPECT_THAT(Labels(), ElementsAre("mnuA", "mnuX(0)", "mnuX(1)", "mnuB"));
}

TEST_F(MenuArrayTest, RefusedChangesLeaveTheItemAsItWas) {
    auto& one = x.Load(1);
    rt.Fail("mnuX(1).Caption", vb::kInvalidCall);
    rt.Fail("mnuX(1).Visible", vb::kInvalidCall);
    rt.Fail("Unload mnuX(1)", vb::kInvalidCall);
    EXPECT_EQ(ErrorOf([&] { one.SetCaption(u"new"); }), vb::kInvalidCall);
    EXPECT_EQ(ErrorOf([&] { one.SetVisible(false); }), vb::kInvalidCall);
    EXPECT_EQ(ErrorOf([&] { x.Unload(1); }), vb::kInvalidCall);
    EXPECT_EQ(one.Caption(), u"x0");
    EXPECT_TRUE(one.Visible());
    EXPECT_EQ(&x(1), &one);
    EXPECT_THAT(Labels(), ElementsAre("mnuA", "mnuX(0)", "mnuX(1)", "mnuB"));
}

TEST_F(MenuArrayTest, ClickNamesTheElement) {
    std::vector<int> clicked;
    x.Click = [&](std::int16_t k) { clicked.push_back(k); };
    x.Load(2);
    rt.Choose(x(2));
    rt.Choose(x0);
    x.Unload(2);
    x.Load(2);  // a reloaded element is wired again
    rt.Choose(x(2));
    EXPECT_THAT(clicked, ElementsAre(2, 0, 2));
    EXPECT_THAT(rt.prompts, IsEmpty());
}

}  // namespace

namespace {

TEST(MenuArrayDesign, ADesignedElementCannotBeUnloaded) {
    fake::FakeRuntime rt;
    vb::MenuItem menu(rt, u"mnuLeft", u"Left");
    vb::MenuItem& first = menu.Add(std::make_unique<vb::MenuItem>(rt, u"mnuSentence", u"-", 0));
    vb::MenuArray array({&first});
    try {
        array.Unload(0);
        FAIL() << "unloading a designed element must fail";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kDesignedControl);
    }
    EXPECT_NO_THROW(array(0));
    EXPECT_EQ(menu.Children().size(), 1u);
}

}  // namespace
