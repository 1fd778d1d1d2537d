#include "export/card_export.h"

#include "desktop/file_dialog.h"
#include "desktop/message_box.h"
#include "desktop/modal.h"
#include "export/save_path.h"
#include "os/clipboard.h"
#include "os/failure.h"
#include "os/imaging.h"
#include "os/settings.h"
#include "os/trace.h"
#include "picture/bmp.h"

namespace {

const wchar_t kFolderSetting[] = L"SaveAsFolder";

os::ImageFormat image_format(PictureKind kind) {
    switch (kind) {
        case PictureKind::Jpeg: return os::ImageFormat::Jpeg;
        case PictureKind::Bmp: return os::ImageFormat::Bmp;
        case PictureKind::Png: break;
    }
    return os::ImageFormat::Png;
}

// The same checks as "保存为图片": a number a file name can carry, or a message saying why not.
bool number_fit_for_a_picture(const std::wstring& number, const ExportContext& context) {
    if (number.empty()) {
        desktop::message_box(L"号码不能为空!", desktop::kStopIcon, context.program_title);
        return false;
    }
    if (!is_safe_number(number)) {
        desktop::message_box(L"号码只能包含数字和一个小数点, 图片没有保存!", desktop::kStopIcon, context.program_title);
        return false;
    }
    return true;
}

std::wstring folder_of(const std::wstring& path) {
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

const std::vector<PictureKind> kKinds = {PictureKind::Png, PictureKind::Jpeg, PictureKind::Bmp};

desktop::SaveDialogRequest save_as_request(const std::wstring& number, const os::Settings* settings) {
    desktop::SaveDialogRequest request;
    request.title = L"另存为";
    request.types = {{L"PNG 图片", L"png"}, {L"JPEG 图片", L"jpg"}, {L"BMP 图片", L"bmp"}};
    request.file_name = default_picture_name(number);
    const std::wstring pictures = desktop::pictures_folder();
    request.folder = settings ? settings->read(kFolderSetting, pictures) : pictures;
    request.choice_label = L"大小:";
    request.choices = {L"打印质量 (300 dpi)", L"屏幕大小 (1199 × 548)"};
    return request;
}

}  // namespace

ExportOutcome write_card_picture(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                                 PictureKind kind, PictureSize size, const std::wstring& temporary_prefix) {
    os::trace("export.start", path);
    os::EncodedPicture picture;
    try {
        const std::unique_ptr<os::Drawing> card = draw(number, size.scale);
        picture = os::encode(*card, image_format(kind), size.dpi);
    } catch (const os::Failure& failure) {  // the card could not be drawn whole
        return {false, L"图片没有保存! " + failure.reason()};
    }
    if (!picture) return {false, L"图片没有保存! " + picture.failure()};
    const os::WriteOutcome written = os::write_file_replacing(path, {picture.bytes()}, temporary_prefix);
    os::trace(written.written ? "export.written" : "export.failed", path);
    if (!written.written) return {false, L"图片没有保存! 无法写入文件:\r\n" + path + L"\r\n原因: " + written.reason};
    return {true, {}};
}

void save_card_as(const DrawCard& draw, const std::wstring& number, const ExportContext& context) {
    if (!number_fit_for_a_picture(number, context)) return;
    std::wstring failure;
    const auto answer = desktop::ask_where_to_save(save_as_request(number, context.settings), &failure);
    if (!answer) {
        if (!failure.empty()) desktop::message_box(L"无法打开另存为对话框:\r\n" + failure, desktop::kStopIcon, L"保存失败");
        return;
    }
    // The name the user typed decides the format; a name without a known one gets the type chosen.
    std::wstring path = answer->path;
    const PictureKind chosen_type = kKinds[std::min(answer->type, kKinds.size() - 1)];
    const auto kind = picture_kind_of(path);
    if (!kind) path += L"." + std::wstring(extension_of(chosen_type));
    const PictureSize size = answer->choice == 1 ? kScreenSize : kPrintQuality;

    const ExportOutcome outcome = write_card_picture(draw, number, path, kind.value_or(chosen_type), size,
                                                     context.temporary_prefix);
    if (!outcome.done) {
        desktop::message_box(outcome.failure, desktop::kStopIcon, L"保存失败");
        return;
    }
    if (context.settings) context.settings->write(kFolderSetting, folder_of(path));
}

void copy_card(const DrawCard& draw, const std::wstring& number, const ExportContext& context) {
    if (!number_fit_for_a_picture(number, context)) return;
    os::trace("copy.start");
    picture::Pixels pixels;
    os::EncodedPicture png;
    std::wstring failure;
    try {
        const std::unique_ptr<os::Drawing> card = draw(number, kScreenSize.scale);
        pixels = os::render(*card);
        png = os::encode(*card, os::ImageFormat::Png, kScreenSize.dpi);
        if (!png) failure = png.failure();
        if (pixels.empty()) failure = L"无法画出停车牌。";
    } catch (const os::Failure& drawing_failed) {
        failure = drawing_failed.reason();
    }
    if (failure.empty()) {
        // A device-independent bitmap is a BMP file without its 14-byte file header.
        const auto header = picture::bmp_header(pixels);
        std::vector<std::uint8_t> dib(header.begin() + 14, header.end());
        dib.insert(dib.end(), pixels.bytes().begin(), pixels.bytes().end());
        if (os::put_on_clipboard(desktop::modal_owner(), {{L"CF_DIB", {dib.data(), dib.size()}}, {L"PNG", png.bytes()}}, failure)) {
            os::trace("copied");
            return;
        }
    }
    desktop::message_box(L"图片没有复制! " + failure, desktop::kStopIcon, L"复制失败");
}
