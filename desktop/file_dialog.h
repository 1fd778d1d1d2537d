// The system's dialog for choosing where to save a file, with choices of the program's own
// added to it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

struct FileType {
    std::wstring name;       // e.g. "PNG 图片", shown with its pattern: "PNG 图片 (*.png)"
    std::wstring extension;  // without the dot, e.g. "png"
};

// A list to choose from, shown with its label beside the file name; its first item is chosen.
struct ChoiceList {
    std::wstring label;
    std::vector<std::wstring> items;
};

struct SaveDialogRequest {
    std::wstring title;
    std::vector<FileType> types;  // the first is chosen at first
    std::wstring file_name;
    std::wstring folder;  // where the dialog opens, when it exists
    std::vector<ChoiceList> choice_lists;
};

struct SaveDialogAnswer {
    std::wstring path;
    std::size_t type = 0;              // index into the request's types
    std::vector<std::size_t> choices;  // for each of its choice lists, the index of the item chosen

    std::size_t chosen(std::size_t list) const { return list < choices.size() ? choices[list] : 0; }
};

// How a file type reads in the dialog: "PNG 图片 (*.png)".
std::wstring shown_type(const FileType& type);

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
