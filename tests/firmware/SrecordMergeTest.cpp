#include "firmware/SrecordMerge.h"

#include "cli/Cli.h"
#include "core/Error.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <sys/stat.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const std::string kZeros64(64, '0');

// An S2 record of 32 zero bytes, its checksum worked out from the address alone.
std::string zeroRecord(std::uint32_t address) {
    const unsigned sum =
        0x24 + ((address >> 16) & 0xFF) + ((address >> 8) & 0xFF) + (address & 0xFF);
    char text[16];
    std::snprintf(text, sizeof text, "S224%06X", address);
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X", ~sum & 0xFF);
    return text + kZeros64 + checksum;
}

// The 512 lines of a zero bank, each with CR LF.
std::string zeroBlock(std::uint32_t first) {
    std::string block;
    for (std::uint32_t a = first; a < first + 0x4000; a += 0x20)
        block += zeroRecord(a) + "\r\n";
    return block;
}

std::string joined(std::initializer_list<std::string> lines, const std::string& end) {
    std::string text;
    for (const auto& line : lines)
        text += line + end;
    return text;
}

TEST(BankRecords, LinesWorkedOutByHand) {
    std::string counting(32, '\0');
    for (int i = 0; i < 32; ++i)
        counting[i] = char(i);
    struct Case {
        const char* name;
        int bank;
        std::string bytes;
        int line;
        std::string expected;
    } cases[] = {
        {"zero bank 1, first", 1, std::string(0x4000, '\0'), 0, "S224388000" + kZeros64 + "23"},
        {"zero bank 1, second", 1, std::string(0x4000, '\0'), 1, "S224388020" + kZeros64 + "03"},
        {"zero bank 1, last", 1, std::string(0x4000, '\0'), 511, "S22438BFE0" + kZeros64 + "04"},
        {"zero bank 2, first", 2, std::string(0x4000, '\0'), 0, "S224398000" + kZeros64 + "22"},
        {"zero bank 5, first", 5, std::string(0x4000, '\0'), 0, "S2243C8000" + kZeros64 + "1F"},
        {"data in file order", 1, counting, 0,
         "S224388000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F33"},
        {"short file padded, first", 1, "\xAA\xBB\xCC", 0,
         "S224388000AABBCC" + std::string(58, '0') + "F2"},
        {"short file padded, last", 1, "\xAA\xBB\xCC", 511, "S22438BFE0" + kZeros64 + "04"},
        {"bytes beyond a bank ignored", 1, std::string(0x4000, '\0') + "\xFF", 511,
         "S22438BFE0" + kZeros64 + "04"},
    };
    for (const Case& c : cases) {
        const std::string text = bankRecords(c.bank, c.bytes);
        ASSERT_EQ(text.size(), 512u * 78) << c.name;
        const std::string line = text.substr(std::size_t(c.line) * 78, 78);
        EXPECT_EQ(line, c.expected + "\r\n") << c.name;
    }
}

// A project folder with zero banks 1..5 and a template beside it.
struct Project {
    TempFolder home;
    fs::path project = home / "P";
    fs::path bin = project / "bin";
    fs::path templateFile = home / "SX40218.sx";
    fs::path merged = project / "New_SX40218.sx";
    RecordingMessageSink messages;
    std::vector<int> maxima;
    std::vector<int> positions;
    SrecordMerge merge{
        messages,
        {[this](int m) { maxima.push_back(m); }, [this](int p) { positions.push_back(p); }}};

    Project() {
        for (int bank = 1; bank <= 5; ++bank)
            writeFile(bin / ("bank" + std::to_string(bank) + ".bin"), std::string(0x4000, '\0'));
        merge.setProjectFolder(project);
        merge.setBankFolder(bin);
        merge.setMergedFileName("New_SX40218.sx");
    }
    MergeOutcome run(const std::string& templateText, const std::set<int>& banks = {1, 2}) {
        writeFile(templateFile, templateText);
        return merge.mergeChain(banks, templateFile);
    }
    bool leftovers() const {
        for (const char* name : {"B1.sx", "B2.sx", "B3.sx", "B4.sx", "B5.sx"})
            if (fs::exists(project / name))
                return true;
        return fs::exists(bin / "Bin.sx");
    }
};

const std::string kHeader = "S0030000FC";
const std::string kS1AtWindow = "S1088000DEADBEEF00"; // 0x8000: an S1 address is never a bank's
const std::string kRunsIntoBank1 = "S218387FF0AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA00";
const std::string kBank1First = "S2083880001111111100";
const std::string kBank3 = "S2083A80003333333300";
const std::string kBank1Last = "S20538BFFF2200"; // the last address of bank 1
const std::string kAfterBank1 = "S20838C0004444444400";
const std::string kBank2 = "S2083980005555555500";
const std::string kBank5 = "S2083C80006666666600";
const std::string kEnd = "S9030000FC";

TEST(SrecordMerge, BothBanksReplacedInPlaceOfTheirFirstRecords) {
    for (const std::string end : {"\n", "\r\n"}) {
        Project p;
        const std::string templateText =
            joined({kHeader, kS1AtWindow, kRunsIntoBank1, kBank1First, kBank3, kBank1Last,
                    kAfterBank1, kBank2, kBank5, kEnd},
                   end);
        ASSERT_EQ(p.run(templateText), MergeOutcome::Written);

        const std::string expected = joined({kHeader, kS1AtWindow, kRunsIntoBank1}, "\r\n") +
                                     zeroBlock(0x388000) + joined({kBank3, kAfterBank1}, "\r\n") +
                                     zeroBlock(0x398000) + joined({kBank5, kEnd}, "\r\n");
        EXPECT_EQ(readFile(p.merged), expected);
        EXPECT_TRUE(p.messages.messages().empty());
        EXPECT_EQ(readFile(p.templateFile), templateText);
        EXPECT_FALSE(p.leftovers());
        // Stage 1 reads 10 lines; stage 2 reads them less the two bank-1 records plus 512.
        // Each stage counts from 0 by one per line written or dropped, then sets its maximum.
        EXPECT_EQ(p.maxima, (std::vector<int>{522, 1032}));
        std::vector<int> positions;
        for (int maximum : p.maxima) {
            for (int i = 0; i <= maximum; ++i)
                positions.push_back(i);
            positions.push_back(maximum);
        }
        EXPECT_EQ(p.positions, positions);
    }
}

TEST(SrecordMerge, SplitRunKeepsWhatLiesBetweenAndAnAbsentBankIsNotInserted) {
    Project p;
    const std::string between = "S2083080000000000000";
    ASSERT_EQ(p.run(joined({kHeader, kBank1First, "S2083880040000000000", between,
                            "S2083881000000000000", "S2083881040000000000", kEnd},
                           "\n")),
              MergeOutcome::Written);
    EXPECT_EQ(readFile(p.merged),
              kHeader + "\r\n" + zeroBlock(0x388000) + joined({between, kEnd}, "\r\n"));
    EXPECT_TRUE(p.messages.messages().empty());
    EXPECT_EQ(p.merge.mergeStage(1, p.templateFile, "B1.sx"), SrecordMerge::kInserted);
    EXPECT_EQ(p.merge.mergeStage(2, p.templateFile, "B2.sx"), SrecordMerge::kCopied);
    EXPECT_EQ(readFile(p.project / "B2.sx"),
              joined({kHeader, kBank1First, "S2083880040000000000", between, "S2083881000000000000",
                      "S2083881040000000000", kEnd},
                     "\r\n"));
}

TEST(SrecordMerge, OddLinesAreCopiedUnchanged) {
    Project p;
    // Blank, too short for an address, lower case, S3/S5/S8, a last line without its end.
    ASSERT_EQ(p.run("S2\n\nS1AB\nS2ABCDE\ns2083880000000000000\nS30900388000000000FF\r\n"
                    "S5030001FB\n" +
                    kBank1First + "\nS804000000FB\n" + kEnd),
              MergeOutcome::Written);
    EXPECT_EQ(readFile(p.merged), joined({"S2", "", "S1AB", "S2ABCDE", "s2083880000000000000",
                                          "S30900388000000000FF", "S5030001FB"},
                                         "\r\n") +
                                      zeroBlock(0x388000) + joined({"S804000000FB", kEnd}, "\r\n"));
}

TEST(SrecordMerge, UnselectedBanksPassThroughAndTheTemplateStays) {
    Project p;
    const std::string templateText = joined({kHeader, kBank1First, kBank2, kEnd}, "\n");
    ASSERT_EQ(p.run(templateText, {2}), MergeOutcome::Written);
    EXPECT_EQ(readFile(p.templateFile), templateText);
    EXPECT_EQ(readFile(p.merged),
              joined({kHeader, kBank1First}, "\r\n") + zeroBlock(0x398000) + kEnd + "\r\n");
    EXPECT_FALSE(p.leftovers());

    ASSERT_EQ(p.run(templateText, {}), MergeOutcome::Written);
    EXPECT_EQ(readFile(p.merged), templateText);
    EXPECT_TRUE(fs::exists(p.templateFile));
}

TEST(SrecordMerge, StopsSayWhyOnceAndLeaveAnOlderMergedFileAlone) {
    const std::string good = joined({kHeader, kBank1First, kBank2, kEnd}, "\n");
    struct Case {
        const char* name;
        std::string templateText; // empty: no template at all
        std::function<void(Project&)> arrange;
        std::vector<std::string> messages;
        MergeOutcome outcome;
    } cases[] = {
        {"no template",
         "",
         [](Project&) {},
         {"File *.Sx Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"no merged file name",
         good,
         [](Project& p) { p.merge.setMergedFileName(""); },
         {"File New *.Sx Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"no bank folder",
         good,
         [](Project& p) { p.merge.setBankFolder(std::nullopt); },
         {"Directory Bin Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"bank folder gone",
         good,
         [](Project& p) { fs::remove_all(p.bin); },
         {"Directory Bin Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"bank1.bin missing",
         good,
         [](Project& p) { fs::remove(p.bin / "bank1.bin"); },
         {"File bank1.bin Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"bank2.bin missing",
         good,
         [](Project& p) { fs::remove(p.bin / "bank2.bin"); },
         {"File bank2.bin Not Found,Abort Procedure"},
         MergeOutcome::Stopped},
        {"address not hexadecimal",
         joined({kHeader, "S2083G80001111111100", kEnd}, "\n"),
         [](Project&) {},
         {"File New Sx Not Create,Abort Procedure"},
         MergeOutcome::Stopped},
        {"S8 but no S9",
         joined({kHeader, kBank1First, "S804000000FB"}, "\n"),
         [](Project&) {},
         {},
         MergeOutcome::NoEndRecord},
    };
    for (const Case& c : cases) {
        Project p;
        writeFile(p.merged, "older");
        c.arrange(p);
        const MergeOutcome outcome = c.templateText.empty()
                                         ? p.merge.mergeChain({1, 2}, p.templateFile)
                                         : p.run(c.templateText);
        EXPECT_EQ(outcome, c.outcome) << c.name;
        EXPECT_EQ(p.messages.texts(), c.messages) << c.name;
        EXPECT_EQ(readFile(p.merged), "older") << c.name;
        EXPECT_FALSE(p.leftovers()) << c.name;
    }
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec;

TEST(SrecordMerge, FilesThatCannotBeOpenedOrCreatedEndTheRunWithTheSystemText) {
    struct Case {
        const char* name;
        std::function<void(Project&)> arrange;
        const char* mentions;
    } cases[] = {
        {"bin folder read-only", [](Project& p) { fs::permissions(p.bin, kReadOnly); }, "Bin.sx"},
        {"project folder read-only", [](Project& p) { fs::permissions(p.project, kReadOnly); },
         "B1.sx"},
        // Stage 1 has written B1.sx by then; a failed run leaves no stage output behind.
        {"bank2.bin unreadable",
         [](Project& p) { fs::permissions(p.bin / "bank2.bin", fs::perms::none); }, "bank2.bin"},
    };
    for (const Case& c : cases) {
        Project p;
        writeFile(p.templateFile, joined({kHeader, kBank1First, kBank2, kEnd}, "\n"));
        fs::permissions(p.home.path(), fs::perms::all, fs::perm_options::add);
        fs::permissions(p.project, fs::perms::all, fs::perm_options::add);
        fs::permissions(p.bin, fs::perms::all, fs::perm_options::add);
        for (const auto& entry : fs::directory_iterator(p.bin))
            fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
        c.arrange(p);
        const int status = test::runWithPermissionsEnforced([&] {
            try {
                p.merge.mergeChain({1, 2}, p.templateFile);
            } catch (const Error& e) {
                if (std::string(e.what()).find(c.mentions) == std::string::npos)
                    return 2;
                if (fs::exists(p.project / "B1.sx"))
                    return 3;
                return p.messages.messages().empty() && !fs::exists(p.merged) ? 0 : 4;
            }
            return 1;
        });
        EXPECT_EQ(status, 0) << c.name;
    }
}

// An independent reader of S-records: the merged example firmware must be clean and carry
// the banks' bytes at their addresses.
TEST(SrecordMerge, MergedExampleFirmwareReadsBackWithTheSrecordTools) {
    if (std::system("command -v srec_cat >/dev/null && command -v srec_info >/dev/null") != 0)
        GTEST_SKIP() << "srecord is not installed";
    Project p;
    std::string bank1(0x4000, '\0'), bank2(0x4000, '\0');
    for (std::size_t i = 0; i < bank1.size(); ++i) {
        bank1[i] = char((i * 7 + 3) & 0xFF);
        bank2[i] = char((i * 13 + (i >> 8)) & 0xFF);
    }
    writeFile(p.bin / "bank1.bin", bank1);
    writeFile(p.bin / "bank2.bin", bank2);
    ASSERT_EQ(p.run(readFile(fs::path(ORDANE_SOURCE_DIR) / "examples/MASTER/SX40218.sx")),
              MergeOutcome::Written);

    const std::string merged = p.merged.string();
    const std::string info = (p.home / "info.txt").string();
    ASSERT_EQ(std::system(("srec_info '" + merged + "' >'" + info + "' 2>&1").c_str()), 0)
        << readFile(info);
    EXPECT_EQ(readFile(info).find("checksum"), std::string::npos) << readFile(info);
    struct Range {
        std::string first, end;
        const std::string& bytes;
    };
    for (const Range& r :
         {Range{"0x388000", "0x38C000", bank1}, Range{"0x398000", "0x39C000", bank2}}) {
        const std::string out = (p.home / ("out" + r.first + ".bin")).string();
        const std::string crop = "srec_cat '" + merged + "' -crop " + r.first + " " + r.end +
                                 " -offset -" + r.first + " -o '" + out + "' -binary 2>'" + info +
                                 "'";
        ASSERT_EQ(std::system(crop.c_str()), 0) << readFile(info);
        EXPECT_TRUE(readFile(out) == r.bytes) << r.first;
    }
    // The substitute flash tool beside the example accepts the file and the port position.
    const std::string tool = (fs::path(ORDANE_SOURCE_DIR) / "examples/Burnidor.exe").string();
    EXPECT_EQ(std::system(("'" + tool + "' '" + merged + "' 7 >/dev/null").c_str()), 0);
    EXPECT_NE(std::system(("'" + tool + "' '" + merged + "' 8 2>/dev/null").c_str()), 0);
}

using test::CliResult;
using test::runCli;

TEST(MergeCommand, ExitsWithZeroOnlyWhenThisRunWroteTheMergedFile) {
    struct Case {
        const char* name;
        std::string templateText;
        std::function<void(Project&)> arrange;
        int status;
        std::string err;
    } cases[] = {
        {"merged", joined({kHeader, kBank1First, kEnd}, "\n"), [](Project&) {}, 0, ""},
        {"bank missing", joined({kHeader, kBank1First, kEnd}, "\n"),
         [](Project& p) { fs::remove(p.bin / "bank2.bin"); }, 1,
         "File bank2.bin Not Found,Abort Procedure\n"},
        {"no S9", joined({kHeader, kBank1First}, "\n"), [](Project&) {}, 1,
         "No merged firmware file was written: the template has no S9 record\n"},
    };
    for (const Case& c : cases) {
        Project p;
        writeFile(p.templateFile, c.templateText);
        c.arrange(p);
        const CliResult r = runCli({"merge", p.project.string(), p.templateFile.string()});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_EQ(fs::exists(p.merged), c.status == 0) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(r.out, p.merged.string() + "\n");
        }
    }
}

TEST(UpdateCommand, MergesNothingWhenTheCompilationFails) {
    Project p;
    writeFile(p.templateFile, joined({kHeader, kBank1First, kEnd}, "\n"));
    const CliResult r = runCli({"update", (p.home / "absent").string(), p.templateFile.string()});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(p.home / "absent" / "New_SX40218.sx"));
}

} // namespace
} // namespace ordane
