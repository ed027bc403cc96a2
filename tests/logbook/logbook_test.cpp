#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "logbook/logbook.h"

namespace fs = std::filesystem;
using namespace fennmere;

namespace {

fs::path FreshFolder()
{
    const fs::path folder = fs::temp_directory_path() / ("fennmere-logbook-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

CConfiguration Logger(const CText& serial)
{
    CConfiguration config;
    config.m_system.m_strSerialNumber = serial;
    return config;
}

}  // namespace

// Threads of one program and another program, all writing the same logger
// at once: each entry gets a number of its own.
TEST(LogbookTest, WritersAtOnceGetNumbersOfTheirOwn)
{
    const fs::path folder = FreshFolder();
    const auto write = [&folder](int count) {
        const CLogbook logbook(folder.string());
        for (int i = 0; i < count; ++i)
            if (!logbook.Record(Logger(L""), ELogbookEvent::Send, "/dev/ttyUSB0").m_bOk) return false;
        return true;
    };
    const pid_t child = ::fork();
    if (child == 0) ::_exit(write(40) ? 0 : 1);
    std::atomic<int> failed = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) threads.emplace_back([&] { failed += write(10) ? 0 : 1; });
    for (std::thread& thread : threads) thread.join();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(failed, 0);

    const CLogbook logbook(folder.string());
    std::vector<CLogbookLogger> loggers;
    const CFileResult listed = logbook.List(loggers);
    ASSERT_TRUE(listed.m_bOk) << listed.m_strError;
    ASSERT_EQ(loggers.size(), 1u);
    const std::vector<CLogbookEntry>& entries = loggers[0].m_entries;
    ASSERT_EQ(entries.size(), 120u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].m_nNumber, static_cast<int>(entries.size() - i));  // newest first, none twice
        CLogbookEntry found;
        EXPECT_TRUE(logbook.Find(entries[i].m_strId, found).m_bOk);
        EXPECT_EQ(found.m_strPath, entries[i].m_strPath);
    }
    fs::remove_all(folder);
}

struct CFolderCase {
    const char* m_szName;
    CText m_strSerial;
    std::string m_strFolder;  // the logger's folder; empty: any of at most 64 bytes
    std::function<void(const fs::path& logbook)> m_prepare = [](const fs::path&) {};
    std::string m_strProblem = {};  // in the error (not written) or the warning (written)
    bool m_bWritten = true;
};

void PrintTo(const CFolderCase& row, std::ostream* out) { *out << row.m_szName; }

class LogbookFolderTest : public ::testing::TestWithParam<CFolderCase> {};

TEST_P(LogbookFolderTest, Record)
{
    const CFolderCase& row = GetParam();
    const fs::path root = FreshFolder();
    const fs::path folder = root / "logbook";
    row.m_prepare(folder);
    const CLogbook logbook(folder.string());
    CLogbookEntry recorded;
    std::string warning = "stale";
    const CFileResult result = logbook.Record(Logger(row.m_strSerial), ELogbookEvent::Send, "COM1", &recorded, &warning);
    const bool written = result.m_bOk;
    const std::string& error = result.m_strError;
    ASSERT_EQ(written, row.m_bWritten) << error;
    EXPECT_NE((written ? warning : error).find(row.m_strProblem), std::string::npos) << error << warning;
    if (written) {
        EXPECT_EQ(warning.empty(), row.m_strProblem.empty()) << warning;
        if (!row.m_strFolder.empty()) {
            EXPECT_EQ(recorded.m_strSerial, row.m_strFolder);
        }
        EXPECT_LE(recorded.m_strSerial.size(), 64u);
        EXPECT_EQ(fs::path(recorded.m_strPath).parent_path(), folder / recorded.m_strSerial);
        CLogbookEntry found;
        ASSERT_TRUE(logbook.Find(recorded.m_strId, found).m_bOk);
        EXPECT_EQ(found.m_strPath, recorded.m_strPath);
        // No temporary is left, this writer's nor a killed one's.
        for (const fs::directory_entry& file : fs::directory_iterator(folder / recorded.m_strSerial))
            EXPECT_EQ(file.path().filename().string().find("tmp"), std::string::npos) << file.path();
    }
    // Nothing is kept, nor listed, through a symbolic link.
    std::vector<CLogbookLogger> loggers;
    ASSERT_TRUE(logbook.List(loggers).m_bOk);
    EXPECT_EQ(loggers.size(), written ? 1u : 0u);
    if (fs::exists(root / "elsewhere")) {
        EXPECT_EQ(std::distance(fs::directory_iterator(root / "elsewhere"), {}), 1);
    }
    fs::remove_all(root);
}

// The logger's folder there already, with what killed writers left in it.
const auto kMade = [](int mode, bool killedWriters) {
    return [=](const fs::path& logbook) {
        fs::create_directories(logbook / "2105057");
        fs::permissions(logbook, fs::perms::owner_all);
        fs::permissions(logbook / "2105057", static_cast<fs::perms>(mode));
        for (const char* file : {".tmp-0123456789abcdef", "000001_20261209T231500Z_send_COM1.json.tmp-4242"})
            if (killedWriters) std::ofstream(logbook / "2105057" / file) << "{";
    };
};

INSTANTIATE_TEST_SUITE_P(
    Cases, LogbookFolderTest,
    ::testing::Values(
        CFolderCase{"Ordinary", L"2105057", "2105057"}, CFolderCase{"Slash", L"a/b", "a%2Fb"},
        CFolderCase{"Underscore", L"a_b", "a_b"}, CFolderCase{"Dot", L".", "%2E"},
        CFolderCase{"DotDot", L"..", "%2E."}, CFolderCase{"Empty", L"", "unknown"},
        CFolderCase{"Blank", L"  ", "%20%20"}, CFolderCase{"Unknown", L"unknown", "%75nknown"},
        CFolderCase{"Latin1", L"N\u00e9%", "N%E9%25"}, CFolderCase{"Long", CText(300, L'7'), ""},
        CFolderCase{"LongEscaped", CText(299, L'/') + L"x", ""},
        CFolderCase{"SharedFolder", L"2105057", "2105057", kMade(0777, false), "other users can write"},
        CFolderCase{"KilledWriters", L"2105057", "2105057", kMade(0700, true)},
        CFolderCase{"Symlink", L"2105057", "",
                    [](const fs::path& logbook) {
                        fs::create_directories(logbook);
                        fs::permissions(logbook, fs::perms::owner_all);
                        fs::create_directory(logbook / "../elsewhere");
                        std::ofstream(logbook / "../elsewhere/000001_20261209T231500Z_send_COM1.json") << "{}";
                        fs::create_directory_symlink("../elsewhere", logbook / "2105057");
                    },
                    "symbolic link", false}),
    [](const ::testing::TestParamInfo<CFolderCase>& info) { return std::string(info.param.m_szName); });

TEST(LogbookTest, FindRefusesWhatIsNoFolderName)
{
    const CLogbook logbook((fs::temp_directory_path() / "fennmere-no-logbook").string());
    for (const char* id : {"a/b/1", "./1", "../1", "/1", "2105057", "a%2/1"}) {
        CLogbookEntry entry;
        const std::string error = logbook.Find(id, entry).m_strError;
        EXPECT_NE(error.find("is not a logbook id"), std::string::npos) << id << ": " << error;
    }
}
