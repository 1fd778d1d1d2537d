#include "panel/control_panel.h"

#include "assets/resource.h"
#include "desktop/message_box.h"

namespace {

constexpr os::Colour kPanelColour{0x00FFFFC0};
const os::FontDesign kFont12{L"宋体", 12, GB2312_CHARSET};
const os::FontDesign kFont10{L"宋体", 10.5, GB2312_CHARSET};

desktop::FormDesign panel_design() {
    desktop::FormDesign design;
    design.class_name = L"Velmora.Panel";
    design.title = L"控制面板 Velmora example.com";
    design.border = desktop::Border::FixedSingle;
    design.client_width = 4215;
    design.client_height = 2295;
    design.centre_when_first_shown = true;
    design.back_colour = kPanelColour;
    design.icon_resource = IDI_VELMORA;
    design.control_font = {L"宋体", 9, GB2312_CHARSET};
    return design;
}

desktop::ControlDesign label(std::wstring caption, int left, int top) {
    return {std::move(caption), left, top, 1080, 240, std::nullopt, kFont12, false, {}};
}

// A control that shows the hand cursor once start-up has handed it on.
desktop::ControlDesign pointing(std::wstring caption, int left, int top, int width, int height,
                                os::Colour back, std::wstring tooltip) {
    return {std::move(caption), left, top, width, height, back, std::nullopt, true, std::move(tooltip)};
}

desktop::ControlDesign with_font(desktop::ControlDesign design, const os::FontDesign& font) {
    design.font = font;
    return design;
}

const wchar_t kAboutText[] =
    L"作者: Velmora 项目组  联系电话: 000-0000-0000\r\n"
    L"电子邮件: velmora@example.com\r\n"
    L"最后更新时间: 2022-07-15\r\n"
    L"发行: Velmora 项目 www.example.com\r\n"
    L"版权所有, 保留一切权利。";

}  // namespace

ControlPanel::ControlPanel(PanelIntents intents)
    : desktop::Form(panel_design()),
      number_label(*this, label(L"电话号码:", 435, 660)),
      number_box(*this, {L"", 1560, 600, 2175, 300, std::nullopt, kFont12, false, L"在此处输入您的电话号码"}, 11,
                 desktop::ContextMenu::Suppressed),
      digits_label(*this, label(L"号码位数:", 480, 240)),
      eight_digits(*this, pointing(L"8位", 1680, 240, 855, 255, kPanelColour, L"点击选择输入上限8位数号码"), false),
      eleven_digits(*this, pointing(L"11位", 2760, 240, 855, 255, kPanelColour, L"点击选择上限11位数号码"), true),
      exit_button(*this, pointing(L"退出程序", 2400, 1320, 1455, 375, {0x00C0C0FF}, L"关闭程序")),
      save_button(*this, pointing(L"保存为图片", 360, 1320, 1455, 375, {0x00C0FFFF},
                                  L"将临时停车牌截图并保存到本程序同一路径下")),
      hide_card(*this, with_font(pointing(L"隐藏主窗体", 360, 1000, 1575, 255, kPanelColour, L"隐藏停车牌的窗体"), kFont10), 0),
      keep_on_top(*this, {L"本窗体置于前端", 2160, 1000, 1935, 255, kPanelColour, kFont10, false, {}}, 1,
                  /*enabled_at_load=*/false),
      about_button(*this, pointing(L"关于程序", 360, 1800, 3495, 375, {0x00C0FFC0}, L"关于本程序的信息")),
      intents_(std::move(intents)) {
    number_box.on_key_press = [this](std::int16_t& key) { on_key_press(key); };
    number_box.on_paste = [this](std::wstring_view pasted) { return on_paste(pasted); };
    number_box.on_change = [this] { intents_.number_changed(number_box.text()); };
    eight_digits.on_click = [this] { choose_digit_mode(8); };
    eleven_digits.on_click = [this] { choose_digit_mode(11); };
    exit_button.on_click = [this] { intents_.exit(); };
    save_button.on_click = [this] { intents_.save(number_box.text()); };
    about_button.on_click = [this] { on_about_clicked(); };
    hide_card.on_click = [this] { on_hide_card_clicked(); };
}

void ControlPanel::give_hand_cursor(const desktop::Cursor& hand) {
    const std::initializer_list<desktop::Control*> pointing_controls = {&exit_button,  &save_button,   &about_button,
                                                                         &eight_digits, &eleven_digits, &hide_card};
    for (desktop::Control* control : pointing_controls) control->set_mouse_icon(hand);
}

void ControlPanel::on_load() { set_topmost(true); }

// While the card is hidden there is nothing to save.
void ControlPanel::on_hide_card_clicked() {
    const bool hidden = hide_card.value() != 0;
    intents_.hide_card(hidden);
    save_button.set_enabled(!hidden);
}

void ControlPanel::on_about_clicked() {
    desktop::message_box(kAboutText, desktop::kInformationIcon, L"关于程序");
    return_to_number();
}
