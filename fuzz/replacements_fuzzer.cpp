// libFuzzer target: the replacements file of the reference redirection command. The input is
// split into a flag, a drawing path, a choice of reference path and the file's bytes; reading
// the file and choosing replacements must never crash, hang or leak, and a chosen replacement
// must be one of the table's values.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/replacements.h"
#include "fuzz_support.h"

namespace {

void checkedFind(const std::wstring& drawing, const CReplacementTable& table, bool fullPaths,
                 const std::wstring& reference) {
    std::wstring newPath;
    if (!findReplacement(drawing, table, fullPaths, reference, newPath)) return;
    for (const auto& entry : table)
        if (entry.second == newPath) return;
    std::abort();  // a replacement that the file never named
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::silenceCommandLine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool fullPaths = input.ConsumeBool();
    const std::wstring drawing = fuzz::widenBytes(input.ConsumeRandomLengthString(300));
    const std::wstring reference = fuzz::widenBytes(input.ConsumeRandomLengthString(300));
    const std::vector<std::uint8_t> file = input.ConsumeRemainingBytes<std::uint8_t>();

    static const std::string path = fuzz::scratchPath("replacements.txt");
    static const std::wstring widePath = fuzz::wide(path);
    fuzz::writeFile(path, file.data(), file.size());

    CReplacementTable table;
    readReplacements(table, widePath.c_str());
    // A second read keeps the first value of every key.
    readReplacements(table, widePath.c_str());

    checkedFind(drawing, table, fullPaths, reference);
    // References that the table names, as they are and under another folder, reach the
    // matching rules that an arbitrary path hardly ever does.
    int tried = 0;
    for (const auto& entry : table) {
        if (++tried > 16) break;
        checkedFind(drawing, table, fullPaths, entry.first);
        checkedFind(drawing, table, !fullPaths, L"C:\\other\\" + entry.first);
        checkedFind(entry.first, table, fullPaths, entry.second);
    }
    return 0;
}
