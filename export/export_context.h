// What the ways the card gets out need from the program around them. The composition root
// hands it down; nothing here reads a setting of the whole process.
#pragma once

#include <string>

#include "os/settings.h"

struct ExportContext {
    std::wstring program_title;              // of the messages about the number, which name no subject
    std::wstring temporary_prefix;           // of files still being written
    const os::Settings* settings = nullptr;  // remembers Save As's folder; none: nothing is remembered
};
