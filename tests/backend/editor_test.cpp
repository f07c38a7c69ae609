// The editor dialog on the Qt runtime, driven through its widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "editor/frmSet.h"
#include "platform/qt/qt_runtime.h"
#include "tray/frmMenu.h"

#include "store_test.h"

namespace {

class EditorWidgetsTest : public StoreTest {
  protected:
    struct Closer {
        vb::Runtime& rt;
        frmSet& set;
        ~Closer() {
            if (set.Loaded()) rt.Unload(set);
        }
    };

    // Opens the editor modally and lets `user` act on its window once it is shown.
    void Edit(const std::function<void(QWidget& window)>& user) {
        qtrt::QtRuntime rt;
        frmMenu menu(rt);
        menu.mdl.ShowSMenu();  // as start-up leaves it, so that OK can rebuild it
        frmSet set(rt, menu.mdl, menu.txtMenu);
        QTimer::singleShot(0, [&] {
            // However the user's part ends, a failed ASSERT included, the
            // dialog closes after it: the modal show returns.
            const Closer closer{rt, set};
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && w->windowTitle() == "Orbek" && w->findChild<QListWidget*>()) {
                    user(*w);
                    return;
                }
            }
            ADD_FAILURE() << "the editor window is not on screen";
        });
        set.Show(1);
    }

    static QPushButton* Button(QWidget& window, const QString& caption) {
        for (auto* b : window.findChildren<QPushButton*>()) {
            if (b->text() == caption) return b;
        }
        return nullptr;
    }
};

const QByteArray kStore =
    "[Sentences]\nSCMax=2\nS0=first\nS1=second\\r\\nline\nS2=third\nS5=kept\n";

TEST_F(EditorWidgetsTest, SelectMoveDeleteAndEnterWriteTheStore) {
    WriteFile(kStore);
    Edit([&](QWidget& window) {
        auto* list = window.findChild<QListWidget*>();
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->item(1)->text(), "second");
        list->setCurrentRow(2);
        Button(window, "&^")->click();  // third moves above second
        EXPECT_EQ(list->currentRow(), 1);
        list->setCurrentRow(0);
        Button(window, "&D")->click();
        QTest::keyClick(&window, Qt::Key_Return);  // OK
    });
    EXPECT_EQ(ReadFile(),
              "[Sentences]\nS0=third\nS1=second\\r\\nline\nS2=third\nS5=kept\nSCMax=1\n");
}

TEST_F(EditorWidgetsTest, EscapeDiscardsTheEdits) {
    WriteFile(kStore);
    Edit([&](QWidget& window) {
        window.findChild<QListWidget*>()->setCurrentRow(0);
        Button(window, "&D")->click();
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(ReadFile(), kStore.toStdString());
}

TEST_F(EditorWidgetsTest, PreviewShowsTheSelectedSentenceWhole) {
    WriteFile(kStore);
    Edit([&](QWidget& window) {
        window.findChild<QListWidget*>()->setCurrentRow(1);
        auto* preview = window.findChild<QPlainTextEdit*>();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->toPlainText(), "second\nline");
        EXPECT_TRUE(preview->isReadOnly());
        Button(window, "Cancel")->click();
    });
    EXPECT_EQ(ReadFile(), kStore.toStdString());
}

class Plain : public vb::Form {
  public:
    Plain(vb::Runtime& rt, bool sizable) : vb::Form(rt, u"frmPlain") {
        Caption = sizable ? u"Sizable" : u"Fixed";
        Sizable = sizable;
        DesignClientSize(3000, 2000);
    }
};

QWidget* WindowTitled(const std::u16string& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == QString::fromStdU16String(title)) return w;
    }
    return nullptr;
}

// A form that is not sizable gets a window of a fixed size, framed as such;
// the editor, which is, gets none of that.
TEST(FormWindows, OnlyAFormThatIsNotSizableIsFixed) {
    qtrt::QtRuntime rt;
    for (const bool sizable : {false, true}) {
        SCOPED_TRACE(sizable ? "sizable" : "fixed");
        Plain form(rt, sizable);
        form.Show();
        QWidget* window = WindowTitled(form.Caption);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint), !sizable);
        EXPECT_EQ(window->minimumSize() == window->maximumSize(), !sizable);
        EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        rt.Unload(form);
    }
}

// The windows the runtime made go with it, also those of forms still loaded.
TEST(FormWindows, GoWithTheRuntime) {
    QPointer<QWidget> fixed, sizable;
    {
        qtrt::QtRuntime rt;
        Plain shown(rt, false);
        shown.Show();
        fixed = WindowTitled(shown.Caption);
        // Moved before it ever had a window: it gets one when shown.
        Plain later(rt, true);
        later.SetLeft(600);
        later.Show();
        sizable = WindowTitled(later.Caption);
        ASSERT_FALSE(fixed.isNull());
        ASSERT_FALSE(sizable.isNull());
    }
    EXPECT_TRUE(fixed.isNull());
    EXPECT_TRUE(sizable.isNull());
}

}  // namespace
