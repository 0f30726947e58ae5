#include "firmware/SrecordMerge.h"

#include "cli/Cli.h"
#include "core/Error.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
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

#ifndef _WIN32 // folder permissions; Windows keeps read-only files and open ones (WriteFaultTest)
constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec |
                                fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec;

// A template with banks 1 and 2, and every folder and file open to the unprivileged user the
// permission faults run as, before a case takes some permission away.
void prepareForPermissionFaults(Project& p) {
    writeFile(p.templateFile, joined({kHeader, kBank1First, kBank2, kEnd}, "\n"));
    for (const fs::path& folder : {p.home.path(), p.project, p.bin})
        fs::permissions(folder, fs::perms::all, fs::perm_options::add);
    for (const auto& entry : fs::directory_iterator(p.bin))
        fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
}

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
        prepareForPermissionFaults(p);
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
#endif

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

// A template made by chance from a fixed seed: records outside the banks, in banks 1..5 (in
// runs that may be split), S1 and S3 records whose digits look like a bank's, odd lines, LF
// or CR LF ends, and on request no S9, a bank without any record, an unreadable address.
struct Shape {
    const char* name;
    unsigned seed;
    bool end = true;              // an S9 record at the end
    bool bank2 = true;            // records in bank 2's range
    bool badAddress = false;      // an S2 record whose address is no hexadecimal
    const char* lineEnd = "\r\n"; // "" for a mix of LF and CR LF
};

std::string madeTemplate(const Shape& shape) {
    std::mt19937 random(shape.seed);
    auto pick = [&](unsigned n) { return unsigned(random() % n); };
    auto hexText = [](std::uint32_t value, int digits) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*X", digits, value);
        return std::string(text);
    };
    std::vector<std::string> lines{kHeader};
    const int count = 200 + int(pick(200));
    for (int i = 0; i < count; ++i) {
        std::uint32_t address = 0x100000 + pick(0x40000) * 0x20;
        switch (pick(12)) {
        case 0:
        case 1:
        case 2:
        case 3: { // a run inside a bank
            const int bank = 1 + int(pick(5));
            if (bank == 2 && !shape.bank2)
                break;
            address = bankFirstAddress(bank) + pick(0x200) * 0x20;
            for (int r = 0, n = 1 + int(pick(6)); r < n; ++r)
                lines.push_back("S224" + hexText(address + std::uint32_t(r) * 0x20, 6) +
                                std::string(64, "0123456789ABCDEF"[pick(16)]) + "00");
            continue;
        }
        case 4:
            lines.push_back("S1" + std::string("13") + hexText(0x8000 + pick(0x4000), 4) + "FF00");
            continue;
        case 5:
            lines.push_back("S30900" + hexText(bankFirstAddress(1 + int(pick(2))), 6) + "00FF00");
            continue;
        case 6:
            lines.push_back(std::vector<std::string>{"", "S2", "S1AB", "S5030001FB",
                                                     "s2083880000000000000"}[pick(5)]);
            continue;
        default:
            break;
        }
        lines.push_back("S224" + hexText(address, 6) + std::string(64, 'E') + "00");
    }
    if (shape.badAddress)
        lines.insert(lines.begin() + 1 + pick(unsigned(lines.size() - 1)), "S2083G80001111111100");
    lines.push_back(shape.end ? kEnd : "S804000000FB");
    std::string text;
    for (const std::string& line : lines)
        text += line + (*shape.lineEnd ? shape.lineEnd : pick(2) ? "\n" : "\r\n");
    if (pick(2) != 0)
        text.resize(text.size() - 1 - (text.ends_with("\r\n") ? 1 : 0)); // no end on the last line
    return text;
}

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder))
        result.insert(entry.path().filename().string());
    return result;
}

// The one-pass merge must be the stage chain seen from outside: the same merged bytes, the
// same messages and outcome, the same progress, nothing left behind.
TEST(OnePassMerge, AgreesWithTheStageChain) {
    const Shape shapes[] = {
        {"CR LF", 1},
        {"LF", 2, true, true, false, "\n"},
        {"LF and CR LF", 3, true, true, false, ""},
        {"another draw", 4, true, true, false, ""},
        {"no S9", 5, false},
        {"no record in bank 2", 6, true, false},
        {"unreadable address", 7, true, true, true, ""},
    };
    struct Arrangement {
        const char* name;
        std::function<void(Project&)> arrange;
    } arrangements[] = {
        {"banks in place", [](Project&) {}},
        {"bank2.bin missing", [](Project& p) { fs::remove(p.bin / "bank2.bin"); }},
        {"bank1.bin missing", [](Project& p) { fs::remove(p.bin / "bank1.bin"); }},
        {"no template", [](Project& p) { fs::remove(p.templateFile); }},
        {"no merged file name", [](Project& p) { p.merge.setMergedFileName(""); }},
    };
    const std::set<int> selections[] = {{1, 2}, {2}, {1, 3, 5}, {}};
    for (const Shape& shape : shapes) {
        const std::string templateText = madeTemplate(shape);
        for (const Arrangement& a : arrangements) {
            for (const std::set<int>& banks : selections) {
                Project chain, onePass;
                MergeOutcome outcomes[2];
                int i = 0;
                for (Project* p : {&chain, &onePass}) {
                    for (int bank = 1; bank <= 5; ++bank) {
                        std::string bytes(0x4000, '\0');
                        for (std::size_t k = 0; k < bytes.size(); ++k)
                            bytes[k] = char((k * std::size_t(bank * 7 + 1)) >> 3);
                        writeFile(p->bin / ("bank" + std::to_string(bank) + ".bin"), bytes);
                    }
                    writeFile(p->merged, "older");
                    writeFile(p->templateFile, templateText);
                    a.arrange(*p);
                    outcomes[i++] = p == &chain ? p->merge.mergeChain(banks, p->templateFile)
                                                : p->merge.mergeInOnePass(banks, p->templateFile);
                }
                const std::string what = std::string(shape.name) + ", " + a.name + ", " +
                                         std::to_string(banks.size()) + " banks from " +
                                         std::to_string(banks.empty() ? 0 : *banks.begin());
                EXPECT_EQ(outcomes[1], outcomes[0]) << what;
                EXPECT_EQ(onePass.messages.messages(), chain.messages.messages()) << what;
                EXPECT_EQ(onePass.maxima, chain.maxima) << what;
                EXPECT_EQ(onePass.positions, chain.positions) << what;
                EXPECT_EQ(fs::exists(onePass.merged), fs::exists(chain.merged)) << what;
                EXPECT_TRUE(readFile(onePass.merged) == readFile(chain.merged)) << what;
                EXPECT_FALSE(onePass.leftovers()) << what;
                EXPECT_EQ(names(onePass.project), names(chain.project)) << what;
                EXPECT_EQ(names(onePass.bin), names(chain.bin)) << what;
            }
        }
    }
}

// Where the chain cannot make a stage output, the one-pass merge cannot make the merged file:
// the run ends at the same point, naming that file, and leaves nothing behind.
#ifndef _WIN32 // folder permissions; Windows keeps read-only files and open ones (WriteFaultTest)
TEST(OnePassMerge, AFolderThatCannotBeWrittenEndsTheRunWithTheSystemText) {
    struct Case {
        const char* name;
        std::function<void(Project&)> arrange;
        const char* mentions;
    } cases[] = {
        {"bin folder read-only", [](Project& p) { fs::permissions(p.bin, kReadOnly); }, "Bin.sx"},
        {"project folder read-only", [](Project& p) { fs::permissions(p.project, kReadOnly); },
         "New_SX40218.sx"},
        // The chain's stage 1 would have ended before bank 2 is looked at.
        {"project folder read-only, bank2.bin missing",
         [](Project& p) {
             fs::remove(p.bin / "bank2.bin");
             fs::permissions(p.project, kReadOnly);
         },
         "New_SX40218.sx"},
    };
    for (const Case& c : cases) {
        Project p;
        prepareForPermissionFaults(p);
        c.arrange(p);
        const int status = test::runWithPermissionsEnforced([&] {
            try {
                p.merge.mergeInOnePass({1, 2}, p.templateFile);
            } catch (const Error& e) {
                if (std::string(e.what()).find(c.mentions) == std::string::npos)
                    return 2;
                if (names(p.project) != std::set<std::string>{"bin"})
                    return 3;
                return p.messages.messages().empty() && !fs::exists(p.merged) &&
                               !fs::exists(p.bin / "Bin.sx")
                           ? 0
                           : 4;
            }
            return 1;
        });
        EXPECT_EQ(status, 0) << c.name;
    }
}
#endif

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
