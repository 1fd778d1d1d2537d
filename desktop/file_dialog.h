// The system's dialog for choosing where to save a file, with a choice of the program's own
// added to it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

struct FileType {
    std::wstring name;       // shown, e.g. "PNG 图片"
    std::wstring extension;  // without the dot, e.g. "png"
};

struct SaveDialogRequest {
    std::wstring title;
    std::vector<FileType> types;  // the first is chosen at first
    std::wstring file_name;
    std::wstring folder;  // where the dialog opens, when it exists
    std::wstring choice_label;
    std::vector<std::wstring> choices;  // shown as a list beside the file name; the first is chosen
};

struct SaveDialogAnswer {
    std::wstring path;
    std::size_t type = 0;    // index into the request's types
    std::size_t choice = 0;  // index into its choices
};

// Shows the dialog, modal for the program, and returns what the user chose; nothing when the
// dialog was cancelled or could not be shown (then failure, when given, says why).
std::optional<SaveDialogAnswer> ask_where_to_save(const SaveDialogRequest& request, std::wstring* failure = nullptr);

// The seam for tests: while an answerer is installed, the dialog goes to it instead of the
// screen. Returns the answerer it replaces.
using SaveDialogAnswerer = std::function<std::optional<SaveDialogAnswer>(const SaveDialogRequest&)>;
SaveDialogAnswerer answer_save_dialogs_with(SaveDialogAnswerer answerer);

// The user's Pictures folder.
std::wstring pictures_folder();

}  // namespace desktop
