#include "simulator/CanLog.h"
#include "core/Error.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ordane {
namespace {

struct GoodLine {
    const char* line;
    LogLineKind kind;
    std::int64_t time;
    const char* interface;
    std::uint32_t id;
    bool extended;
    int length;
    std::array<std::uint8_t, 8> data;
};

const GoodLine kGoodLines[] = {
    {"(1700000000.123456) can0 18FEF100#1122334455667788",
     LogLineKind::Data,
     1700000000123456,
     "can0",
     0x18FEF100,
     true,
     8,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
    // standard identifier, lower-case hex, fewer bytes: the rest read 0x00
    {"(0.5) canopen 7ff#0a0B", LogLineKind::Data, 500000, "canopen", 0x7FF, false, 2, {0x0A, 0x0B}},
    {"(1.000000) j1939 000#", LogLineKind::Data, 1000000, "j1939", 0, false, 0, {}},
    // python-can's writer marks the direction; CR LF line ends and dotted bytes are read
    {"(12.000001) vcan0 123#DEAD T\r",
     LogLineKind::Data,
     12000001,
     "vcan0",
     0x123,
     false,
     2,
     {0xDE, 0xAD}},
    {"(1.0) c 123#11.22.33", LogLineKind::Data, 1000000, "c", 0x123, false, 3, {0x11, 0x22, 0x33}},
    // an 8-byte frame with a length code above 8
    {"(1.0) c 123#1122334455667788_C",
     LogLineKind::Data,
     1000000,
     "c",
     0x123,
     false,
     8,
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}},
    {"(1.1234567) c 123#R", LogLineKind::Remote, 1123456, "c", 0x123, false, 0, {}},
    {"(1.0) c 18EA00F9#R3", LogLineKind::Remote, 1000000, "c", 0x18EA00F9, true, 0, {}},
    {"(1.0) c 123##1112233445566778899AABBCC", LogLineKind::Fd, 1000000, "c", 0x123, false, 0, {}},
    {"(1.0) c 20000080#0000000000000000 R",
     LogLineKind::ErrorFrame,
     1000000,
     "c",
     0x20000080,
     true,
     8,
     {}},
    {"   \r", LogLineKind::Blank, 0, "", 0, false, 0, {}},
};

TEST(CanLog, ReadsEveryFormOfLine) {
    for (const GoodLine& c : kGoodLines) {
        SCOPED_TRACE(c.line);
        LogLineKind kind{};
        CanFrame frame;
        frame.data.fill(0xEE);
        ASSERT_EQ(parseLogLine(c.line, kind, frame), nullptr);
        EXPECT_EQ(kind, c.kind);
        if (kind == LogLineKind::Blank)
            continue;
        EXPECT_EQ(frame.time, c.time);
        EXPECT_EQ(frame.interface, c.interface);
        EXPECT_EQ(frame.id, c.id);
        EXPECT_EQ(frame.extended, c.extended);
        if (kind == LogLineKind::Data) {
            EXPECT_EQ(frame.length, c.length);
            EXPECT_EQ(frame.data, c.data);
        }
    }
}

struct BadLine {
    const char* line;
    const char* reason; // a part of the message
};

const BadLine kBadLines[] = {
    {"1700000000.1 can0 123#00", "must begin with the time"},
    {"(1700000000) can0 123#00", "seconds and a fraction"},
    {"(17.x) can0 123#00", "seconds and a fraction"},
    {"(1.0000000001) can0 123#00", "more than 9 digits"},
    {"(1.0)", "no interface"},
    {"(1.0) can0", "no frame"},
    {"(1.0) can0 1234#00", "3 or 8 hexadecimal digits"},
    {"(1.0) can0 12#00", "3 or 8 hexadecimal digits"},
    {"(1.0) can0 123400000#00", "3 or 8 hexadecimal digits"},
    {"(1.0) can0 G23#00", "3 or 8 hexadecimal digits"},
    {"(1.0) can0 800#00", "at most 7FF"},
    {"(1.0) can0 40000000#00", "at most 1FFFFFFF"},
    {"(1.0) can0 123#112", "odd number"},
    {"(1.0) can0 123#11GG", "not hexadecimal"},
    {"(1.0) can0 123#112233445566778899", "more than 8 data bytes"},
    {"(1.0) can0 123#1122_C", "unexpected text in the data"},
    {"(1.0) can0 123#00 X", "unexpected text after the frame"},
    {"(1.0) can0 123#00 R T", "unexpected text after the frame"},
    {"(1.0) can0 123##", "flags digit"},
};

TEST(CanLog, RefusesMalformedLinesWithTheReason) {
    for (const BadLine& c : kBadLines) {
        SCOPED_TRACE(c.line);
        LogLineKind kind{};
        CanFrame frame;
        const char* reason = parseLogLine(c.line, kind, frame);
        ASSERT_NE(reason, nullptr);
        EXPECT_NE(std::string(reason).find(c.reason), std::string::npos) << reason;
    }
}

TEST(CanLog, ReaderSkipsAndCountsWhatIsNoClassicDataFrame) {
    std::istringstream in("(1.0) j1939 18FEF100#11\n"
                          "\n"
                          "(1.0) j1939 18EA00F9#R\n"
                          "(1.5) j1939 123##01122\n"
                          "(2.0) j1939 20000004#0000000000000000\n"
                          "(2.5) canopen 000#0105"); // no line end at the end
    CanLogReader reader(in, "t.log");
    CanFrame frame;
    ASSERT_TRUE(reader.next(frame));
    EXPECT_EQ(frame.id, 0x18FEF100u);
    ASSERT_TRUE(reader.next(frame));
    EXPECT_EQ(frame.id, 0u);
    EXPECT_EQ(frame.time, 2500000);
    EXPECT_FALSE(reader.next(frame));
    EXPECT_EQ(reader.lines(), 6u);
    EXPECT_EQ(reader.remoteFrames(), 1u);
    EXPECT_EQ(reader.fdFrames(), 1u);
    EXPECT_EQ(reader.errorFrames(), 1u);
    EXPECT_EQ(reader.lastTime(), 2500000);
}

TEST(CanLog, ReaderNamesTheLineOfAFault) {
    const struct {
        const char* log;
        const char* message;
    } cases[] = {
        {"(1.0) a 123#00\n\n(2.0) a 123#0\n",
         "t.log, line 3: odd number of data digits: '(2.0) a 123#0'"},
        {"(2.0) a 123#00\n(2.0) a 123#00\n(1.999999) a 123#R\n",
         "t.log, line 3: the time 1.999999 is earlier than the line before (2.000000)"},
        {"(1.0) a 123#00\n(1.0) a\t123#00\x01\x02\n",
         "t.log, line 2: data bytes are not hexadecimal: '(1.0) a?123#00?\?'"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.log);
        CanLogReader reader(in, "t.log");
        CanFrame frame;
        try {
            while (reader.next(frame)) {
            }
            ADD_FAILURE() << "no error for " << c.log;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
    }
}

TEST(CanLog, ReaderRefusesAnEndlessLineWithoutHoldingIt) {
    std::string log = "(1.0) a 123#00\n(1.0) a ";
    log += std::string(CanLogReader::kLongestLine * 3, 'x');
    std::istringstream in(log);
    CanLogReader reader(in, "t.log");
    CanFrame frame;
    ASSERT_TRUE(reader.next(frame));
    EXPECT_THROW(
        {
            try {
                reader.next(frame);
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "t.log, line 2: the line is longer than 4096 characters");
                throw;
            }
        },
        Error);
}

TEST(CanLog, WritesTheFormItReads) {
    CanFrame frame;
    frame.time = 1700000000000042;
    frame.interface = "j1939";
    frame.id = 0x18FF1180;
    frame.extended = true;
    frame.length = 8;
    frame.data = {0xAB, 0, 0, 0, 0, 0, 0, 0x0F};
    std::string text;
    appendLogLine(text, frame);
    frame = {5, "canopen", 0x5, false, 1, {0xFF}};
    appendLogLine(text, frame);
    EXPECT_EQ(text, "(1700000000.000042) j1939 18FF1180#AB0000000000000F\r\n"
                    "(0000000000.000005) canopen 005#FF\r\n");
}

} // namespace
} // namespace ordane
