// Helpers shared by the libFuzzer targets: a private scratch folder for the files that the
// readers under test must be handed by path, a silent command line, and the way fuzz bytes
// become wide text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "arx/command_line.h"

namespace fuzz {

// Created once per process and left behind on exit: libFuzzer ends a run with _exit, and the
// folder holds a few small files at most.
inline const std::string& scratchDir() {
    static const std::string dir = [] {
        // Memory-backed where there is one: the targets write a file for every input, and a
        // disk-backed /tmp costs a millisecond each time.
        char shm[] = "/dev/shm/brakon-fuzz-XXXXXX";
        char tmp[] = "/tmp/brakon-fuzz-XXXXXX";
        char* name = ::mkdtemp(shm) != nullptr ? shm : tmp;
        if (name == tmp && ::mkdtemp(tmp) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::string(name);
    }();
    return dir;
}

inline std::string scratchPath(std::string_view file) {
    return scratchDir() + "/" + std::string(file);
}

// Replaces the file's contents with the bytes; aborts when the scratch folder is unusable, as
// every later input would test nothing.
inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) ||
        std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

// The scratch paths are ASCII, so a plain widening is exact.
inline std::wstring wide(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// Bytes as wide text: ASCII as is, the upper half spread over letters of several scripts (so
// that case folding beyond ASCII is reached) and a few code units that need care in UTF-16.
inline std::wstring widenBytes(std::string_view bytes) {
    static constexpr wchar_t kHigh[] = {
        L'\u00c4', L'\u00e4', L'\u00d6', L'\u00f6', L'\u00df', L'\u0130', L'\u0131', L'\u017f',
        L'\u0391', L'\u03b1', L'\u03a3', L'\u03c2', L'\u03c3', L'\u0416', L'\u0436', L'\u1e9e',
        L'\u212a', L'\u2126', L'\u0660', L'\u0969', L'\uff21', L'\uff41', L'\u00a0', L'\u3000',
        L'\ufeff', L'\ufffd', L'\uffff', L'\u0001', L'\u007f', L'\u00ff', L'\u0178', L'\u01c5'};
    std::wstring out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80)
            out.push_back(static_cast<wchar_t>(c));
        else if (c < 0xa0)
            out.push_back(kHigh[c & 0x1f]);
        else
            out.push_back(static_cast<wchar_t>(c));  // Latin-1
    }
    return out;
}

// Text written to the command line is dropped: messages of refused input would flood the
// fuzzer's output and slow every run.
inline void silenceCommandLine() {
    cadhost::CommandLine::setSink([](std::wstring_view) {});
}

}  // namespace fuzz
