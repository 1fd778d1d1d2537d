// Getting the card out of the program besides "保存为图片": Save As in PNG, JPEG or BMP at print
// quality or screen size, copying the picture, the picture the command line writes.
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
// renamed over path only when whole.
ExportOutcome write_card_picture(const DrawCard& draw, const std::wstring& number, const std::wstring& path,
                                 PictureKind kind, PictureSize size, const std::wstring& temporary_prefix);

// "另存为…": asks where and in which format and size, writes the picture, and says why not when
// it cannot. The folder used last is remembered for the user.
void save_card_as(const DrawCard& draw, const std::wstring& number, const ExportContext& context);

// "复制图片": the card at screen size on the clipboard, as a bitmap and as PNG.
void copy_card(const DrawCard& draw, const std::wstring& number, const ExportContext& context);

