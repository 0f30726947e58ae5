#include "simulator/LogFileOutput.h"

namespace ordane {

void LogFileOutput::send(const CanFrame& frame) {
    m_line.clear();
    appendLogLine(m_line, frame);
    m_file.append(m_line);
    ++m_frames;
}

void LogFileOutput::sendRemote(const CanFrame& frame) {
    m_line.clear();
    CanFrame empty = frame;
    empty.length = 0;
    appendLogLine(m_line, empty);
    m_line.insert(m_line.size() - 2, "R");
    m_file.append(m_line);
    ++m_frames;
}

void LogFileOutput::commit() {
    m_file.commit();
}

} // namespace ordane
