#include "app/velmora.h"

#include "desktop/application.h"
#include "desktop/services.h"

namespace {

desktop::Identity velmora_identity() {
    desktop::Identity identity;
    identity.title = L"Velmora";
    identity.instance_mutex = L"Local\\Velmora.SingleInstance";
    identity.trace_variable = L"VELMORA_TRACE";
    identity.temporary_prefix = L"velmora-unfinished-";
    identity.default_charset = GB2312_CHARSET;
    return identity;
}

}  // namespace

Velmora::Velmora()
    : card_([this] { return make_card(); }), panel_([this] { return make_panel(); }), save_(windows_for_saving()) {
    desktop::set_identity(velmora_identity());
}

std::unique_ptr<SignWindow> Velmora::make_card() {
    CardWiring wiring;
    wiring.hand_cursor_to_panel = [this](const desktop::Cursor& hand) { panel().give_hand_cursor(hand); };
    wiring.panel = [this]() -> desktop::Form& { return panel(); };
    wiring.save_pending = [this] { return save_.pending(); };
    wiring.closed = [this] { save_.card_closed(); };
    return std::make_unique<SignWindow>(std::move(wiring));
}

std::unique_ptr<ControlPanel> Velmora::make_panel() {
    PanelIntents intents;
    intents.number_changed = [this](const std::wstring& number) { card().show_number(number); };
    intents.save = [this](const std::wstring& number) { save_.request(number); };
    intents.hide_card = [this](bool hidden) { hidden ? card().hide() : card().show(); };
    intents.exit = [] { desktop::end(); };
    return std::make_unique<ControlPanel>(std::move(intents));
}

SaveWindows Velmora::windows_for_saving() {
    SaveWindows windows;
    // Going on top loads a closed card again; leaving the top does not.
    windows.card_on_top = [this](bool on_top) {
        if (on_top || card_.loaded()) card().set_topmost(on_top);
    };
    windows.render_card = [this](const std::wstring& number) {
        SignWindow& shown = card();
        shown.show_number(number);
        return shown.render();
    };
    windows.show_panel = [this](bool shown) { shown ? panel().show() : panel().hide(); };
    windows.panel_on_top = [this] { panel().set_topmost(true); };
    windows.back_to_number = [this] { panel().return_to_number(); };
    return windows;
}
