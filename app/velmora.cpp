#include "app/velmora.h"

#include "desktop/painting.h"
#include "desktop/services.h"
#include "desktop/settings.h"
#include "export/card_print.h"
#include "sign/card_picture.h"
#include "sign/dial_code.h"

desktop::Identity velmora_identity() {
    desktop::Identity identity;
    identity.title = L"Velmora";
    identity.instance_mutex = L"Local\\Velmora.SingleInstance";
    identity.trace_variable = L"VELMORA_TRACE";
    identity.temporary_prefix = L"velmora-unfinished-";
    identity.settings_key = L"Software\\Velmora";
    identity.default_charset = GB2312_CHARSET;
    return identity;
}

namespace {

const wchar_t kQrSetting[] = L"QrCode";

}  // namespace

DrawCard velmora_card_drawing(bool qr) {
    return [qr](const std::wstring& number, double scale) -> std::unique_ptr<desktop::Drawing> {
        return std::make_unique<CardPicture>(scale, number, qr ? dial_code(number, full_length_of(number)) : "");
    };
}

Velmora::Velmora()
    : draw_card_([this](const std::wstring& number, double scale) -> std::unique_ptr<desktop::Drawing> {
          return std::make_unique<CardPicture>(scale, number, code_for(number));
      }),
      card_([this] { return make_card(); }),
      panel_([this] { return make_panel(); }),
      save_(windows_for_saving()) {
    desktop::set_identity(velmora_identity());
    qr_on_ = desktop::read_setting(kQrSetting, false);  // remembered for the user
    desktop::add_shortcut({'C'}, [this] { run(kCopyPicture); });
    desktop::add_shortcut({'S', /*shift=*/true}, [this] { run(kSaveAs); });
    desktop::add_shortcut({'P'}, [this] { run(kPrint); });
}

Velmora::~Velmora() { desktop::clear_shortcuts(); }

void Velmora::run(Command command) {
    const std::wstring number = panel().number();
    switch (command) {
        case kCopyPicture: copy_card(draw_card_, number); break;
        case kSaveAs: save_card_as(draw_card_, number); break;
        case kPrint: print_card(draw_card_, number); break;
        case kToggleQr: toggle_qr(); break;
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
            {kToggleQr, L"扫码拨号二维码", qr_on_}};
}

std::string Velmora::code_for(const std::wstring& number) {
    return qr_on_ ? dial_code(number, static_cast<std::size_t>(panel().digit_limit())) : std::string();
}

void Velmora::toggle_qr() {
    qr_on_ = !qr_on_;
    desktop::write_setting(kQrSetting, qr_on_);
    card().show_code(code_for(panel().number()));
}

desktop::WindowMenu Velmora::menu(bool in_system_menu) {
    desktop::WindowMenu menu;
    menu.items = [this] { return menu_items(); };
    menu.run = [this](int command) { run(static_cast<Command>(command)); };
    menu.in_system_menu = in_system_menu;
    menu.on_right_click = !in_system_menu;
    return menu;
}

std::unique_ptr<SignWindow> Velmora::make_card() {
    CardWiring wiring;
    wiring.hand_cursor_to_panel = [this](const desktop::Cursor& hand) { panel().give_hand_cursor(hand); };
    wiring.panel = [this]() -> desktop::Form& { return panel(); };
    wiring.save_pending = [this] { return save_.pending(); };
    wiring.closed = [this] { save_.card_closed(); };
    auto card = std::make_unique<SignWindow>(std::move(wiring));
    card->set_menu(menu(/*in_system_menu=*/false));
    return card;
}

std::unique_ptr<ControlPanel> Velmora::make_panel() {
    PanelIntents intents;
    intents.number_changed = [this](const std::wstring& number) {
        SignWindow& shown = card();
        shown.show_number(number);
        shown.show_code(code_for(number));
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
    windows.save_elsewhere = [this](const std::wstring& number) { save_card_as(draw_card_, number); };
    return windows;
}
