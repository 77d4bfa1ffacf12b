// cadhost, the headless host program: reads the options, sets the host up and hands the job to
// a HostSession. Standard output carries the command line; everything the host itself says
// goes to standard error.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "arx/host_session.h"
#include "arx/input_sysvars.h"
#include "win/code_page.h"
#include "win/ui_language.h"

namespace {

constexpr const char* kUsage =
    "usage: cadhost [OPTIONS] open [--no-save] DRAWING...\n"
    "       cadhost [OPTIONS] run COMMAND [ANSWER...]\n"
    "       cadhost [OPTIONS] script FILE\n"
    "\n"
    "  open     open each drawing as a document (modules get the drawing-load message),\n"
    "           then save the changed ones over their files, keeping NAME.bak\n"
    "  run      run a registered command; the answers feed its prompts in order\n"
    "           (\"\" is Enter, ^C cancels; prompts beyond the answers are cancelled);\n"
    "           every argument after COMMAND is an answer, also one that starts with -\n"
    "  script   run a command script (commands, system variables, OPEN path, QSAVE,\n"
    "           SAVEAS path, CLOSE, QUIT)\n"
    "\n"
    "OPTIONS:\n"
    "  --module PATH      load this module (repeatable; default: brakon.so beside cadhost)\n"
    "  --lang en|de       the host's language (default en)\n"
    "  --codepage N       the ANSI code page (default 1252)\n"
    "  --set NAME=VALUE   set a host system variable, e.g. FILEDIA=0 (repeatable)\n"
    "\n"
    "Exit status: 0 done; 1 a drawing could not be read or saved, a module could not be\n"
    "loaded, a script step failed; 2 usage error or unknown command.\n";

struct Options {
    std::vector<std::string> modules;
    std::string lang = "en";
    unsigned codePage = 1252;
    std::vector<std::string> sets;

    bool noSave = false;
    std::vector<std::string> drawings;
    std::string runCommand;
    std::vector<std::string> answers;
    std::string scriptFile;
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "cadhost: %s\n%s", message.c_str(), kUsage);
    return cadhost::kExitUsage;
}

// The arguments of `run` after its command are answers, taken verbatim: an answer may look like
// an option ("-1", "--"). Returns how many arguments are left for the option parser; the
// answers go to options.answers.
int splitOffAnswers(int argc, char** argv, Options& options) {
    static const std::string kTakesValue[] = {"--module", "--lang", "--codepage", "--set"};
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        const bool takesValue =
            std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) != std::end(kTakesValue);
        i += takesValue ? 2 : 1;
    }
    if (i >= argc || std::string(argv[i]) != "run") return argc;
    int command = i + 1;
    if (command < argc && std::string(argv[command]) == "--") ++command;
    if (command >= argc || (argv[command][0] == '-' && command == i + 1)) return argc;
    for (int k = command + 1; k < argc; ++k) options.answers.emplace_back(argv[k]);
    return command + 1;
}

std::string besideExecutable(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return name;
    return (self.parent_path() / name).string();
}

// The host's settings from the options; an error message for a usage error, else empty.
std::string applyHostOptions(const Options& options) {
    if (options.lang == "de") {
        cadhost::setUiLanguage(0x407);
        cadhost::SystemVariables::setByHost(L"LOCALE", L"DEU");
    } else {
        cadhost::setUiLanguage(0x409);
        cadhost::SystemVariables::setByHost(L"LOCALE", L"ENU");
    }
    if (!cadhost::setAnsiCodePage(options.codePage))
        return "--codepage " + std::to_string(options.codePage) + ": code page not supported";
    for (const std::string& set : options.sets) {
        const size_t equals = set.find('=');
        if (equals == std::string::npos || equals == 0)
            return "--set " + set + ": expected NAME=VALUE";
        const std::wstring name = cadhost::fromUtf8(set.substr(0, equals));
        const auto result =
            cadhost::SystemVariables::setFromText(name, cadhost::fromUtf8(set.substr(equals + 1)));
        if (result.status == cadhost::SystemVariables::Status::kUnknownName)
            return "--set " + set + ": unknown system variable " + set.substr(0, equals);
        if (!result.ok()) return "--set " + set + ": " + cadhost::toUtf8(result.message);
    }
    return {};
}

std::vector<std::wstring> wide(const std::vector<std::string>& texts) {
    std::vector<std::wstring> out;
    for (const std::string& text : texts) out.push_back(cadhost::fromUtf8(text));
    return out;
}

int runHost(const Options& options, const CLI::App& open, const CLI::App& run) {
    cadhost::HostSession session;
    std::vector<std::string> modules = options.modules;
    if (modules.empty()) modules.push_back(besideExecutable("brakon.so"));
    // Without its modules the host would do the job half: a batch that expects drawings to be
    // updated must not get them saved unchanged, so a module that does not load stops the run.
    for (const std::string& module : modules)
        if (!session.loadModule(module)) return cadhost::kExitFailed;

    int status = cadhost::kExitOk;
    if (open.parsed()) {
        status = session.openDrawings(wide(options.drawings), !options.noSave);
    } else if (run.parsed()) {
        status = session.runCommand(cadhost::fromUtf8(options.runCommand), wide(options.answers));
    } else {
        status = session.runScript(options.scriptFile);
    }
    session.end();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App app{"cadhost, the headless host program"};
    app.set_help_flag("-h,--help");
    app.require_subcommand(1, 1);
    app.add_option("--module", options.modules);
    app.add_option("--lang", options.lang)->check(CLI::IsMember({"en", "de"}));
    app.add_option("--codepage", options.codePage);
    app.add_option("--set", options.sets);

    CLI::App* open = app.add_subcommand("open");
    open->add_flag("--no-save", options.noSave);
    open->add_option("DRAWING", options.drawings)->required();

    CLI::App* run = app.add_subcommand("run");
    run->add_option("COMMAND", options.runCommand)->required();

    CLI::App* script = app.add_subcommand("script");
    script->add_option("FILE", options.scriptFile)->required();

    try {
        app.parse(splitOffAnswers(argc, argv, options), argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(kUsage, stdout);
        return cadhost::kExitOk;
    } catch (const CLI::CallForAllHelp&) {
        std::fputs(kUsage, stdout);
        return cadhost::kExitOk;
    } catch (const CLI::ParseError& e) {
        return usageError(e.what());
    }

    try {
        if (const std::string error = applyHostOptions(options); !error.empty())
            return usageError(error);
        return runHost(options, *open, *run);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cadhost: %s\n", e.what());
        return cadhost::kExitFailed;
    }
}
