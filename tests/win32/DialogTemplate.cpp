// DialogTemplate: walks the DLGTEMPLATE or DLGTEMPLATEEX layout of a dialog resource.
#include "win32/DialogTemplate.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

// Reads little-endian fields from the resource, refusing to run past its end.
class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t length) : data(bytes), size(length) {}

    bool ok() const { return good; }
    std::uint16_t word() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t dword() { return static_cast<std::uint32_t>(take(4)); }
    int shortValue() { return static_cast<std::int16_t>(word()); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(take(1)); }
    void alignToDword() { at = (at + 3) & ~std::size_t{3}; }
    void skip(std::size_t bytes) {
        if (bytes > size - at) good = false;
        else at += bytes;
    }

    // A zero-terminated UTF-16 string, kept as 8-bit text (the resources are ASCII).
    std::string string() {
        std::string text;
        for (std::uint16_t c = word(); good && c != 0; c = word()) text.push_back(static_cast<char>(c));
        return text;
    }

    // A string or, after 0xFFFF, an ordinal.
    void stringOrOrdinal(std::string& text, int& ordinal) {
        const std::uint16_t first = word();
        if (first == 0xFFFF) {
            ordinal = word();
        } else if (first != 0) {
            text.push_back(static_cast<char>(first));
            text += string();
        }
    }

private:
    std::uint64_t take(int bytes) {
        if (!good || static_cast<std::size_t>(bytes) > size - at) {
            good = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(data[at + static_cast<std::size_t>(i)]) << (8 * i);
        at += static_cast<std::size_t>(bytes);
        return value;
    }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool good = true;
};

std::string ordinalClassName(int ordinal) {
    switch (ordinal) {
    case 0x80: return "BUTTON";
    case 0x81: return "EDIT";
    case 0x82: return "STATIC";
    case 0x83: return "LISTBOX";
    case 0x84: return "SCROLLBAR";
    case 0x85: return "COMBOBOX";
    default: return "#" + std::to_string(ordinal);
    }
}

TemplateControl readControl(Reader& in, bool extended) {
    TemplateControl control;
    in.alignToDword();
    if (extended) {
        in.dword();  // help id
        control.exStyle = in.dword();
        control.style = in.dword();
    } else {
        control.style = in.dword();
        control.exStyle = in.dword();
    }
    control.x = in.shortValue();
    control.y = in.shortValue();
    control.width = in.shortValue();
    control.height = in.shortValue();
    control.id = extended ? static_cast<int>(static_cast<std::int32_t>(in.dword())) : in.shortValue();
    int classOrdinal = -1;
    in.stringOrOrdinal(control.className, classOrdinal);
    if (classOrdinal >= 0) control.className = ordinalClassName(classOrdinal);
    for (char& c : control.className) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    in.stringOrOrdinal(control.text, control.textOrdinal);
    in.skip(in.word());  // creation data
    return control;
}

}  // namespace

std::optional<DialogTemplate> loadDialogTemplate(HMODULE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (!bytes) return std::nullopt;
    Reader in(bytes, SizeofResource(module, found));

    DialogTemplate dialog;
    dialog.extended = bytes[2] == 0xFF && bytes[3] == 0xFF;
    if (dialog.extended) {
        in.word();   // version
        in.word();   // signature
        in.dword();  // help id
        dialog.exStyle = in.dword();
        dialog.style = in.dword();
    } else {
        dialog.style = in.dword();
        dialog.exStyle = in.dword();
    }
    const int count = in.word();
    dialog.x = in.shortValue();
    dialog.y = in.shortValue();
    dialog.width = in.shortValue();
    dialog.height = in.shortValue();
    std::string ignored;
    int ignoredOrdinal = -1;
    in.stringOrOrdinal(ignored, ignoredOrdinal);  // menu
    in.stringOrOrdinal(ignored, ignoredOrdinal);  // class
    dialog.caption = in.string();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.word();
        if (dialog.extended) {
            in.word();  // weight
            in.byte();  // italic
            in.byte();  // character set
        }
        dialog.font = in.string();
    }
    for (int i = 0; i < count && in.ok(); ++i) dialog.controls.push_back(readControl(in, dialog.extended));
    if (!in.ok()) return std::nullopt;
    return dialog;
}
