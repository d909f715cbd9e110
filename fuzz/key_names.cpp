// Key names: any text gives -1 or a code 0..255, and a code only for a name that has it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/keys.h"
#include "invariants.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::int32_t code = keyCodeOf(name);
    fuzz::expect(code >= -1 && code < kKeyCodeCount, "a key code is -1 or 0..255");
    if (code < 0) return 0;
    const bool letterOrDigit =
        name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'));
    bool inTable = false;
    for (const KeyName& k : keyNameTable()) inTable = inTable || (k.name == name && k.code == code);
    fuzz::expect(inTable || (letterOrDigit && code == name[0]), "a code belongs to its name");
    return 0;
}
