// The host's command line: everything modules print (acutPrintf), prompt texts and echoed
// answers, and message boxes (there is no screen). cadhost copies it to standard output;
// tests capture it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace cadhost {

class CommandLine {
public:
    using Sink = std::function<void(std::wstring_view)>;

    // Appends text to the command line as it stands (no line break is added).
    static void write(std::wstring_view text);

    // Replaces where the command line goes; returns the previous sink. The default sink
    // writes UTF-8 to standard output.
    static Sink setSink(Sink sink);
};

// Collects everything written to the command line while it lives (tests).
class CommandLineCapture {
public:
    CommandLineCapture();
    ~CommandLineCapture();
    CommandLineCapture(const CommandLineCapture&) = delete;
    CommandLineCapture& operator=(const CommandLineCapture&) = delete;

    const std::wstring& text() const { return m_text; }
    void clear() { m_text.clear(); }

private:
    std::wstring m_text;
    CommandLine::Sink m_previous;
};

}  // namespace cadhost
