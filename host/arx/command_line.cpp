// The host's command line sink.
#include "arx/command_line.h"

#include "win/code_page.h"

#include <cstdio>
#include <utility>

namespace cadhost {
namespace {

void writeToStdout(std::wstring_view text) {
    std::string bytes = toUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

CommandLine::Sink& currentSink() {
    static CommandLine::Sink sink = writeToStdout;
    return sink;
}

}  // namespace

void CommandLine::write(std::wstring_view text) {
    if (auto& sink = currentSink()) sink(text);
}

CommandLine::Sink CommandLine::setSink(Sink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

CommandLineCapture::CommandLineCapture() {
    m_previous = CommandLine::setSink([this](std::wstring_view text) { m_text.append(text); });
}

CommandLineCapture::~CommandLineCapture() { CommandLine::setSink(std::move(m_previous)); }

}  // namespace cadhost
