// What every fuzz target checks of a settings record, and how it reports a broken promise:
// a message and an abort, which libFuzzer records with the input that caused it.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "config/schema.h"
#include "config/settings.h"

namespace velmora::fuzz {

[[noreturn]] inline void broken(const char* promise, const char* detail = "") {
    std::fprintf(stderr, "broken promise: %s %s\n", promise, detail);
    std::abort();
}

inline void expect(bool holds, const char* promise, const char* detail = "") {
    if (!holds) broken(promise, detail);
}

// Every number field is finite, and every clamped key is within its clamp.
inline void checkRecord(const SettingsRecord& settings) {
    for (const SettingKey& key : settingKeys()) {
        if (key.form != ValueForm::Number) continue;
        const float value = numberField(settings, key);
        expect(std::isfinite(value), "every number of a loaded record is finite:", key.key);
        if (key.clamped) expect(value >= key.clampMin && value <= key.clampMax, "clamps hold:", key.key);
    }
}

}  // namespace velmora::fuzz
