// The store file on disk.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <utility>

#include "platform/error.h"
#include "platform/utf8.h"

#include "contract/store_contract.h"
#include "store_file_test.h"

namespace {

using IniFileStoreTest = StoreFileTest;

std::u16string EveryControlCharacter() {
    std::u16string s;
    for (char16_t c = 0; c < 0x20; ++c) s.push_back(c);
    return s + u'\x7F';
}

TEST_F(IniFileStoreTest, FileLivesUnderTheConfigHome) {
    EXPECT_EQ(path_, home_ + "/Orbek/Orbek.ini");
}

TEST_F(IniFileStoreTest, WithoutAConfigHomeTheFileLivesInTheHomesConfigFolder) {
    const char* const before = ::getenv("HOME");
    const std::optional<std::string> home =
        before ? std::optional<std::string>(before) : std::nullopt;
    const char* const configs[] = {"", nullptr};
    for (const char* config : configs) {
        SCOPED_TRACE(config ? "XDG_CONFIG_HOME empty" : "XDG_CONFIG_HOME unset");
        if (config) {
            ::setenv("XDG_CONFIG_HOME", config, 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        ::setenv("HOME", (home_ + "//x/../").c_str(), 1);
        EXPECT_EQ(posix::IniFileStore::PathFor(u"Orbek"), home_ + "/.config/Orbek/Orbek.ini");
        ::unsetenv("HOME");
        EXPECT_EQ(posix::IniFileStore::PathFor(u"日本"), "//.config/日本/日本.ini");
    }
    if (home) ::setenv("HOME", home->c_str(), 1);
}

TEST_F(IniFileStoreTest, ValuesRoundTripThroughTheFileExactly) {
    contract::ExpectValuesRoundTrip(
        [] { return std::make_unique<posix::IniFileStore>(u"Orbek"); },
        {u"line one\r\nline two\r\nline three", u"Tom & Jerry", u"日本語の文章です", u"  blanks  ",
         u"a=b;c", u"", u"[Sentences]", u"back\\slash \\n", u"tab\there",
         std::u16string(u"nul\0x", 5), u"lone \n line feed and \r return", EveryControlCharacter(),
         u"lone \xD800 surrogates \xDC00 kept"});
}

TEST_F(IniFileStoreTest, ACommitMergesIntoWhatAnotherProgramWroteMeanwhile) {
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n[Other]\nkeep=me\n");
    posix::IniFileStore mine(u"Orbek");
    mine.Refresh();
    {
        posix::IniFileStore other(u"Orbek");
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

TEST_F(IniFileStoreTest, RemovingASectionKeepsEverythingElse) {
    WriteFile("; a comment\n[Other]\nk=v\n[Sentences]\nSCMax=1\nS0=a\nS1=b\nS5=left over\n");
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    ASSERT_TRUE(store.HasSection(u"Sentences"));
    store.RemoveSection(u"Sentences");
    EXPECT_FALSE(store.HasSection(u"Sentences"));
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Other]\nk=v\n");
}

TEST_F(IniFileStoreTest, TheFileAndItsFolderBelongToTheOwnerAlone) {
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"private");
    store.Commit();
    struct stat file {
    }, dir{};
    ASSERT_EQ(::stat(path_.c_str(), &file), 0);
    ASSERT_EQ(::stat(Folder().c_str(), &dir), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(dir.st_mode & 0777, 0700u);
}

TEST_F(IniFileStoreTest, ADamagedFileIsMovedAsideAndReportedNeverOverwritten) {
    const std::string damaged = "[Sentences\nSCMax=1\nS0=precious\n";
    WriteFile(damaged);
    posix::IniFileStore store(u"Orbek");
    try {
        store.Refresh();
        FAIL() << "a damaged file must be reported";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
        EXPECT_NE(vb::EncodeUtf8(e.description).find("Orbek.ini.damaged-"), std::string::npos);
    }
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), std::nullopt);
    const auto aside = Holding(Entries(), "Orbek.ini.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream kept(Folder() + '/' + aside[0], std::ios::binary);
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), damaged);

    store.SetValue(u"Sentences", u"S0", u"fresh");
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Sentences]\nS0=fresh\n");
    EXPECT_EQ(Holding(Entries(), "Orbek.ini.damaged-").size(), 1u);
}

TEST_F(IniFileStoreTest, AFileDamagedBeforeACommitIsKeptAndTheCommitFails) {
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    WriteFile("not a store file\n");
    store.SetValue(u"Sentences", u"S0", u"x");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_EQ(Holding(Entries(), "Orbek.ini.damaged-").size(), 1u);
}

TEST_F(IniFileStoreTest, AnUnreadableFileIsReportedAndNotWrittenOver) {
    // A folder in the file's place cannot be read, whoever runs the test.
    ASSERT_TRUE(std::filesystem::create_directories(path_));
    ASSERT_TRUE(std::ofstream(path_ + "/keep"));
    posix::IniFileStore store(u"Orbek");
    EXPECT_THROW(store.Refresh(), vb::Error);
    store.SetValue(u"Sentences", u"S1", u"x");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    EXPECT_TRUE(std::filesystem::exists(path_ + "/keep"));
}

TEST_F(IniFileStoreTest, AFailedWriteLeavesTheOldFile) {
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n");
    posix::IniFileStore store(u"Orbek");
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
    EXPECT_EQ(Entries(), std::vector<std::string>{"Orbek.ini"});
}

TEST_F(IniFileStoreTest, AStoreFileThatIsALinkStaysOneAndTheFileItNamesIsWritten) {
    // As where the file is kept in a folder of its own and linked to.
    const std::string kept = home_ + "/kept/Orbek.ini";
    std::filesystem::create_directories(home_ + "/kept");
    ASSERT_TRUE(std::ofstream(kept) << "[Sentences]\nSCMax=0\nS0=old\n");
    std::filesystem::create_directories(Folder());
    std::filesystem::create_symlink("../kept/Orbek.ini", path_);
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    EXPECT_EQ(store.Value(u"Sentences", u"S0"), u"old");
    store.SetValue(u"Sentences", u"S0", u"new");
    store.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadFile(), "[Sentences]\nS0=new\nSCMax=0\n");
    EXPECT_EQ(Holding(Entries(), "Orbek.ini.").size(), 0u);
}

TEST_F(IniFileStoreTest, ALockFileLeftByAKilledWriterHoldsUpNoCommit) {
    // What a writer killed right after making the lock file leaves: no owner in it.
    WriteFile("[Sentences]\nSCMax=0\nS0=old\n");
    ASSERT_TRUE(std::ofstream(path_ + ".lock"));
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"new");
    store.Commit();
    EXPECT_EQ(ReadFile(), "[Sentences]\nS0=new\nSCMax=0\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Orbek.ini"});
}

TEST_F(IniFileStoreTest, ATenMegabyteSentenceRoundTrips) {
    std::u16string big(10 * 1024 * 1024, u'x');
    for (std::size_t i = 0; i < big.size(); i += 4096) big[i] = i % 3 ? u'\n' : u'語';
    {
        posix::IniFileStore writer(u"Orbek");
        writer.Refresh();
        writer.SetValue(u"Sentences", u"S0", big);
        writer.Commit();
    }
    posix::IniFileStore reader(u"Orbek");
    reader.Refresh();
    EXPECT_TRUE(reader.Value(u"Sentences", u"S0") == big);
}

TEST_F(IniFileStoreTest, AStoreThatCannotBeWrittenIsReportedAndKept) {
    // A file where the store's folder belongs cannot be written into, whoever
    // runs the test; what it holds stays.
    ASSERT_TRUE(std::ofstream(Folder()) << "not a folder");
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    store.SetValue(u"Sentences", u"S0", u"x");
    try {
        store.Commit();
        FAIL() << "the failed write must be reported";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number, vb::kFileAccess);
    }
    std::ifstream blocker(Folder(), std::ios::binary);
    ASSERT_TRUE(blocker);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(blocker), {}), "not a folder");
}

TEST_F(IniFileStoreTest, RefreshSeesAnotherProgramsChangeOfTheSameSize) {
    WriteFile("[Sentences]\nSCMax=1\n");
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    {
        posix::IniFileStore other(u"Orbek");
        other.Refresh();
        other.SetValue(u"Sentences", u"SCMax", u"2");
        other.Commit();
    }
    store.Refresh();
    EXPECT_EQ(store.Value(u"Sentences", u"SCMax"), u"2");
}

TEST_F(IniFileStoreTest, OutsideChangesCountOnlyWhatOthersDid) {
    contract::ExpectOutsideChangesCountOnlyOthers(
        [] { return std::make_unique<posix::IniFileStore>(u"Orbek"); },
        [this](const std::u16string& s0) {
            WriteFile("[Sentences]\nSCMax=0\nS0=" + vb::EncodeUtf8(s0) + "\n");
        });
}

TEST_F(IniFileStoreTest, OwnWritesDroppedCountAsAnOutsideChange) {
    posix::IniFileStore store(u"Orbek");
    store.Refresh();
    const auto before = store.OutsideChanges();
    WriteFile("damaged\n");
    store.SetValue(u"Sentences", u"S0", u"lost");
    EXPECT_THROW(store.Commit(), vb::Error);
    EXPECT_NE(store.OutsideChanges(), before);
}

}  // namespace
