// The command line of every tool: a usage mistake is one plain sentence and the usage on
// standard error, and one exit code, distinct from the tools' own 1 and 2.
#pragma once

#include <cctype>
#include <exception>
#include <iostream>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace velmora::tools {

// A usage error, as BSD's sysexits.h numbers it.
inline constexpr int kUsageError = 64;

// The library's message, with any number longer than a dozen digits cut short: the player
// typed it, and need not see it again in full.
inline std::string plainSentence(const std::string& message) {
    std::string out;
    std::size_t digits = 0;
    for (const char c : message) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits == 13) out += "...";
        if (digits < 13) out += c;
    }
    return out;
}

// Parses the command line. Nothing when the tool should go on; otherwise the exit code:
// 0 after --help or --version, kUsageError after a mistake.
inline std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << app.get_name() << ": " << plainSentence(e.what()) << "\n\n" << app.help();
        return kUsageError;
    }
}

// Runs a tool's body: anything it did not expect (a full disk, memory running out) ends it
// with one line on standard error and exit code 2, rather than an abort without a word.
template <typename Body>
int guardedMain(const char* name, Body body) {
    try {
        return body();
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << "\n";
    } catch (...) {
        std::cerr << name << ": an unexpected error\n";
    }
    return 2;
}

}  // namespace velmora::tools
