#include "export/card_print.h"

#include "desktop/message_box.h"
#include "desktop/print_dialog.h"
#include "export/print_layout.h"
#include "export/save_path.h"
#include "os/failure.h"
#include "os/printing.h"
#include "os/trace.h"

namespace {

constexpr os::Colour kMarkGrey{0x00808080};
const wchar_t kTitle[] = L"打印";

PrinterPage page_of(const os::PageFigures& f) {
    return {f.dpi_x, f.dpi_y, f.page_width, f.page_height, f.offset_x, f.offset_y, f.printable_width, f.printable_height};
}

void say_why_not(const std::wstring& failure) {
    desktop::message_box(L"停车牌没有打印!\r\n" + failure, desktop::kStopIcon, L"打印失败");
}

}  // namespace

void print_card(const DrawCard& draw, const std::wstring& number, const ExportContext& context,
                int cards_per_page) {
    if (number.empty() || !is_safe_number(number)) {
        desktop::message_box(number.empty() ? L"号码不能为空!" : L"号码只能包含数字和一个小数点, 没有打印!", desktop::kStopIcon,
                             context.program_title);
        return;
    }
    std::wstring failure;
    const auto orientation =
        cards_per_page == 2 ? desktop::PaperOrientation::Portrait : desktop::PaperOrientation::Landscape;
    const auto choice = desktop::ask_how_to_print(orientation, &failure);
    if (!choice) {
        if (!failure.empty()) say_why_not(failure);
        return;  // cancelled
    }
    os::trace("print.chosen", choice->printer);
    os::PrintJob job(*choice);
    if (!job) return say_why_not(job.failure());
    const PrintLayout layout = lay_out_card(page_of(job.figures()), cards_per_page);
    if (!layout.fits) return say_why_not(L"所选纸张太小, 放不下停车牌。");
    if (!layout.nominal &&
        desktop::message_box(reduced_size_note(layout), desktop::kInformationIcon | desktop::kOkCancel, kTitle) !=
            desktop::kAnswerOk)
        return;

    try {
        const std::unique_ptr<os::Drawing> card = draw(number, layout.render_scale);
        if (!job.start(L"挪车卡_" + number)) return say_why_not(job.failure());
        for (const CardPlace& place : layout.cards)
            if (!job.draw(*card, {place.left, place.top, place.left + place.width, place.top + place.height}))
                return say_why_not(job.failure());
    } catch (const os::Failure& failure) {  // the card could not be drawn whole: the job is taken back
        return say_why_not(failure.reason());
    }
    {
        os::Painter painter = job.painter();
        for (const CardPlace& place : layout.cards)
            for (const DeviceRect& mark : cut_marks(layout, place))
                painter.fill({mark.left, mark.top, mark.right, mark.bottom}, kMarkGrey);
    }
    if (!job.finish()) return say_why_not(job.failure());
    // The spooler has the job; whether the printer prints it now is the queue's matter.
    desktop::message_box(os::printer_paused(choice->printer)
                             ? L"打印机「" + choice->printer + L"」已暂停, 停车牌在它的打印队列中等候。"
                             : L"停车牌已交给打印机「" + choice->printer + L"」的打印队列。",
                         desktop::kInformationIcon, kTitle);
}
