// Getting the card out of the program besides "保存为图片": Save As in PNG, JPEG or BMP at print
// quality or screen size or as a PDF, copying the picture, the files the command line writes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "export/export_context.h"
#include "export/picture_file.h"
#include "os/painting.h"

// The card showing a number, drawn at a scale (1: 1199 x 548).
using DrawCard = std::function<std::unique_ptr<os::Drawing>(const std::wstring& number, double scale)>;

struct ExportOutcome {
    bool done = false;
    std::wstring failure;  // what went wrong, in the user's words
};

// Encodes the card and writes it through a temporary file (named with temporary_prefix),
// renamed over path only when whole. A PDF is written as write_card_pdf writes it on the card's
// own page, whatever the size.
ExportOutcome write_card_picture(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                                 PictureKind kind, PictureSize size, const std::wstring& temporary_prefix);

// The print-quality card as a PDF on the paper chosen, titled "挪车卡_<number>": the card's
// PNG goes into it as it was compressed, and the file is written like the pictures.
ExportOutcome write_card_pdf(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                             PdfPaper paper, const std::wstring& temporary_prefix);

// "另存为…": asks where and in which format and size (a picture's) or paper (a PDF's), writes
// the file, and says why not when it cannot. The folder used last is remembered for the user.
void save_card_as(const DrawCard& draw, const std::wstring& number, const ExportContext& context);

// "复制图片": the card at screen size on the clipboard, as a bitmap and as PNG.
void copy_card(const DrawCard& draw, const std::wstring& number, const ExportContext& context);

