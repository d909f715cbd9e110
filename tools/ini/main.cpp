// velmora-ini: look at a Velmora.ini the way the plug-in will read it.
//   velmora-ini dump PATH       every value a load of PATH gives, and the user slots it holds
//   velmora-ini check PATH      warnings for values the loader will not take as written
//   velmora-ini defaults        a complete Velmora.ini with every key at its default
//   velmora-ini reference       the key reference in Markdown
#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    CLI::App app{"Reads, checks and writes Velmora's settings file, Velmora.ini", "velmora-ini"};
    app.set_version_flag("--version", "velmora-ini " VELMORA_VERSION);
    app.require_subcommand(1);

    std::string path;
    std::string outputPath;

    auto* dump = app.add_subcommand("dump", "Load PATH exactly as the plug-in does and print every value, then the user slots it holds");
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
        std::cout << (json ? initool::dumpJson(settings, path) : initool::dumpSettings(settings) + initool::dumpSlots(path));
        return loaded ? 0 : 1;
    }
    if (check->parsed()) {
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
