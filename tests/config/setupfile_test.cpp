#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <sys/stat.h>

#include "config/configwriter.h"
#include "config/setupfile.h"

namespace fs = std::filesystem;
using namespace fennmere;

namespace {

class SetupFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fennmere-setupfile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string Slurp(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Put(const fs::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::size_t EntriesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

TEST_F(SetupFileTest, SaveReplacesTheFileWholeAndLeavesNoTemporaryBehind)
{
    const fs::path target = m_dir / "logger.txt";
    Put(target, std::string(100000, 'x'));
    CConfiguration config = MakeNewConfiguration();

    CFileResult result = SaveSetupFile(config, target.string());

    ASSERT_TRUE(result.m_bOk) << result.m_strError;
    EXPECT_EQ(Slurp(target), WriteSetupFile(config));
    EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(SetupFileTest, SaveFollowsALinkAndWritesIntoAFifoInsteadOfReplacingThem)
{
    const fs::path target = m_dir / "real.txt";
    std::ofstream(target) << "old";
    const fs::path link = m_dir / "link.txt";
    fs::create_symlink(target, link);
    ASSERT_TRUE(SaveFileAtomically(link.string(), "new").m_bOk);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(target), "new");

    const fs::path fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string heard;
    std::thread reader([&] { heard = Slurp(fifo); });
    const CFileResult result = SaveFileAtomically(fifo.string(), "through the pipe");
    reader.join();
    EXPECT_TRUE(result.m_bOk) << result.m_strError;
    EXPECT_EQ(heard, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(SetupFileTest, SaveKeepsThePermissionsOfTheFileItReplaces)
{
    // A new file is the user's alone even where the umask lets others read.
    const fs::path target = m_dir / "logger.txt";
    const mode_t saved = ::umask(022);
    const bool made = SaveFileAtomically(target.string(), "PIN 1234").m_bOk;
    ::umask(saved);
    ASSERT_TRUE(made);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(SaveFileAtomically(target.string(), "new").m_bOk);

    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SetupFileTest, FailedSaveNamesTheFileAndLeavesWhatWasThere)
{
    const fs::path missingFolder = m_dir / "no-such-folder" / "logger.txt";
    CFileResult result = SaveFileAtomically(missingFolder.string(), "data");
    EXPECT_FALSE(result.m_bOk);
    EXPECT_EQ(result.m_strError.rfind(missingFolder.string() + ": ", 0), 0u) << result.m_strError;

    // A folder in the way is refused before anything is written.
    const fs::path folder = m_dir / "folder.txt";
    fs::create_directory(folder);
    Put(folder / "inside", "keep");
    EXPECT_FALSE(SaveFileAtomically(folder.string(), "data").m_bOk);
    EXPECT_EQ(Slurp(folder / "inside"), "keep");
    EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(SetupFileTest, LoadAppliesTheFileOnTopOfTheConfiguration)
{
    const fs::path file = m_dir / "name.txt";
    Put(file, "Name Pump 3\r\nMeasInterval 60\r\n");
    CConfiguration config = MakeNewConfiguration();
    config.m_system.m_strSerialNumber = L"1234056";

    ASSERT_TRUE(LoadSetupFile(config, file.string()).m_bOk);

    EXPECT_EQ(config.m_system.m_strName, L"Pump 3");
    EXPECT_EQ(config.m_system.m_nMeasInterval, 60);
    EXPECT_EQ(config.m_system.m_strSerialNumber, L"1234056");
}

TEST_F(SetupFileTest, LoadOfAMissingFileOrAFolderChangesNothing)
{
    CConfiguration config = MakeNewConfiguration();
    const CConfiguration before = config;

    CFileResult missing = LoadSetupFile(config, (m_dir / "missing.txt").string());
    CFileResult folder = LoadSetupFile(config, m_dir.string());

    EXPECT_FALSE(missing.m_bOk);
    EXPECT_NE(missing.m_strError.find("missing.txt: "), std::string::npos);
    EXPECT_FALSE(folder.m_bOk);
    EXPECT_EQ(config, before);
}

}  // namespace
