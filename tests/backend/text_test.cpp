// Line breaks and clipboard text at the edge between the core and the desktop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

#include "platform/qt/qt_runtime.h"
#include "platform/qt/text.h"

namespace {

struct Case {
    QString desktop;
    std::u16string core;
};

TEST(DesktopText, LoneLineFeedsBecomeCrLfOnTheWayIn) {
    const Case cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"a\nb\nc", u"a\r\nb\r\nc"},
        {"a\r\nb", u"a\r\nb"},
        {"\n", u"\r\n"},
        {"a\rb", u"a\rb"},
        {"\n\n", u"\r\n\r\n"},
        {"日本\n語", u"日本\r\n語"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtrt::FromDesktop(c.desktop), c.core) << c.desktop.toStdString();
}

TEST(DesktopText, CrLfBecomesLineFeedOnTheWayOut) {
    const Case cases[] = {
        {"", u""},       {"a\nb\nc", u"a\r\nb\r\nc"}, {"a\rb", u"a\rb"}, {"a\nb", u"a\nb"},
        {"\n", u"\r\n"}, {"a\r\n", u"a\r\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qtrt::ToDesktop(c.core), c.desktop) << c.desktop.toStdString();
}

class ClipboardTest : public ::testing::Test {
  protected:
    qtrt::QtRuntime rt;
};

TEST_F(ClipboardTest, TextGoesOutWithLineFeedsAndComesBackWithCrLf) {
    rt.ClipboardSetText(u"one\r\ntwo\r\nthree");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "one\ntwo\nthree");
    EXPECT_TRUE(rt.ClipboardGetFormat(1));
    EXPECT_EQ(rt.ClipboardGetText(), u"one\r\ntwo\r\nthree");
}

TEST_F(ClipboardTest, APictureAloneIsNoText) {
    auto* data = new QMimeData;
    data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_FALSE(rt.ClipboardGetFormat(1));
    QGuiApplication::clipboard()->clear();
}

TEST_F(ClipboardTest, AnEmptyTextIsStillText) {
    auto* data = new QMimeData;
    data->setText("");
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(rt.ClipboardGetFormat(1));
    EXPECT_EQ(rt.ClipboardGetText(), u"");
}

// Each byte that starts no whole UTF-8 sequence is one U+FFFD; the rest is kept.
TEST_F(ClipboardTest, BytesThatAreNotUtf8ArriveAsReplacementCharacters) {
    auto* data = new QMimeData;
    data->setData("text/plain", QByteArray("ok \xFF\xC3 end\n\xE6\x97"));
    QGuiApplication::clipboard()->setMimeData(data);
    ASSERT_TRUE(rt.ClipboardGetFormat(1));
    EXPECT_EQ(rt.ClipboardGetText(), u"ok \uFFFD\uFFFD end\r\n\uFFFD\uFFFD");
}

TEST_F(ClipboardTest, OnlyFormatOneIsText) { EXPECT_FALSE(rt.ClipboardGetFormat(2)); }

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
