#include "services/log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "plugin/velmora.h"

namespace velmora {
namespace {

// Room kept for the line that says the log is full.
constexpr std::size_t kLastLineRoom = 160;

const char* levelWord(LogLevel level) {
    switch (level) {
        case LogLevel::Info:
            return "info";
        case LogLevel::Warning:
            return "warning";
        case LogLevel::Error:
            return "error";
    }
    return "info";
}

double secondsSinceStart(const Velmora& v) {
    const Platform& os = v.platform;
    if (!v.log.started || os.queryPerformanceCounter == nullptr || os.queryPerformanceFrequency == nullptr) return 0.0;
    const std::int64_t frequency = os.queryPerformanceFrequency();
    if (frequency <= 0) return 0.0;
    const double seconds =
        static_cast<double>(os.queryPerformanceCounter() - v.log.startTicks) / static_cast<double>(frequency);
    // A counter that runs backwards or wild must not make the log unreadable.
    return seconds >= 0.0 && seconds < 1e9 ? seconds : 0.0;
}

void write(Velmora& v, double seconds, LogLevel level, std::string_view sentence) {
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "%9.3f  %-7s  ", seconds, levelWord(level));
    // Windows line ends: the log is read in Notepad.
    std::string line = prefix;
    line.append(sentence.data(), sentence.size());
    line += "\r\n";
    LogState& log = v.log;
    if (log.written + line.size() + kLastLineRoom > kLogCapBytes) {
        std::snprintf(prefix, sizeof prefix, "%9.3f  %-7s  ", seconds, levelWord(LogLevel::Warning));
        line = prefix;
        line += "the log is full (256 KiB): nothing more is written until the game starts again\r\n";
        log.full = true;
    }
    log.written += line.size();
    v.platform.appendLog(line.data(), line.size());
}

}  // namespace

void startLog(Velmora& v) {
    const Platform& os = v.platform;
    v.log = LogState{};
    v.log.startTicks = os.queryPerformanceCounter != nullptr ? os.queryPerformanceCounter() : 0;
    v.log.started = true;
}

void logLine(Velmora& v, LogLevel level, std::string_view sentence) {
    if (v.platform.appendLog == nullptr || v.log.full) return;
    write(v, secondsSinceStart(v), level, sentence);
}

void logFormat(Velmora& v, LogLevel level, const char* format, ...) {
    if (v.platform.appendLog == nullptr || v.log.full) return;
    char sentence[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(sentence, sizeof sentence, format, arguments);
    va_end(arguments);
    write(v, secondsSinceStart(v), level, sentence);
}

void logFault(Velmora& v, LogFault fault, std::string_view sentence) {
    if (v.platform.appendLog == nullptr || v.log.full) return;
    FaultLatch& latch = v.log.faults[static_cast<std::size_t>(fault)];
    const double now = secondsSinceStart(v);
    if (latch.lastWritten >= 0.0 && now - latch.lastWritten < kFaultQuietSeconds) {
        ++latch.unwritten;
        return;
    }
    std::string line(sentence);
    if (latch.unwritten > 0)
        line += " (" + std::to_string(latch.unwritten) + (latch.unwritten == 1 ? " more time" : " more times") +
                " since the last line)";
    latch.lastWritten = now;
    latch.unwritten = 0;
    write(v, now, LogLevel::Warning, line);
}

}  // namespace velmora
