#include "simulator/CanLog.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <cstring>

namespace ordane {

namespace {

constexpr std::size_t kBufferSize = std::size_t(1) << 20;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Hex data bytes up to `end`, with optional '.' between bytes. Returns the reason on failure.
const char* parseData(const char*& p, const char* end, std::size_t most, std::uint8_t* bytes,
                      std::size_t& count) {
    count = 0;
    while (p < end && *p != '_') {
        if (*p == '.' && count > 0) {
            ++p;
            continue;
        }
        if (p + 1 >= end)
            return "odd number of data digits";
        const int high = hexDigitValue(p[0]);
        const int low = hexDigitValue(p[1]);
        if (high < 0 || low < 0)
            return "data bytes are not hexadecimal";
        if (count == most)
            return most == 8 ? "more than 8 data bytes" : "more than 64 data bytes";
        if (bytes)
            bytes[count] = static_cast<std::uint8_t>(high * 16 + low);
        ++count;
        p += 2;
    }
    return nullptr;
}

void appendHex(std::string& out, std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(kDigits[(value >> shift) & 0xF]);
}

std::string timeText(std::int64_t time) {
    std::string text = std::to_string(time / 1000000) + ".";
    const std::string micro = std::to_string(time % 1000000);
    return text + std::string(6 - micro.size(), '0') + micro;
}

} // namespace

const char* parseLogLine(std::string_view line, LogLineKind& kind, CanFrame& frame) {
    const char* p = line.data();
    const char* end = p + line.size();
    while (end > p && (isBlank(end[-1]) || end[-1] == '\r'))
        --end;
    while (p < end && isBlank(*p))
        ++p;
    if (p == end) {
        kind = LogLineKind::Blank;
        return nullptr;
    }

    // (seconds.fraction)
    if (*p != '(')
        return "a line must begin with the time in parentheses";
    ++p;
    std::int64_t seconds = 0;
    int digits = 0;
    for (; p < end && isDigit(*p); ++p, ++digits) {
        if (digits == 12)
            return "the time has more than 12 digits of seconds";
        seconds = seconds * 10 + (*p - '0');
    }
    if (digits == 0 || p == end || *p != '.')
        return "the time is not seconds and a fraction, as in (1700000000.123456)";
    ++p;
    std::int64_t micro = 0;
    digits = 0;
    for (; p < end && isDigit(*p); ++p, ++digits) {
        if (digits == 9)
            return "the time has more than 9 digits after the point";
        if (digits < 6)
            micro = micro * 10 + (*p - '0');
    }
    if (digits == 0 || p == end || *p != ')')
        return "the time is not seconds and a fraction, as in (1700000000.123456)";
    for (; digits < 6; ++digits)
        micro *= 10;
    ++p;
    frame.time = seconds * 1000000 + micro;

    // interface
    if (p == end || !isBlank(*p))
        return "no interface after the time";
    while (p < end && isBlank(*p))
        ++p;
    const char* name = p;
    while (p < end && !isBlank(*p))
        ++p;
    frame.interface = std::string_view(name, std::size_t(p - name));
    if (frame.interface.empty())
        return "no interface after the time";
    while (p < end && isBlank(*p))
        ++p;

    // identifier#data; the frame ends at a blank or the line's end
    const char* frameEnd = p;
    while (frameEnd < end && !isBlank(*frameEnd))
        ++frameEnd;
    if (p == frameEnd)
        return "no frame after the interface";
    // A direction mark (R or T), as python-can writes it, may follow.
    const char* rest = frameEnd;
    while (rest < end && isBlank(*rest))
        ++rest;
    if (rest < end) {
        if (end - rest != 1 || (*rest != 'R' && *rest != 'T' && *rest != 'r' && *rest != 't'))
            return "unexpected text after the frame";
    }

    std::uint32_t id = 0;
    const char* idStart = p;
    for (; p < frameEnd && *p != '#'; ++p) {
        const int v = hexDigitValue(*p);
        if (v < 0 || p - idStart == 8)
            return "the identifier must have 3 or 8 hexadecimal digits before '#'";
        id = id * 16 + std::uint32_t(v);
    }
    const std::ptrdiff_t idDigits = p - idStart;
    if (p == frameEnd || (idDigits != 3 && idDigits != 8))
        return "the identifier must have 3 or 8 hexadecimal digits before '#'";
    ++p;
    frame.extended = idDigits == 8;
    if (!frame.extended && id > 0x7FF)
        return "a standard identifier (3 digits) is at most 7FF";
    constexpr std::uint32_t kErrorFlag = 0x20000000;
    const bool errorFrame = frame.extended && (id & kErrorFlag) != 0;
    if (frame.extended && !errorFrame && id > 0x1FFFFFFF)
        return "an extended identifier is at most 1FFFFFFF";
    frame.id = id;

    if (p < frameEnd && *p == '#') {
        // CAN FD: ##<flags><data>
        ++p;
        if (p == frameEnd || hexDigitValue(*p) < 0)
            return "a CAN FD frame needs a flags digit after '##'";
        ++p;
        std::size_t count = 0;
        if (const char* reason = parseData(p, frameEnd, 64, nullptr, count))
            return reason;
        if (p != frameEnd)
            return "unexpected text in the data";
        kind = LogLineKind::Fd;
        return nullptr;
    }
    if (p < frameEnd && (*p == 'R' || *p == 'r')) {
        ++p;
        if (p < frameEnd && isDigit(*p) && *p <= '8')
            ++p;
        if (frameEnd - p == 2 && *p == '_')
            p += 2;
        if (p != frameEnd)
            return "unexpected text after a remote frame's R";
        kind = LogLineKind::Remote;
        return nullptr;
    }
    std::size_t count = 0;
    if (const char* reason = parseData(p, frameEnd, 8, frame.data.data(), count))
        return reason;
    if (p < frameEnd) {
        // _<dlc>: a length code 9..F of an 8-byte frame
        const int dlc = p + 2 == frameEnd ? hexDigitValue(p[1]) : -1;
        if (count != 8 || dlc < 9)
            return "unexpected text in the data";
    }
    frame.length = static_cast<std::uint8_t>(count);
    for (std::size_t i = count; i < frame.data.size(); ++i)
        frame.data[i] = 0;
    kind = errorFrame ? LogLineKind::ErrorFrame : LogLineKind::Data;
    return nullptr;
}

CanLogReader::CanLogReader(std::istream& in, std::string name)
    : m_in(in), m_name(std::move(name)), m_buffer(new char[kBufferSize]) {}

CanLogReader::~CanLogReader() = default;

void CanLogReader::fail(const std::string& reason) const {
    throw Error(m_name + ", line " + std::to_string(m_line) + ": " + reason);
}

bool CanLogReader::nextLine(std::string_view& line) {
    for (;;) {
        char* data = m_buffer.get();
        if (m_begin < m_end) {
            const void* found = std::memchr(data + m_begin, '\n', m_end - m_begin);
            if (found) {
                const std::size_t at = std::size_t(static_cast<const char*>(found) - data);
                line = std::string_view(data + m_begin, at - m_begin);
                m_begin = at + 1;
                ++m_line;
                if (line.size() > kLongestLine)
                    fail("the line is longer than " + std::to_string(kLongestLine) + " characters");
                return true;
            }
        }
        const std::size_t left = m_end - m_begin;
        if (m_eof) {
            if (left == 0)
                return false;
            line = std::string_view(data + m_begin, left);
            m_begin = m_end;
            ++m_line;
            if (line.size() > kLongestLine)
                fail("the line is longer than " + std::to_string(kLongestLine) + " characters");
            return true;
        }
        if (left > kLongestLine) {
            ++m_line;
            fail("the line is longer than " + std::to_string(kLongestLine) + " characters");
        }
        std::memmove(data, data + m_begin, left);
        m_begin = 0;
        m_end = left;
        m_in.read(data + m_end, std::streamsize(kBufferSize - m_end));
        const std::streamsize got = m_in.gcount();
        m_end += std::size_t(got);
        if (got == 0 || !m_in) {
            if (m_in.bad())
                throw Error(m_name + ": the log cannot be read");
            m_eof = !m_in || got == 0;
        }
    }
}

bool CanLogReader::next(CanFrame& frame) {
    std::string_view line;
    while (nextLine(line)) {
        LogLineKind kind = LogLineKind::Blank;
        if (const char* reason = parseLogLine(line, kind, frame)) {
            std::string shown(line.substr(0, 80));
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    c = '?';
            fail(std::string(reason) + ": '" + shown + (line.size() > 80 ? "...'" : "'"));
        }
        if (kind == LogLineKind::Blank)
            continue;
        if (m_hasTime && frame.time < m_lastTime)
            fail("the time " + timeText(frame.time) + " is earlier than the line before (" +
                 timeText(m_lastTime) + ")");
        m_hasTime = true;
        m_lastTime = frame.time;
        switch (kind) {
        case LogLineKind::Remote:
            ++m_remote;
            continue;
        case LogLineKind::Fd:
            ++m_fd;
            continue;
        case LogLineKind::ErrorFrame:
            ++m_errorFrames;
            continue;
        default:
            return true;
        }
    }
    return false;
}

void appendLogLine(std::string& out, const CanFrame& frame) {
    const std::int64_t seconds = frame.time / 1000000;
    const std::int64_t micro = frame.time % 1000000;
    out.push_back('(');
    // candump pads the seconds to ten digits.
    char digits[24];
    int n = 0;
    std::int64_t s = seconds;
    do {
        digits[n++] = char('0' + s % 10);
        s /= 10;
    } while (s > 0);
    for (int i = n; i < 10; ++i)
        out.push_back('0');
    while (n > 0)
        out.push_back(digits[--n]);
    out.push_back('.');
    for (std::int64_t div = 100000; div > 0; div /= 10)
        out.push_back(char('0' + (micro / div) % 10));
    out += ") ";
    out.append(frame.interface);
    out.push_back(' ');
    appendHex(out, frame.id, frame.extended ? 8 : 3);
    out.push_back('#');
    for (std::size_t i = 0; i < frame.length && i < frame.data.size(); ++i)
        appendHex(out, frame.data[i], 2);
    out += "\r\n";
}

} // namespace ordane
