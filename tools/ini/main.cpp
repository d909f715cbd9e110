// velmora-ini: look at a Velmora.ini the way the plug-in will read it.
//   velmora-ini dump PATH       every value a load of PATH gives, and the user slots it holds
//   velmora-ini check PATH      warnings for values the loader will not take as written
//   velmora-ini defaults        a complete Velmora.ini with every key at its default
//   velmora-ini reference       the key reference in Markdown
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli_usage.h"

#include "config/load.h"
#include "ini_tool.h"

namespace {

int writeOutput(const std::string& text, const std::string& outputPath) {
    if (outputPath.empty()) {
        std::cout << text;
        return std::cout.good() ? 0 : 2;
    }
    std::ofstream file(outputPath, std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "velmora-ini: cannot write " << outputPath << "\n";
        return 2;
    }
    return 0;
}

// velmora-ini check PATH: each finding on its own line, then the count.
int checkFile(const std::string& path) {
    using namespace velmora;
    const initool::LintReport report = initool::lintSettingsFile(path);
    if (!report.readable) {
        std::cerr << "velmora-ini: cannot read " << path
                  << (report.whyUnreadable.empty() ? "" : ": " + report.whyUnreadable) << "\n";
        return 2;
    }
    for (const initool::LintFinding& finding : report.findings)
        std::cout << path << ":" << finding.line << ": warning: " << finding.message << "\n";
    if (report.findings.empty()) return 0;
    std::cout << path << ": " << report.findings.size() << (report.findings.size() == 1 ? " warning" : " warnings")
              << "\n";
    return 1;
}

// A file dropped onto velmora-ini.exe arrives as its only argument: it is checked, and the
// window (which Windows closes as soon as the program ends) waits for Enter.
bool droppedFile(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') return false;
    const std::string argument = argv[1];
    for (const char* command : {"dump", "check", "defaults", "reference"})
        if (argument == command) return false;
    std::error_code error;
    return std::filesystem::is_regular_file(argument, error);
}

int runTool(int argc, char** argv) {
    using namespace velmora;
    if (droppedFile(argc, argv)) {
        const int status = checkFile(argv[1]);
        if (status == 0) std::cout << argv[1] << ": no warnings: Velmora takes every value as written\n";
#ifdef _WIN32
        std::cout << "\nPress Enter to close." << std::endl;
        std::cin.get();
#endif
        return status;
    }
    CLI::App app{"Reads, checks and writes Velmora's settings file, Velmora.ini", "velmora-ini"};
    app.set_version_flag("--version", "velmora-ini " VELMORA_VERSION);
    app.require_subcommand(1);

    std::string path;
    std::string outputPath;

    auto* dump = app.add_subcommand(
        "dump", "Load PATH exactly as the plug-in does and print every value, then the user slots it holds");
    dump->add_option("PATH", path, "the settings file")->required();
    bool json = false;
    dump->add_flag("--json", json, "print the record and the slots as one JSON object");

    auto* check = app.add_subcommand(
        "check", "Warn about every value the loader will not take as written (exit 0 clean, 1 warnings, 2 unreadable)");
    check->add_option("PATH", path, "the settings file")->required();

    auto* defaults = app.add_subcommand("defaults", "Print a complete Velmora.ini with every key at its default");
    defaults->add_option("-o,--output", outputPath, "write to this file instead of standard output");

    auto* reference = app.add_subcommand("reference", "Print the key reference in Markdown");
    reference->add_option("-o,--output", outputPath, "write to this file instead of standard output");

    if (const auto exit = tools::parseCommandLine(app, argc, argv)) return *exit;

    if (dump->parsed()) {
        // A fresh record, as at start-up: a failed load leaves it exactly so.
        SettingsRecord settings;
        const bool loaded = loadSettingsFile(settings, LoadNotifier{}, path.c_str());
        if (!loaded) std::cerr << "velmora-ini: cannot read " << path << "; showing the values at start-up\n";
        std::cout << (json ? initool::dumpJson(settings, path)
                           : initool::dumpSettings(settings) + initool::dumpSlots(path));
        return loaded ? 0 : 1;
    }
    if (check->parsed()) return checkFile(path);
    if (defaults->parsed()) {
        // Windows line ends, so that Notepad shows the shipped file as it is meant; the loader
        // reads either.
        std::string text;
        for (const char c : initool::defaultSettingsFile()) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return writeOutput(text, outputPath);
    }
    if (reference->parsed()) return writeOutput(initool::settingsReference(), outputPath);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return velmora::tools::guardedMain("velmora-ini", [&] { return runTool(argc, argv); });
}
