#include "app/velmora.h"

#include "assets/version.h"
#include "card/card_picture.h"
#include "card/dial_code.h"
#include "desktop/application.h"
#include "export/card_print.h"
#include "os/console.h"
#include "os/painting.h"

const Identity& velmora_identity() {
    static const Identity identity{L"Velmora", L"Local\\Velmora.SingleInstance", L"VELMORA_TRACE",
                                   L"velmora-unfinished-", L"Software\\Velmora"};
    return identity;
}

namespace {

const wchar_t kQrSetting[] = L"QrCode";
const wchar_t kBlackAndWhiteSetting[] = L"BlackAndWhite";
const wchar_t kTwoPerPageSetting[] = L"TwoCardsPerPage";

}  // namespace

DrawCard velmora_card_drawing(bool qr, CardStyle style) {
    return [qr, style](const std::wstring& number, double scale) -> std::unique_ptr<os::Drawing> {
        return std::make_unique<CardPicture>(scale, number, qr ? dial_code(number, full_length_of(number)) : "",
                                             CardPicture::Painted::Once, style);
    };
}

int run_command_line(const CommandLine& command, const DrawCard& draw) {
    constexpr int kDone = 0, kFailed = 1, kWrongUse = 2;
    switch (command.mode) {
        case CommandLine::Mode::Help:
            for (const std::wstring& line : command_line_help()) os::print_line(line);
            return kDone;
        case CommandLine::Mode::Version:
            os::print_line(L"Velmora " VELMORA_VERSION_STRING);
            return kDone;
        case CommandLine::Mode::Error:
            os::print_line(L"velmora: " + command.error, /*error=*/true);
            os::print_line(L"velmora --help 显示用法。", /*error=*/true);
            return kWrongUse;
        case CommandLine::Mode::Interactive: return kWrongUse;
        case CommandLine::Mode::Export: break;
    }
    const std::wstring& prefix = velmora_identity().temporary_prefix;
    const ExportOutcome outcome =
        command.kind == PictureKind::Pdf
            ? write_card_pdf(draw, command.number, command.out, command.paper, prefix)
            : write_card_picture(draw, command.number, command.out, command.kind, command.size, prefix);
    if (!outcome.done) {
        std::wstring line = outcome.failure;
        for (auto at = line.find(L"\r\n"); at != std::wstring::npos; at = line.find(L"\r\n")) line.replace(at, 2, L" ");
        os::print_line(L"velmora: " + line, /*error=*/true);
        return kFailed;
    }
    os::print_line(L"已写入 " + command.out);
    return kDone;
}

Velmora::Velmora()
    : settings_(velmora_identity().settings_key),
      single_instance_(velmora_identity().instance_mutex),
      export_context_{velmora_identity().title, velmora_identity().temporary_prefix, &settings_},
      draw_card_([this](const std::wstring& number, double scale) -> std::unique_ptr<os::Drawing> {
          return std::make_unique<CardPicture>(scale, number, code_for(number), CardPicture::Painted::Once,
                                               style());
      }),
      card_([this] { return make_card(); }),
      panel_([this] { return make_panel(); }),
      save_(windows_for_saving(), export_context_) {
    qr_on_ = settings_.read(kQrSetting, false);  // remembered for the user
    black_and_white_ = settings_.read(kBlackAndWhiteSetting, false);
    two_per_page_ = settings_.read(kTwoPerPageSetting, false);
    desktop::add_shortcut({'C'}, [this] { run(kCopyPicture); });
    desktop::add_shortcut({'S', /*shift=*/true}, [this] { run(kSaveAs); });
    desktop::add_shortcut({'P'}, [this] { run(kPrint); });
}

Velmora::~Velmora() { desktop::clear_shortcuts(); }

void Velmora::run(Command command) {
    const std::wstring number = panel().number();
    switch (command) {
        case kCopyPicture: copy_card(draw_card_, number, export_context_); break;
        case kSaveAs: save_card_as(draw_card_, number, export_context_); break;
        case kPrint: print_card(draw_card_, number, export_context_, two_per_page_ ? 2 : 1); break;
        case kToggleQr: toggle_qr(); break;
        case kToggleBlackAndWhite: toggle_black_and_white(); break;
        case kToggleTwoPerPage: toggle_two_per_page(); break;
    }
    // A panel closed meanwhile is not loaded again from here: only the watchdog brings it
    // back, shown (loaded by anything else it would stay hidden).
    if (panel_loaded()) panel().return_to_number();
}

desktop::MenuItems Velmora::menu_items() const {
    return {{kCopyPicture, L"复制图片\tCtrl+C"},
            {kSaveAs, L"另存为…\tCtrl+Shift+S"},
            {kPrint, L"打印…\tCtrl+P"},
            {},
            {kToggleQr, L"扫码拨号二维码", qr_on_},
            {kToggleBlackAndWhite, L"黑白省墨", black_and_white_},
            {kToggleTwoPerPage, L"每页两张", two_per_page_}};
}

std::string Velmora::code_for(const std::wstring& number) {
    return qr_on_ ? dial_code(number, static_cast<std::size_t>(panel().digit_limit())) : std::string();
}

void Velmora::toggle_qr() {
    qr_on_ = !qr_on_;
    settings_.write(kQrSetting, qr_on_);
    card().show_code(code_for(panel().number()));
}

// Every way out draws through draw_card_, which asks for the style each time; only the
// window's own picture needs telling.
void Velmora::toggle_black_and_white() {
    black_and_white_ = !black_and_white_;
    settings_.write(kBlackAndWhiteSetting, black_and_white_);
    card().show_style(style());
}

void Velmora::toggle_two_per_page() {
    two_per_page_ = !two_per_page_;
    settings_.write(kTwoPerPageSetting, two_per_page_);
}

desktop::WindowMenu Velmora::menu(bool in_system_menu) {
    desktop::WindowMenu menu;
    menu.items = [this] { return menu_items(); };
    menu.run = [this](int command) { run(static_cast<Command>(command)); };
    menu.in_system_menu = in_system_menu;
    menu.on_right_click = !in_system_menu;
    return menu;
}

std::unique_ptr<CardWindow> Velmora::make_card() {
    CardWiring wiring;
    wiring.hand_cursor_to_panel = [this](const desktop::Cursor& hand) { panel().give_hand_cursor(hand); };
    wiring.panel = [this]() -> desktop::Form& { return panel(); };
    wiring.save_pending = [this] { return save_.pending(); };
    wiring.closed = [this] { save_.card_closed(); };
    wiring.another_copy_runs = [this] { return single_instance_.another_copy_runs(); };
    auto card = std::make_unique<CardWindow>(std::move(wiring), style());
    card->set_menu(menu(/*in_system_menu=*/false));
    return card;
}

std::unique_ptr<ControlPanel> Velmora::make_panel() {
    PanelIntents intents;
    intents.number_changed = [this](const std::wstring& number) {
        CardWindow& shown = card();
        shown.show_code(code_for(number));  // first: the digits' paint, at once, takes the code along
        shown.show_number(number);
    };
    intents.save = [this](const std::wstring& number) { save_.request(number); };
    intents.hide_card = [this](bool hidden) { hidden ? card().hide() : card().show(); };
    intents.exit = [] { desktop::end(); };
    auto panel = std::make_unique<ControlPanel>(std::move(intents));
    panel->set_menu(menu(/*in_system_menu=*/true));
    return panel;
}

SaveWindows Velmora::windows_for_saving() {
    SaveWindows windows;
    // Going on top loads a closed card again; leaving the top does not.
    windows.card_on_top = [this](bool on_top) {
        if (on_top || card_.loaded()) card().set_topmost(on_top);
    };
    // The card as its window draws it at 96 dpi, whatever the screen; the window shows the
    // number too.
    windows.draw_card = [this](const std::wstring& number) {
        if (card_.loaded()) card().show_number(number);
        return draw_card_(number, 1.0);
    };
    windows.show_panel = [this](bool shown) { shown ? panel().show() : panel().hide(); };
    windows.panel_on_top = [this] { panel().set_topmost(true); };
    windows.back_to_number = [this] { panel().return_to_number(); };
    windows.save_elsewhere = [this](const std::wstring& number) {
        save_card_as(draw_card_, number, export_context_);
    };
    return windows;
}
