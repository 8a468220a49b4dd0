// DialogTemplate: a dialog resource read back from a module, classic or extended,
// with its controls in creation order, for checking the templates as built.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct TemplateControl {
    std::string className;  // in capitals: "BUTTON", "STATIC", ... (ordinal classes by name)
    std::string text;
    int textOrdinal = -1;  // a resource id given as an ordinal instead of text
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    std::string font;
    int pointSize = 0;
    std::vector<TemplateControl> controls;
};

// The dialog resource `id` of the module, or nothing when it is absent or malformed.
std::optional<DialogTemplate> loadDialogTemplate(HMODULE module, int id);
