#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "config/configwriter.h"
#include "runcommand.h"

namespace fs = std::filesystem;
using namespace fennmere;
using fennmere::test::CChild;
using fennmere::test::RunCommand;

namespace {

class CliFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fennmere-cli-" + std::to_string(::getpid()) + "-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    test::CRunResult Fennmere(std::vector<std::string> args)
    {
        // An empty sensor file keeps the tests independent of the
        // current directory.
        if (!args.empty() && (args[0] == "new" || args[0] == "convert" || args[0] == "show")) {
            args.push_back("--sensors");
            args.push_back("/dev/null");
        }
        return RunCommand(test::FennmerePath(), args);
    }
    static std::string Slurp(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
        return (m_dir / name).string();
    }

    fs::path m_dir;
};

TEST_F(CliFileTest, NewPrintsTheDefaultFileAndConvertReproducesIt)
{
    auto created = Fennmere({"new"});
    ASSERT_EQ(created.m_nExit, 0) << created.m_strErr;
    EXPECT_EQ(created.m_strOut, WriteSetupFile(MakeNewConfiguration()));
    EXPECT_EQ(created.m_strOut.rfind("EWS 0\r\nSaveConfig\r\nName \r\nMeasInterval 0\r\n", 0), 0u);

    const std::string in = Put("default.txt", created.m_strOut);
    auto converted = Fennmere({"convert", in, "-o", (m_dir / "out.txt").string()});
    ASSERT_EQ(converted.m_nExit, 0) << converted.m_strErr;
    EXPECT_EQ(Slurp(m_dir / "out.txt"), created.m_strOut);
}

TEST_F(CliFileTest, ConvertAppliesTheFileOnTopOfANewConfiguration)
{
    const std::string in = Put("partial.txt", "Name Pump 3\nMeasInterval 60 sec\na 12, M=1, U=1, G=3, R=0, P=4, O=7");
    auto converted = Fennmere({"convert", in});
    ASSERT_EQ(converted.m_nExit, 0) << converted.m_strErr;
    EXPECT_NE(converted.m_strOut.find("\r\nName Pump 3\r\nMeasInterval 60\r\n"), std::string::npos);
    EXPECT_NE(converted.m_strOut.find("\r\na 12, M=1, U=1, G=3, R=0, P=4, O=7\r\n"), std::string::npos);
    EXPECT_NE(converted.m_strOut.find("\r\ns 2, M=0, C=2, S=9600, B=8, P=Even, T=1, D=BDSENSORS_LMP307, A=01\r\n"),
              std::string::npos);
}

TEST_F(CliFileTest, ShowPrintsFieldsTheFileDoesNotCarry)
{
    const std::string in = Put("sn.txt", "SN 1234056\r\nSmsNumber 12 5551234\r\n");
    auto text = Fennmere({"show", in});
    ASSERT_EQ(text.m_nExit, 0) << text.m_strErr;
    EXPECT_NE(text.m_strOut.find("system.serialNumber = \"1234056\"\n"), std::string::npos);
    EXPECT_NE(text.m_strOut.find("panel.device = \"Dovemark\"\n"), std::string::npos);
    EXPECT_NE(text.m_strOut.find("smsNumbers[12] = \"5551234\"\n"), std::string::npos);
    EXPECT_NE(text.m_strOut.find("serialDrivers[256].name = \"\"\n"), std::string::npos);

    auto json = Fennmere({"show", in, "--json"});
    ASSERT_EQ(json.m_nExit, 0) << json.m_strErr;
    EXPECT_EQ(json.m_strOut.front(), '{');
    EXPECT_NE(json.m_strOut.find("\"serialNumber\": \"1234056\""), std::string::npos);
    EXPECT_NE(json.m_strOut.find("\"vref\": 2500,"), std::string::npos);
    EXPECT_NE(json.m_strOut.find("\"coefficients\": [\n"), std::string::npos);
}

TEST_F(CliFileTest, ErrorsGiveTheirExitStatusAndOneLineNamingTheFile)
{
    const std::string missing = (m_dir / "missing.txt").string();
    auto unreadable = Fennmere({"convert", missing});
    EXPECT_EQ(unreadable.m_nExit, 3);
    EXPECT_EQ(unreadable.m_strOut, "");
    EXPECT_NE(unreadable.m_strErr.find(missing + ": "), std::string::npos);
    EXPECT_EQ(std::count(unreadable.m_strErr.begin(), unreadable.m_strErr.end(), '\n'), 1);

    const std::string good = Put("good.txt", "keep me");
    auto unwritable = Fennmere({"new", "-o", (m_dir / "nowhere" / "x.txt").string()});
    EXPECT_EQ(unwritable.m_nExit, 3);
    EXPECT_EQ(Slurp(good), "keep me");

    EXPECT_EQ(Fennmere({"new", "--bogus"}).m_nExit, 2);
    EXPECT_EQ(Fennmere({"convert"}).m_nExit, 2);
    EXPECT_EQ(Fennmere({"show", good, good}).m_nExit, 2);
    EXPECT_EQ(Fennmere({"no-such-command"}).m_nExit, 2);
    EXPECT_EQ(Fennmere({"send", good, "--port", "COM1", "--changes-only", "--no-backup"}).m_nExit, 2);
    EXPECT_EQ(RunCommand(test::FennmerePath(), {}).m_nExit, 2);
}

TEST_F(CliFileTest, CompleteConfigurationFileReadsBackAsItWasWritten)
{
    const std::string setup = Put("sms.txt", "Name Pump 3\r\no 3, I=A1, A=Level\r\n");
    auto json = Fennmere({"show", setup, "--json"});
    ASSERT_EQ(json.m_nExit, 0) << json.m_strErr;
    const std::string complete = Put("complete.json", json.m_strOut);

    auto again = Fennmere({"show", complete, "--json"});
    EXPECT_EQ(again.m_nExit, 0) << again.m_strErr;
    EXPECT_EQ(again.m_strOut, json.m_strOut);
    EXPECT_EQ(Fennmere({"convert", complete}).m_strOut, Fennmere({"convert", setup}).m_strOut);

    const std::string damaged = Put("damaged.json", json.m_strOut.substr(0, 100));
    auto bad = Fennmere({"show", damaged});
    EXPECT_EQ(bad.m_nExit, 3);
    EXPECT_NE(bad.m_strErr.find("damaged.json: not a complete configuration file"), std::string::npos) << bad.m_strErr;
}

// Bad input of every kind: a clear exit status and message, no crash, and
// nothing the command was about to touch is damaged. {DIR} stands for a
// folder, {BIN} for a file of random bytes, {MISSING} for a file that is not
// there.
struct CBadInput {
    std::vector<std::string> m_args;
    int m_nExit;
    const char* m_szMessage;
};

class CliBadInputTest : public CliFileTest, public ::testing::WithParamInterface<CBadInput> {};

TEST_P(CliBadInputTest, IsRefusedWithItsStatusAndOneClearLine)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919 + 13) % 251);
    const std::string bin = Put("photo.bin", binary);
    std::vector<std::string> args = GetParam().m_args;
    for (std::string& arg : args) {
        if (arg == "{DIR}") arg = m_dir.string();
        if (arg == "{BIN}") arg = bin;
        if (arg == "{MISSING}") arg = (m_dir / "missing.ini").string();
    }
    auto run = RunCommand(test::FennmerePath(), args, 20);
    EXPECT_EQ(run.m_nExit, GetParam().m_nExit) << run.m_strErr;
    EXPECT_NE(run.m_strErr.find(GetParam().m_szMessage), std::string::npos) << run.m_strErr;
    EXPECT_EQ(run.m_strOut, "");
    EXPECT_EQ(Slurp(bin), binary);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliBadInputTest,
    ::testing::Values(
        CBadInput{{"show", "{DIR}"}, 3, "is a directory"},
        CBadInput{{"new", "--sensors", "{DIR}"}, 3, "is a directory"},
        CBadInput{{"new", "--sensors", "{MISSING}"}, 3, "missing.ini: No such file or directory"},
        CBadInput{{"show", "/proc/self/mem"}, 3, "/proc/self/mem: Input/output error"},
        CBadInput{{"show", "/dev/zero"}, 3, "/dev/zero: is larger than 16 MiB"},
        CBadInput{{"new", "--sensors", "/dev/zero"}, 3, "is larger than 16 MiB"},
        CBadInput{{"convert", "{BIN}"}, 3, "photo.bin holds no configuration line"},
        CBadInput{{"show", "-"}, 3, "- holds no configuration line"},  // standard input is read
        CBadInput{{"send", "{BIN}", "--port", "/dev/null"}, 3, "photo.bin holds no configuration line"},
        CBadInput{{"new", "-o", "a", "-o", "b"}, 2, "option -o given twice"},
        CBadInput{{"logbook", "show", "-8N1/1"}, 3, "no logbook entry -8N1/1"},  // an id, not an option
        CBadInput{{"new", "-o", "a", "--output", "b"}, 2, "option --output given twice"},
        CBadInput{{"live", "--port", "/dev/null", "--baud", "12345"}, 2, "--baud 12345 is not a rate"},
        CBadInput{{"live", "--port", "/dev/null", "--baud", "0"}, 2, "--baud 0 is not a rate"},
        CBadInput{{"retrieve", "--port", "/dev/null", "--baud", "99999999"}, 2, "--baud 99999999"},
        // Usage errors name the argument as it was typed, with the hint.
        CBadInput{{"new", "--bogus"}, 2, "fennmere new: unknown option --bogus\nTry 'fennmere new --help'.\n"},
        CBadInput{{"show", "{BIN}", "--json=1"}, 2, "unknown option --json=1"},
        CBadInput{{"retrieve", "--port"}, 2, "option --port needs a value"},
        CBadInput{{"convert"}, 2, "missing argument"},
        CBadInput{{"show", "{BIN}", "extra"}, 2, "unexpected argument extra"},
        CBadInput{{"send", "{BIN}", "--port", "a", "--port=a"}, 2, "--port a given twice"},
        CBadInput{{"logbook", "-8N1/1"}, 2, "unknown subcommand '-8N1/1' (show or restore)"}));

// diff over a table of files: {A} and {B} are setup files, {D} is A as a
// complete file and {C} that with an SMS number, which no setup file
// carries. {P} is a simulated logger holding A with that SMS number and
// its early warnings on, {SILENT} one that never answers.
struct CDiffCase {
    std::vector<std::string> m_args;
    int m_nExit;
    const char* m_szOut;
};

class CliDiffTest : public CliFileTest, public ::testing::WithParamInterface<CDiffCase> {};

TEST_P(CliDiffTest, ListsTheFieldsBothSidesCarryWithDiffsExitStatus)
{
    const std::map<std::string, std::string> files = {
        {"{A}", Put("a.txt", "Name North\r\n")},
        {"{B}", Put("b.txt", "Name South\r\no 5, I=A1, A=Level\r\n")},
    };
    const std::string complete = Fennmere({"show", files.at("{A}"), "--json"}).m_strOut;
    std::string withSms = complete;
    const std::string sms = "\"smsNumbers\": [\n    \"\"";
    ASSERT_NE(withSms.find(sms), std::string::npos);
    withSms.replace(withSms.find(sms), sms.size(), "\"smsNumbers\": [\n    \"+4917\"");
    const std::string d = Put("d.json", complete), c = Put("c.json", withSms);

    std::vector<std::string> args = {"diff", "--sensors", "/dev/null"};
    std::unique_ptr<CChild> logger;
    for (std::string arg : GetParam().m_args) {
        if (files.count(arg)) arg = files.at(arg);
        if (arg == "{C}") arg = c;
        if (arg == "{D}") arg = d;
        if (arg == "{MISSING}") arg = (m_dir / "missing.txt").string();
        if (arg == "{P}" || arg == "{SILENT}") {
            const std::string state = Put("logger.txt", "Name North\r\nSmsNumber 1 +4917\r\nEWS 1\r\n");
            logger = std::make_unique<CChild>(test::SimulatorPath(), arg == "{P}" ? std::vector<std::string>{"--state", state}
                                                                                  : std::vector<std::string>{"--silent"});
            arg = logger->FirstLine();
        }
        args.push_back(arg);
    }
    auto run = RunCommand(test::FennmerePath(), args);
    EXPECT_EQ(run.m_nExit, GetParam().m_nExit) << run.m_strErr;
    EXPECT_EQ(run.m_strOut, GetParam().m_szOut);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDiffTest,
    ::testing::Values(
        CDiffCase{{"{A}", "{A}"}, 0, ""},
        CDiffCase{{"{A}", "{B}"}, 1,
                  "outputs[5].input: \"0\" -> \"A1\"\noutputs[5].alias: \"\" -> \"Level\"\n"
                  "system.name: \"North\" -> \"South\"\n"},
        CDiffCase{{"{B}", "{D}"}, 1,
                  "outputs[5].input: \"A1\" -> \"0\"\noutputs[5].alias: \"Level\" -> \"\"\n"
                  "system.name: \"South\" -> \"North\"\n"},
        CDiffCase{{"{A}", "{C}"}, 0, ""},  // the SMS number: only one side carries it
        CDiffCase{{"{D}", "{C}"}, 1, "smsNumbers[1]: \"\" -> \"+4917\"\n"},
        CDiffCase{{"{D}", "{C}", "--json"}, 1,
                  "[\n  {\n    \"field\": \"smsNumbers[1]\",\n    \"old\": \"\",\n    \"new\": \"+4917\"\n  }\n]\n"},
        CDiffCase{{"{A}", "{A}", "--json"}, 0, "[]\n"},
        CDiffCase{{"{A}", "{MISSING}"}, 3, ""},
        CDiffCase{{"{A}"}, 2, ""},
        CDiffCase{{"{A}", "{B}", "--baud", "9600"}, 2, ""},
        // Against a logger: what a Send of the file changes, alarms included.
        CDiffCase{{"{A}", "--port", "{P}"}, 1, "smsNumbers[1]: \"\" -> \"+4917\"\nsystem.ews: 0 -> 1\n"},
        CDiffCase{{"{C}", "--port", "{P}"}, 1, "system.ews: 0 -> 1\n"},
        CDiffCase{{"{A}", "--port", "{SILENT}", "--json"}, 8, ""}));

TEST_F(CliFileTest, CharactersTheFormatCannotCarryAreNamedWithTheirField)
{
    const std::string in = Put("utf8.txt", "Name Stra\xc3\x9f" "e\r\no 3, I=A1, A=T\xe9mp\r\n");
    auto run = Fennmere({"convert", in});
    EXPECT_EQ(run.m_nExit, 0);
    EXPECT_NE(run.m_strOut.find("Name Strae\r\n"), std::string::npos);
    EXPECT_NE(run.m_strErr.find("system.name: \"Stra\xc3\x9f" "e\" is read as \"Strae\""), std::string::npos)
        << run.m_strErr;
    EXPECT_NE(run.m_strErr.find("outputs[3].alias: \"T\xc3\xa9mp\" is read as \"Tmp\""), std::string::npos)
        << run.m_strErr;
}

TEST_F(CliFileTest, EveryCommandHasHelp)
{
    for (const char* command :
         {"new", "convert", "show", "ports", "find", "terminal", "retrieve", "send", "default-config", "diff", "logbook"}) {
        auto help = RunCommand(test::FennmerePath(), {command, "--help"});
        EXPECT_EQ(help.m_nExit, 0) << command;
        EXPECT_EQ(help.m_strOut.rfind(std::string("usage: fennmere ") + command, 0), 0u) << command;
    }
    EXPECT_EQ(RunCommand(test::FennmerePath(), {"--help"}).m_nExit, 0);
}

}  // namespace
