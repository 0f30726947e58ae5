#pragma once

#include "core/Error.h"

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace ordane {

// Where messages for the user go: the desktop program shows message boxes, the
// command line prints lines, tests record them.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A plain message box: the text and an OK button.
    virtual void info(const std::string& text) = 0;
    // An error box: error icon, the text and an OK button.
    virtual void error(const std::string& text) = 0;
};

// Prints one line per message (the command line's standard error).
class StreamMessageSink : public MessageSink {
public:
    explicit StreamMessageSink(std::ostream& out) : m_out(out) {}
    void info(const std::string& text) override { m_out << text << '\n'; }
    void error(const std::string& text) override { m_out << text << '\n'; }

private:
    std::ostream& m_out;
};

// Runs `action`; an Error it throws is shown in the error box. Returns whether it succeeded.
template <class Action> bool reportingErrors(MessageSink& messages, Action&& action) {
    try {
        action();
        return true;
    } catch (const Error& e) {
        messages.error(e.what());
        return false;
    }
}

class RecordingMessageSink : public MessageSink {
public:
    enum class Kind { Info, Error };
    struct Message {
        Kind kind;
        std::string text;
        bool operator==(const Message&) const = default;
    };

    void info(const std::string& text) override { m_messages.push_back({Kind::Info, text}); }
    void error(const std::string& text) override { m_messages.push_back({Kind::Error, text}); }

    const std::vector<Message>& messages() const { return m_messages; }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& m : m_messages)
            result.push_back(m.text);
        return result;
    }
    void clear() { m_messages.clear(); }

private:
    std::vector<Message> m_messages;
};

} // namespace ordane
