// The store file on disk, through the Qt runtime's backend.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <memory>
#include <utility>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/error.h"
#include "platform/qt/text.h"

#include "contract/store_contract.h"
#include "store_test.h"

namespace {

using QtSettingsTest = StoreTest;

std::u16string EveryControlCharacter() {
    std::u16string s;
    for (char16_t c = 0; c < 0x20; ++c) s.push_back(c);
    return s + u'\x7F';
}

TEST_F(QtSettingsTest, FileLivesUnderTheConfigHome) {
    EXPECT_EQ(path_, home_.path() + "/Orbek/Orbek.ini");
}

TEST_F(QtSettingsTest, ValuesRoundTripThroughTheFileExactly) {
    contract::ExpectValuesRoundTrip(
        [] { return std::make_unique<qtrt::QtSettingsBackend>(u"Orbek"); },
        {u"line one\r\nline two\r\nline three", u"Tom & Jerry", u"日本語の文章です", u"  blanks  ",
         u"a=b;c", u"", u"[Sentences]", u"back\\slash \\n", u"tab\there",
         std::u16string(u"nul\0x", 5), u"lone \n line feed and \r return", EveryControlCharacter(),
         u"lone \xD800 surrogates \xDC00 kept"});
}

TEST_F(QtSettingsTest, ACommitMergesIntoWhatAnotherProgramWroteMeanwhile) {
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n[Other]\nkeep=me\n");
    qtrt::QtSettingsBackend mine(u"Orbek");
    mine.Refresh();
    {
        qtrt::QtSettingsBackend other(u"Orbek");
        other.Refresh();
        other.SetValue(u"Other", u"added", u"later");
        other.Commit();
    }
    mine.SetValue(u"Sentences", u"S1", u"new");
    mine.SetValue(u"Sentences", u"SCMax", u"1");
    mine.Commit();
    EXPECT_EQ(ReadFile(),
              "[Other]\nadded=later\nkeep=me\n\n[Sentences]\nS0=old\nS1=new\nSCMax=1\n");
}

TEST_F(QtSettingsTest, RemovingASectionKeepsEverythingElse) {
    WriteFile("; a comment\n[Other]\nk=v\n[Sentences]\nSCMax=1\nS0=a\nS1=b\nS5=left over\n");
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    ASSERT_TRUE(store.HasSection(u"Sentences"));
    store.RemoveSection(u"Sentences");
    EXPECT_FALSE(store.HasSection(u"Sentences"));
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Other]\nk=v\n");
}

TEST_F(QtSettingsTest, TheFileAndItsFolderBelongToTheOwnerAlone) {
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"private");
    store.Commit();
    struct stat file {
    }, dir{};
    ASSERT_EQ(::stat(QFile::encodeName(path_).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path_).absolutePath()).constData(), &dir), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.st_mode & 0777, 0700u);
}

TEST_F(QtSettingsTest, ADamagedFileIsMovedAsideAndReportedNeverOverwritten) {
    const QByteArray damaged = "[Sentences\nSCMax=1\nS0=precious\n";
    WriteFile(damaged);
    qtrt::QtSettingsBackend store(u"Orbek");
    try {
        store.Refresh();
        FAIL() << "a damaged file must be reported";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
        EXPECT_NE(qtrt::ToQt(e.description).indexOf("Orbek.ini.damaged-"), -1);
    }
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), std::nullopt);
    const QStringList aside = Entries().filter("Orbek.ini.damaged-");
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(path_).absolutePath() + '/' + aside[0]);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);

    store.SetValue(u"Sentences", u"S0", u"fresh");
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Sentences]\nS0=fresh\n");
    EXPECT_EQ(Entries().filter("Orbek.ini.damaged-").size(), 1);
}

TEST_F(QtSettingsTest, AFileDamagedBeforeACommitIsKeptAndTheCommitFails) {
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    WriteFile("not a store file\n");
    store.SetValue(u"Sentences", u"S0", u"x");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_EQ(Entries().filter("Orbek.ini.damaged-").size(), 1);
}

TEST_F(QtSettingsTest, AnUnreadableFileIsReportedAndNotWrittenOver) {
    // A folder in the file's place cannot be read, whoever runs the test.
    ASSERT_TRUE(QDir().mkpath(path_));
    QFile inside(path_ + "/keep");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();
    qtrt::QtSettingsBackend store(u"Orbek");
    EXPECT_THROW(store.Refresh(), vb::Error);
    store.SetValue(u"Sentences", u"S1", u"x");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_TRUE(QFileInfo(path_).isDir());
    EXPECT_TRUE(QFile::exists(path_ + "/keep"));
}

TEST_F(QtSettingsTest, AFailedWriteLeavesTheOldFile) {
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n");
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", std::u16string(100000, u'x'));
    // A file size limit makes the write fail as a full disk would, also for root.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(store.Commit(), vb::Error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadFile(), "[Sentences]\nSCMax=0\nS0=old\n");
    EXPECT_EQ(Entries(), QStringList{"Orbek.ini"});
}

TEST_F(QtSettingsTest, ALockFileLeftByAKilledWriterHoldsUpNoCommit) {
    // What a writer killed right after making the lock file leaves: no owner in it.
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n");
    QFile left(path_ + ".lock");
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"new");
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Sentences]\nS0=new\nSCMax=0\n");
    EXPECT_EQ(Entries(), QStringList{"Orbek.ini"});
}

TEST_F(QtSettingsTest, ATenMegabyteSentenceRoundTrips) {
    std::u16string big(10 * 1024 * 1024, u'x');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = i % 3 ? u'\n' : u'語';
    {
        qtrt::QtSettingsBackend writer(u"Orbek");
        writer.Refresh();
        writer.SetValue(u"Sentences", u"S0", big);
        writer.Commit();
    }
    qtrt::QtSettingsBackend reader(u"Orbek");
    reader.Refresh();
    EXPECT_TRUE(reader.Value(u"Sentences", u"S0") == big);
}

TEST_F(QtSettingsTest, AStoreThatCannotBeWrittenIsReportedAndKept) {
    // A file where the store's folder belongs cannot be written into, whoever
    // runs the test; what it holds stays.
    const QString folder = QFileInfo(path_).absolutePath();
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    blocker.close();
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"x");
    try {
        store.Commit();
        FAIL() << "the failed write must be reported";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
    }
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), "not a folder");
}

TEST_F(QtSettingsTest, RefreshSeesAnotherProgramsChangeOfTheSameSize) {
    WriteFile("[Sentences]\nSCMax=1\n");
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    {
        qtrt::QtSettingsBackend other(u"Orbek");
        other.Refresh();
        other.SetValue(u"Sentences", u"SCMax", u"2");
        other.Commit();
    }
    store.Refresh();
    EXPECT_EQ(store.Value(u"Sentences", u"SCMax"), u"2");
}

TEST_F(QtSettingsTest, OutsideChangesCountOnlyWhatOthersDid) {
    contract::ExpectOutsideChangesCountOnlyOthers(
        [] { return std::make_unique<qtrt::QtSettingsBackend>(u"Orbek"); },
        [this](const std::u16string& s0) {
            WriteFile("[Sentences]\nSCMax=0\nS0=" + qtrt::ToQt(s0).toUtf8() + "\n");
        });
}

TEST_F(QtSettingsTest, OwnWritesDroppedCountAsAnOutsideChange) {
    qtrt::QtSettingsBackend store(u"Orbek");
    store.Refresh();
    const auto before = store.OutsideChanges();
    WriteFile("damaged\n");
    store.SetValue(u"Sentences", u"S0", u"lost");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_NE(store.OutsideChanges(), before);
}

}  // namespace
