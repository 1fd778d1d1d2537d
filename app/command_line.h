// The command line for batches and scripts:
//     velmora.exe --number 13800138000 --out card.png [--dpi 300|100] [--qr] [--style colour|bw]
//     velmora.exe --number 13800138000 --out card.pdf [--page card|a4|a4x2] [--qr] [--style colour|bw]
// writes the card without any window, in colour or in black and white: a picture at 300 or
// 100 dpi, or a PDF of the 300 dpi card on its own page, on landscape A4 or two to a portrait
// A4; --help says so, --version says which build this is. Without arguments the program
// starts as usual.
#pragma once

#include <string>
#include <vector>

#include "card/card_style.h"
#include "export/picture_file.h"

struct CommandLine {
    enum class Mode { Interactive, Help, Version, Export, Error };
    Mode mode = Mode::Interactive;
    std::wstring number;
    std::wstring out;
    PictureKind kind = PictureKind::Png;
    PictureSize size = kPrintQuality;  // of a picture
    PdfPaper paper = PdfPaper::Card;   // of a PDF
    bool qr = false;
    CardStyle style = CardStyle::Colour;
    std::wstring error;  // what is wrong, for Error
};

// The arguments after the program's own name.
CommandLine parse_command_line(const std::vector<std::wstring>& arguments);

// What --help prints, line by line.
std::vector<std::wstring> command_line_help();
