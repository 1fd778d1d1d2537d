#include "app/command_line.h"

#include <algorithm>
#include <optional>

#include "export/save_path.h"

namespace {

constexpr std::size_t kLongestNumber = 11;
constexpr std::size_t kLongestQuote = 60;  // characters of a bad argument an error line repeats

// A bad argument as an error line repeats it: a pasted paragraph or path would drown the
// message, so only its start, and "…" for the rest.
std::wstring quoted(const std::wstring& argument) {
    if (argument.size() <= kLongestQuote) return argument;
    std::size_t cut = kLongestQuote;
    if (argument[cut - 1] >= 0xD800 && argument[cut - 1] <= 0xDBFF) --cut;  // never half a character
    return argument.substr(0, cut) + L"…";
}

bool is_help(const std::wstring& argument) { return argument == L"--help" || argument == L"-h" || argument == L"/?"; }
bool stands_alone(const std::wstring& argument) { return is_help(argument) || argument == L"--version"; }

CommandLine failed(std::wstring error) {
    CommandLine command;
    command.mode = CommandLine::Mode::Error;
    command.error = std::move(error);
    return command;
}

// "--name value" or "--name=value": the option's name and, when it has one, its value.
struct Option {
    std::wstring name;
    std::optional<std::wstring> value;
};

Option split(const std::wstring& argument) {
    const auto equals = argument.find(L'=');
    if (equals == std::wstring::npos) return {argument, std::nullopt};
    return {argument.substr(0, equals), argument.substr(equals + 1)};
}

bool takes_value(const std::wstring& name) {
    return name == L"--number" || name == L"--out" || name == L"--dpi" || name == L"--page" || name == L"--style";
}

std::optional<PdfPaper> paper_named(const std::wstring& name) {
    if (name == L"card") return PdfPaper::Card;
    if (name == L"a4") return PdfPaper::A4;
    if (name == L"a4x2") return PdfPaper::A4TwoCards;
    return std::nullopt;
}

std::optional<CardStyle> style_named(const std::wstring& name) {
    if (name == L"colour") return CardStyle::Colour;
    if (name == L"bw") return CardStyle::BlackAndWhite;
    return std::nullopt;
}

std::optional<std::wstring> check_number(const std::wstring& number) {
    if (number.empty()) return L"号码不能为空";
    if (!is_safe_number(number) || number.size() > kLongestNumber)
        return L"号码只能包含数字和一个小数点, 最多 11 位: " + quoted(number);
    return std::nullopt;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return {};
    if (arguments.size() == 1 && is_help(arguments[0])) {
        CommandLine help;
        help.mode = CommandLine::Mode::Help;
        return help;
    }
    if (arguments.size() == 1 && arguments[0] == L"--version") {
        CommandLine version;
        version.mode = CommandLine::Mode::Version;
        return version;
    }
    // Help or the version asked for beside anything else is wrong use: a script that meant to
    // write a picture must not be told it succeeded.
    const auto alone = std::find_if(arguments.begin(), arguments.end(), stands_alone);
    if (alone != arguments.end()) return failed(*alone + L" 只能单独使用");

    CommandLine command;
    command.mode = CommandLine::Mode::Export;
    std::vector<std::wstring> seen;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        Option option = split(arguments[i]);
        if (option.name != L"--qr" && !takes_value(option.name)) return failed(L"不认识的参数: " + quoted(arguments[i]));
        if (std::find(seen.begin(), seen.end(), option.name) != seen.end()) return failed(L"参数重复: " + option.name);
        seen.push_back(option.name);
        if (option.name == L"--qr") {
            if (option.value) return failed(L"--qr 不带值");
            command.qr = true;
            continue;
        }
        if (!option.value) {
            if (i + 1 == arguments.size()) return failed(option.name + L" 缺少值");
            option.value = arguments[++i];
        }
        if (option.name == L"--number") command.number = *option.value;
        if (option.name == L"--out") command.out = *option.value;
        if (option.name == L"--dpi") {
            const auto size = picture_size_for_dpi(*option.value == L"300" ? 300 : *option.value == L"100" ? 100 : 0);
            if (!size) return failed(L"--dpi 只能是 300 或 100: " + quoted(*option.value));
            command.size = *size;
        }
        if (option.name == L"--page") {
            const auto paper = paper_named(*option.value);
            if (!paper) return failed(L"--page 只能是 card、a4 或 a4x2: " + quoted(*option.value));
            command.paper = *paper;
        }
        if (option.name == L"--style") {
            const auto style = style_named(*option.value);
            if (!style) return failed(L"--style 只能是 colour 或 bw: " + quoted(*option.value));
            command.style = *style;
        }
    }
    if (std::find(seen.begin(), seen.end(), L"--number") == seen.end()) return failed(L"缺少 --number");
    if (const auto wrong = check_number(command.number)) return failed(*wrong);
    if (command.out.empty()) return failed(L"缺少 --out");
    const auto kind = picture_kind_of(command.out);
    if (!kind) return failed(L"不认识的图片格式 (只能是 .png .jpg .jpeg .bmp .pdf): " + quoted(command.out));
    command.kind = *kind;
    // A picture has a size, a PDF a paper; the PDF always holds the print-quality card.
    const bool paper_given = std::find(seen.begin(), seen.end(), L"--page") != seen.end();
    if (command.kind != PictureKind::Pdf && paper_given) return failed(L"--page 只用于 PDF (.pdf)");
    if (command.kind == PictureKind::Pdf && command.size.dpi != kPrintQuality.dpi)
        return failed(L"PDF 中的停车牌总是 300 dpi, 不能用 --dpi 100");
    return command;
}

std::vector<std::wstring> command_line_help() {
    return {
        L"用法: velmora.exe --number 号码 --out 文件 [--dpi 300|100] [--page card|a4|a4x2] [--qr] [--style colour|bw]",
        L"不打开窗口, 把停车牌写成图片或 PDF 文档。",
        L"  --number  电话号码: 数字和最多一个小数点, 最多 11 位",
        L"  --out     要写的文件; 格式由扩展名决定: .png .jpg .jpeg .bmp .pdf",
        L"  --dpi     图片的大小: 300 (默认): 打印质量, 3597 × 1644; 100: 屏幕大小, 1199 × 548",
        L"  --page    PDF 的纸张 (PDF 中总是 300 dpi 的停车牌): card (默认): 只有停车牌, 304.5 × 139.2 毫米;",
        L"            a4: 横向 A4 纸, 带裁切线; a4x2: 纵向 A4 纸, 每页两张, 带裁切线",
        L"  --qr      在停车牌上画扫码拨号的二维码 (号码为 8 位或 11 位时)",
        L"  --style   colour (默认): 彩色; bw: 黑白省墨, 适合黑白激光打印机",
        L"  --help    显示本说明",
        L"  --version 显示版本",
        L"成功时退出码为 0, 失败时不为 0。不带参数启动时, 打开停车牌和控制面板。",
    };
}
