// The host's command line sink.
#include "arx/command_line.h"

#include <cstdio>
#include <utility>

namespace cadhost {
namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void writeToStdout(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) appendUtf8(bytes, static_cast<char32_t>(c));
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
