#include "import_patch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The loaded image, with every relative address checked against its size before it is
// followed: a module with damaged headers must not take the process down.
class Image {
public:
    explicit Image(HMODULE module) : base_(reinterpret_cast<const std::uint8_t*>(module)) {
        if (base_ == nullptr) return;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base_);
        if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0) return;
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base_ + dos->e_lfanew);
        if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return;
        nt_ = nt;
        size_ = nt->OptionalHeader.SizeOfImage;
    }

    bool valid() const { return nt_ != nullptr; }

    const IMAGE_DATA_DIRECTORY& directory(int which) const { return nt_->OptionalHeader.DataDirectory[which]; }

    // `count` objects of T at `rva`, or null when they do not lie inside the image.
    template <class T>
    T* at(DWORD rva, std::size_t count = 1) const {
        if (rva == 0 || rva >= size_ || count > (size_ - rva) / sizeof(T)) return nullptr;
        return reinterpret_cast<T*>(const_cast<std::uint8_t*>(base_) + rva);
    }

    // The NUL-terminated name at `rva`, or null when it runs off the image.
    const char* name(DWORD rva) const {
        const char* text = at<const char>(rva);
        if (text == nullptr) return nullptr;
        return std::memchr(text, '\0', size_ - rva) != nullptr ? text : nullptr;
    }

private:
    const std::uint8_t* base_ = nullptr;
    const IMAGE_NT_HEADERS* nt_ = nullptr;
    DWORD size_ = 0;
};

bool patchSlot(ULONG_PTR* slot, void* replacement) {
    DWORD old = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old)) return false;
    *slot = reinterpret_cast<ULONG_PTR>(replacement);
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof *slot, old, &ignored);
    return true;
}

}  // namespace

int redirectImport(HMODULE module, const char* dll, const char* function, void* replacement, void** original) {
    const Image image(module);
    if (!image.valid() || dll == nullptr || function == nullptr) return 0;
    const IMAGE_DATA_DIRECTORY& imports = image.directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (imports.Size < sizeof(IMAGE_IMPORT_DESCRIPTOR)) return 0;

    int patched = 0;
    // The descriptors end at an all-zero one; the directory's size bounds them as well.
    const std::size_t descriptors = imports.Size / sizeof(IMAGE_IMPORT_DESCRIPTOR);
    const auto* descriptor = image.at<const IMAGE_IMPORT_DESCRIPTOR>(imports.VirtualAddress, descriptors);
    for (std::size_t d = 0; descriptor != nullptr && d < descriptors && descriptor[d].Name != 0; ++d) {
        const IMAGE_IMPORT_DESCRIPTOR& entry = descriptor[d];
        const char* name = image.name(entry.Name);
        if (name == nullptr || lstrcmpiA(name, dll) != 0) continue;
        // The names are in the hint/name table (OriginalFirstThunk); the bound table
        // (FirstThunk) holds addresses by now. Without the former, nothing tells the slots apart.
        const auto* names = image.at<const IMAGE_THUNK_DATA>(entry.OriginalFirstThunk);
        auto* slots = image.at<IMAGE_THUNK_DATA>(entry.FirstThunk);
        if (names == nullptr || slots == nullptr) continue;
        for (DWORD i = 0;; ++i) {
            const auto* nameThunk = image.at<const IMAGE_THUNK_DATA>(entry.OriginalFirstThunk + i * sizeof *names);
            auto* slot = image.at<IMAGE_THUNK_DATA>(entry.FirstThunk + i * sizeof *slots);
            if (nameThunk == nullptr || slot == nullptr || nameThunk->u1.AddressOfData == 0) break;
            if (IMAGE_SNAP_BY_ORDINAL(nameThunk->u1.Ordinal)) continue;
            const auto rva = static_cast<DWORD>(nameThunk->u1.AddressOfData);
            const auto* byName = image.at<const IMAGE_IMPORT_BY_NAME>(rva);
            const char* imported = byName != nullptr ? image.name(rva + offsetof(IMAGE_IMPORT_BY_NAME, Name)) : nullptr;
            if (imported == nullptr || std::strcmp(imported, function) != 0) continue;

            const auto before = reinterpret_cast<void*>(slot->u1.Function);
            if (!patchSlot(&slot->u1.Function, replacement)) return -1;
            if (patched == 0 && original != nullptr) *original = before;
            ++patched;
        }
    }
    // Nothing is cached by x86-64 for data reads, but the call is what the platform
    // documents for code it has changed under a running process.
    if (patched > 0) FlushInstructionCache(GetCurrentProcess(), nullptr, 0);
    return patched;
}
