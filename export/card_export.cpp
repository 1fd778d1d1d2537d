#include "export/card_export.h"

#include "desktop/file_dialog.h"
#include "desktop/message_box.h"
#include "desktop/modal.h"
#include "export/card_pdf.h"
#include "export/save_path.h"
#include "os/clipboard.h"
#include "os/failure.h"
#include "os/imaging.h"
#include "os/settings.h"
#include "os/trace.h"
#include "picture/bmp.h"
#include "picture/pdf.h"

namespace {

const wchar_t kFolderSetting[] = L"SaveAsFolder";

os::ImageFormat image_format(PictureKind kind) {
    switch (kind) {
        case PictureKind::Jpeg: return os::ImageFormat::Jpeg;
        case PictureKind::Bmp: return os::ImageFormat::Bmp;
        case PictureKind::Png:
        case PictureKind::Pdf: break;
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

const std::vector<PictureKind> kKinds = {PictureKind::Png, PictureKind::Jpeg, PictureKind::Bmp, PictureKind::Pdf};
const std::vector<PdfPaper> kPapers = {PdfPaper::Card, PdfPaper::A4, PdfPaper::A4TwoCards};
constexpr std::size_t kSizeList = 0, kPaperList = 1;  // the dialog's choice lists

desktop::SaveDialogRequest save_as_request(const std::wstring& number, const os::Settings* settings) {
    desktop::SaveDialogRequest request;
    request.title = L"另存为";
    request.types = {{L"PNG 图片", L"png"}, {L"JPEG 图片", L"jpg"}, {L"BMP 图片", L"bmp"}, {L"PDF 文档", L"pdf"}};
    request.file_name = default_picture_name(number);
    const std::wstring pictures = desktop::pictures_folder();
    request.folder = settings ? settings->read(kFolderSetting, pictures) : pictures;
    request.choice_lists.resize(2);
    request.choice_lists[kSizeList] = {L"大小:", {L"打印质量 (300 dpi)", L"屏幕大小 (1199 × 548)"}};  // pictures only
    request.choice_lists[kPaperList] = {L"纸张:", {L"只有停车牌", L"A4 纸", L"A4 纸, 每页两张"}};  // PDF only
    return request;
}

// Draws and encodes the card; empty, with failure saying why, when it cannot. The drawing is
// let go before the encoded picture is handed back.
os::EncodedPicture encoded_card(const DrawCard& draw, const std::wstring& number, os::ImageFormat format,
                                PictureSize size, std::wstring& failure) {
    os::EncodedPicture picture;
    try {
        const std::unique_ptr<os::Drawing> card = draw(number, size.scale);
        picture = os::encode(*card, format, size.dpi);
    } catch (const os::Failure& drawing_failed) {  // the card could not be drawn whole
        failure = drawing_failed.reason();
        return picture;
    }
    if (!picture) failure = picture.failure();
    return picture;
}

ExportOutcome write_runs(const std::wstring& path, const std::vector<os::ByteRun>& runs,
                         const std::wstring& not_saved, const std::wstring& temporary_prefix) {
    const os::WriteOutcome written = os::write_file_replacing(path, runs, temporary_prefix);
    os::trace(written.written ? "export.written" : "export.failed", path);
    if (!written.written) return {false, not_saved + L"无法写入文件:\r\n" + path + L"\r\n原因: " + written.reason};
    return {true, {}};
}

}  // namespace

ExportOutcome write_card_picture(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                                 PictureKind kind, PictureSize size, const std::wstring& temporary_prefix) {
    if (kind == PictureKind::Pdf) return write_card_pdf(draw, number, path, PdfPaper::Card, temporary_prefix);
    const std::wstring not_saved = L"图片没有保存! ";
    os::trace("export.start", path);
    std::wstring failure;
    const os::EncodedPicture picture = encoded_card(draw, number, image_format(kind), size, failure);
    if (!picture) return {false, not_saved + failure};
    return write_runs(path, {picture.bytes()}, not_saved, temporary_prefix);
}

ExportOutcome write_card_pdf(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                             PdfPaper paper, const std::wstring& temporary_prefix) {
    const std::wstring not_saved = L"PDF 文档没有保存! ";
    os::trace("export.start", path);
    std::wstring failure;
    const os::EncodedPicture png = encoded_card(draw, number, os::ImageFormat::Png, kPrintQuality, failure);
    if (!png) return {false, not_saved + failure};
    const picture::PngRows rows = picture::read_png_rows({png.bytes().data, png.bytes().size});
    if (!rows) return {false, not_saved + rows.failure};
    // The file's runs point into the PNG: it is written from where the encoder left it.
    const picture::PdfFile pdf = picture::picture_pdf(card_pdf_page(paper), rows, L"挪车卡_" + number);
    std::vector<os::ByteRun> runs;
    for (const picture::ByteSpan& run : pdf.runs()) runs.push_back({run.data, run.size});
    return write_runs(path, runs, not_saved, temporary_prefix);
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
    // The size is a picture's, the paper a PDF's.
    const PictureSize size = answer->chosen(kSizeList) == 1 ? kScreenSize : kPrintQuality;
    const PdfPaper paper = kPapers[std::min(answer->chosen(kPaperList), kPapers.size() - 1)];

    const ExportOutcome outcome =
        kind.value_or(chosen_type) == PictureKind::Pdf
            ? write_card_pdf(draw, number, path, paper, context.temporary_prefix)
            : write_card_picture(draw, number, path, kind.value_or(chosen_type), size, context.temporary_prefix);
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
