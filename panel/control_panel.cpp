#include "panel/control_panel.h"

#include "assets/resource.h"
#include "desktop/services.h"
#include "panel/menu_guard.h"
#include "sign/sign_window.h"

namespace {

constexpr desktop::Colour kPanelColour{0x00FFFFC0};
const desktop::FontSpec kFont12{L"宋体", 12};
const desktop::FontSpec kFont10{L"宋体", 10.5};

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
    design.control_font = {L"宋体", 9};
    return design;
}

desktop::ControlDesign label(std::wstring caption, int left, int top) {
    return {std::move(caption), left, top, 1080, 240, std::nullopt, kFont12, false, {}};
}

// A control that shows the hand cursor once start-up has handed it on.
desktop::ControlDesign pointing(std::wstring caption, int left, int top, int width, int height,
                                desktop::Colour back, std::wstring tooltip) {
    return {std::move(caption), left, top, width, height, back, std::nullopt, true, std::move(tooltip)};
}

const wchar_t kAboutText[] =
    L"作者: Velmora 项目组  联系电话: 000-0000-0000\r\n"
    L"电子邮件: velmora@example.com\r\n"
    L"最后更新时间: 2022-07-15\r\n"
    L"发行: Velmora 项目 www.example.com\r\n"
    L"版权所有, 保留一切权利。";

}  // namespace

ControlPanel::ControlPanel()
    : desktop::Form(panel_design()),
      Label1(*this, label(L"电话号码:", 435, 660)),
      Text1(*this, {L"", 1560, 600, 2175, 300, std::nullopt, kFont12, false, L"在此处输入您的电话号码"}, 11),
      Label2(*this, label(L"号码位数:", 480, 240)),
      Option1(*this, pointing(L"8位", 1680, 240, 855, 255, kPanelColour, L"点击选择输入上限8位数号码"), false),
      Option2(*this, pointing(L"11位", 2760, 240, 855, 255, kPanelColour, L"点击选择上限11位数号码"), true),
      Command1(*this, pointing(L"退出程序", 2400, 1320, 1455, 375, {0x00C0C0FF}, L"关闭程序")),
      Command2(*this, pointing(L"保存为图片", 360, 1320, 1455, 375, {0x00C0FFFF},
                               L"将临时停车牌截图并保存到本程序同一路径下")),
      Check1(*this, [] {
          auto design = pointing(L"隐藏主窗体", 360, 1000, 1575, 255, kPanelColour, L"隐藏停车牌的窗体");
          design.font = kFont10;
          return design;
      }(), 0),
      Check2(*this, {L"本窗体置于前端", 2160, 1000, 1935, 255, kPanelColour, kFont10, false, {}}, 1,
             /*enabled_at_load=*/false),
      Command3(*this, pointing(L"关于程序", 360, 1800, 3495, 375, {0x00C0FFC0}, L"关于本程序的信息")) {
    Text1.on_key_press = [this](std::int16_t& key) { Text1_KeyPress(key); };
    Text1.on_paste = [this](std::wstring_view pasted) { return Text1_Paste(pasted); };
    Text1.on_change = [this] { Text1_Change(); };
    Option1.on_click = [this] { Option1_Click(); };
    Option2.on_click = [this] { Option2_Click(); };
    Command1.on_click = [this] { Command1_Click(); };
    Command2.on_click = [this] { Command2_Click(); };
    Command3.on_click = [this] { Command3_Click(); };
    Check1.on_click = [this] { Check1_Click(); };
}

void ControlPanel::Form_Load() {
    Module1::InstallMenuGuard(Text1.handle());
    set_topmost(true);
}

void ControlPanel::Form_Unload() { Module1::RemoveMenuGuard(Text1.handle()); }

void ControlPanel::Check1_Click() {
    if (Check1.value() == 0) {
        Form1().show();
        Command2.set_enabled(true);
    } else {
        Form1().hide();
        Command2.set_enabled(false);
    }
}

void ControlPanel::Command1_Click() { desktop::end(); }

void ControlPanel::Command3_Click() { desktop::message_box(kAboutText, desktop::kInformationIcon, L"关于程序"); }

desktop::FormSlot<ControlPanel>& control_panel_slot() {
    static desktop::FormSlot<ControlPanel> slot;
    return slot;
}
