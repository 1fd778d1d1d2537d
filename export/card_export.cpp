#include "export/card_export.h"

#include "assets/version.h"
#include "picture/bmp.h"
#include "desktop/clipboard.h"
#include "desktop/console.h"
#include "desktop/failure.h"
#include "desktop/file_dialog.h"
#include "desktop/imaging.h"
#include "desktop/services.h"
#include "desktop/settings.h"
#include "desktop/trace.h"
#include "export/save_path.h"

namespace {

const wchar_t kFolderSetting[] = L"SaveAsFolder";

desktop::ImageFormat image_format(PictureKind kind) {
    switch (kind) {
        case PictureKind::Jpeg: return desktop::ImageFormat::Jpeg;
        case PictureKind::Bmp: return desktop::ImageFormat::Bmp;
        case PictureKind::Png: break;
    }
    return desktop::ImageFormat::Png;
}

// The same checks as "保存为图片": a number a file name can carry, or a message saying why not.
bool number_fit_for_a_picture(const std::wstring& number) {
    if (number.empty()) {
        desktop::message_box(L"号码不能为空!", desktop::kStopIcon);
        return false;
    }
    if (!is_safe_number(number)) {
        desktop::message_box(L"号码只能包含数字和一个小数点, 图片没有保存!", desktop::kStopIcon);
        return false;
    }
    return true;
}

std::wstring folder_of(const std::wstring& path) {
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

const std::vector<PictureKind> kKinds = {PictureKind::Png, PictureKind::Jpeg, PictureKind::Bmp};

desktop::SaveDialogRequest save_as_request(const std::wstring& number) {
    desktop::SaveDialogRequest request;
    request.title = L"另存为";
    request.types = {{L"PNG 图片", L"png"}, {L"JPEG 图片", L"jpg"}, {L"BMP 图片", L"bmp"}};
    request.file_name = default_picture_name(number);
    request.folder = desktop::read_setting(kFolderSetting, desktop::pictures_folder());
    request.choice_label = L"大小:";
    request.choices = {L"打印质量 (300 dpi)", L"屏幕大小 (1199 × 548)"};
    return request;
}

}  // namespace

ExportOutcome write_card_picture(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                                 PictureKind kind, PictureSize size) {
    desktop::trace("export.start", path);
    desktop::EncodedPicture picture;
    try {
        const std::unique_ptr<desktop::Drawing> card = draw(number, size.scale);
        picture = desktop::encode(*card, image_format(kind), size.dpi);
    } catch (const desktop::Failure& failure) {  // the card could not be drawn whole
        return {false, L"图片没有保存! " + failure.reason()};
    }
    if (!picture) return {false, L"图片没有保存! " + picture.failure()};
    const desktop::WriteOutcome written = desktop::write_file_replacing(path, {picture.bytes()});
    desktop::trace(written.written ? "export.written" : "export.failed", path);
    if (!written.written) return {false, L"图片没有保存! 无法写入文件:\r\n" + path + L"\r\n原因: " + written.reason};
    return {true, {}};
}

void save_card_as(const DrawCard& draw, const std::wstring& number) {
    if (!number_fit_for_a_picture(number)) return;
    std::wstring failure;
    const auto answer = desktop::ask_where_to_save(save_as_request(number), &failure);
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

    const ExportOutcome outcome = write_card_picture(draw, number, path, kind.value_or(chosen_type), size);
    if (!outcome.done) {
        desktop::message_box(outcome.failure, desktop::kStopIcon, L"保存失败");
        return;
    }
    desktop::write_setting(kFolderSetting, folder_of(path));
}

void copy_card(const DrawCard& draw, const std::wstring& number) {
    if (!number_fit_for_a_picture(number)) return;
    desktop::trace("copy.start");
    desktop::Pixels pixels;
    desktop::EncodedPicture png;
    std::wstring failure;
    try {
        const std::unique_ptr<desktop::Drawing> card = draw(number, kScreenSize.scale);
        pixels = desktop::render(*card);
        png = desktop::encode(*card, desktop::ImageFormat::Png, kScreenSize.dpi);
        if (!png) failure = png.failure();
        if (pixels.empty()) failure = L"无法画出停车牌。";
    } catch (const desktop::Failure& drawing_failed) {
        failure = drawing_failed.reason();
    }
    if (failure.empty()) {
        // A device-independent bitmap is a BMP file without its 14-byte file header.
        const auto header = desktop::bmp_header(pixels);
        std::vector<std::uint8_t> dib(header.begin() + 14, header.end());
        dib.insert(dib.end(), pixels.bytes().begin(), pixels.bytes().end());
        if (desktop::put_on_clipboard({{L"CF_DIB", {dib.data(), dib.size()}}, {L"PNG", png.bytes()}}, failure)) {
            desktop::trace("copied");
            return;
        }
    }
    desktop::message_box(L"图片没有复制! " + failure, desktop::kStopIcon, L"复制失败");
}

int run_command_line(const CommandLine& command, const DrawCard& draw) {
    constexpr int kDone = 0, kFailed = 1, kWrongUse = 2;
    switch (command.mode) {
        case CommandLine::Mode::Help:
            for (const std::wstring& line : command_line_help()) desktop::print_line(line);
            return kDone;
        case CommandLine::Mode::Version:
            desktop::print_line(L"Velmora " VELMORA_VERSION_STRING);
            return kDone;
        case CommandLine::Mode::Error:
            desktop::print_line(L"velmora: " + command.error, /*error=*/true);
            desktop::print_line(L"velmora --help 显示用法。", /*error=*/true);
            return kWrongUse;
        case CommandLine::Mode::Interactive: return kWrongUse;
        case CommandLine::Mode::Export: break;
    }
    const ExportOutcome outcome = write_card_picture(draw, command.number, command.out, command.kind, command.size);
    if (!outcome.done) {
        std::wstring line = outcome.failure;
        for (auto at = line.find(L"\r\n"); at != std::wstring::npos; at = line.find(L"\r\n")) line.replace(at, 2, L" ");
        desktop::print_line(L"velmora: " + line, /*error=*/true);
        return kFailed;
    }
    desktop::print_line(L"已写入 " + command.out);
    return kDone;
}
