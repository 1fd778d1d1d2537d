// The choices behind a picture file, and the command line that writes one.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "export/picture_file.h"

namespace {

TEST(PictureFile, KindFollowsTheExtensionWhateverItsCase) {
    const struct {
        const wchar_t* path;
        std::optional<PictureKind> kind;
    } cases[] = {
        {L"card.png", PictureKind::Png},  {L"C:\\a\\CARD.PNG", PictureKind::Png}, {L"c.jpg", PictureKind::Jpeg},
        {L"c.JPEG", PictureKind::Jpeg},   {L"c.bmp", PictureKind::Bmp},          {L"c.gif", std::nullopt},
        {L"card", std::nullopt},          {L"dir.png\\card", std::nullopt},      {L"c.png.txt", std::nullopt},
        {L".png", PictureKind::Png},      {L"c.", std::nullopt},                 {L"c.PDF", PictureKind::Pdf},
        {L"c.pdf.png", PictureKind::Png},
    };
    for (const auto& c : cases) EXPECT_EQ(picture_kind_of(c.path), c.kind) << testing::PrintToString(std::wstring(c.path));
}

TEST(PictureFile, DefaultNameAndSizes) {
    EXPECT_EQ(default_picture_name(L"13800138000"), L"挪车卡_13800138000.png");
    EXPECT_EQ(picture_size_for_dpi(300)->scale, 3.0);
    EXPECT_EQ(picture_size_for_dpi(100)->scale, 1.0);
    EXPECT_FALSE(picture_size_for_dpi(96).has_value());
    EXPECT_EQ(picture_kind_of(L"x." + std::wstring(extension_of(PictureKind::Jpeg))), PictureKind::Jpeg);
}

TEST(CommandLine, GoodArgumentLists) {
    using Mode = CommandLine::Mode;
    const struct {
        std::vector<std::wstring> arguments;
        Mode mode;
        std::wstring number, out;
        PictureKind kind;
        double scale;
        bool qr;
    } cases[] = {
        {{}, Mode::Interactive, L"", L"", PictureKind::Png, 3.0, false},
        {{L"--help"}, Mode::Help, L"", L"", PictureKind::Png, 3.0, false},
        {{L"-h"}, Mode::Help, L"", L"", PictureKind::Png, 3.0, false},
        {{L"/?"}, Mode::Help, L"", L"", PictureKind::Png, 3.0, false},
        {{L"--version"}, Mode::Version, L"", L"", PictureKind::Png, 3.0, false},
        {{L"--number", L"13800138000", L"--out", L"card.png"}, Mode::Export, L"13800138000", L"card.png",
         PictureKind::Png, 3.0, false},
        {{L"--out=D:\\c.JPG", L"--number=1.5", L"--dpi", L"100"}, Mode::Export, L"1.5", L"D:\\c.JPG",
         PictureKind::Jpeg, 1.0, false},
        {{L"--qr", L"--number", L"12345678", L"--dpi=300", L"--out", L"c.bmp"}, Mode::Export, L"12345678", L"c.bmp",
         PictureKind::Bmp, 3.0, true},
    };
    for (const auto& c : cases) {
        const CommandLine command = parse_command_line(c.arguments);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ASSERT_EQ(command.mode, c.mode) << testing::PrintToString(command.error);
        if (c.mode != Mode::Export) continue;
        EXPECT_EQ(command.number, c.number);
        EXPECT_EQ(command.out, c.out);
        EXPECT_EQ(command.kind, c.kind);
        EXPECT_EQ(command.size.scale, c.scale);
        EXPECT_EQ(command.qr, c.qr);
    }
}

// --out *.pdf writes the 300 dpi card in a PDF, on the paper --page names (the card's own page
// unless it says otherwise).
TEST(CommandLine, PdfPapers) {
    const struct {
        std::vector<std::wstring> arguments;
        PdfPaper paper;
    } cases[] = {
        {{L"--number", L"1", L"--out", L"c.pdf"}, PdfPaper::Card},
        {{L"--number", L"1", L"--out", L"C.PDF", L"--page", L"card"}, PdfPaper::Card},
        {{L"--page", L"a4", L"--number", L"1", L"--out", L"c.pdf"}, PdfPaper::A4},
        {{L"--number", L"1", L"--page=a4x2", L"--out", L"c.pdf", L"--qr", L"--dpi", L"300"}, PdfPaper::A4TwoCards},
    };
    for (const auto& c : cases) {
        const CommandLine command = parse_command_line(c.arguments);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ASSERT_EQ(command.mode, CommandLine::Mode::Export) << testing::PrintToString(command.error);
        EXPECT_EQ(command.kind, PictureKind::Pdf);
        EXPECT_EQ(command.paper, c.paper);
        EXPECT_EQ(command.size.dpi, 300);
    }
}

TEST(CommandLine, BadArgumentListsSayWhatIsWrong) {
    const struct {
        std::vector<std::wstring> arguments;
        const wchar_t* says;
    } cases[] = {
        {{L"--out", L"c.png"}, L"缺少 --number"},
        {{L"--number", L"138"}, L"缺少 --out"},
        {{L"--number"}, L"--number 缺少值"},
        {{L"--number", L"", L"--out", L"c.png"}, L"号码不能为空"},
        {{L"--number", L"138-0013", L"--out", L"c.png"}, L"138-0013"},
        {{L"--number", L"1.2.3", L"--out", L"c.png"}, L"1.2.3"},
        {{L"--number", L"123456789012", L"--out", L"c.png"}, L"最多 11 位"},
        {{L"--number", L"..\\x", L"--out", L"c.png"}, L"..\\x"},
        {{L"--number", L"1", L"--out", L"c.gif"}, L"c.gif"},
        {{L"--number", L"1", L"--out", L"c"}, L"不认识的图片格式"},
        {{L"--number", L"1", L"--out", L"c.png", L"--dpi", L"96"}, L"300 或 100"},
        {{L"--number", L"1", L"--out", L"c.png", L"--colour"}, L"--colour"},
        {{L"--number", L"1", L"--number", L"2", L"--out", L"c.png"}, L"参数重复"},
        {{L"--number", L"1", L"--out", L"c.png", L"--qr=yes"}, L"--qr"},
        {{L"13800138000"}, L"13800138000"},
        // Help beside anything else is wrong use, wherever it stands, even as a value.
        {{L"--number", L"/?", L"--out", L"x.png"}, L"/? 只能单独使用"},
        {{L"--number", L"1", L"--out", L"-h"}, L"-h 只能单独使用"},
        {{L"--number", L"1", L"--out", L"--help"}, L"--help 只能单独使用"},
        {{L"--help", L"--help"}, L"--help 只能单独使用"},
        {{L"--number", L"1", L"/?"}, L"/? 只能单独使用"},
        {{L"--number", L"1", L"--version"}, L"--version 只能单独使用"},
        // A picture has a size, a PDF a paper, and a PDF always the print-quality card.
        {{L"--number", L"1", L"--out", L"c.png", L"--page", L"a4"}, L"--page 只用于 PDF"},
        {{L"--number", L"1", L"--out", L"c.jpg", L"--page=card"}, L"--page 只用于 PDF"},
        {{L"--number", L"1", L"--out", L"c.pdf", L"--dpi", L"100"}, L"不能用 --dpi 100"},
        {{L"--number", L"1", L"--out", L"c.pdf", L"--page", L"A5"}, L"card、a4 或 a4x2: A5"},
        {{L"--number", L"1", L"--out", L"c.pdf", L"--page", L"A4"}, L"card、a4 或 a4x2: A4"},
        {{L"--number", L"1", L"--out", L"c.pdf", L"--page"}, L"--page 缺少值"},
        {{L"--number", L"1", L"--out", L"c.pdf", L"--page", L"a4", L"--page", L"a4"}, L"参数重复"},
    };
    for (const auto& c : cases) {
        const CommandLine command = parse_command_line(c.arguments);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(command.mode, CommandLine::Mode::Error);
        EXPECT_NE(command.error.find(c.says), std::wstring::npos) << testing::PrintToString(command.error);
    }
}

TEST(CommandLine, StyleIsColourUnlessAskedForBlackAndWhite) {
    const std::vector<std::wstring> base = {L"--number", L"13800138000", L"--out", L"c.png"};
    const struct {
        std::vector<std::wstring> more;
        std::optional<CardStyle> style;  // none: wrong use
        const wchar_t* says;
    } cases[] = {
        {{}, CardStyle::Colour, L""},
        {{L"--style", L"colour"}, CardStyle::Colour, L""},
        {{L"--style", L"bw"}, CardStyle::BlackAndWhite, L""},
        {{L"--style=bw", L"--qr"}, CardStyle::BlackAndWhite, L""},
        {{L"--style", L"BW"}, std::nullopt, L"--style 只能是 colour 或 bw: BW"},
        {{L"--style=color"}, std::nullopt, L"--style 只能是 colour 或 bw: color"},
        {{L"--style="}, std::nullopt, L"--style 只能是 colour 或 bw"},
        {{L"--style"}, std::nullopt, L"--style 缺少值"},
        {{L"--style", L"bw", L"--style", L"colour"}, std::nullopt, L"参数重复: --style"},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> arguments = base;
        arguments.insert(arguments.end(), c.more.begin(), c.more.end());
        SCOPED_TRACE(testing::PrintToString(arguments));
        const CommandLine command = parse_command_line(arguments);
        if (!c.style) {
            EXPECT_EQ(command.mode, CommandLine::Mode::Error);
            EXPECT_NE(command.error.find(c.says), std::wstring::npos) << testing::PrintToString(command.error);
            continue;
        }
        ASSERT_EQ(command.mode, CommandLine::Mode::Export) << testing::PrintToString(command.error);
        EXPECT_EQ(command.style, *c.style);
        EXPECT_EQ(command.number, L"13800138000");
    }
}

// An error line repeats the first 60 characters of a bad argument and "…", never a whole
// paragraph or path, and never half of a character beyond the basic plane.
TEST(CommandLine, ErrorLinesQuoteTheStartOfALongArgument) {
    const std::wstring sixty(60, L'7'), long_path = L"C:\\" + std::wstring(300, L'深') + L".gif";
    const std::wstring clef = L"\U0001D11E";  // two UTF-16 units
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring says;
    } cases[] = {
        {{L"--number", sixty + L"x", L"--out", L"c.png"}, L": " + sixty + L"…"},
        {{L"--number", L"1", L"--out", long_path}, L": " + long_path.substr(0, 60) + L"…"},
        {{L"--" + std::wstring(100, L'z')}, L": --" + std::wstring(58, L'z') + L"…"},
        {{L"--number", L"1", L"--out", L"c.png", L"--dpi", std::wstring(59, L'9') + clef}, L": " + std::wstring(59, L'9') + L"…"},
        {{L"--number", sixty, L"--out", L"c.png"}, L": " + sixty},  // 60 characters are quoted whole
    };
    for (const auto& c : cases) {
        const CommandLine command = parse_command_line(c.arguments);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(command.mode, CommandLine::Mode::Error);
        const auto at = command.error.find(c.says);
        ASSERT_NE(at, std::wstring::npos) << testing::PrintToString(command.error);
        EXPECT_EQ(at + c.says.size(), command.error.size()) << "more was quoted";
    }
}

}  // namespace
