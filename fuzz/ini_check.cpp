// velmora-ini check on any text: no crash, and every finding on a line of the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ini_tool.h"
#include "invariants.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // "\n", "\r\n" and a lone "\r" each end a line, as the ini library reads them.
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
    }
    for (const initool::LintFinding& finding : initool::lintSettingsText(text)) {
        fuzz::expect(finding.line >= 1 && finding.line <= lines, "a finding names a line of the file");
        fuzz::expect(!finding.message.empty(), "a finding says what is wrong");
    }
    return 0;
}
