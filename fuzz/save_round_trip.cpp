// The menu's saves on any settings file: "Save everything" and a user slot written over it,
// then read back. A file that cannot be read whole is refused and stays byte for byte. Any
// other (UTF-16 text converted to UTF-8) keeps every section, entry and comment the save did
// not change, holds each saved value as "%f" wrote it, and once saved, saves to the same
// bytes again (the first save may drop lines the ini library cannot place, such as a key
// without a name; the loader ignores those too).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/ini.h"
#include "config/load.h"
#include "config/save.h"
#include "invariants.h"
#include "sim/host.h"

using namespace velmora;

namespace {

const std::string& workFile() {
    static const std::string path = [] {
        // TMPDIR=/dev/shm keeps a long run off the disk.
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/velmora-fuzz-XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) fuzz::broken("a work folder can be made");
        return folder + "/Velmora.ini";
    }();
    return path;
}

Platform diskPlatform() {
    Platform p{};
    p.writeFile = sim::writeFileToDisk;
    p.isWritableFile = sim::isWritableOnDisk;
    p.replaceFile = [](const char* from, const char* to) { return std::rename(from, to) == 0; };
    return p;
}

float asSaved(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return std::strtof(text, nullptr);
}

// A "[" line without its "]", or an empty "[]": the ini library reads the first with the
// next key's name as one section name, which a save writes back one line longer each time,
// and moves the lines around the second from save to save (quirks of the library;
// velmora-ini check warns of both).
bool hasHeaderTheLibraryMisreads(const std::string& text) {
    std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;  // the library skips a UTF-8 mark
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::size_t first = text.find_first_not_of(" \t", start);
        if (first < end && text[first] == '[') {
            const std::size_t close = text.find(']', first);
            if (close >= end || text.find_first_not_of(" \t", first + 1) == close) return true;
        }
        start = end + 1;
    }
    return false;
}

bool same(const char* a, const char* b) { return (a == nullptr || b == nullptr) ? a == b : std::strcmp(a, b) == 0; }

// Every section and entry of `before`, with its comment, is in `after` as it was, but the
// values of the keys the save wrote.
void expectKept(const IniDocument& before, const IniDocument& after) {
    const auto sameName = [](const IniDocument::Entry& a, const IniDocument::Entry& b) {
        return !IniDocument::Entry::KeyOrder()(a, b) && !IniDocument::Entry::KeyOrder()(b, a);
    };
    IniDocument::TNamesDepend sections, afterSections;
    before.GetAllSections(sections);
    after.GetAllSections(afterSections);
    for (const auto& section : sections) {
        const IniDocument::TKeyVal* afterKeys = after.GetSection(section.pItem);
        fuzz::expect(afterKeys != nullptr, "a section is kept:", section.pItem);
        for (const auto& s : afterSections)
            if (sameName(s, section))
                fuzz::expect(same(s.pComment, section.pComment), "a section's comment is kept:", section.pItem);
        for (const auto& [key, value] : *before.GetSection(section.pItem)) {
            const SettingKey* setting = findSettingKey(section.pItem, key.pItem);
            if (setting == nullptr || setting->saveOrder == 0)
                fuzz::expect(same(after.GetValue(section.pItem, key.pItem), value),
                             "an entry the save did not change is kept:", key.pItem);
            const auto found = afterKeys->find(key);
            fuzz::expect(found != afterKeys->end() && same(found->first.pComment, key.pComment),
                         "an entry's comment is kept:", key.pItem);
        }
    }
}

std::string fileBytes(const std::string& path) { return readSettingsBytes(path.c_str()).value_or("<unreadable>"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = workFile();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!sim::writeFileToDisk(path.c_str(), bytes.data(), bytes.size())) fuzz::broken("the input can be written");
    SettingsRecord loaded;
    if (!loadSettingsFile(loaded, {}, path.c_str())) return 0;
    const SettingsText text = decodeSettingsText(bytes);

    // The record the menu would hold: the file's values, edited a little.
    SettingsRecord edited = loaded;
    edited.firstPersonView.fov += 1.0f;
    edited.InertiaAffectsPitch = !edited.InertiaAffectsPitch;
    const Platform platform = diskPlatform();
    const SaveResult first = saveAllSettingsFile(platform, edited, path.c_str());
    if (text.broken != TextBreak::None) {
        // What follows the break would be lost: the file stays byte for byte.
        fuzz::expect(first == SaveResult::NotReadable, "a file that cannot be read whole is not saved over");
        fuzz::expect(saveSlot(platform, edited, SlotGroup::Far, 2, path.c_str()) == SaveResult::NotReadable,
                     "a file that cannot be read whole takes no slot");
        fuzz::expect(fileBytes(path) == bytes, "a refused save leaves the file as it was");
        return 0;
    }
    fuzz::expect(first == (text.encoding == TextEncoding::SingleByte ? SaveResult::Saved : SaveResult::Converted),
                 "a readable file can be saved, UTF-16 text as UTF-8");
    IniDocument before, after;
    loadIniText(before, text.text);
    fuzz::expect(loadIniFile(after, path.c_str()), "a saved file loads");
    const bool misread = hasHeaderTheLibraryMisreads(text.text);
    if (!misread) expectKept(before, after);
    fuzz::expect(saveAllSettingsFile(platform, edited, path.c_str()) == SaveResult::Saved, "a saved file can be saved");
    const std::string second = fileBytes(path);
    fuzz::expect(saveAllSettingsFile(platform, edited, path.c_str()) == SaveResult::Saved, "a saved file can be saved");
    if (!misread) fuzz::expect(fileBytes(path) == second, "a saved file saves to the same bytes");

    SettingsRecord expected = loaded;
    for (int place = 1; place <= kSavedSettingCount; ++place) {
        const SettingKey& key = *savedSettingKey(place);
        if (key.form == ValueForm::Number) {
            *key.field.number(expected) = asSaved(numberField(edited, key));
        } else {
            *key.field.flag(expected) = flagField(edited, key);
        }
    }
    // Keys the loader chains from a saved key follow it, as they would on a reload.
    SettingsRecord back = expected;
    fuzz::expect(loadSettingsFile(back, {}, path.c_str()), "a saved file reads back");
    fuzz::checkRecord(back);
    SettingsRecord reread = expected;
    IniDocument document;
    fuzz::expect(loadIniFile(document, path.c_str()), "a saved file loads");
    applySettingsDocument(document, reread);
    fuzz::expect(back == reread, "reading a saved file is stable");
    for (int place = 1; place <= kSavedSettingCount; ++place) {
        const SettingKey& key = *savedSettingKey(place);
        if (!key.loaded) continue;
        if (key.form == ValueForm::Number) {
            fuzz::expect(numberField(back, key) == numberField(expected, key),
                         "a saved number reads back as written:", key.key);
        } else {
            fuzz::expect(flagField(back, key) == flagField(expected, key), "a saved switch reads back:", key.key);
        }
    }

    // A user slot: its values read back as written, the rest of the record untouched.
    fuzz::expect(saveSlot(platform, edited, SlotGroup::Far, 2, path.c_str()) == SaveResult::Saved,
                 "a slot can be saved");
    SettingsRecord slotted = loaded;
    fuzz::expect(loadSlot(slotted, SlotGroup::Far, 2, path.c_str()) == SlotLoad::Loaded, "a saved slot loads");
    for (const SlotKey& key : slotKeys(SlotGroup::Far))
        fuzz::expect(*key.field(slotted, Far) == asSaved(*key.field(edited, Far)), "a slot value reads back:", key.key);
    return 0;
}
