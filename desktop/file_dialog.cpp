#include "desktop/file_dialog.h"

#include "desktop/modal.h"
#include "os/com.h"
#include "os/errors.h"
#include "os/system_library.h"
#include "os/trace.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace desktop {
namespace {

// The controls of choice list k: its group (holding the label) and its list.
DWORD group_id(std::size_t k) { return static_cast<DWORD>(2 * k + 1); }
DWORD list_id(std::size_t k) { return static_cast<DWORD>(2 * k + 2); }

SaveDialogAnswerer& answerer() {
    static SaveDialogAnswerer installed;
    return installed;
}

void add_choices(IFileDialog* dialog, const SaveDialogRequest& request) {
    os::ComPtr<IFileDialogCustomize> customize;
    if (request.choice_lists.empty() ||
        FAILED(dialog->QueryInterface(IID_IFileDialogCustomize, customize.put_void())))
        return;
    for (std::size_t k = 0; k < request.choice_lists.size(); ++k) {
        const ChoiceList& list = request.choice_lists[k];
        customize->StartVisualGroup(group_id(k), list.label.c_str());
        customize->AddComboBox(list_id(k));
        for (DWORD i = 0; i < list.items.size(); ++i)
            customize->AddControlItem(list_id(k), i, list.items[i].c_str());
        customize->SetSelectedControlItem(list_id(k), 0);
        customize->EndVisualGroup();
    }
}

std::vector<std::size_t> chosen(IFileDialog* dialog, std::size_t lists) {
    os::ComPtr<IFileDialogCustomize> customize;
    std::vector<std::size_t> items(lists, 0);
    if (FAILED(dialog->QueryInterface(IID_IFileDialogCustomize, customize.put_void()))) return items;
    for (std::size_t k = 0; k < lists; ++k) {
        DWORD item = 0;
        if (SUCCEEDED(customize->GetSelectedControlItem(list_id(k), &item))) items[k] = item;
    }
    return items;
}

void open_in(IFileDialog* dialog, const std::wstring& folder) {
    static const auto item_for =
        os::system_function<decltype(::SHCreateItemFromParsingName)>(L"shell32.dll", "SHCreateItemFromParsingName");
    os::ComPtr<IShellItem> item;
    if (!folder.empty() && item_for && SUCCEEDED(item_for(folder.c_str(), nullptr, IID_IShellItem, item.put_void())))
        dialog->SetFolder(item.get());
}

HRESULT show(const SaveDialogRequest& request, SaveDialogAnswer& answer) {
    os::ComPtr<IFileSaveDialog> dialog;
    HRESULT result = os::create_instance(CLSID_FileSaveDialog, IID_IFileSaveDialog, dialog.put_void());
    if (FAILED(result)) return result;
    std::vector<std::wstring> names, patterns;
    std::vector<COMDLG_FILTERSPEC> filters;
    for (const FileType& type : request.types) {
        names.push_back(shown_type(type));
        patterns.push_back(L"*." + type.extension);
    }
    for (std::size_t i = 0; i < request.types.size(); ++i)
        filters.push_back({names[i].c_str(), patterns[i].c_str()});
    DWORD options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR);
    dialog->SetTitle(request.title.c_str());
    dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
    dialog->SetFileTypeIndex(1);
    if (!request.types.empty()) dialog->SetDefaultExtension(request.types.front().extension.c_str());
    dialog->SetFileName(request.file_name.c_str());
    open_in(dialog.get(), request.folder);
    add_choices(dialog.get(), request);

    const HWND owner = modal_owner();
    {
        const Modal modal(owner);
        result = dialog->Show(owner);
    }
    if (FAILED(result)) return result;
    os::ComPtr<IShellItem> item;
    wchar_t* path = nullptr;
    // A dialog that was shown and then went without a choice (closed from outside) has no
    // result: nothing was chosen, as if cancelled.
    result = dialog->GetResult(item.put());
    if (result == E_UNEXPECTED) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    if (FAILED(result) ||
        FAILED(result = item->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return result;
    answer.path = path;
    os::free_task_memory(path);
    UINT type = 1;
    dialog->GetFileTypeIndex(&type);
    answer.type = type >= 1 ? type - 1 : 0;
    answer.choices = chosen(dialog.get(), request.choice_lists.size());
    return S_OK;
}

}  // namespace

std::optional<SaveDialogAnswer> ask_where_to_save(const SaveDialogRequest& request, std::wstring* failure) {
    os::trace("save_dialog", request.title);
    if (answerer()) {
        const Modal modal(modal_owner());
        return answerer()(request);
    }
    SaveDialogAnswer answer;
    const HRESULT result = show(request, answer);
    if (SUCCEEDED(result)) return answer;
    if (failure && result != HRESULT_FROM_WIN32(ERROR_CANCELLED)) *failure = os::com_reason(result);
    return std::nullopt;
}

SaveDialogAnswerer answer_save_dialogs_with(SaveDialogAnswerer replacement) {
    SaveDialogAnswerer previous = std::move(answerer());
    answerer() = std::move(replacement);
    return previous;
}

std::wstring shown_type(const FileType& type) { return type.name + L" (*." + type.extension + L")"; }

std::wstring pictures_folder() {
    static const auto known_folder = os::system_function<decltype(::SHGetKnownFolderPath)>(L"shell32.dll", "SHGetKnownFolderPath");
    wchar_t* path = nullptr;
    std::wstring folder;
    if (known_folder && SUCCEEDED(known_folder(FOLDERID_Pictures, KF_FLAG_CREATE, nullptr, &path))) folder = path;
    os::free_task_memory(path);
    return folder;
}

}  // namespace desktop
