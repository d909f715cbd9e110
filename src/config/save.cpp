#include "config/save.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace velmora {
namespace {

constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";

CameraIndex cameraOf(SlotGroup group) {
    return group == SlotGroup::FirstPerson ? Near : static_cast<CameraIndex>(static_cast<int>(group) - 1);
}

void setNumber(IniDocument& document, const char* section, const char* key, float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    document.SetValue(section, key, text);  // an existing key keeps its place
}

// The comment lines (and blank ones) after the file's last entry: the ini library keeps a
// comment only with the entry that follows it, so these would be lost on a save. Empty when
// the file has no entry at all (the library keeps such a file's comments itself).
std::string trailingComments(const std::string& bytes) {
    std::size_t afterLastEntry = std::string::npos;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::size_t first = bytes.find_first_not_of(" \t", start);
        const bool entry = first < end && bytes[first] != ';' && bytes[first] != '#';
        start = end + 1;  // past "\n", "\r", or the end
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
        if (entry) afterLastEntry = std::min(start, bytes.size());
    }
    if (afterLastEntry == std::string::npos) return {};
    // Iterators, not substr: the plug-in links none of the library's range errors.
    std::string tail(bytes.begin() + static_cast<std::ptrdiff_t>(afterLastEntry), bytes.end());
    return tail.find_first_of(";#") == std::string::npos ? std::string{} : tail;
}

// The lines at the very start of the file that are neither blank, a comment, a section nor a
// key (text the player wrote that the loader skips): the ini library drops them, and with
// them the place of the comments below, which it then takes for the file's own. They are
// written back in front as they stood.
std::string leadingUnreadLines(const std::string& bytes) {
    const std::size_t from = bytes.rfind(kUtf8Mark, 0) == 0 ? 3 : 0;  // a mark is no text of the file
    std::size_t start = from;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::size_t first = bytes.find_first_not_of(" \t", start);
        if (first >= end) break;  // a blank line
        const char c = bytes[first];
        if (c == ';' || c == '#' || c == '[' || bytes.find('=', first) < end) break;
        start = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
    }
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       bytes.begin() + static_cast<std::ptrdiff_t>(std::min(start, bytes.size())));
}

}  // namespace

SaveResult amendSettingsFile(const Platform& platform, const char* path, DocumentAmendment amend, const void* context) {
    IniDocument document;
    // Read once: a file that is there must be read whole, or the save would write away what
    // it holds; only a file that is not there at all starts an empty document.
    bool missing = false;
    SettingsText read;
    if (const std::optional<std::string> bytes = readSettingsBytes(path, &missing)) {
        read = decodeSettingsText(*bytes);
        // What follows a break (a NUL, a cut-off or broken UTF-16 character) would be written
        // away for good: such a file is left as it is until the player mends it.
        if (read.broken != TextBreak::None || !loadIniText(document, read.text)) return SaveResult::NotReadable;
        // A read-only file is the player's wish that it stay as it is (and a file that has
        // vanished since it was read is not written in its absence).
        if (platform.isWritableFile == nullptr || !platform.isWritableFile(path)) return SaveResult::NotWritten;
    } else if (!missing) {
        return SaveResult::NotReadable;  // there, but it cannot be read
    }
    amend(document, context);

    std::string text = leadingUnreadLines(read.text);
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += '\n';
    if (document.Save(text, false) < 0) return SaveResult::NotWritten;
    if (const std::string tail = trailingComments(read.text); !tail.empty()) {
        if (!text.empty() && text.back() != '\n') text += '\n';
        text += tail;
    }
    // A text that begins with the bytes of a UTF-8 mark would lose them to the next read,
    // which takes them for the mark: a real mark in front keeps them.
    if (text.rfind(kUtf8Mark, 0) == 0) text.insert(0, kUtf8Mark);
    const std::string staging = std::string(path) + ".tmp";
    // The new file takes the old one's place only once it is whole (a failed write takes its
    // own half-written file away); a whole one that could not take the place goes too.
    if (platform.writeFile == nullptr || !platform.writeFile(staging.c_str(), text.data(), text.size()))
        return SaveResult::NotWritten;
    if (platform.replaceFile == nullptr || !platform.replaceFile(staging.c_str(), path)) {
        std::remove(staging.c_str());
        return SaveResult::NotWritten;
    }
    return read.encoding == TextEncoding::SingleByte ? SaveResult::Saved : SaveResult::Converted;
}

SaveResult saveAllSettingsFile(const Platform& platform, const SettingsRecord& settings, const char* path) {
    return amendSettingsFile(
        platform, path,
        [](IniDocument& document, const void* context) {
            const auto& s = *static_cast<const SettingsRecord*>(context);
            for (int place = 1; place <= kSavedSettingCount; ++place) {
                const SettingKey& key = *savedSettingKey(place);
                if (key.form == ValueForm::Number) {
                    setNumber(document, key.section, key.key, numberField(s, key));
                } else {
                    char text[8];
                    std::snprintf(text, sizeof text, "%ld", flagField(s, key) ? 1L : 0L);
                    document.SetValue(key.section, key.key, text);
                }
            }
        },
        &settings);
}

SaveResult saveSlot(const Platform& platform, const SettingsRecord& settings, SlotGroup group, int slot,
                    const char* path) {
    struct Job {
        const SettingsRecord* settings;
        SlotGroup group;
        std::string section;
    } job{&settings, group, slotSectionName(group, slot)};
    return amendSettingsFile(
        platform, path,
        [](IniDocument& document, const void* context) {
            const Job& j = *static_cast<const Job*>(context);
            auto& s = const_cast<SettingsRecord&>(*j.settings);  // the accessors only read here
            for (const SlotKey& key : slotKeys(j.group))
                setNumber(document, j.section.c_str(), key.key, *key.field(s, cameraOf(j.group)));
        },
        &job);
}

SlotLoad loadSlot(SettingsRecord& settings, SlotGroup group, int slot, const char* path) {
    IniDocument document;
    if (!loadIniFile(document, path)) return SlotLoad::NotReadable;
    return applySlot(document, settings, group, slot);
}

SlotLoad applySlot(const IniDocument& document, SettingsRecord& settings, SlotGroup group, int slot) {
    const std::string section = slotSectionName(group, slot);
    if (document.GetSection(section.c_str()) == nullptr) return SlotLoad::Missing;
    for (const SlotKey& key : slotKeys(group))
        if (const auto value = readNumber(document, section.c_str(), key.key))
            *key.field(settings, cameraOf(group)) = *value;
    return SlotLoad::Loaded;
}

}  // namespace velmora
